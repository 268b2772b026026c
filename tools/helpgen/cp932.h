// Text in the help file's code page: Windows code page 932 (Shift_JIS with Microsoft's extensions).
#pragma once

#include <string>

namespace helpgen {

// Converts UTF-8 text in place through the C library's iconv; false, naming the text, when it is not
// UTF-8 or holds a character that code page 932 cannot.
bool Utf8ToCp932(std::string* text, std::string* error);

}  // namespace helpgen
