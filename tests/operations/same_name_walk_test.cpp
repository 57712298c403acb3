// A copy to the player reads each memory about once, instead of once per
// file sent. Whatever it reads, it must delete and send exactly what reading
// the memory before every file deletes and sends: the library's Delete and
// Download calls of both ways are compared, in order, on a copy that
// replaces files of the same name (two of them for one file, one sent
// earlier in the same copy), keeps existing files, and runs the internal
// memory full and goes on on the card, where a file of the same name waits.
#include "device/device_link.h"
#include "operations/copy_to_device.h"
#include "operations/device_name_index.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

using plugin_fixture::CallsTo;
using testing_support::TempDir;

std::deque<int> answers;

int WINAPI Message(int, DWORD, const char *, const char *const *, int,
                   int buttons) {
  if (buttons == 0 || answers.empty())
    return buttons == 0 ? -1 : 0;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}
const char *WINAPI GetMsg(int, int) {
  return "text";
}
HANDLE WINAPI SaveScreen(int, int, int, int) {
  return reinterpret_cast<HANDLE>(1);
}
void WINAPI RestoreScreen(HANDLE) {}
void WINAPI Text(int, int, int, const char *) {}

struct PcFile {
  const char *path; // below the source folder
  size_t size;
};
// In item order; "sub" and "sub2" are selected folders.
const PcFile kPcFiles[] = {
    {"a.mp3", 100},   {"B.MP3", 100}, {"X.MP3", 100},       {"sub\\A.MP3", 100},
    {"BIG.MP3", 900}, {"D.MP3", 50},  {"sub2\\x.mp3", 100},
};
const char *const kItems[] = {"a.mp3",   "B.MP3", "X.MP3", "sub",
                              "BIG.MP3", "D.MP3", "sub2"};

struct PlayerFile {
  int memory;
  const char *name;
  size_t size;
};
const PlayerFile kPlayerFiles[] = {
    {davu::MEM_INTERNAL, "A.MP3", 100},  {davu::MEM_INTERNAL, "b.mp3", 100},
    {davu::MEM_INTERNAL, "C.MP3", 100},  {davu::MEM_INTERNAL, "B.mp3", 100},
    {davu::MEM_EXTERNAL, "BIG.MP3", 50}, {davu::MEM_EXTERNAL, "D.mp3", 50},
};

struct Case {
  const char *name;
  int confirmation; // button of the copy box: 0 replace, 1 keep existing
};
const Case kCases[] = {{"replace", 0}, {"keep existing", 1}};

class SameNameWalkTest : public ::testing::TestWithParam<Case> {
protected:
  static void SetUpTestSuite() {
    plugin = new TempDir;
    ASSERT_TRUE(farhost::MakePluginFolder(plugin->Path()));
    davu::Device().Bind(plugin->Path().c_str());
    ASSERT_EQ(davu::Device().LoadStage, davu::LS_BOUND);
  }
  static void TearDownTestSuite() { plugin_fixture::StopPlayer(); }

  void SetUp() override {
    farapi::PluginStartupInfo &info = davu::HostInfo;
    info = farapi::PluginStartupInfo{};
    info.StructSize = sizeof info;
    info.Message = Message;
    info.GetMsg = GetMsg;
    info.SaveScreen = SaveScreen;
    info.RestoreScreen = RestoreScreen;
    info.Text = Text;
    CreateDirectoryA((source / "sub").c_str(), nullptr);
    CreateDirectoryA((source / "sub2").c_str(), nullptr);
    for (const PcFile &file : kPcFiles)
      ASSERT_TRUE(testing_support::WriteFileBytes(source / file.path,
                                                  std::string(file.size, 'p')));
  }
  void TearDown() override { davu::UsePerFileWalk(false); }

  // The internal memory holds 600 bytes, so the big file does not fit
  // after the first three; the card has room.
  void FreshPlayer() {
    ASSERT_TRUE(plugin_fixture::StartPlayer(store.Path(), 600, 4096));
    for (const PlayerFile &file : kPlayerFiles)
      ASSERT_TRUE(plugin_fixture::PutOnPlayer(
          store.Path(), file.memory, file.name, std::string(file.size, 'o'),
          simplayer::CurrentTimes()));
    simplayer::ClearCallLog(store.Path());
  }

  // One copy of every item; the library calls it made, but the directory
  // calls (and the window handle), as "method args -> result".
  std::vector<std::string> Copy(bool perFileWalk, int *walks) {
    FreshPlayer();
    davu::UsePerFileWalk(perFileWalk);
    std::vector<farapi::PluginPanelItem> items;
    for (const char *name : kItems) {
      farapi::PluginPanelItem item{};
      WIN32_FILE_ATTRIBUTE_DATA data;
      EXPECT_TRUE(GetFileAttributesExA((source / name).c_str(),
                                       GetFileExInfoStandard, &data));
      item.FindData.dwFileAttributes = data.dwFileAttributes;
      item.FindData.nFileSizeLow = data.nFileSizeLow;
      snprintf(item.FindData.cFileName, sizeof item.FindData.cFileName, "%s",
               name);
      items.push_back(item);
    }
    davu::PanelSession session;
    answers = {GetParam().confirmation, 1}; // then: go on on the other memory
    SetCurrentDirectoryA(source.Path().c_str());
    EXPECT_EQ(davu::PutFilesImpl(&session, items.data(),
                                 static_cast<int>(items.size()), 0, 0),
              1);
    SetCurrentDirectoryA(store.Path().c_str());
    EXPECT_TRUE(answers.empty()) << "both boxes were shown";

    std::vector<std::string> calls;
    *walks = 0;
    for (const simplayer::CallRecord &call : CallsTo(store.Path(), "")) {
      if (call.method.compare(0, 4, "Find") == 0) {
        *walks += call.method.compare(0, 9, "FindFirst") == 0;
        continue;
      }
      if (call.method != "Delete" && call.method != "Download")
        continue;
      std::string line = call.method;
      for (const std::string &arg : call.args)
        line += " " + arg;
      calls.push_back(line + " -> " + call.result);
    }
    return calls;
  }

  static TempDir *plugin;
  TempDir store, source;
};

TempDir *SameNameWalkTest::plugin = nullptr;

TEST_P(SameNameWalkTest, DeletesAndSendsAsAWalkPerFile) {
  int walksPerFile = 0, walksOnce = 0;
  std::vector<std::string> perFile = Copy(true, &walksPerFile);
  std::vector<std::string> once = Copy(false, &walksOnce);
  EXPECT_EQ(once, perFile);

  // Not a trivial equality: the case did send, delete (when replacing) and
  // switch memories, and the index read far less.
  auto has = [&](const std::string &prefix) {
    for (const std::string &call : perFile)
      if (call.compare(0, prefix.size(), prefix) == 0)
        return true;
    return false;
  };
  EXPECT_TRUE(has("Download 1 ")) << "went on on the card";
  EXPECT_EQ(has("Delete 0 "), GetParam().confirmation == 0);
  EXPECT_EQ(has("Delete 1 "), GetParam().confirmation == 0);
  // Internal once, again for the file sent earlier under that name, and
  // the card once; when replacing, once more on each memory for the new
  // files to take the places of the old ones in the play order.
  EXPECT_LE(walksOnce, GetParam().confirmation == 0 ? 5 : 3);
  EXPECT_GT(walksPerFile, walksOnce);
}

INSTANTIATE_TEST_SUITE_P(Cases, SameNameWalkTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) {
                           std::string name = info.param.name;
                           for (char &c : name)
                             if (c == ' ')
                               c = '_';
                           return name;
                         });

} // namespace
