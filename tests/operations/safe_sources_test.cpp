// The PC sources of a copy to the player: playlists under names with high
// bytes and lines written in either code page, sources that another program
// holds open, a host killed in the middle of a send, and the switch to the
// card when the card already has a file of that name.
#include "services/messages.h"
#include "tests/support/plugin_fixture.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <string>

namespace {

using testing_support::WriteThroughFileApis;

using plugin_fixture::Bare;
using plugin_fixture::Names;
using testing_support::TempDir;

constexpr int kCopy = 0;
constexpr int kPlaylists = 2;

// Text of one code page in another; empty when a character does not exist
// there.
std::string Recode(const std::string &text, UINT from, UINT to) {
  wchar_t wide[512] = {};
  int n = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.c_str(), -1,
                              wide, 512);
  if (n <= 0)
    return std::string();
  char out[1024] = {};
  BOOL lossy = FALSE;
  if (WideCharToMultiByte(to, 0, wide, -1, out, sizeof out, nullptr, &lossy) <=
          0 ||
      lossy)
    return std::string();
  return out;
}

// The folder of copies for the library of one process (this one's by
// default); other test programs may send at the same time.
std::string TempCopiesFolder(DWORD process = GetCurrentProcessId()) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  std::string folder = temp;
  if (folder.back() != '\\')
    folder += '\\';
  return folder + "DAVUman\\" + std::to_string(process);
}

// The id of a process of this Windows other than this one.
DWORD AnotherRunningProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD found = 0;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID != 0 &&
        entry.th32ProcessID != GetCurrentProcessId())
      found = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return found;
}

class SourcesTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
    registryRoot = testing_support::UniqueRegistryRoot("sources");
    ASSERT_TRUE(plugin_fixture::StartPlayer(Player(), 1000000, 1000000));
    ASSERT_TRUE(
        plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
    ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
    ASSERT_TRUE(host->SetPcFolder(Bare(pc)));
    host->ClearRecords();
  }
  void TearDown() override {
    host.reset();
    plugin_fixture::StopPlayer();
    testing_support::DeleteRegistryTree(registryRoot);
  }
  std::string Player() const { return Bare(playerDir); }
  std::string DeviceSpelling(const std::string &name) const {
    return plugin_fixture::DeviceSpelling(*host, name);
  }
  Names OnPlayer(int memory) {
    Names names = plugin_fixture::PlayerNames(Player(), memory);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Msg(int id) { return host->Language().messages.at(id); }
  // The lines of the summary box, none when there was no box.
  Names SummaryLines() {
    for (const farhost::MessageRecord &box : host->Boxes())
      if (!box.items.empty() && box.items[0] == Msg(davu::MSG_FAILED_TITLE))
        return Names(box.items.begin() + 2, box.items.end() - 1);
    return Names();
  }
  std::string Line(const std::string &name, int reason) {
    return name + " (" + Msg(reason) + ")";
  }
  int Put(bool move, int answer) {
    host->RereadPc();
    host->QueueAnswer(answer);
    return host->CopyFromPc(move);
  }

  TempDir pluginDir, playerDir, pc;
  std::string registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
};

// --- playlists under any name, lines in either code page

struct PlaylistCase {
  const char *Name;
  const char *Folder;   // OEM bytes
  const char *Playlist; // OEM bytes
  const char *Entry;    // OEM bytes
  bool AnsiLine;        // the line as a Windows player writes it
  UINT NeedsOem;        // 0: any code pages will do
};

// Cyrillic in CP866 ("Музыка", "Список", "Песня"); Western in CP437
// ("Música", "Café", "été"). As OEM bytes a name works whatever the code
// page; a line in the ANSI code page needs the matching pair.
const PlaylistCase kPlaylistCases[] = {
    {"WesternOem", "M\xA3sica", "Caf\x82.m3u", "\x82t\x82.mp3", false, 0},
    {"WesternAnsi", "M\xA3sica", "Caf\x82.m3u", "\x82t\x82.mp3", true, 437},
    {"CyrillicOem", "\x8C\xE3\xA7\xEB\xAA\xA0", "\x91\xAF\xA8\xE1\xAE\xAA.m3u",
     "\x8F\xA5\xE1\xAD\xEF.mp3", false, 0},
    {"CyrillicAnsi", "\x8C\xE3\xA7\xEB\xAA\xA0", "\x91\xAF\xA8\xE1\xAE\xAA.m3u",
     "\x8F\xA5\xE1\xAD\xEF.mp3", true, 866},
};

class PlaylistNames : public SourcesTest,
                      public ::testing::WithParamInterface<PlaylistCase> {};

TEST_P(PlaylistNames, EveryEntrySentAndAMissingOneReported) {
  const PlaylistCase &c = GetParam();
  if (c.NeedsOem && GetOEMCP() != c.NeedsOem)
    GTEST_SKIP() << "needs the OEM code page " << c.NeedsOem
                 << " (run under the matching locale, e.g. LANG=ru_RU.UTF-8)";
  std::string line = c.Entry;
  if (c.AnsiLine) {
    line = Recode(c.Entry, CP_OEMCP, CP_ACP);
    ASSERT_FALSE(line.empty());
    ASSERT_NE(line, c.Entry) << "the two code pages must differ here";
  }
  const std::string folder = pc / c.Folder;
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteThroughFileApis(folder + "\\" + c.Entry, "song"));
  ASSERT_TRUE(
      WriteThroughFileApis(folder + "\\" + c.Playlist,
                           "#EXTM3U\r\n" + line + "\r\n\r\nmissing.mp3\r\n"));
  host->RereadPc();
  ASSERT_TRUE(host->SelectPc(c.Folder, true));
  EXPECT_EQ(Put(false, kPlaylists), 0);
  EXPECT_EQ(OnPlayer(simplayer::kInternal), Names{DeviceSpelling(c.Entry)});
  EXPECT_EQ(plugin_fixture::PlayerBytes(Player(), simplayer::kInternal,
                                        DeviceSpelling(c.Entry)),
            "song");
  // The empty line and the comment are no failures; the missing file is.
  EXPECT_EQ(SummaryLines(),
            Names{Line("missing.mp3", davu::MSG_REASON_NOT_FOUND)});
  // The folder stays selected: one of its entries did not go.
  EXPECT_TRUE(host->Pc().selected.at(0));
  plugin_fixture::ExpectCleanHost(*host);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaylistNames, ::testing::ValuesIn(kPlaylistCases),
    [](const ::testing::TestParamInfo<PlaylistCase> &info) {
      return std::string(info.param.Name);
    });

// --- a source held open by another program

struct HeldCase {
  const char *Name;
  const char *File; // OEM bytes
};

const HeldCase kHeldCases[] = {
    {"PlainName", "song.mp3"},
    {"HighByteName", "\x82t\x82.mp3"},
};

class HeldSource : public SourcesTest,
                   public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldSource, IsReportedAndThePlayersFileOfThatNameStays) {
  const std::string name = GetParam().File;
  ASSERT_TRUE(WriteThroughFileApis(pc / name, "new"));
  ASSERT_TRUE(WriteThroughFileApis(pc / "other.mp3", "other"));
  ASSERT_TRUE(plugin_fixture::PutOnPlayer(Player(), simplayer::kInternal,
                                          DeviceSpelling(name), "old",
                                          simplayer::CurrentTimes()));
  // A media player that plays it and lets nobody else in.
  HANDLE held = CreateFileA((pc / name).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  host->RereadPc();
  ASSERT_TRUE(host->SelectPc(name, true));
  ASSERT_TRUE(host->SelectPc("other.mp3", true));
  int result = Put(true, kCopy);
  CloseHandle(held);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(plugin_fixture::PlayerBytes(Player(), simplayer::kInternal,
                                        DeviceSpelling(name)),
            "old");
  EXPECT_EQ(SummaryLines(), Names{Line(name, davu::MSG_REASON_IN_USE)});
  std::string bytes;
  EXPECT_TRUE(testing_support::ReadThroughFileApis(pc / name, &bytes));
  EXPECT_EQ(bytes, "new");
  EXPECT_FALSE(testing_support::FileExists(pc / "other.mp3")) << "moved";
  // Only the file that did not go stays selected.
  Names selected;
  for (size_t i = 0; i < host->Pc().items.size(); ++i)
    if (host->Pc().selected[i])
      selected.push_back(host->Pc().items[i].FindData.cFileName);
  EXPECT_EQ(selected, Names{name});
  EXPECT_FALSE(testing_support::FileExists(TempCopiesFolder()));
  plugin_fixture::ExpectCleanHost(*host);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldSource, ::testing::ValuesIn(kHeldCases),
                         [](const ::testing::TestParamInfo<HeldCase> &info) {
                           return std::string(info.param.Name);
                         });

// --- a host killed in the middle of a send

TEST_F(SourcesTest, KilledHostLeavesTheSourceUnderItsOwnName) {
  const std::string name = "\x82t\x82.mp3";
  const std::string bytes(40000, 's');
  ASSERT_TRUE(WriteThroughFileApis(pc / name, bytes));
  // Slow enough that the kill lands inside the library's call.
  plugin_fixture::ChangePlayer(Player(), [](simplayer::PlayerStore &store) {
    store.config.chunkSize = 1000;
    store.config.bytesPerSecond = 4000;
  });
  const std::string script = pluginDir / "send.script";
  ASSERT_TRUE(testing_support::WriteFileBytes(
      script, "open pluginsmenu\npc folder \"" + Bare(pc) + "\"\npc select \"" +
                  name + "\"\nanswer 0\npc copy\n"));
  std::string command = "\"" + testing_support::BesideExe("farhost.exe") +
                        "\" --root \"" + registryRoot + "2\" \"" +
                        Bare(pluginDir) + "\" \"" + script + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back(0);
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                             CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                             &process));
  // The simulated player writes what arrives into download.tmp.
  bool sending = false;
  for (int i = 0; i < 6000 && !sending; ++i) {
    sending = testing_support::FileExists(playerDir / "download.tmp");
    if (!sending && WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
      break;
  }
  TerminateProcess(process.hProcess, 9);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_TRUE(sending) << "the send never started";
  const std::string killedCopies = TempCopiesFolder(process.dwProcessId);
  EXPECT_TRUE(testing_support::FileExists(killedCopies));

  std::string left;
  EXPECT_TRUE(testing_support::ReadThroughFileApis(pc / name, &left));
  EXPECT_EQ(left, bytes);
  EXPECT_FALSE(testing_support::FileExists(pc / DeviceSpelling(name)));
  // What the killed process left for the library goes at the next start;
  // the copy a running process is sending stays.
  const std::string running = TempCopiesFolder(AnotherRunningProcess());
  const std::string ended = TempCopiesFolder(0);
  for (const std::string &folder : {running, ended}) {
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(testing_support::WriteFileBytes(folder + "\\a.mp3", "a"));
  }
  host.reset();
  ASSERT_TRUE(
      plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
  EXPECT_FALSE(testing_support::FileExists(killedCopies));
  EXPECT_FALSE(testing_support::FileExists(ended));
  EXPECT_TRUE(testing_support::FileExists(running + "\\a.mp3"));
  testing_support::RemoveTree(running);
}

// --- the switch to the card, which already has a file of that name

TEST_F(SourcesTest, SwitchWhenFullLeavesOneFileOfTheNameOnTheCard) {
  plugin_fixture::ChangePlayer(Player(), [](simplayer::PlayerStore &store) {
    store.memories[simplayer::kInternal].capacity = 6;
  });
  ASSERT_TRUE(plugin_fixture::PutOnPlayer(Player(), simplayer::kExternal,
                                          "b.mp3", "old b",
                                          simplayer::CurrentTimes()));
  ASSERT_TRUE(WriteThroughFileApis(pc / "a.mp3", "12345"));
  ASSERT_TRUE(WriteThroughFileApis(pc / "b.mp3", "67890"));
  host->RereadPc();
  ASSERT_TRUE(host->SelectPc("a.mp3", true));
  ASSERT_TRUE(host->SelectPc("b.mp3", true));
  host->QueueAnswer(kCopy);
  host->QueueAnswer(1); // go on, then the other memory when this one is full
  EXPECT_EQ(host->CopyFromPc(false), 1);
  EXPECT_EQ(OnPlayer(simplayer::kInternal), Names{"a.mp3"});
  EXPECT_EQ(OnPlayer(simplayer::kExternal), Names{"b.mp3"});
  EXPECT_EQ(
      plugin_fixture::PlayerBytes(Player(), simplayer::kExternal, "b.mp3"),
      "67890");
  plugin_fixture::ExpectCleanHost(*host);
}

} // namespace
