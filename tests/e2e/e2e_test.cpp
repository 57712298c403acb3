// End-to-end cases: DAVUman.dll in farhost.exe, as a FAR user would meet it.
#include "tests/e2e/e2e_runner.h"

#include "sim/farhost/host_core.h"

#include <gtest/gtest.h>

#include <algorithm>

class EndToEndLoading : public e2e::HostProfileTest {};
E2E_FOR_EVERY_HOST(EndToEndLoading);

TEST_P(EndToEndLoading, WithoutTheLibraryEveryOpenReportsIt) {
  e2e::Case c("no_library", false);
  c.RunAndCompare();
}

TEST_P(EndToEndLoading, LibraryWithoutEntryPointsIsReported) {
  e2e::Case c("no_entry_point", false);
  ASSERT_TRUE(c.UseLibrary(farhost::ProgramFolder() + "farhost_probe.dll"));
  c.RunAndCompare();
}

TEST_P(EndToEndLoading, TooOldHostIsWarnedFirst) {
  e2e::Case c("too_old_no_library", false);
  c.options = "--struct-size 368";
  c.RunAndCompare();
}

#ifdef DAVU_HAVE_PLAYER_STORE
#include "tests/e2e/e2e_players.h"

using namespace e2e;

class EndToEndPanel : public e2e::HostProfileTest {};
E2E_FOR_EVERY_HOST(EndToEndPanel);
class EndToEndOperations : public e2e::HostProfileTest {};
E2E_FOR_EVERY_HOST(EndToEndOperations);
class EndToEndCommands : public e2e::HostProfileTest {};
E2E_FOR_EVERY_HOST(EndToEndCommands);

TEST_P(EndToEndPanel, ListingInfoPanelAndKeyBar) {
  e2e::Case c("listing");
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST_P(EndToEndPanel, EveryOpenSource) {
  e2e::Case c("open_sources");
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST_P(EndToEndPanel, ConnectWarningStillOpens) {
  e2e::Case c("connect_warning");
  SamplePlayer(c, 6);
  c.RunAndCompare();
}

TEST_P(EndToEndPanel, ConnectFailureOpensNothing) {
  e2e::Case c("connect_failure");
  SamplePlayer(c, 1);
  c.RunAndCompare();
}

TEST_P(EndToEndPanel, TooOldHostIsWarnedAndServed) {
  e2e::Case c("too_old");
  c.options = "--struct-size 368";
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST_P(EndToEndOperations, DeleteKeepsTheConfigurationFile) {
  e2e::Case c("delete");
  OperationsPlayer(c);
  c.RunAndCompare();
  EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
            (std::vector<std::string>{kHighName, "Config.dat"}));
  EXPECT_EQ(PlayerNames(c, simplayer::kExternal).size(), 2u);
}

TEST_P(EndToEndOperations, CopyAndMoveToThePc) {
  e2e::Case c("copy_to_pc");
  OperationsPlayer(c);
  c.RunAndCompare();
  OemFileApis oem;
  std::string bytes;
  ASSERT_TRUE(
      testing_support::ReadFileBytes(c.pcFolder + "01 Intro.mp3", &bytes));
  EXPECT_EQ(bytes, Pattern('a', 40000));
  EXPECT_EQ(ReadThroughFileApis(c.pcFolder + kHighPcName), Pattern('b', 20000));
  ASSERT_TRUE(
      testing_support::ReadFileBytes(c.pcFolder + "03 Outro.mp3", &bytes));
  EXPECT_EQ(bytes, Pattern('d', 30000));
  // The move took the outro off the player; the copies left the rest.
  EXPECT_EQ(
      PlayerNames(c, simplayer::kInternal),
      (std::vector<std::string>{"01 Intro.mp3", kHighName, "Config.dat"}));
}

TEST_P(EndToEndOperations, EscapeStopsACopyAfterTheCurrentFile) {
  e2e::Case c("copy_cancelled");
  OperationsPlayer(c);
  c.RunAndCompare();
  OemFileApis oem;
  std::string bytes;
  ASSERT_TRUE(
      testing_support::ReadFileBytes(c.pcFolder + "01 Intro.mp3", &bytes));
  EXPECT_EQ(bytes, Pattern('a', 40000));
  EXPECT_FALSE(testing_support::FileExists(c.pcFolder + "Config.dat"));
  EXPECT_FALSE(testing_support::FileExists(c.pcFolder + "03 Outro.mp3"));
  // A cancelled move deletes nothing on the player.
  EXPECT_EQ(PlayerNames(c, simplayer::kInternal).size(), 4u);
}

TEST_P(EndToEndOperations, FolderAndPlaylistOntoThePlayer) {
  e2e::Case c("put_folder_playlist");
  OperationsPlayer(c);
  std::string music = c.pcFolder + "music\\";
  ASSERT_TRUE(CreateDirectoryA(music.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((music + "Road trip").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((music + "Road trip\\Disc 2").c_str(), nullptr));
  WriteDatedFile(music + "Road trip\\01 Highway.mp3", Pattern('h', 40000));
  WriteDatedFile(music + "Road trip\\Disc 2\\02 Dunes.wma",
                 Pattern('i', 30000));
  WriteDatedFile(music + "Road trip\\cover.jpg", "cover");
  WriteDatedFile(music + "Morning.mp3", Pattern('j', 20000));
  WriteDatedFile(music + "Evening.mp3", Pattern('k', 25000));
  WriteDatedFile(music + "Extra.mp3", Pattern('l', 1000));
  WriteDatedFile(music + "party.m3u",
                 "#EXTM3U\r\nMorning.mp3\r\nEvening.mp3\r\n");
  c.RunAndCompare();
  EXPECT_EQ(
      PlayerNames(c, simplayer::kInternal),
      (std::vector<std::string>{"01 Intro.mp3", kHighName, "Config.dat",
                                "03 Outro.mp3", "01 Highway.mp3",
                                "02 Dunes.wma", "Morning.mp3", "Evening.mp3"}));
  // The folder was copied: it stays. The playlist's songs were moved.
  EXPECT_TRUE(testing_support::FileExists(music + "Road trip\\01 Highway.mp3"));
  EXPECT_FALSE(testing_support::FileExists(music + "Morning.mp3"));
  EXPECT_FALSE(testing_support::FileExists(music + "Evening.mp3"));
  EXPECT_FALSE(testing_support::FileExists(music + "party.m3u"));
  // Not a playlist: playlist mode neither sends nor deletes it.
  EXPECT_TRUE(testing_support::FileExists(music + "Extra.mp3"));
}

TEST_P(EndToEndCommands, PlayOrderKeys) {
  e2e::Case c("play_order");
  OperationsPlayer(c);
  c.RunAndCompare();
  EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
            (std::vector<std::string>{kHighName, "03 Outro.mp3", "Config.dat",
                                      "01 Intro.mp3"}));
}

TEST_P(EndToEndCommands, FormatBothMemories) {
  e2e::Case c("format");
  OperationsPlayer(c);
  WriteDatedFile(c.pluginFolder + "Config.dat", Pattern('z', 64));
  c.RunAndCompare();
  simplayer::PlayerStore store = LoadPlayer(c);
  ASSERT_EQ(store.memories[simplayer::kInternal].files.size(), 1u);
  std::string bytes;
  EXPECT_TRUE(simplayer::ReadContents(
      store, simplayer::kInternal,
      store.memories[simplayer::kInternal].files[0].index, &bytes));
  EXPECT_EQ(bytes, Pattern('z', 64));
  EXPECT_TRUE(store.memories[simplayer::kExternal].files.empty());
}

TEST_P(EndToEndCommands, ConfigurationDialog) {
  e2e::Case c("configure");
  c.RunAndCompare();
  HKEY key = nullptr;
  std::string path = c.registryRoot + "\\DAVU Manager";
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  auto value = [key](const char *name) {
    char buffer[600] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type,
                              reinterpret_cast<BYTE *>(buffer), &size);
    return r == ERROR_SUCCESS ? std::string(buffer) : std::string("<none>");
  };
  EXPECT_EQ(value("DiskMenu"), "");
  EXPECT_EQ(value("DiskMenuHotKey"), "");
  EXPECT_EQ(value("CurDirExt"), ".mp3;.m3u;");
  EXPECT_EQ(value("SubDirExt"), ".mp3; .wma;");
  RegCloseKey(key);
}
#endif
