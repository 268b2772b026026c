// Shared set-up for tests that run the application's windows in this process.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "capture/capture_window.h"
#include "core/frame_store.h"
#include "core/main_window.h"
#include "core/shared_state.h"
#include "harness.h"

// Stored settings of the program, in the real per-user store.
void ClearStoredSettings();
void StoreSetting(const wchar_t* key, const std::wstring& text);
// The stored text of a key, or "<none>" when it is not stored.
std::wstring StoredSetting(const wchar_t* key);

// Puts the shared state back to its process-start value and the frame store to its real allocator.
void ResetSharedState();

// Message boxes are answered by a watcher; the main window is created by Start().
class AppTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and shows the main window, which loads settings and allocates the frame store.
    void Start();
    // Replaces the frame geometry and allocates a fresh store for it.
    void Reallocate(int32_t width, int32_t height, int16_t frames);
    // Boxes seen since the last Clear, as "title|text" lines.
    std::vector<std::wstring> BoxLines() const;
    // Runs `action` inside the creation of the n-th MDI child window from now on.
    void AfterChildrenCreated(int n, std::function<void()> action);
    // Posts a message inside the creation of the n-th MDI child window from now on, to the main window or to
    // the window that `to` names then; serialWhenTaken is ViewSerial at the moment a yield of the running
    // loop takes it from the queue.
    void PostDuring(int n, UINT msg, WPARAM wp, std::function<HWND()> to = nullptr);
    // The creation of the n-th MDI child window from now on fails, as at the window system's handle limit.
    void FailChildCreation(int n);
    int32_t serialWhenTaken = -1;
    // Chooses the exit command while `command` opens its second view, and checks that the program ended at
    // once: no further view, no message, every window gone and the frame store released.
    void ExitDuring(WORD command);
    // Sends a menu command to the main window.
    void Command(WORD id) { SendMessageW(main->hWnd(), WM_COMMAND, id, 0); }

    std::unique_ptr<harness::BoxWatcher> boxes;
    std::unique_ptr<frmVLm1> main;
    frmVLc1& capture = CaptureWindow();
};

// Text of a message box line, for comparisons.
std::wstring BoxLine(const std::wstring& title, const std::wstring& text);
