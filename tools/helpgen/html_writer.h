// The same help as one HTML page, for systems without a WinHelp viewer.
#pragma once

#include <string>

#include "help_source.h"

namespace helpgen {

// A UTF-8 HTML page of a UTF-8 document: the topics in order, each an anchor named by its id, the
// jumps links to those anchors.
std::string WriteHtml(const Document& doc);

}  // namespace helpgen
