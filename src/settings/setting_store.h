// The eight user settings, kept between runs in the per-user settings store.
#pragma once

// Where the settings are stored.
extern const wchar_t kSettingApp[];
extern const wchar_t kSettingSection[];

// Fills PicWidth, PicHeight, Framemax, KeyTimer, RecTimer, KeyStart, KeyCancel and WinLock from the
// store; a key that is not stored, or whose text is not an integer that fits its field, takes its
// default.
void Setting_Load();
// Writes the eight fields as decimal text; false when the store refused a value.
bool Setting_Save();
// Removes the stored section; false when nothing was stored.
bool Setting_Delete();
