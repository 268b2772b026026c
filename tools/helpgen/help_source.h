// The help text as the generator reads it: topics of headings, paragraphs and list items, with jumps
// between topics. No windows.h: it runs on the build machine.
//
// Source format (UTF-8, one element per line, blank lines ignored):
//   @title Text             the help file's title (once, before the first topic)
//   @topic id Title         starts a topic; the first topic is the contents
//   ## Text                 a heading inside a topic
//   - Text                  a list item
//   Text                    a paragraph
// Inside any text, [[id|label]] is a jump to topic id shown as label, and <br> breaks the line
// without ending the paragraph (a message quoted as its box shows it). Topic ids are made of
// A-Z, a-z, 0-9, '_' and '.', the characters a help context may hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace helpgen {

struct Span {
    std::string text;    // a line break inside it is '\n'
    std::string target;  // the topic id of a jump; empty for plain text
};

enum class BlockKind { kParagraph, kHeading, kItem };

struct Block {
    BlockKind kind = BlockKind::kParagraph;
    std::vector<Span> spans;
};

struct Topic {
    std::string id;
    std::string title;
    std::vector<Block> blocks;
};

struct Document {
    std::string title;
    std::vector<Topic> topics;
};

// False with "line N: what is wrong" in `error` for a malformed source, a topic id used twice or a
// jump to a topic that does not exist.
bool ParseHelpSource(std::string_view source, Document* doc, std::string* error);

// Every text of the document (title, topic titles, spans) passed through `convert`; false as soon as
// one conversion fails.
template <typename Convert>
bool ConvertTexts(Document* doc, Convert convert) {
    if (!convert(&doc->title)) return false;
    for (Topic& topic : doc->topics) {
        if (!convert(&topic.title)) return false;
        for (Block& block : topic.blocks) {
            for (Span& span : block.spans) {
                if (!convert(&span.text)) return false;
            }
        }
    }
    return true;
}

}  // namespace helpgen
