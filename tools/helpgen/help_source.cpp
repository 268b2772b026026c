#include "help_source.h"

#include <algorithm>
#include <set>

namespace helpgen {

namespace {

constexpr std::string_view kLineBreak = "<br>";

bool IsContextChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

bool IsContextId(std::string_view id) {
    return !id.empty() && std::all_of(id.begin(), id.end(), IsContextChar);
}

// Splits a line's text at its [[id|label]] jumps.
bool ParseSpans(std::string_view text, std::vector<Span>* spans, std::string* error) {
    while (!text.empty()) {
        const size_t open = text.find("[[");
        if (open != 0) {
            spans->push_back({std::string(text.substr(0, open)), {}});
            if (open == std::string_view::npos) break;
            text.remove_prefix(open);
        }
        const size_t close = text.find("]]");
        const size_t bar = text.find('|');
        if (close == std::string_view::npos || bar == std::string_view::npos || bar > close) {
            *error = "a jump is written [[id|label]]";
            return false;
        }
        const std::string_view target = text.substr(2, bar - 2);
        const std::string_view label = text.substr(bar + 1, close - bar - 1);
        if (!IsContextId(target) || label.empty()) {
            *error = "bad jump [[" + std::string(text.substr(2, close - 2)) + "]]";
            return false;
        }
        spans->push_back({std::string(label), std::string(target)});
        text.remove_prefix(close + 2);
    }
    return true;
}

bool ParseLine(std::string_view line, Document* doc, std::string* error) {
    if (line.rfind("@title ", 0) == 0) {
        if (!doc->title.empty() || !doc->topics.empty()) {
            *error = "@title comes once, before the topics";
            return false;
        }
        doc->title = std::string(line.substr(7));
        return true;
    }
    if (line.rfind("@topic ", 0) == 0) {
        const std::string_view rest = line.substr(7);
        const size_t space = rest.find(' ');
        const std::string_view id = rest.substr(0, space);
        if (!IsContextId(id) || space == std::string_view::npos || space + 1 >= rest.size()) {
            *error = "a topic is written @topic id Title, the id made of A-Z a-z 0-9 _ .";
            return false;
        }
        doc->topics.push_back({std::string(id), std::string(rest.substr(space + 1)), {}});
        return true;
    }
    if (doc->topics.empty()) {
        *error = "text before the first @topic";
        return false;
    }
    Block block;
    if (line.rfind("## ", 0) == 0) {
        block.kind = BlockKind::kHeading;
        line.remove_prefix(3);
    } else if (line.rfind("- ", 0) == 0) {
        block.kind = BlockKind::kItem;
        line.remove_prefix(2);
    }
    std::string text(line);
    for (size_t at; (at = text.find(kLineBreak)) != std::string::npos;)
        text.replace(at, kLineBreak.size(), "\n");
    if (!ParseSpans(text, &block.spans, error)) return false;
    doc->topics.back().blocks.push_back(std::move(block));
    return true;
}

bool CheckTopics(const Document& doc, std::string* error) {
    if (doc.title.empty() || doc.topics.empty()) {
        *error = "the source needs an @title and at least one @topic";
        return false;
    }
    std::set<std::string> ids;
    for (const Topic& topic : doc.topics) {
        if (!ids.insert(topic.id).second) {
            *error = "topic id " + topic.id + " is used twice";
            return false;
        }
    }
    for (const Topic& topic : doc.topics) {
        for (const Block& block : topic.blocks) {
            for (const Span& span : block.spans) {
                if (!span.target.empty() && ids.count(span.target) == 0) {
                    *error = "topic " + topic.id + " jumps to " + span.target + ", which is no topic";
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

bool ParseHelpSource(std::string_view source, Document* doc, std::string* error) {
    *doc = Document();
    int number = 0;
    while (!source.empty()) {
        ++number;
        const size_t end = source.find('\n');
        std::string_view line = source.substr(0, end);
        source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (line.empty()) continue;
        if (!ParseLine(line, doc, error)) {
            *error = "line " + std::to_string(number) + ": " + *error;
            return false;
        }
    }
    return CheckTopics(*doc, error);
}

}  // namespace helpgen
