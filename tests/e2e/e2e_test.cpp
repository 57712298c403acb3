// End-to-end cases: DAVUman.dll in farhost.exe, as a FAR user would meet it.
#include "tests/e2e/e2e_runner.h"

#include "sim/farhost/host_core.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(EndToEndLoading, WithoutTheLibraryEveryOpenReportsIt) {
  e2e::Case c("no_library", false);
  c.RunAndCompare();
}

TEST(EndToEndLoading, LibraryWithoutEntryPointsIsReported) {
  e2e::Case c("no_entry_point", false);
  ASSERT_TRUE(c.UseLibrary(farhost::ProgramFolder() + "farhost_probe.dll"));
  c.RunAndCompare();
}

TEST(EndToEndLoading, TooOldHostIsWarnedFirst) {
  e2e::Case c("too_old_no_library", false);
  c.options = "--struct-size 368";
  c.RunAndCompare();
}

#ifdef DAVU_HAVE_PLAYER_STORE
#include "sim/usbctrl/player_store.h"

namespace {

// A player with three files on the internal memory (one with bytes from
// 0x80 up in its name, in the player's code page) and one on the card.
void SamplePlayer(const e2e::Case &c, int connectResult = 0) {
  std::string error;
  ASSERT_TRUE(
      simplayer::CreateStore(c.playerFolder, 16777216, 33554432, &error))
      << error;
  simplayer::PlayerStore store;
  ASSERT_TRUE(simplayer::LoadStore(c.playerFolder, &store, &error)) << error;
  store.config.versionText = "DAVU test player 2.1";
  store.config.connectResult = connectResult;
  ASSERT_TRUE(simplayer::SaveStore(store, &error)) << error;
  simplayer::FileTimes t1 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2004, 3, 1, 10, 15, 0));
  simplayer::FileTimes t2 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2005, 12, 31, 23, 59, 58));
  uint16_t index = 0;
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal, "01 Intro.mp3",
                                std::string(1000, 'a'), t1, &index, &error),
            simplayer::PutResult::Done);
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal,
                                "\x80\x81\xE0 song.mp3", std::string(2048, 'b'),
                                t2, &index, &error),
            simplayer::PutResult::Done);
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal, "Config.dat",
                                std::string(16, 'c'), t1, &index, &error),
            simplayer::PutResult::Done);
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kExternal, "Card.wma",
                                std::string(4096, 'd'), t2, &index, &error),
            simplayer::PutResult::Done);
}

} // namespace

TEST(EndToEndPanel, ListingInfoPanelAndKeyBar) {
  e2e::Case c("listing");
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST(EndToEndPanel, EveryOpenSource) {
  e2e::Case c("open_sources");
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST(EndToEndPanel, ConnectWarningStillOpens) {
  e2e::Case c("connect_warning");
  SamplePlayer(c, 6);
  c.RunAndCompare();
}

TEST(EndToEndPanel, ConnectFailureOpensNothing) {
  e2e::Case c("connect_failure");
  SamplePlayer(c, 1);
  c.RunAndCompare();
}

TEST(EndToEndPanel, TooOldHostIsWarnedAndServed) {
  e2e::Case c("too_old");
  c.options = "--struct-size 368";
  SamplePlayer(c);
  c.RunAndCompare();
}

namespace {

const char kHighName[] = "\x80\x81\xE0 song.mp3";
// kHighName through table 57 of the English language file: the name that
// the panel shows and that a copy gets on the PC.
const char kHighPcName[] = "\x9E\xA9\x85 song.mp3";

std::string Pattern(char seed, size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(seed + i % 61);
  return bytes;
}

simplayer::PlayerStore LoadPlayer(const e2e::Case &c) {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(c.playerFolder, &store, &error)) << error;
  return store;
}

std::vector<std::string> PlayerNames(const e2e::Case &c, int memory) {
  simplayer::PlayerStore store = LoadPlayer(c);
  std::vector<std::string> names;
  for (const simplayer::StoredFile &f : store.memories[memory].files)
    names.push_back(f.name);
  return names;
}

// A player for the operations: four files on the internal memory, two on
// the card, in 16 KB progress steps (one progress box per step).
void OperationsPlayer(const e2e::Case &c, uint32_t internalSize = 16777216) {
  std::string error;
  ASSERT_TRUE(
      simplayer::CreateStore(c.playerFolder, internalSize, 33554432, &error))
      << error;
  simplayer::PlayerStore store;
  ASSERT_TRUE(simplayer::LoadStore(c.playerFolder, &store, &error)) << error;
  store.config.versionText = "DAVU test player 2.1";
  store.config.chunkSize = 16384;
  ASSERT_TRUE(simplayer::SaveStore(store, &error)) << error;
  simplayer::FileTimes t1 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2004, 3, 1, 10, 15, 0));
  simplayer::FileTimes t2 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2005, 12, 31, 23, 59, 58));
  struct Sample {
    int memory;
    const char *name;
    char seed;
    size_t size;
    const simplayer::FileTimes &times;
  } samples[] = {{simplayer::kInternal, "01 Intro.mp3", 'a', 40000, t1},
                 {simplayer::kInternal, kHighName, 'b', 20000, t2},
                 {simplayer::kInternal, "Config.dat", 'c', 16, t1},
                 {simplayer::kInternal, "03 Outro.mp3", 'd', 30000, t2},
                 {simplayer::kExternal, "Card.wma", 'e', 50000, t2},
                 {simplayer::kExternal, "Config.dat", 'f', 32, t1}};
  uint16_t index = 0;
  for (const Sample &s : samples)
    ASSERT_EQ(simplayer::PutBytes(&store, s.memory, s.name,
                                  Pattern(s.seed, s.size), s.times, &index,
                                  &error),
              simplayer::PutResult::Done)
        << error;
}

// A PC file with a fixed write time, so that listings of the PC folder
// come out the same on every run.
void WriteDatedFile(const std::string &path, const std::string &bytes) {
  ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path;
  SYSTEMTIME local{};
  local.wYear = 2006;
  local.wMonth = 7;
  local.wDay = 14;
  local.wHour = 12;
  FILETIME localTime, utc;
  ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
  ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
  CloseHandle(file);
}

// The player writes high-byte names through the file functions in the OEM
// code page, as the host made them; the checks read them the same way.
struct OemFileApis {
  OemFileApis() { SetFileApisToOEM(); }
  ~OemFileApis() { SetFileApisToANSI(); }
};

// Through the file functions' code page, as the player wrote the name.
std::string ReadThroughFileApis(const std::string &path) {
  std::string bytes;
  if (!testing_support::ReadThroughFileApis(path, &bytes))
    return "<cannot open " + path + ">";
  return bytes;
}

} // namespace

TEST(EndToEndOperations, DeleteKeepsTheConfigurationFile) {
  e2e::Case c("delete");
  OperationsPlayer(c);
  c.RunAndCompare();
  EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
            (std::vector<std::string>{kHighName, "Config.dat"}));
  EXPECT_EQ(PlayerNames(c, simplayer::kExternal).size(), 2u);
}

TEST(EndToEndOperations, CopyAndMoveToThePc) {
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

TEST(EndToEndOperations, EscapeStopsACopyAfterTheCurrentFile) {
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

TEST(EndToEndOperations, FolderAndPlaylistOntoThePlayer) {
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

TEST(EndToEndCommands, PlayOrderKeys) {
  e2e::Case c("play_order");
  OperationsPlayer(c);
  c.RunAndCompare();
  EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
            (std::vector<std::string>{kHighName, "03 Outro.mp3", "Config.dat",
                                      "01 Intro.mp3"}));
}

TEST(EndToEndCommands, FormatBothMemories) {
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

TEST(EndToEndCommands, ConfigurationDialog) {
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
namespace {

// The calls of FAR 1.70 that the substitute host makes as FAR does, each
// in a case of its own: how the case's folders are prepared beyond the
// operations player, and what must hold on disk afterwards.
struct FarCallCase {
  const char *name;
  const char *options;
  void (*prepare)(const e2e::Case &c);
  void (*check)(const e2e::Case &c);
};

void NothingMore(const e2e::Case &) {}

void PcSong(const e2e::Case &c) {
  WriteDatedFile(c.pcFolder + "Song.mp3", Pattern('s', 20000));
}

void SongOnThePlayer(const e2e::Case &c) {
  std::vector<std::string> names = PlayerNames(c, simplayer::kInternal);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Song.mp3"), 1) << c.name;
}

const FarCallCase kFarCallCases[] = {
    {"key_calls", "", NothingMore,
     [](const e2e::Case &c) { // one place up, not two
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
                 (std::vector<std::string>{"01 Intro.mp3", kHighName,
                                           "03 Outro.mp3", "Config.dat"}));
     }},
    {"redraws", "", PcSong, SongOnThePlayer},
    {"listing_copy", "", NothingMore,
     [](const e2e::Case &c) {
       std::string bytes;
       EXPECT_TRUE(
           testing_support::ReadFileBytes(c.pcFolder + "01 Intro.mp3", &bytes));
       EXPECT_EQ(bytes, Pattern('a', 40000));
       EXPECT_TRUE(
           testing_support::ReadFileBytes(c.pcFolder + "03 Outro.mp3", &bytes));
       EXPECT_EQ(bytes, Pattern('d', 30000));
     }},
    {"cached_start", "--cached-start", NothingMore, NothingMore},
    {"foreign_dlls", "",
     [](const e2e::Case &c) {
       std::string extra = c.pluginFolder + "extra\\";
       ASSERT_TRUE(CreateDirectoryA(extra.c_str(), nullptr));
       ASSERT_TRUE(testing_support::CopyFileTo(farhost::ProgramFolder() +
                                                   "farhost_failing.dll",
                                               extra + "broken.dll"));
       WriteDatedFile(c.pluginFolder + "readme.dll", "not a program");
     },
     NothingMore},
    {"copy_dialog", "", PcSong, SongOnThePlayer},
    {"progress_no_buttons", "",
     [](const e2e::Case &c) {
       WriteDatedFile(c.pcFolder + "Long.mp3", Pattern('l', 200000));
     },
     [](const e2e::Case &c) {
       simplayer::PlayerStore store = LoadPlayer(c);
       std::string bytes;
       for (const simplayer::StoredFile &f :
            store.memories[simplayer::kInternal].files) {
         if (f.name == "Long.mp3") {
           EXPECT_TRUE(simplayer::ReadContents(store, simplayer::kInternal,
                                               f.index, &bytes));
         }
       }
       EXPECT_EQ(bytes, Pattern('l', 200000));
     }},
    {"panel_info_flags", "", NothingMore,
     [](const e2e::Case &c) {
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
                 (std::vector<std::string>{kHighName, "01 Intro.mp3",
                                           "Config.dat", "03 Outro.mp3"}));
     }},
    {"view_file", "", NothingMore,
     [](const e2e::Case &c) { // a view copies, it moves nothing
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal).size(), 4u);
       EXPECT_FALSE(testing_support::FileExists(c.pcFolder + "01 Intro.mp3"));
     }},
};

} // namespace

TEST(EndToEndFarCalls, ThePluginWorksUnderTheCallsOfFar) {
  for (const FarCallCase &fc : kFarCallCases) {
    SCOPED_TRACE(fc.name);
    e2e::Case c(fc.name);
    c.options = fc.options;
    OperationsPlayer(c);
    fc.prepare(c);
    c.RunAndCompare();
    fc.check(c);
  }
}
#endif
