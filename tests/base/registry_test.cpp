// Language choice and log switch against the real registry of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/language.h"
#include "base/localized_text.h"

namespace {

const char kProductKey[] = "SOFTWARE\\QEL\\Orvane Suite";
const char kLogKey[] = "SOFTWARE\\Corvath\\QEL";

void DeleteKey(HKEY root, const char* path) { RegDeleteTreeA(root, path); RegDeleteKeyA(root, path); }

void SetString(HKEY root, const char* path, const char* name, const char* value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    if (name) RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1));
    RegCloseKey(key);
}

void SetDword(HKEY root, const char* path, const char* name, DWORD value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

std::vector<std::string> g_written;
void Capture(const char* text) { g_written.emplace_back(text); }

class LanguageRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKey(HKEY_LOCAL_MACHINE, kProductKey);
        DeleteKey(HKEY_CURRENT_USER, kProductKey);
        GetModuleDirectory(dir_);
        previous_ = SetDebugSink(Capture);
        g_written.clear();
    }
    void TearDown() override {
        DeleteKey(HKEY_LOCAL_MACHINE, kProductKey);
        DeleteKey(HKEY_CURRENT_USER, kProductKey);
        for (const std::string& f : created_) DeleteFileA(f.c_str());
        SetDebugSink(previous_);
    }
    void CreateLocalFile(const char* name) {
        std::string path = std::string(dir_) + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("[UI_SHEET]\r\nIDL_TITLE=Test\r\n", f);
        std::fclose(f);
        created_.push_back(path);
    }
    std::string LocalPath() {
        char path[kPathSize] = "";
        EXPECT_EQ(GetLocalizedFilePath("LOCAL", path), 1);
        return path;
    }
    char dir_[kPathSize] = "";
    std::vector<std::string> created_;
    DebugSink previous_ = nullptr;
};

}  // namespace

TEST_F(LanguageRegistryTest, MachineValueWins) {
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "QELLangCode", "GR");
    SetString(HKEY_CURRENT_USER, kProductKey, "QELLangCode", "RU");
    CreateLocalFile("LOCAL_GR.dat");
    EXPECT_STREQ(GetLocalizedFileSuffix(), "GR");
    gnCharSet = 99;  // not the value it should be given
    EXPECT_EQ(LocalPath(), std::string(dir_) + "LOCAL_GR.dat");
    EXPECT_EQ(gnCharSet, 1);
}

TEST_F(LanguageRegistryTest, UserValueOnlyWithoutMachineKey) {
    SetString(HKEY_CURRENT_USER, kProductKey, "QELLangCode", "RU");
    CreateLocalFile("LOCAL_RU.dat");
    EXPECT_EQ(LocalPath(), std::string(dir_) + "LOCAL_RU.dat");
    EXPECT_EQ(gnCharSet, 204);
}

TEST_F(LanguageRegistryTest, MachineKeyWithoutValueHidesTheUserValue) {
    SetString(HKEY_LOCAL_MACHINE, kProductKey, nullptr, nullptr);
    SetString(HKEY_CURRENT_USER, kProductKey, "QELLangCode", "RU");
    EXPECT_STREQ(GetLocalizedFileSuffix(), GetLanguageCode());
}

TEST_F(LanguageRegistryTest, OverlongOrUnknownCodes) {
    // Overlong: the locale decides, not the first two letters.
    ASSERT_STRNE(GetLanguageCode(), "GR") << "this case needs a locale other than Greek";
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "QELLangCode", "GRE");
    EXPECT_STREQ(GetLocalizedFileSuffix(), GetLanguageCode());

    // Without its own file the fallback's character set applies, not the code's.
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "QELLangCode", "RU");
    gnCharSet = 99;
    EXPECT_EQ(LocalPath(), std::string(dir_) + "LOCAL.dat");
    EXPECT_EQ(gnCharSet, 1);

    SetString(HKEY_LOCAL_MACHINE, kProductKey, "QELLangCode", "ru");
    CreateLocalFile("LOCAL_RU.dat");
    EXPECT_EQ(LocalPath(), std::string(dir_) + "LOCAL_ru.dat");  // same file: names ignore case
    EXPECT_EQ(gnCharSet, 204);
}

TEST_F(LanguageRegistryTest, HelpPathAndDirectWrites) {
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "QELLangCode", "GR");
    char path[kPathSize];
    g_written.clear();
    GetLocalizedFilePath("HELP", path);
    EXPECT_EQ(std::string(path), std::string(dir_) + "HELP.chm");  // no HELP_GR.chm beside the test
    // Written whatever the log switch says.
    ASSERT_GE(g_written.size(), 3u);
    EXPECT_EQ(g_written[0], "CHM-HELP");
    EXPECT_EQ(g_written[1], std::string(dir_) + "HELP_GR.chm");
    EXPECT_EQ(g_written[2], "CHM-HELP");
}

TEST(LogSwitchRegistry, ValueKinds) {
    DeleteKey(HKEY_LOCAL_MACHINE, kLogKey);
    ReadLogSwitch();
    EXPECT_EQ(gwLogSwitch, 0);

    SetDword(HKEY_LOCAL_MACHINE, kLogKey, "LogQEL", 1);
    ReadLogSwitch();
    EXPECT_EQ(gwLogSwitch, 1);

    SetDword(HKEY_LOCAL_MACHINE, kLogKey, "LogQEL", 0x10000);
    ReadLogSwitch();
    EXPECT_EQ(gwLogSwitch, 0);

    SetString(HKEY_LOCAL_MACHINE, kLogKey, "LogQEL", "1");
    ReadLogSwitch();
    EXPECT_EQ(gwLogSwitch, 0x31);

    SetString(HKEY_LOCAL_MACHINE, kLogKey, "LogQEL", "long text");
    ReadLogSwitch();
    EXPECT_EQ(gwLogSwitch, 0);

    DeleteKey(HKEY_LOCAL_MACHINE, kLogKey);
    gwLogSwitch = 0;
}
