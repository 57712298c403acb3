// The settings store in the real registry.
#include "services/plugin_state.h"
#include "services/settings.h"
#include "tests/support/core_host.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Settings : public ::testing::Test {
protected:
  void SetUp() override {
    root = testing_support::UniqueRegistryRoot("spine-settings");
    spine_test::InstallCoreHost(root.c_str());
  }
  void TearDown() override { testing_support::DeleteRegistryTree(root); }
  void Store(const char *name, const std::string &value, DWORD type = REG_SZ,
             bool withZero = true) {
    ASSERT_TRUE(testing_support::WriteRegistryValue(
        root + "\\DAVU Manager", name, value, type, withZero));
  }
  std::string root;
};

TEST_F(Settings, KeyPathAddsOneBackslash) {
  EXPECT_EQ(davu::SettingsKeyPath(), root + "\\DAVU Manager\\");
  std::string slashed = root + "\\";
  davu::HostInfo.RootKey = slashed.c_str();
  EXPECT_EQ(davu::SettingsKeyPath(), root + "\\DAVU Manager\\");
  davu::HostInfo.RootKey = root.c_str();
}

TEST_F(Settings, DefaultsWithoutAKey) {
  davu::PluginSettingsRecord settings = davu::LoadSettings();
  EXPECT_TRUE(settings.DiskMenu);
  EXPECT_EQ(settings.DiskMenuHotKey, 0);
  EXPECT_STREQ(settings.CurDirExt, ".*;");
  EXPECT_STREQ(settings.SubDirExt, ".mp3; .wma;");
}

TEST_F(Settings, StoredValuesAndTheirReadings) {
  Store("DiskMenu", "0");
  Store("DiskMenuHotKey", "73");
  Store("CurDirExt", ".ogg;");
  davu::PluginSettingsRecord settings = davu::LoadSettings();
  EXPECT_TRUE(settings.DiskMenu); // "0" is not empty
  EXPECT_EQ(settings.DiskMenuHotKey, '7');
  EXPECT_STREQ(settings.CurDirExt, ".ogg;");
  EXPECT_STREQ(settings.SubDirExt, ".mp3; .wma;");

  Store("DiskMenu", "");
  EXPECT_FALSE(davu::LoadSettings().DiskMenu);
}

TEST_F(Settings, LongValues) {
  std::string list;
  while (list.size() < 600)
    list += ".abc;";
  Store("SubDirExt", list);
  // Longer than the 4096-byte buffer: the default.
  Store("CurDirExt", std::string(5000, 'x'));
  davu::PluginSettingsRecord settings = davu::LoadSettings();
  EXPECT_EQ(std::string(settings.SubDirExt), list.substr(0, 510));
  EXPECT_STREQ(settings.CurDirExt, ".*;");
  EXPECT_EQ(davu::ReadSetting("SubDirExt", "d"), list);
  EXPECT_EQ(davu::ReadSetting("CurDirExt", "d"), "d");
}

TEST_F(Settings, ValueWithoutZeroOrOfAnotherTypeReadsAsText) {
  Store("CurDirExt", ".flac;", REG_BINARY, false);
  EXPECT_EQ(davu::ReadSetting("CurDirExt", "d"), ".flac;");
}

TEST_F(Settings, WriteCreatesTheKeyAndStoresTheZero) {
  davu::WriteSetting("DiskMenuHotKey", "4");
  EXPECT_EQ(davu::ReadSetting("DiskMenuHotKey", ""), "4");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, davu::SettingsKeyPath().c_str(), 0,
                          KEY_QUERY_VALUE, &key),
            ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  RegQueryValueExA(key, "DiskMenuHotKey", nullptr, &type, nullptr, &size);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 2u);
}

} // namespace
