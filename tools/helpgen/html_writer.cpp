#include "html_writer.h"

namespace helpgen {

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\n':
                out += "<br>";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Inline(const std::vector<Span>& spans) {
    std::string out;
    for (const Span& span : spans) {
        out += span.target.empty() ? Escaped(span.text)
                                   : "<a href=\"#" + span.target + "\">" + Escaped(span.text) + "</a>";
    }
    return out;
}

}  // namespace

std::string WriteHtml(const Document& doc) {
    // Old browsers included: the charset in the http-equiv form, plain div elements.
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n<title>" +
        Escaped(doc.title) +
        "</title>\n<style>\n"
        "body { font-family: \"Meiryo\", \"MS PGothic\", sans-serif; max-width: 48em; margin: 1em auto;"
        " padding: 0 1em; line-height: 1.6; }\n"
        "h1, h2 { color: #000080; } h2 { border-bottom: 1px solid #c0c0c0; margin-top: 2em; }\n"
        "h3 { margin: 1.2em 0 0.3em; }\n"
        "</style>\n</head>\n<body>\n";
    for (size_t t = 0; t < doc.topics.size(); ++t) {
        const Topic& topic = doc.topics[t];
        const char* level = t == 0 ? "h1" : "h2";
        out += "<div id=\"" + topic.id + "\">\n<" + level + ">" + Escaped(topic.title) + "</" + level + ">\n";
        bool inList = false;
        for (const Block& block : topic.blocks) {
            const bool item = block.kind == BlockKind::kItem;
            if (item != inList) out += item ? "<ul>\n" : "</ul>\n";
            inList = item;
            const char* tag = item ? "li" : block.kind == BlockKind::kHeading ? "h3" : "p";
            out += std::string("<") + tag + ">" + Inline(block.spans) + "</" + tag + ">\n";
        }
        if (inList) out += "</ul>\n";
        out += "</div>\n";
    }
    return out + "</body>\n</html>\n";
}

}  // namespace helpgen
