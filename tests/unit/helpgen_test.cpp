#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "helpgen/cp932.h"
#include "helpgen/help_source.h"
#include "helpgen/hlp_writer.h"
#include "helpgen/html_writer.h"

using namespace helpgen;

namespace {

const char kSource[] =
    "@title VINTREL ヘルプ\n"
    "@topic contents VINTREL ﾍﾙﾌﾟ\n"
    "- [[rec|ｷｬﾌﾟﾁｬｰ]] and [[keys|ｷｰ]]\n"
    "録画のしかたは左です。\n"
    "@topic rec 録画\n"
    "## 開始\n"
    "開始キーを<br>押します。\n"
    "@topic keys キー\n"
    "F1 でヘルプ。\n"
    "@topic long Long\n";

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}
unsigned U16(const std::vector<uint8_t>& b, size_t at) {
    return b.at(at) | b.at(at + 1) << 8;
}
std::string Cp932(std::string text) {
    std::string error;
    EXPECT_TRUE(Utf8ToCp932(&text, &error)) << error;
    return text;
}
std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
// The first group of every match of `pattern` in `text`.
std::vector<std::string> Matches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (std::sregex_iterator m(text.begin(), text.end(), re), end; m != end; ++m) found.push_back(m->str(1));
    return found;
}

// The program's source files, one after another.
std::string ProgramCode() {
    std::string code;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(VINTREL_SOURCE_DIR "/src")) {
        if (entry.is_regular_file()) code += ReadText(entry.path().string());
    }
    return code;
}

constexpr uint32_t kNone = 0xFFFFFFFF;

// Reads a help file back as the format's public description (helpdeco's helpfile.txt) tells a reader
// to, and checks what it says a help compiler writes: block headers; TOPICLINKs from TOPICPOS 12 along
// NextBlock, each pointing back and as long as its data, the last one (NextBlock -1) left unused; topic
// headers with their browse pointers, number, regions and next header; paragraphs' strings and jumps,
// every topic's TOPICOFFSET. TOPICPOS counts 0x4000 per block, as the compilers and helpdeco do.
struct ReadBack {
    explicit ReadBack(const std::vector<uint8_t>& file) : hlp(file) {
        EXPECT_EQ(U32(hlp, 0), 0x00035F3Fu);
        EXPECT_EQ(U32(hlp, 12), hlp.size());
        for (const auto& [name, at] : Leaves(U32(hlp, 4), true)) files[name] = at;
        // The topic blocks without their headers, as one stream.
        const size_t topic = files.at("|TOPIC");
        const size_t blocks = (U32(hlp, topic + 4) + 4095) / 4096;
        for (size_t block = 0; block < blocks; ++block) {
            const auto start = hlp.begin() + static_cast<long>(topic + 9 + block * 4096);
            stream.insert(stream.end(), start + 12, start + 4096);
        }
        std::vector<uint32_t> lastLink(blocks, kNone), firstLink(blocks, kNone), lastHeader(blocks, 0);
        std::vector<std::vector<uint32_t>> headers;  // TOPICPOS, the next TOPICPOS, the header's fields
        size_t lastBlock = SIZE_MAX, count = 0;
        uint32_t previous = kNone;
        for (uint32_t pos = 12;; previous = pos, pos = U32(stream, At(pos) + 12)) {
            const size_t at = At(pos), data1 = at + 21, data2 = at + U32(stream, at + 16);
            const size_t block = (pos - 12) >> 14;
            EXPECT_EQ(U32(stream, at + 8), previous);
            EXPECT_EQ(U32(stream, at), U32(stream, at + 16) + U32(stream, at + 4));
            if (block != lastBlock) count = 0, lastBlock = block, firstLink[block] = pos;
            for (size_t b = block + 1; b < blocks; ++b) {
                lastLink[b] = pos;
                if (stream[at + 20] == 2) lastHeader[b] = pos;
            }
            if (!headers.empty() && headers.back()[1] == 0) headers.back()[1] = pos;
            const std::string text(stream.begin() + static_cast<long>(data2),
                                   stream.begin() + static_cast<long>(data2 + U32(stream, at + 4)));
            if (U32(stream, at + 12) == kNone) {
                EXPECT_NE(stream[at + 20], 2) << "a topic header last";
                EXPECT_EQ(text.find_first_not_of('\0'), std::string::npos) << "text in the last TOPICLINK";
                break;
            }
            if (stream[at + 20] == 2) {
                topics.push_back({text, static_cast<uint32_t>(block * 0x8000 + count), {}, {}});
                headers.push_back({pos, 0});
                for (size_t f = 0; f < 7; ++f) headers.back().push_back(U32(stream, data1 + 4 * f));
                continue;
            }
            size_t f = data1 + (stream[data1] & 1 ? 4 : 2);  // TopicSize
            count += stream[f] & 1 ? U16(stream, f) / 2 : stream[f] / 2;
            f += (stream[f] & 1 ? 2 : 1) + 4;  // TopicLength, unknown bytes and id
            const unsigned bits = U16(stream, f);
            f += 2;
            for (unsigned bit = 2; bit <= 0x40; bit <<= 1) {
                if (bits & bit) f += stream[f] & 1 ? 2 : 1;
            }
            std::string shown;
            for (size_t s = data2; stream[f] != 0xFF; f += stream[f] == 0x80   ? 3
                                                           : stream[f] == 0xE3 ? 5
                                                                               : 1) {
                shown += std::string(reinterpret_cast<const char*>(&stream[s]));
                s += std::string(reinterpret_cast<const char*>(&stream[s])).size() + 1;
                if (stream[f] == 0xE3) topics.back().jumps.push_back(U32(stream, f + 1));
                if (stream[f] == 0x81 || stream[f] == 0x82) shown += "\n";
            }
            topics.back().text += shown;
        }
        for (size_t b = 0, at = topic + 9; b < blocks; ++b, at += 4096) {
            EXPECT_EQ((std::vector<uint32_t>{U32(hlp, at), U32(hlp, at + 4), U32(hlp, at + 8)}),
                      (std::vector<uint32_t>{lastLink[b], firstLink[b], lastHeader[b]}));
        }
        // BlockSize aside, whose meaning the description leaves open.
        for (size_t t = 0; t < headers.size(); ++t) {
            const bool last = t + 1 == headers.size();
            EXPECT_EQ(std::vector<uint32_t>(headers[t].begin() + 3, headers[t].end()),
                      (std::vector<uint32_t>{t > 0 ? topics[t - 1].offset : kNone,
                                             last ? kNone : topics[t + 1].offset, static_cast<uint32_t>(t),
                                             kNone, headers[t][1], last ? kNone : headers[t + 1][0]}));
        }
    }
    // The leaf entries (a string or a 4-byte number as the key, then a 4-byte value) of a one-page B+ tree.
    std::vector<std::pair<std::string, uint32_t>> Leaves(size_t file, bool stringKeys) const {
        const size_t tree = file + 9;
        EXPECT_EQ(U16(hlp, tree), 0x293Bu);
        EXPECT_EQ(U16(hlp, tree + 32), 1u);  // levels
        std::vector<std::pair<std::string, uint32_t>> leaves;
        size_t at = tree + 38 + 8;
        for (unsigned n = U16(hlp, tree + 38 + 2); n > 0; --n) {
            const std::string key = stringKeys ? std::string(reinterpret_cast<const char*>(&hlp[at]))
                                               : std::to_string(U32(hlp, at));
            at += stringKeys ? key.size() + 1 : 4;
            leaves.emplace_back(key, U32(hlp, at));
            at += 4;
        }
        return leaves;
    }
    size_t At(uint32_t pos) const { return ((pos - 12) >> 14) * 4084 + ((pos - 12) & 0x3FFF); }

    struct Topic {
        std::string title;
        uint32_t offset;
        std::vector<uint32_t> jumps;
        std::string text;
    };
    const std::vector<uint8_t>& hlp;
    std::map<std::string, size_t> files;
    std::vector<uint8_t> stream;
    std::vector<Topic> topics;
};

}  // namespace

TEST(HelpGenerator, WritesAHelpFileThatReadsBackTopicByTopic) {
    Document doc;
    std::string error;
    // A paragraph longer than a topic block, so that records run on into the next blocks.
    ASSERT_TRUE(ParseHelpSource(kSource + std::string(5000, 'x') + "\n@topic end End\n", &doc, &error))
        << error;
    const std::string html = WriteHtml(doc);
    EXPECT_NE(html.find("<a href=\"#rec\">ｷｬﾌﾟﾁｬｰ</a>"), std::string::npos);
    EXPECT_NE(html.find("<p>開始キーを<br>押します。</p>"), std::string::npos);
    ASSERT_TRUE(ConvertTexts(&doc, [&](std::string* text) { return Utf8ToCp932(text, &error); }));
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteHlp(doc, &file, &error)) << error;
    const ReadBack back(file);

    std::vector<std::string> names;
    for (const auto& entry : back.files) names.push_back(entry.first);
    EXPECT_EQ(names,
              (std::vector<std::string>{"|CONTEXT", "|CTXOMAP", "|FONT", "|SYSTEM", "|TOPIC", "|TTLBTREE"}));

    // |SYSTEM: WinHelp 4, the title, the contents topic and the Japanese character set.
    const size_t system = back.files.at("|SYSTEM") + 9;
    EXPECT_EQ(U16(file, system), 0x036Cu);
    EXPECT_EQ(U16(file, system + 2), 33u);
    std::map<unsigned, std::string> records;
    for (size_t at = system + 12; at < system + U32(file, back.files.at("|SYSTEM") + 4);
         at += 4 + U16(file, at + 2)) {
        records[U16(file, at)] = std::string(file.begin() + static_cast<long>(at + 4),
                                             file.begin() + static_cast<long>(at + 4 + U16(file, at + 2)));
    }
    EXPECT_EQ(records[1], Cp932("VINTREL ヘルプ") + '\0');
    EXPECT_EQ(records[3], std::string(4, '\0'));
    EXPECT_EQ(static_cast<uint8_t>(records[11].at(0)), 128);
    EXPECT_EQ(records[6].substr(21, 15), Cp932("VINTREL ヘルプ") + '\0');

    // The topics in order with their texts, the contents topic's jumps by hash.
    ASSERT_EQ(back.topics.size(), 5u);
    EXPECT_EQ(back.topics[1].title, Cp932("録画"));
    EXPECT_EQ(back.topics[1].text, Cp932("録画\n開始\n開始キーを\n押します。\n"));
    EXPECT_EQ(back.topics[0].text, Cp932("VINTREL ﾍﾙﾌﾟ\n･ ｷｬﾌﾟﾁｬｰ and ｷｰ\n録画のしかたは左です。\n"));
    EXPECT_EQ(back.topics[0].jumps, (std::vector<uint32_t>{ContextHash("rec"), ContextHash("keys")}));
    EXPECT_EQ(ContextHash("rec"), (34u * 43 + 21) * 43 + 19);

    // |CONTEXT and |TTLBTREE lead from each id and offset to the topic that starts there.
    std::map<std::string, uint32_t> contexts;
    for (const auto& [hash, offset] : back.Leaves(back.files.at("|CONTEXT"), false)) contexts[hash] = offset;
    for (size_t t = 0; t < doc.topics.size(); ++t) {
        EXPECT_EQ(contexts.at(std::to_string(ContextHash(doc.topics[t].id))), back.topics[t].offset);
    }
    EXPECT_EQ(back.topics[0].offset, 0u);
    EXPECT_EQ(back.topics[3].text, "Long\n" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(back.topics[4].offset / 0x8000, 1u);  // the topic after it starts in the second block
}

TEST(HelpGenerator, RefusesWhatItCannotWriteRightly) {
    const struct {
        const char* source;
        const char* error;
    } kCases[] = {
        {"@topic a A\n", "the source needs an @title and at least one @topic"},
        {"@title T\ntext\n", "line 2: text before the first @topic"},
        {"@title T\n@topic a-b A\n",
         "line 2: a topic is written @topic id Title, the id made of A-Z a-z 0-9 _ ."},
        {"@title T\n@topic a A\n@topic a B\n", "topic id a is used twice"},
        {"@title T\n@topic a A\n[[b|B]]\n", "topic a jumps to b, which is no topic"},
        {"@title T\n@topic a A\n[[a B]]\n", "line 3: a jump is written [[id|label]]"},
        {"@title T\n@topic a A\n説明 [[a|a]]\n",
         "topic a: the jump to a follows double-byte text, which Wine's viewer would place on the wrong "
         "words;"
         " put jumps before any kanji or kana of their topic"},
    };
    for (const auto& c : kCases) {
        Document doc;
        std::string error;
        std::vector<uint8_t> file;
        const bool written =
            ParseHelpSource(c.source, &doc, &error) &&
            ConvertTexts(&doc, [&](std::string* text) { return Utf8ToCp932(text, &error); }) &&
            WriteHlp(doc, &file, &error);
        EXPECT_FALSE(written) << c.source;
        EXPECT_EQ(error, c.error) << c.source;
    }
    std::string text = "\xff", error;
    EXPECT_FALSE(Utf8ToCp932(&text, &error));
}

// Every message the help quotes (a heading of its message list, or a sentence in 「」) is a text the
// program shows, line breaks included: the boxes break a line with a carriage return, and "…" stands
// for the path the program puts there. The program's texts are its wide string literals.
TEST(HelpGenerator, QuotesOnlyMessagesTheProgramShows) {
    const std::string root = VINTREL_SOURCE_DIR;
    std::string literals = std::string(1, '\0');  // each literal followed by a NUL
    for (const std::string& literal : Matches(ProgramCode(), R"re(L"((\\.|[^"\\])*)")re")) {
        literals += std::regex_replace(literal, std::regex(R"(\\r)"), "\r") + '\0';
    }
    Document doc;
    std::string error;
    ASSERT_TRUE(ParseHelpSource(ReadText(root + "/res/help/vintrel_help.txt"), &doc, &error)) << error;
    const std::string open = "「", close = "」", path = "…";
    int quoted = 0;
    for (const Topic& topic : doc.topics) {
        for (const Block& block : topic.blocks) {
            std::string text;
            for (const Span& span : block.spans) text += span.text;
            std::replace(text.begin(), text.end(), '\n', '\r');
            std::vector<std::string> quotes;
            if (topic.id == "messages" && block.kind == BlockKind::kHeading) quotes.push_back(text);
            for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
                quotes.push_back(text.substr(at + open.size(), text.find(close, at) - at - open.size()));
            }
            for (std::string quote : quotes) {
                if (quote.find("。") == std::string::npos && quote.find("？") == std::string::npos &&
                    quote.find('!') == std::string::npos) {
                    continue;  // a name, not a message
                }
                ++quoted;
                // A whole literal, open on the side of the path.
                quote = '\0' + quote + '\0';
                for (const std::string& side : {'\0' + path, path + '\0'}) {
                    if (const size_t at = quote.find(side); at != std::string::npos)
                        quote.erase(at, side.size());
                }
                EXPECT_NE(literals.find(quote), std::string::npos) << topic.id << ": " << quote;
            }
        }
    }
    EXPECT_GT(quoted, 30);
}

// Every name in ［］ of the help and the read-me is a menu item as the menu shows it, a control's caption, or
// a button of Windows' own (message boxes, the taskbar's menu). The registry values README lists with their
// defaults are those the program reads, and every document names the key it reads them from.
TEST(HelpGenerator, NamesOnlyMenuItemsControlsAndRegistryValuesOfTheProgram) {
    const std::string root = VINTREL_SOURCE_DIR;
    std::vector<std::string> known = {"はい", "いいえ", "閉じる"};
    for (std::string item :
         Matches(ReadText(root + "/res/vintrel.rc"), R"re((?:MENUITEM|POPUP) "([^"]+)")re")) {
        item.erase(std::remove(item.begin(), item.end(), '&'), item.end());
        known.push_back(item);
    }
    for (const std::string& caption : Matches(ProgramCode(), R"re(\(\*this, [^"\n]*L"([^"]+)")re"))
        known.push_back(caption);
    const std::string help = ReadText(root + "/res/help/vintrel_help.txt");
    const std::string readme = ReadText(root + "/res/help/readme.txt");
    const std::vector<std::string> named = Matches(help + readme, "［(.*?)］");
    EXPECT_GT(named.size(), 100u);
    for (const std::string& name : named) {
        EXPECT_NE(std::count(known.begin(), known.end(), name), 0) << name;
    }

    const std::string store = ReadText(root + "/src/settings/setting_store.cpp");
    const std::string readmeMd = ReadText(root + "/README.md");
    std::map<std::string, std::string> listed, read;
    const std::regex listedRe(R"re(`(\w+)` \((\d+))re"), readRe(R"re(L"(\w+)", VL\.\w+, (\d+)\))re");
    for (std::sregex_iterator m(readmeMd.begin(), readmeMd.end(), listedRe), end; m != end; ++m)
        listed[m->str(1)] = m->str(2);
    for (std::sregex_iterator m(store.begin(), store.end(), readRe), end; m != end; ++m)
        read[m->str(1)] = m->str(2);
    EXPECT_EQ(listed, read);
    const std::string path =
        Matches(ReadText(root + "/src/platform/registry_settings.cpp"), R"re(kRoot\[\] = L"(.*)")re")[0] +
        Matches(store, R"re(kSettingApp\[\] = L"(.*)")re")[0] + "\\\\" +
        Matches(store, R"re(kSettingSection\[\] = L"(.*)")re")[0];
    const std::string key = "HKEY_CURRENT_USER\\" + std::regex_replace(path, std::regex(R"(\\\\)"), "\\");
    for (const std::string* document : {&help, &readme, &readmeMd}) {
        EXPECT_NE(document->find(key), std::string::npos) << key;
    }
}
