#include "settings/setting_store.h"

#include <cstdint>
#include <limits>

#include "core/shared_state.h"
#include "platform/registry_settings.h"
#include "settings/setting_rules.h"

const wchar_t kSettingApp[] = L"VINTREL Ver";
const wchar_t kSettingSection[] = L"Setting";

namespace {

template <typename Field>
void LoadKey(const wchar_t* key, Field& field, Field defaultValue) {
    const std::wstring text =
        rt::GetSetting(kSettingApp, kSettingSection, key, vintrel::FormatStoredInteger(defaultValue));
    const auto value = vintrel::ParseStoredInteger(text, std::numeric_limits<Field>::min(),
                                                   std::numeric_limits<Field>::max());
    field = value ? static_cast<Field>(*value) : defaultValue;
}

bool SaveKey(const wchar_t* key, int32_t value) {
    return rt::SaveSetting(kSettingApp, kSettingSection, key, vintrel::FormatStoredInteger(value));
}

}  // namespace

void Setting_Load() {
    LoadKey<int32_t>(L"PicWidth", VL.PicWidth, 128);
    LoadKey<int32_t>(L"PicHeight", VL.PicHeight, 96);
    LoadKey<int16_t>(L"Framemax", VL.Framemax, 10);
    LoadKey<int16_t>(L"KeyTimer", VL.KeyTimer, 100);
    LoadKey<int16_t>(L"RecTimer", VL.RecTimer, 100);
    LoadKey<int16_t>(L"KeyStart", VL.KeyStart, 122);
    LoadKey<int16_t>(L"KeyCancel", VL.KeyCancel, 123);
    LoadKey<int16_t>(L"WinLock", VL.WinLock, 0);
}

bool Setting_Save() {
    // Every key is written even after a failure, so that as much as possible is kept.
    bool ok = SaveKey(L"PicWidth", VL.PicWidth);
    ok = SaveKey(L"PicHeight", VL.PicHeight) && ok;
    ok = SaveKey(L"Framemax", VL.Framemax) && ok;
    ok = SaveKey(L"KeyTimer", VL.KeyTimer) && ok;
    ok = SaveKey(L"RecTimer", VL.RecTimer) && ok;
    ok = SaveKey(L"KeyStart", VL.KeyStart) && ok;
    ok = SaveKey(L"KeyCancel", VL.KeyCancel) && ok;
    ok = SaveKey(L"WinLock", VL.WinLock) && ok;
    return ok;
}

bool Setting_Delete() {
    return rt::DeleteSetting(kSettingApp, kSettingSection);
}
