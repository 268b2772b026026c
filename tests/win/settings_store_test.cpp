// The eight settings against the real per-user store.
#include "app_fixture.h"
#include "settings/setting_store.h"

namespace {

struct Loaded {
    int32_t picWidth, picHeight;
    int16_t framemax, keyTimer, recTimer, keyStart, keyCancel, winLock;
    bool operator==(const Loaded& o) const {
        return picWidth == o.picWidth && picHeight == o.picHeight && framemax == o.framemax &&
               keyTimer == o.keyTimer && recTimer == o.recTimer && keyStart == o.keyStart &&
               keyCancel == o.keyCancel && winLock == o.winLock;
    }
};

void PrintTo(const Loaded& v, std::ostream* os) {
    *os << v.picWidth << "x" << v.picHeight << " frames " << v.framemax << " key " << v.keyTimer << "ms rec "
        << v.recTimer << "ms start " << v.keyStart << " cancel " << v.keyCancel << " lock " << v.winLock;
}

const Loaded kDefaults = {128, 96, 10, 100, 100, 122, 123, 0};

Loaded LoadNow() {
    VL = mdlVL1{};
    Setting_Load();
    return {VL.PicWidth, VL.PicHeight, VL.Framemax,  VL.KeyTimer,
            VL.RecTimer, VL.KeyStart,  VL.KeyCancel, VL.WinLock};
}

class SettingStoreTest : public testing::Test {
  protected:
    void SetUp() override { ClearStoredSettings(); }
    void TearDown() override {
        ClearStoredSettings();
        ResetSharedState();
    }
};

}  // namespace

TEST_F(SettingStoreTest, EmptyStoreGivesTheDefaults) {
    EXPECT_EQ(LoadNow(), kDefaults);
    // Loading reads; it never writes the store.
    EXPECT_EQ(StoredSetting(L"PicWidth"), L"<none>");
}

TEST_F(SettingStoreTest, EachMissingKeyTakesItsOwnDefault) {
    StoreSetting(L"PicHeight", L"200");
    StoreSetting(L"RecTimer", L"250");
    StoreSetting(L"KeyStart", L"65");  // outside the dialog's range: loaded as it is
    StoreSetting(L"WinLock", L"1");
    EXPECT_EQ(LoadNow(), (Loaded{128, 200, 10, 100, 250, 65, 123, 1}));
}

TEST_F(SettingStoreTest, GarbageAndValuesTooWideForTheirFieldTakeTheDefault) {
    StoreSetting(L"PicWidth", L"abc");
    StoreSetting(L"PicHeight", L"2147483648");  // past 32 bits
    StoreSetting(L"Framemax", L"32768");        // past 16 bits
    StoreSetting(L"KeyTimer", L"");
    StoreSetting(L"RecTimer", L"12.5");
    StoreSetting(L"KeyStart", L" 112");
    StoreSetting(L"KeyCancel", L"-32769");
    StoreSetting(L"WinLock", L"yes");
    EXPECT_EQ(LoadNow(), kDefaults);
}

TEST_F(SettingStoreTest, ExtremesThatFitAreLoadedUnchanged) {
    StoreSetting(L"PicWidth", L"-2147483648");
    StoreSetting(L"Framemax", L"32767");
    StoreSetting(L"KeyCancel", L"-32768");
    Loaded v = LoadNow();
    EXPECT_EQ(v.picWidth, INT32_MIN);
    EXPECT_EQ(v.framemax, 32767);
    EXPECT_EQ(v.keyCancel, -32768);
}

TEST_F(SettingStoreTest, A_NonTextValueIsTreatedAsNotStored) {
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\VINTREL Ver\\Setting", 0,
                        nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    DWORD value = 300;
    RegSetValueExW(key, L"PicWidth", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
    EXPECT_EQ(LoadNow().picWidth, 128);
}

TEST_F(SettingStoreTest, SaveWritesAllEightKeysAsPlainDecimalText) {
    VL.PicWidth = 1024;
    VL.PicHeight = 7;
    VL.Framemax = 12345;
    VL.KeyTimer = 100;
    VL.RecTimer = -1;
    VL.KeyStart = 112;
    VL.KeyCancel = 123;
    VL.WinLock = 1;
    ASSERT_TRUE(Setting_Save());
    EXPECT_EQ(StoredSetting(L"PicWidth"), L"1024");
    EXPECT_EQ(StoredSetting(L"PicHeight"), L"7");
    EXPECT_EQ(StoredSetting(L"Framemax"), L"12345");
    EXPECT_EQ(StoredSetting(L"KeyTimer"), L"100");
    EXPECT_EQ(StoredSetting(L"RecTimer"), L"-1");
    EXPECT_EQ(StoredSetting(L"KeyStart"), L"112");
    EXPECT_EQ(StoredSetting(L"KeyCancel"), L"123");
    EXPECT_EQ(StoredSetting(L"WinLock"), L"1");
    Loaded v = LoadNow();
    EXPECT_EQ(v.picWidth, 1024);
    EXPECT_EQ(v.framemax, 12345);
    EXPECT_EQ(v.recTimer, -1);
}

TEST_F(SettingStoreTest, SaveReplacesEarlierValuesIncludingGarbage) {
    StoreSetting(L"PicWidth", L"garbage");
    VL.PicWidth = 640;
    ASSERT_TRUE(Setting_Save());
    EXPECT_EQ(StoredSetting(L"PicWidth"), L"640");
}

class SettingDeleteTest : public AppTest {};

TEST_F(SettingDeleteTest, DeleteRemovesTheSectionButKeepsTheValuesInForce) {
    StoreSetting(L"PicWidth", L"200");
    StoreSetting(L"Framemax", L"5");
    Start();
    ASSERT_EQ(VL.PicWidth, 200);
    main->mtESTDEL_Click();
    harness::Pump(50);
    EXPECT_EQ(StoredSetting(L"PicWidth"), L"<none>");
    EXPECT_EQ(StoredSetting(L"Framemax"), L"<none>");
    EXPECT_EQ(VL.PicWidth, 200);
    EXPECT_EQ(VL.Framemax, 5);
    EXPECT_EQ(boxes->Count(), 0u);
    // The next start finds nothing stored and loads the defaults.
    EXPECT_EQ(LoadNow().picWidth, 128);
}

TEST_F(SettingDeleteTest, DeleteWithNothingStoredDoesNothingAndShowsNothing) {
    Start();
    main->mtESTDEL_Click();
    main->mtESTDEL_Click();
    harness::Pump(100);
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_TRUE(main->Loaded());
}
