#include "platform/help_rules.h"

#include <algorithm>

namespace vintrel {

HelpViewer ChooseHelpViewer(const HelpSystem& system) {
    if (system.wine || system.majorVersion < 6) return HelpViewer::kWinHelp;
    if (system.majorVersion >= 10) return HelpViewer::kBrowser;
    return system.winHelpStub ? HelpViewer::kBrowser : HelpViewer::kWinHelp;
}

bool IsWinHelpStub(std::wstring_view fileDescription) {
    const std::wstring_view stub = L"stub";
    const auto found =
        std::search(fileDescription.begin(), fileDescription.end(), stub.begin(), stub.end(),
                    [](wchar_t a, wchar_t b) { return (a >= L'A' && a <= L'Z' ? a - L'A' + L'a' : a) == b; });
    return fileDescription.empty() || found != fileDescription.end();
}

}  // namespace vintrel
