#include "app_fixture.h"

#include "platform/settings_store.h"
#include "settings/setting_store.h"

void ClearStoredSettings() {
    rt::DeleteSetting(kSettingApp, kSettingSection);
}

void StoreSetting(const wchar_t* key, const std::wstring& text) {
    ASSERT_TRUE(rt::SaveSetting(kSettingApp, kSettingSection, key, text));
}

std::wstring StoredSetting(const wchar_t* key) {
    return rt::GetSetting(kSettingApp, kSettingSection, key, L"<none>");
}

void ResetSharedState() {
    Frame_SetMemoryFunctions(nullptr, nullptr);
    VL = mdlVL1{};
}

std::wstring BoxLine(const std::wstring& title, const std::wstring& text) {
    return title + L"|" + text;
}

void AppTest::SetUp() {
    ResetSharedState();
    ClearStoredSettings();
    boxes = std::make_unique<harness::BoxWatcher>();
}

void AppTest::TearDown() {
    if (main && main->Loaded()) {
        main->mfEXIT_Click();
        harness::PumpPending();
    }
    main.reset();
    if (capture.Loaded()) capture.Unload();
    harness::PumpPending();
    boxes.reset();
    ClearStoredSettings();
    ResetSharedState();
}

void AppTest::Start() {
    main = std::make_unique<frmVLm1>();
    main->Show();
    harness::PumpPending();
}

void AppTest::Reallocate(int32_t width, int32_t height, int16_t frames) {
    ASSERT_TRUE(Frame_Free());
    VL.PicWidth = width;
    VL.PicHeight = height;
    VL.Framemax = frames;
    VL.RecordedCount = 0;
    ASSERT_TRUE(Frame_Alloc());
}

std::vector<std::wstring> AppTest::BoxLines() const {
    std::vector<std::wstring> lines;
    for (const auto& b : boxes->Seen()) lines.push_back(BoxLine(b.title, b.text));
    return lines;
}
