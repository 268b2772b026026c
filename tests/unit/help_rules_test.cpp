#include <gtest/gtest.h>

#include "platform/help_rules.h"

using namespace vintrel;

TEST(HelpViewer, WinHelpWhereAViewerCanShowTheFileElseTheBrowser) {
    const struct {
        HelpSystem system;
        HelpViewer viewer;
    } kCases[] = {
        {{true, 10, true}, HelpViewer::kWinHelp},    // Wine, whatever version it reports
        {{false, 5, true}, HelpViewer::kWinHelp},    // Windows XP and before ship the viewer
        {{false, 6, true}, HelpViewer::kBrowser},    // Vista to 8.1 with the stub only
        {{false, 6, false}, HelpViewer::kWinHelp},   // ... with the downloadable viewer installed
        {{false, 10, false}, HelpViewer::kBrowser},  // Windows 10 and 11
        {{false, 0, true}, HelpViewer::kWinHelp},    // a version that could not be read: the old way
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ChooseHelpViewer(c.system), c.viewer) << c.system.wine << " " << c.system.majorVersion;
    }
    EXPECT_TRUE(IsWinHelpStub(L"Windows Winhlp32 Stub"));
    EXPECT_TRUE(IsWinHelpStub(L""));
    EXPECT_FALSE(IsWinHelpStub(L"Windows Help Engine"));
}
