// The WinHelp file (.hlp) of a help document, written without any help compiler: the format that
// WinHelp 4 and Wine's winhlp32 read, uncompressed, with the Japanese code page 932.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "help_source.h"

namespace helpgen {

// The help file of a document whose texts are already in code page 932: its internal file system
// (the directory B+ tree) holding |SYSTEM, |TOPIC, |CONTEXT, |CTXOMAP, |FONT and |TTLBTREE. The first
// topic is the contents; the topics form one browse sequence in their order. False with a reason
// when the document does not fit the layout kept here (a B+ tree beyond one page, a title longer
// than a window caption) or when a jump would follow double-byte text (see hlp_writer.cpp).
bool WriteHlp(const Document& doc, std::vector<uint8_t>* file, std::string* error);

// WinHelp's hash of a context id made of A-Z, a-z, 0-9, '_' and '.': the key of |CONTEXT and of jumps.
uint32_t ContextHash(std::string_view id);

}  // namespace helpgen
