#include "cp932.h"

#include <iconv.h>

#include <cerrno>

namespace helpgen {

bool Utf8ToCp932(std::string* text, std::string* error) {
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        *error = "this C library has no converter to code page 932";
        return false;
    }
    std::string out(text->size() * 2 + 1, '\0');
    char* in = text->data();
    size_t inLeft = text->size();
    char* dst = out.data();
    size_t outLeft = out.size();
    const bool done = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1) &&
                      iconv(cd, nullptr, nullptr, &dst, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!done) {
        *error = "not convertible to code page 932 at \"" + text->substr(text->size() - inLeft, 12) + "\"";
        return false;
    }
    out.resize(out.size() - outLeft);
    *text = std::move(out);
    return true;
}

}  // namespace helpgen
