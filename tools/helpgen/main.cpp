// helpgen SOURCE HLP HTML: builds the WinHelp file and the HTML page of the help source. It runs on
// the build machine, whatever the program's target.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cp932.h"
#include "help_source.h"
#include "hlp_writer.h"
#include "html_writer.h"

namespace {

bool WriteFile(const char* path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
}

int Fail(const char* path, const std::string& message) {
    std::fprintf(stderr, "helpgen: %s: %s\n", path, message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: helpgen SOURCE HLP HTML\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    if (!in) return Fail(argv[1], "cannot be read");

    helpgen::Document doc;
    std::string error;
    if (!helpgen::ParseHelpSource(source.str(), &doc, &error)) return Fail(argv[1], error);
    const std::string html = helpgen::WriteHtml(doc);

    std::vector<uint8_t> hlp;
    if (!helpgen::ConvertTexts(&doc, [&](std::string* text) { return helpgen::Utf8ToCp932(text, &error); }) ||
        !helpgen::WriteHlp(doc, &hlp, &error)) {
        return Fail(argv[1], error);
    }
    if (!WriteFile(argv[2], hlp.data(), hlp.size())) return Fail(argv[2], "cannot be written");
    if (!WriteFile(argv[3], html.data(), html.size())) return Fail(argv[3], "cannot be written");
    return 0;
}
