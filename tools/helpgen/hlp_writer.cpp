#include "hlp_writer.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <map>

// Layout kept here, after the public descriptions of the format (Winterhoff's helpfile.txt) and what
// Wine's winhlp32 reads (programs/winhlp32/hlpfile.c):
// - |SYSTEM version 1.33 (WinHelp 4) with flags 0: topic blocks of 4 KB, not compressed;
// - one TOPICLINK per paragraph, the topic header (record type 2) before each topic's paragraphs
//   (record type 0x20); the last TOPICLINK, which a reader stops at without using it, is an empty
//   paragraph of the last topic, so that a reader that does use it meets no topic without a title;
// - browse pointers and the next topic header -1 where there is none;
// - TOPICPOS = block * 0x4000 + offset in the block counting its 12-byte header; TOPICOFFSET =
//   block * 0x8000 + the number of text bytes of the paragraphs that start earlier in that block;
// - B+ trees of one leaf page, which is plenty for a help file of a few dozen topics.
//
// Wine's viewer places a jump by counting the bytes of the text before it, while its text control
// counts characters, so a jump after a double-byte character lands on the wrong words. The writer
// refuses such a jump instead of producing a file whose contents topic jumps to the wrong topics.

namespace helpgen {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kBlockSize = 4096;
constexpr size_t kBlockHeaderSize = 12;
constexpr size_t kLinkHeaderSize = 21;
constexpr uint8_t kTopicHeader = 0x02;
constexpr uint8_t kDisplayText = 0x20;

class Bytes {
  public:
    void U8(unsigned value) { data_.push_back(static_cast<uint8_t>(value)); }
    void U16(unsigned value) {
        U8(value & 0xFF);
        U8((value >> 8) & 0xFF);
    }
    void U32(uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void Text(std::string_view text) { data_.insert(data_.end(), text.begin(), text.end()); }
    void Append(const Bytes& other) { data_.insert(data_.end(), other.data_.begin(), other.data_.end()); }
    void Zeros(size_t count) { data_.insert(data_.end(), count, 0); }
    // The compressed numbers of a paragraph's LinkData1.
    void CompressedUShort(unsigned value) {
        if (value < 0x80) {
            U8(value * 2);
        } else {
            U8(1 + value % 0x80 * 2);
            U8(value / 0x80);
        }
    }
    void CompressedShort(int value) {
        CompressedUShort(
            static_cast<unsigned>(value >= -0x40 && value < 0x40 ? value + 0x40 : value + 0x4000));
    }
    void CompressedLong(long value) {
        const auto biased =
            static_cast<uint32_t>(value >= -0x4000 && value < 0x4000 ? value + 0x4000 : value + 0x4000000);
        if (biased < 0x8000) {
            U16(biased * 2);
        } else {
            U16(1 + biased % 0x8000 * 2);
            U16(biased / 0x8000);
        }
    }
    size_t Size() const { return data_.size(); }
    const std::vector<uint8_t>& Data() const { return data_; }
    std::vector<uint8_t>& Data() { return data_; }

  private:
    std::vector<uint8_t> data_;
};

// Fonts of |FONT, in this order; sizes in half-points.
enum Font { kBodyFont, kTitleFont, kHeadingFont };
struct FontDescriptor {
    unsigned attributes;  // 1 bold
    unsigned halfPoints;
    uint8_t red, green, blue;
};
const FontDescriptor kFonts[] = {{0, 20, 0, 0, 0}, {1, 28, 0, 0, 128}, {1, 22, 0, 0, 0}};
// The face's English name: Japanese Windows and Wine's font substitutes both know it, and it stays
// plain ASCII in the font table Wine's viewer writes for its text control.
const char kFaceName[] = "MS PGothic";
constexpr unsigned kFamilySwiss = 3;

struct ParagraphStyle {
    Font font;
    int spaceAbove, spaceBelow, leftIndent, firstLineIndent;  // half-points
};
const ParagraphStyle kTitleStyle = {kTitleFont, 0, 12, 0, 0};
const ParagraphStyle kParagraphStyle = {kBodyFont, 0, 8, 0, 0};
const ParagraphStyle kHeadingStyle = {kHeadingFont, 12, 4, 0, 0};
const ParagraphStyle kItemStyle = {kBodyFont, 0, 4, 24, -12};
// A list item's mark: the half-width middle dot of code page 932, one byte like the ASCII text.
const char kItemMark[] = "\xA5 ";

bool IsDoubleByteText(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<uint8_t>(c);
        return b >= 0x80 && !(b >= 0xA1 && b <= 0xDF);
    });
}

// A displayable-text record: LinkData1 holds the paragraph format and the formatting commands,
// LinkData2 the strings between them, one before every command.
class Paragraph {
  public:
    explicit Paragraph(const ParagraphStyle& style) {
        format_.U8(0x00);
        format_.U8(0x80);
        format_.U16(0);  // id
        const int values[] = {style.spaceAbove,     style.spaceBelow, 0, style.leftIndent, 0,
                              style.firstLineIndent};
        unsigned bits = 0;
        for (int i = 0; i < 6; ++i) bits |= values[i] != 0 ? 2u << i : 0u;
        format_.U16(bits);
        for (int i = 0; i < 6; ++i) {
            if (values[i] != 0) format_.CompressedShort(values[i]);
        }
        Command({0x80, static_cast<uint8_t>(style.font), 0x00});
    }
    void Text(std::string_view text) {
        for (size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
            pending_ += text.substr(0, end);
            Command({0x81});  // line break
        }
        pending_ += text;
    }
    void Jump(uint32_t hash) {
        Command({0xE3, static_cast<uint8_t>(hash), static_cast<uint8_t>(hash >> 8),
                 static_cast<uint8_t>(hash >> 16), static_cast<uint8_t>(hash >> 24)});
    }
    void EndJump() { Command({0x89}); }
    // LinkData1 and LinkData2 of the finished record.
    void Finish(Bytes* data1, Bytes* data2) {
        Command({0x82});
        Command({0xFF});
        data1->CompressedLong(static_cast<long>(format_.Size()));
        data1->CompressedUShort(static_cast<unsigned>(text_.Size()));
        data1->Append(format_);
        data2->Append(text_);
    }

  private:
    void Command(std::initializer_list<uint8_t> command) {
        text_.Text(pending_);
        text_.U8(0);
        pending_.clear();
        for (uint8_t b : command) format_.U8(b);
    }

    Bytes format_, text_;
    std::string pending_;
};

struct Link {
    uint8_t type = kDisplayText;
    Bytes data1, data2;
    uint32_t pos = 0, offset = 0;  // TOPICPOS and TOPICOFFSET
};

struct TopicLinks {
    size_t header = 0, end = 0;  // the topic's header record and one past its last paragraph
};

bool AddParagraphs(const Topic& topic, std::vector<Link>* links, std::string* error) {
    bool doubleByteSeen = false;
    auto add = [&](const ParagraphStyle& style, std::string_view mark, const std::vector<Span>& spans) {
        Paragraph paragraph(style);
        paragraph.Text(mark);
        for (const Span& span : spans) {
            if (!span.target.empty()) {
                if (doubleByteSeen || IsDoubleByteText(span.text)) {
                    *error = "topic " + topic.id + ": the jump to " + span.target +
                             " follows double-byte text, which Wine's viewer would place on the wrong words;"
                             " put jumps before any kanji or kana of their topic";
                    return false;
                }
                paragraph.Jump(ContextHash(span.target));
                paragraph.Text(span.text);
                paragraph.EndJump();
            } else {
                doubleByteSeen = doubleByteSeen || IsDoubleByteText(span.text);
                paragraph.Text(span.text);
            }
        }
        links->emplace_back();
        paragraph.Finish(&links->back().data1, &links->back().data2);
        return true;
    };
    if (!add(kTitleStyle, {}, {{topic.title, {}}})) return false;
    for (const Block& block : topic.blocks) {
        const bool item = block.kind == BlockKind::kItem;
        const ParagraphStyle& style = item                                ? kItemStyle
                                      : block.kind == BlockKind::kHeading ? kHeadingStyle
                                                                          : kParagraphStyle;
        if (!add(style, item ? kItemMark : "", block.spans)) return false;
    }
    return true;
}

void AddTopicHeader(std::vector<Link>* links, std::string_view title) {
    links->emplace_back();
    links->back().type = kTopicHeader;
    links->back().data1.Zeros(28);  // filled once the layout is known
    links->back().data2.Text(title);
}

// TOPICPOS and TOPICOFFSET of every record. Only LinkData2 may run on into the next block; a record
// whose header and LinkData1 do not fit the rest of a block starts the next one.
size_t Layout(std::vector<Link>* links) {
    size_t block = 0, pos = kBlockHeaderSize, offset = 0;
    for (Link& link : *links) {
        const size_t fixed = kLinkHeaderSize + link.data1.Size();
        if (kBlockSize - pos < fixed) {
            ++block;
            pos = kBlockHeaderSize;
            offset = 0;
        }
        link.pos = static_cast<uint32_t>(block * 0x4000 + pos);
        link.offset = static_cast<uint32_t>(block * 0x8000 + offset);
        pos += fixed + link.data2.Size();
        if (link.type != kTopicHeader) offset += link.data2.Size();
        while (pos > kBlockSize) {
            ++block;
            offset = 0;
            pos -= kBlockSize - kBlockHeaderSize;
        }
    }
    return block + 1;
}

void Put32(Bytes* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes->Data()[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The topic headers: size, browse sequence, number, scrolling region and the next topic header.
void FillTopicHeaders(const std::vector<TopicLinks>& topics, std::vector<Link>* links) {
    for (size_t t = 0; t < topics.size(); ++t) {
        Bytes& data = (*links)[topics[t].header].data1;
        uint32_t size = 0;
        for (size_t i = topics[t].header + 1; i < topics[t].end; ++i) {
            size +=
                static_cast<uint32_t>(kLinkHeaderSize + (*links)[i].data1.Size() + (*links)[i].data2.Size());
        }
        Put32(&data, 0, size);
        Put32(&data, 4, t > 0 ? (*links)[topics[t - 1].header].offset : kNone);
        Put32(&data, 8, t + 1 < topics.size() ? (*links)[topics[t + 1].header].offset : kNone);
        Put32(&data, 12, static_cast<uint32_t>(t));
        Put32(&data, 16, kNone);
        Put32(&data, 20, topics[t].end > topics[t].header + 1 ? (*links)[topics[t].header + 1].pos : kNone);
        Put32(&data, 24, t + 1 < topics.size() ? (*links)[topics[t + 1].header].pos : kNone);
    }
}

Bytes TopicFile(const std::vector<Link>& links, size_t blocks) {
    // Each block's header: the last record begun before it, its first record, the last topic header
    // begun before it.
    std::vector<uint32_t> lastLink(blocks, kNone), firstLink(blocks, kNone), lastHeader(blocks, 0);
    for (const Link& link : links) {
        const size_t block = link.pos / 0x4000;
        if (firstLink[block] == kNone) firstLink[block] = link.pos;
        for (size_t b = block + 1; b < blocks; ++b) {
            lastLink[b] = link.pos;
            if (link.type == kTopicHeader) lastHeader[b] = link.pos;
        }
    }
    Bytes file;
    auto blockStart = [&] {
        if (file.Size() % kBlockSize != 0) return;
        const size_t b = file.Size() / kBlockSize;
        file.U32(lastLink[b]);
        file.U32(firstLink[b]);
        file.U32(lastHeader[b]);
    };
    auto put = [&](const Bytes& bytes) {
        for (uint8_t b : bytes.Data()) {
            blockStart();
            file.U8(b);
        }
    };
    for (size_t i = 0; i < links.size(); ++i) {
        const Link& link = links[i];
        const size_t at = link.pos / 0x4000 * kBlockSize + link.pos % 0x4000;
        for (blockStart(); file.Size() < at; blockStart()) file.U8(0);
        Bytes header;
        header.U32(static_cast<uint32_t>(kLinkHeaderSize + link.data1.Size() + link.data2.Size()));
        header.U32(static_cast<uint32_t>(link.data2.Size()));
        header.U32(i > 0 ? links[i - 1].pos : kNone);
        header.U32(i + 1 < links.size() ? links[i + 1].pos : kNone);
        header.U32(static_cast<uint32_t>(kLinkHeaderSize + link.data1.Size()));
        header.U8(link.type);
        put(header);
        put(link.data1);
        put(link.data2);
    }
    // Whole blocks: a reader may copy the last block in full.
    file.Zeros((kBlockSize - file.Size() % kBlockSize) % kBlockSize);
    return file;
}

// A B+ tree of one leaf page holding the given entries, already in key order.
bool BTree(unsigned flags, unsigned pageSize, std::string_view structure, const std::vector<Bytes>& entries,
           Bytes* tree, std::string* error) {
    size_t used = 8;
    for (const Bytes& entry : entries) used += entry.Size();
    if (used > pageSize) {
        *error = "a B+ tree needs more than one page";
        return false;
    }
    tree->U16(0x293B);
    tree->U16(flags);
    tree->U16(pageSize);
    tree->Text(structure);
    tree->Zeros(16 - structure.size());
    tree->U16(0);       // must be zero
    tree->U16(0);       // page splits
    tree->U16(0);       // root page
    tree->U16(0xFFFF);  // must be -1
    tree->U16(1);       // pages
    tree->U16(1);       // levels
    tree->U32(static_cast<uint32_t>(entries.size()));
    tree->U16(static_cast<unsigned>(pageSize - used));
    tree->U16(static_cast<unsigned>(entries.size()));
    tree->U16(0xFFFF);  // no previous leaf
    tree->U16(0xFFFF);  // no next leaf
    for (const Bytes& entry : entries) tree->Append(entry);
    tree->Zeros(pageSize - used);
    return true;
}

void SystemRecord(Bytes* system, unsigned type, const Bytes& data) {
    system->U16(type);
    system->U16(static_cast<unsigned>(data.Size()));
    system->Append(data);
}

bool SystemFile(const Document& doc, uint32_t contents, Bytes* system, std::string* error) {
    if (doc.title.size() > 50) {
        *error = "the title is longer than a window caption (50 bytes)";
        return false;
    }
    system->U16(0x036C);
    system->U16(33);  // WinHelp 4
    system->U16(1);
    system->U32(0);  // no date: the same source gives the same file
    system->U16(0);  // not compressed
    Bytes title, start, config, window, locale, charset;
    title.Text(doc.title);
    title.U8(0);
    SystemRecord(system, 1, title);
    start.U32(contents);
    SystemRecord(system, 3, start);
    config.Text("BrowseButtons()");
    config.U8(0);
    SystemRecord(system, 4, config);
    // The main window, named so that both viewers take its caption: the help file's title.
    window.U16(0x0006);
    window.Zeros(10);
    window.Text("main");
    window.Zeros(9 - 4);
    window.Text(doc.title);
    window.Zeros(51 - doc.title.size() + 5 * 2 + 2 * 4);
    SystemRecord(system, 6, window);
    locale.Zeros(8);
    locale.U16(0x0411);  // Japanese
    SystemRecord(system, 9, locale);
    const uint8_t kShiftJisCharset[] = {128, 0, 0, 2, 0};
    for (uint8_t b : kShiftJisCharset) charset.U8(b);
    SystemRecord(system, 11, charset);
    return true;
}

Bytes FontFile() {
    Bytes font;
    font.U16(1);
    font.U16(static_cast<unsigned>(std::size(kFonts)));
    font.U16(8);
    font.U16(8 + 32);
    font.Text(kFaceName);
    font.Zeros(32 - (sizeof(kFaceName) - 1));
    for (const FontDescriptor& f : kFonts) {
        font.U8(f.attributes);
        font.U8(f.halfPoints);
        font.U8(kFamilySwiss);
        font.U16(0);
        font.U8(f.red);
        font.U8(f.green);
        font.U8(f.blue);
        font.Zeros(3);
    }
    return font;
}

bool ContextFile(const Document& doc, const std::vector<Link>& links, const std::vector<TopicLinks>& topics,
                 Bytes* context, std::string* error) {
    std::vector<std::pair<int32_t, uint32_t>> keys;
    for (size_t t = 0; t < topics.size(); ++t) {
        keys.emplace_back(static_cast<int32_t>(ContextHash(doc.topics[t].id)),
                          links[topics[t].header].offset);
    }
    std::sort(keys.begin(), keys.end());
    std::vector<Bytes> entries;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0 && keys[i].first == keys[i - 1].first) {
            *error = "two topic ids have the same hash";
            return false;
        }
        entries.emplace_back();
        entries.back().U32(static_cast<uint32_t>(keys[i].first));
        entries.back().U32(keys[i].second);
    }
    return BTree(0x0002, 0x0800, "L4", entries, context, error);
}

bool TitleFile(const Document& doc, const std::vector<Link>& links, const std::vector<TopicLinks>& topics,
               Bytes* titles, std::string* error) {
    std::vector<Bytes> entries;
    for (size_t t = 0; t < topics.size(); ++t) {
        entries.emplace_back();
        entries.back().U32(links[topics[t].header].offset);
        entries.back().Text(doc.topics[t].title);
        entries.back().U8(0);
    }
    return BTree(0x0002, 0x0800, "Lz", entries, titles, error);
}

// The internal file system: the 16-byte header, every file behind its 9-byte file header, and the
// directory B+ tree last.
bool Assemble(const std::map<std::string, Bytes>& files, std::vector<uint8_t>* out, std::string* error) {
    std::vector<Bytes> entries;
    uint32_t offset = 16;
    for (const auto& [name, data] : files) {
        entries.emplace_back();
        entries.back().Text(name);
        entries.back().U8(0);
        entries.back().U32(offset);
        offset += static_cast<uint32_t>(9 + data.Size());
    }
    Bytes directory;
    if (!BTree(0x0402, 0x0400, "z4", entries, &directory, error)) return false;
    Bytes all;
    all.U32(0x00035F3F);
    all.U32(offset);
    all.U32(kNone);  // no free blocks
    all.U32(static_cast<uint32_t>(offset + 9 + directory.Size()));
    auto put = [&](const Bytes& data) {
        all.U32(static_cast<uint32_t>(9 + data.Size()));
        all.U32(static_cast<uint32_t>(data.Size()));
        all.U8(0);
        all.Append(data);
    };
    for (const auto& entry : files) put(entry.second);
    put(directory);
    *out = std::move(all.Data());
    return true;
}

}  // namespace

uint32_t ContextHash(std::string_view id) {
    uint32_t hash = 0;
    for (char c : id) {
        uint32_t value = 13;  // '_'
        if (c >= 'A' && c <= 'Z') value = static_cast<uint32_t>(c - 'A' + 17);
        if (c >= 'a' && c <= 'z') value = static_cast<uint32_t>(c - 'a' + 17);
        if (c >= '1' && c <= '9') value = static_cast<uint32_t>(c - '0');
        if (c == '0') value = 10;
        if (c == '.') value = 12;
        hash = hash * 43 + value;
    }
    return hash;
}

bool WriteHlp(const Document& doc, std::vector<uint8_t>* file, std::string* error) {
    std::vector<Link> links;
    std::vector<TopicLinks> topics;
    for (const Topic& topic : doc.topics) {
        topics.push_back({links.size(), 0});
        AddTopicHeader(&links, topic.title);
        if (!AddParagraphs(topic, &links, error)) return false;
        topics.back().end = links.size();
    }
    links.emplace_back();
    Paragraph(kParagraphStyle).Finish(&links.back().data1, &links.back().data2);
    topics.back().end = links.size();
    const size_t blocks = Layout(&links);
    FillTopicHeaders(topics, &links);

    std::map<std::string, Bytes> files;
    files["|TOPIC"] = TopicFile(links, blocks);
    files["|FONT"] = FontFile();
    files["|CTXOMAP"].U16(0);  // no map numbers
    return SystemFile(doc, links[topics[0].header].offset, &files["|SYSTEM"], error) &&
           ContextFile(doc, links, topics, &files["|CONTEXT"], error) &&
           TitleFile(doc, links, topics, &files["|TTLBTREE"], error) && Assemble(files, file, error);
}

}  // namespace helpgen
