// Copy and move from the PC to the player through the real DAVUman.dll, the
// simulated player and the substitute host, with real PC folders.
#include "device/device_link.h"
#include "services/messages.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// Confirmation buttons of the copy and move questions.
constexpr int kGoOn = 0;
constexpr int kKeepExisting = 1;
constexpr int kPlaylists = 2;
// Buttons of the free-space warning.
constexpr int kSwitchWhenFull = 1;

using plugin_fixture::Bare;

bool MakeFolder(const std::string &path) {
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

void WriteSetting(const std::string &root, const char *name,
                  const std::string &text) {
  ASSERT_TRUE(testing_support::WriteRegistryValue(root + "\\DAVU Manager\\",
                                                  name, text));
}

class PutFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
    registryRoot = testing_support::UniqueRegistryRoot("toplayer");
    ASSERT_TRUE(plugin_fixture::StartPlayer(Bare(playerDir), 1000000, 1000000));
  }
  void TearDown() override {
    host.reset();
    plugin_fixture::StopPlayer();
    testing_support::DeleteRegistryTree(registryRoot);
  }

  // Loads the plug-in with the given extension lists and opens its panel
  // on the PC folder `pc`.
  void Open(const char *curDirExt = nullptr, const char *subDirExt = nullptr) {
    if (curDirExt)
      WriteSetting(registryRoot, "CurDirExt", curDirExt);
    if (subDirExt)
      WriteSetting(registryRoot, "SubDirExt", subDirExt);
    ASSERT_TRUE(
        plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
    ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
    ASSERT_TRUE(host->SetPcFolder(Bare(pc)));
    host->ClearRecords(); // the connecting box is not this operation's
  }

  void Pc(const std::string &name, const std::string &bytes) {
    ASSERT_TRUE(WriteFileBytes(pc / name, bytes));
  }
  void SelectPc(std::initializer_list<const char *> names) {
    host->RereadPc();
    for (const char *name : names)
      ASSERT_TRUE(host->SelectPc(name, true)) << name;
  }
  // Copies or moves the PC selection after answering the confirmation.
  int Put(bool move, int answer = kGoOn, int opMode = 0) {
    if (!(opMode & farapi::OPM_SILENT))
      host->QueueAnswer(answer);
    return host->CopyFromPc(move, opMode);
  }

  simplayer::PlayerStore Store() {
    return plugin_fixture::ReadPlayer(Bare(playerDir));
  }
  void SaveStore(const simplayer::PlayerStore &store) {
    plugin_fixture::WritePlayer(store);
  }
  // The memories start empty, so the capacity is the free space.
  void SetFreeSpace(int memory, uint32_t bytes) {
    plugin_fixture::ChangePlayer(Bare(playerDir),
                                 [&](simplayer::PlayerStore &store) {
                                   store.memories[memory].capacity = bytes;
                                 });
  }
  void OnPlayerAlready(int memory, const std::string &name,
                       const std::string &bytes) {
    ASSERT_TRUE(plugin_fixture::PutOnPlayer(Bare(playerDir), memory, name,
                                            bytes, simplayer::CurrentTimes()));
  }
  void FailDownloadCall(int nth, int result) {
    plugin_fixture::ChangePlayer(Bare(playerDir),
                                 [&](simplayer::PlayerStore &store) {
                                   simplayer::FailRule rule;
                                   rule.method = "Download";
                                   rule.nth = nth;
                                   rule.result = result;
                                   store.config.failRules.push_back(rule);
                                 });
  }
  // Small chunks at a low rate: every file draws several progress boxes.
  void SlowTransfers() {
    plugin_fixture::ChangePlayer(Bare(playerDir),
                                 [](simplayer::PlayerStore &store) {
                                   store.config.chunkSize = 4;
                                   store.config.bytesPerSecond = 400;
                                 });
  }
  std::vector<std::string> OnPlayer(int memory) {
    std::vector<std::string> names =
        plugin_fixture::PlayerNames(Bare(playerDir), memory);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string PlayerBytes(int memory, const std::string &name) {
    return plugin_fixture::PlayerBytes(Bare(playerDir), memory, name);
  }
  // The boxes other than the progress box, with their first text item.
  std::vector<std::string> BoxTexts() {
    return plugin_fixture::BoxTexts(*host);
  }
  std::string Msg(int id) { return host->Language().messages.at(id); }
  std::vector<std::string> ProgressItemLines() {
    return plugin_fixture::ProgressItemLines(*host);
  }
  void ExpectCleanHost() { plugin_fixture::ExpectCleanHost(*host); }

  TempDir pluginDir, playerDir, pc;
  std::string registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
};

using Names = std::vector<std::string>;

// --- extension lists of the selected files

TEST_F(PutFilesTest, WildcardListSendsEverySelectedFile) {
  Open(".*;");
  Pc("a.mp3", "aaa");
  Pc("notes.txt", "text");
  Pc("noext", "n");
  SelectPc({"a.mp3", "notes.txt", "noext"});
  EXPECT_EQ(Put(false), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL),
            (Names{"a.mp3", "noext", "notes.txt"}));
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, "notes.txt"), "text");
  EXPECT_TRUE(FileExists(pc / "a.mp3")) << "a copy keeps the sources";
  ExpectCleanHost();
}

TEST_F(PutFilesTest, ListWithoutWildcardSendsOnlyMatchingExtensions) {
  Open(".mp3; .ogg");
  Pc("a.mp3", "a");
  Pc("B.MP3", "b");
  Pc("c.ogg", "c"); // ".ogg" lacks its semicolon in the list
  Pc("d.wav", "d");
  SelectPc({"a.mp3", "B.MP3", "c.ogg", "d.wav"});
  EXPECT_EQ(Put(false), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"B.MP3", "a.mp3"}));
  EXPECT_EQ(session->ItemCount, 2);
}

// --- folders

class FolderPut : public PutFilesTest {
protected:
  void MakeAlbum() {
    album = pc / "album";
    ASSERT_TRUE(MakeFolder(album));
    ASSERT_TRUE(MakeFolder(album + "\\cd1"));
    ASSERT_TRUE(MakeFolder(album + "\\cd1\\extra"));
    ASSERT_TRUE(MakeFolder(album + "\\cd2"));
    ASSERT_TRUE(WriteFileBytes(album + "\\one.mp3", "1111"));
    ASSERT_TRUE(WriteFileBytes(album + "\\cover.jpg", "jpg"));
    ASSERT_TRUE(WriteFileBytes(album + "\\cd1\\two.WMA", "22"));
    ASSERT_TRUE(WriteFileBytes(album + "\\cd1\\extra\\three.mp3", "333"));
    ASSERT_TRUE(WriteFileBytes(album + "\\cd2\\four.mp3", "4"));
    ASSERT_TRUE(WriteFileBytes(album + "\\cd2\\readme.txt", "txt"));
  }
  std::string album;
};

TEST_F(FolderPut, DefaultListSendsMp3AndWmaAtAnyDepth) {
  Open();
  MakeAlbum();
  SelectPc({"album"});
  EXPECT_EQ(Put(false), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL),
            (Names{"four.mp3", "one.mp3", "three.mp3", "two.WMA"}));
  EXPECT_EQ(session->ItemCount, 4);
  EXPECT_EQ(session->ItemNumber, 4);
  ExpectCleanHost();
}

TEST_F(FolderPut, MoveDeletesWhatWentAndRemovesFoldersLeftEmpty) {
  Open();
  MakeAlbum();
  SelectPc({"album"});
  EXPECT_EQ(Put(true), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL).size(), 4u);
  EXPECT_FALSE(FileExists(album + "\\one.mp3"));
  EXPECT_FALSE(FileExists(album + "\\cd2\\four.mp3"));
  EXPECT_FALSE(FileExists(album + "\\cd1")) << "emptied, so removed";
  EXPECT_TRUE(FileExists(album + "\\cover.jpg"));
  EXPECT_TRUE(FileExists(album + "\\cd2\\readme.txt"));
  EXPECT_TRUE(FileExists(album)) << "still holds files";
  ExpectCleanHost();
}

// --- playlists

TEST_F(PutFilesTest, PlaylistModeSendsOnlyWhatPlaylistsName) {
  Open();
  ASSERT_TRUE(MakeFolder(pc / "lists"));
  ASSERT_TRUE(MakeFolder(pc / "songs"));
  ASSERT_TRUE(WriteFileBytes(pc / "lists\\x.mp3", "xx"));
  ASSERT_TRUE(WriteFileBytes(pc / "lists\\y.mp3", "yyy"));
  ASSERT_TRUE(WriteFileBytes(pc / "songs\\z.mp3", "z"));
  // Bare names from the playlist's folder, the last line without newline.
  ASSERT_TRUE(WriteFileBytes(pc / "lists\\mix.m3u",
                             "#EXTM3U\nx.mp3\n\n..\\songs\\z.mp3\ny.mp3"));
  Pc("loose.mp3", "loose");
  SelectPc({"lists", "loose.mp3"});
  EXPECT_EQ(Put(true, kPlaylists), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"x.mp3", "y.mp3", "z.mp3"}));
  EXPECT_EQ(session->ItemCount, 3) << "the loose file is not counted";
  EXPECT_TRUE(FileExists(pc / "loose.mp3"));
  EXPECT_FALSE(FileExists(pc / "lists\\y.mp3"));
  EXPECT_FALSE(FileExists(pc / "songs\\z.mp3"));
  EXPECT_FALSE(FileExists(pc / "lists\\mix.m3u")) << "every entry went";
  ExpectCleanHost();
}

TEST_F(PutFilesTest, PlaylistLineWithAbsolutePathIsSentFromWhereItIs) {
  Open();
  TempDir elsewhere;
  ASSERT_TRUE(WriteFileBytes(elsewhere / "away.mp3", "away"));
  Pc("list.m3u", elsewhere / "away.mp3" + "\n");
  SelectPc({"list.m3u"});
  EXPECT_EQ(Put(true, kPlaylists), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"away.mp3"}));
  EXPECT_FALSE(FileExists(elsewhere / "away.mp3"));
}

// --- files of the same name on the player

TEST_F(PutFilesTest, SameNameInOtherCaseIsReplacedEveryTime) {
  OnPlayerAlready(davu::MEM_INTERNAL, "SONG.mp3", "old one");
  OnPlayerAlready(davu::MEM_INTERNAL, "song.MP3", "old two");
  OnPlayerAlready(davu::MEM_INTERNAL, "other.mp3", "other");
  Open();
  Pc("Song.mp3", "new");
  SelectPc({"Song.mp3"});
  EXPECT_EQ(Put(false), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"Song.mp3", "other.mp3"}));
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, "Song.mp3"), "new");
}

TEST_F(PutFilesTest, KeepExistingSkipsAndAMoveLeavesTheSkippedSource) {
  OnPlayerAlready(davu::MEM_INTERNAL, "SONG.MP3", "old");
  Open();
  Pc("song.mp3", "new");
  Pc("fresh.mp3", "fresh");
  SelectPc({"song.mp3", "fresh.mp3"});
  EXPECT_EQ(Put(true, kKeepExisting), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"SONG.MP3", "fresh.mp3"}));
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, "SONG.MP3"), "old");
  EXPECT_EQ(session->ItemNumber, 2) << "the skipped file still counts";
  EXPECT_TRUE(FileExists(pc / "song.mp3")) << "it never reached the player";
  EXPECT_FALSE(FileExists(pc / "fresh.mp3"));
}

TEST_F(PutFilesTest, MoveKeepsASourceReplacedByALaterFileOfTheSameName) {
  Open();
  ASSERT_TRUE(MakeFolder(pc / "a"));
  ASSERT_TRUE(MakeFolder(pc / "b"));
  ASSERT_TRUE(WriteFileBytes(pc / "a\\same.mp3", "from a"));
  ASSERT_TRUE(WriteFileBytes(pc / "b\\same.mp3", "from b"));
  SelectPc({"a", "b"});
  EXPECT_EQ(Put(true), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"same.mp3"}));
  std::string onPlayer = PlayerBytes(davu::MEM_INTERNAL, "same.mp3");
  // Whichever arrived last is on the player; the other stays on the PC.
  std::string survivor = onPlayer == "from a" ? "b" : "a";
  EXPECT_TRUE(FileExists(pc / (survivor + "\\same.mp3")));
  EXPECT_EQ(FileExists(pc / "a\\same.mp3") + FileExists(pc / "b\\same.mp3"), 1);
}

// --- free space and the switch of memory

TEST_F(PutFilesTest, TotalEqualToFreeSpaceGivesNoWarning) {
  SetFreeSpace(davu::MEM_INTERNAL, 10);
  Open();
  Pc("a.mp3", "12345");
  Pc("b.mp3", "12345");
  SelectPc({"a.mp3", "b.mp3"});
  EXPECT_EQ(Put(false), 1);
  EXPECT_EQ(BoxTexts(), (Names{Msg(16)}));
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL).size(), 2u);
}

TEST_F(PutFilesTest, LargerTotalWarnsAndDecliningSendsNothing) {
  SetFreeSpace(davu::MEM_INTERNAL, 9);
  Open();
  Pc("a.mp3", "12345");
  Pc("b.mp3", "12345");
  SelectPc({"a.mp3", "b.mp3"});
  host->QueueAnswer(kGoOn);
  host->QueueAnswer(-1); // Escape in the warning
  EXPECT_EQ(host->CopyFromPc(false), -1);
  EXPECT_EQ(BoxTexts(), (Names{Msg(16), Msg(15)}));
  EXPECT_TRUE(OnPlayer(davu::MEM_INTERNAL).empty());
  EXPECT_TRUE(host->ProgressBoxes().empty());
}

TEST_F(PutFilesTest, SwitchWhenFullStartsInternalAndResendsOnTheCard) {
  SetFreeSpace(davu::MEM_INTERNAL, 8);
  SetFreeSpace(davu::MEM_EXTERNAL, 9);
  Open();
  session->Memory = davu::MEM_EXTERNAL;
  Pc("a.mp3", "12345");
  Pc("b.mp3", "12345");
  Pc("c.mp3", "12345");
  SelectPc({"a.mp3", "b.mp3", "c.mp3"});
  host->QueueAnswer(kGoOn);
  host->QueueAnswer(kSwitchWhenFull);
  EXPECT_EQ(host->CopyFromPc(true), 0);
  // a fits the internal memory, b is refused there and goes to the card,
  // c is refused by the card too: no further switch; c is reported.
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3"}));
  EXPECT_EQ(OnPlayer(davu::MEM_EXTERNAL), (Names{"b.mp3"}));
  EXPECT_EQ(session->Memory, davu::MEM_EXTERNAL);
  Names texts = BoxTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], Msg(17));
  EXPECT_EQ(texts[1], Msg(15));
  EXPECT_EQ(host->Boxes().back().items.at(2),
            "c.mp3 (" + Msg(davu::MSG_REASON_MEMORY_FULL) + ")");
  EXPECT_FALSE(FileExists(pc / "a.mp3"));
  EXPECT_FALSE(FileExists(pc / "b.mp3"));
  EXPECT_TRUE(FileExists(pc / "c.mp3")) << "refused as full: stays";
  EXPECT_EQ(host->Model().title.find(Msg(27)) != std::string::npos, true);
  ExpectCleanHost();
}

TEST_F(PutFilesTest, SwitchWhenFullStaysInternalWhenEverythingFits) {
  SetFreeSpace(davu::MEM_INTERNAL, 10);
  SetFreeSpace(davu::MEM_EXTERNAL, 5);
  Open();
  session->Memory = davu::MEM_EXTERNAL;
  Pc("a.mp3", "12345");
  Pc("b.mp3", "12345");
  SelectPc({"a.mp3", "b.mp3"});
  host->QueueAnswer(kGoOn);
  host->QueueAnswer(kSwitchWhenFull);
  EXPECT_EQ(host->CopyFromPc(false), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL).size(), 2u);
  EXPECT_EQ(session->Memory, davu::MEM_INTERNAL);
}

// --- cancellation

class CancelPut : public PutFilesTest {
protected:
  void SetUp() override {
    PutFilesTest::SetUp();
    SlowTransfers();
  }
  void ExpectNothingDeleted(const std::vector<std::string> &paths) {
    for (const std::string &path : paths)
      EXPECT_TRUE(FileExists(path)) << path;
  }
};

TEST_F(CancelPut, EscapeBetweenFilesEndsTheMoveWithNothingDeleted) {
  Open();
  Pc("a.mp3", std::string(20, 'a'));
  Pc("b.mp3", std::string(20, 'b'));
  Pc("c.mp3", std::string(20, 'c'));
  SelectPc({"a.mp3", "b.mp3", "c.mp3"});
  host->PressEscapeAtProgress(2);
  EXPECT_EQ(Put(true), -1);
  EXPECT_LT(OnPlayer(davu::MEM_INTERNAL).size(), 3u);
  ExpectNothingDeleted({pc / "a.mp3", pc / "b.mp3", pc / "c.mp3"});
  ExpectCleanHost();
}

TEST_F(CancelPut, EscapeInsideAFolderWalk) {
  Open();
  ASSERT_TRUE(MakeFolder(pc / "dir"));
  for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
    ASSERT_TRUE(WriteFileBytes(pc / "dir\\" + name, std::string(20, 'x')));
  Pc("after.mp3", "after");
  SelectPc({"dir", "after.mp3"});
  host->PressEscapeAtProgress(2);
  EXPECT_EQ(Put(true), -1);
  EXPECT_LT(OnPlayer(davu::MEM_INTERNAL).size(), 4u);
  for (const std::string &name : OnPlayer(davu::MEM_INTERNAL))
    EXPECT_NE(name, "after.mp3");
  ExpectNothingDeleted({pc / "dir\\a.mp3", pc / "dir\\b.mp3", pc / "dir\\c.mp3",
                        pc / "dir\\d.mp3", pc / "after.mp3"});
  ExpectCleanHost();
}

TEST_F(CancelPut, EscapeInsideAPlaylist) {
  Open();
  for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
    Pc(name, std::string(20, 'x'));
  Pc("list.m3u", "a.mp3\nb.mp3\nc.mp3\nd.mp3\n");
  SelectPc({"list.m3u"});
  host->PressEscapeAtProgress(2);
  EXPECT_EQ(Put(true, kPlaylists), -1);
  EXPECT_LT(OnPlayer(davu::MEM_INTERNAL).size(), 4u);
  ExpectNothingDeleted({pc / "a.mp3", pc / "b.mp3", pc / "c.mp3", pc / "d.mp3",
                        pc / "list.m3u"});
  ExpectCleanHost();
}

TEST_F(CancelPut, ProgressLinesNameEachFileAsItIsReached) {
  Open();
  ASSERT_TRUE(MakeFolder(pc / "dir"));
  ASSERT_TRUE(WriteFileBytes(pc / "dir\\in.mp3", std::string(16, 'i')));
  Pc("top.mp3", std::string(16, 't'));
  SelectPc({"dir", "top.mp3"});
  EXPECT_EQ(Put(false), 1);
  std::vector<farhost::MessageRecord> boxes = host->ProgressBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.front().items.at(0), "Download");
  // A file inside a selected folder shows by its path from the source
  // folder, however long the source folder's own path.
  EXPECT_EQ(ProgressItemLines(), (Names{"Downloading(1 of 2): dir\\in.mp3",
                                        "Downloading(2 of 2): top.mp3"}));
}

// --- calls with little or nothing to do

TEST_F(PutFilesTest, NothingToSendIsSaidAndNothingChanges) {
  // No item at all; a file the extension lists keep out; an empty folder.
  const struct {
    const char *name;
    const char *selected;
  } cases[] = {{"none", nullptr}, {"filtered", "a.txt"}, {"empty", "empty"}};
  Pc("a.txt", "a");
  ASSERT_TRUE(CreateDirectoryA((pc / "empty").c_str(), nullptr));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Open(".mp3;");
    int result;
    if (c.selected) {
      SelectPc({c.selected});
      result = Put(true);
    } else {
      host->QueueAnswer(kGoOn);
      result = host->CallPutFiles({}, true, 0);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(BoxTexts(), (Names{Msg(17), Msg(davu::MSG_NOTHING_TO_SEND)}));
    EXPECT_TRUE(host->Screens().empty());
    EXPECT_TRUE(OnPlayer(davu::MEM_INTERNAL).empty());
    EXPECT_TRUE(FileExists(pc / "a.txt"));
    EXPECT_TRUE(FileExists(pc / "empty"));
    ExpectCleanHost();
    host.reset();
  }
}

TEST_F(PutFilesTest, SilentCopyAsksNothingAndReplaces) {
  OnPlayerAlready(davu::MEM_INTERNAL, "a.mp3", "old");
  Open();
  Pc("a.mp3", "new");
  SelectPc({"a.mp3"});
  EXPECT_EQ(Put(false, kGoOn, farapi::OPM_SILENT), 1);
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, "a.mp3"), "new");
}

TEST_F(PutFilesTest, DeclinedConfirmationSendsNothing) {
  Open();
  Pc("a.mp3", "a");
  SelectPc({"a.mp3"});
  EXPECT_EQ(Put(true, 4), -1);
  EXPECT_EQ(Put(true, -1), -1);
  EXPECT_TRUE(OnPlayer(davu::MEM_INTERNAL).empty());
  EXPECT_TRUE(FileExists(pc / "a.mp3"));
}

TEST_F(PutFilesTest, FailedSendIsNotDeletedByAMove) {
  Open();
  Pc("a.mp3", "a");
  Pc("b.mp3", "b");
  FailDownloadCall(1, simplayer::kResultIoError); // a.mp3 goes first
  SelectPc({"a.mp3", "b.mp3"});
  EXPECT_EQ(Put(true), 0);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"b.mp3"}));
  EXPECT_TRUE(FileExists(pc / "a.mp3"));
  EXPECT_FALSE(FileExists(pc / "b.mp3"));
}

// --- names in the player's code page

TEST_F(PutFilesTest, HighByteNameArrivesConvertedAndThePcFileKeepsItsName) {
  Open();
  const std::string pcName = "\xC0\xE1\xE2.mp3";
  // Created through the wide API in the code page the file APIs now use, so
  // that the name is exactly these bytes to every ANSI call.
  UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
  std::string full = pc / pcName;
  wchar_t wide[MAX_PATH] = {};
  ASSERT_GT(MultiByteToWideChar(codePage, 0, full.c_str(), -1, wide, MAX_PATH),
            0);
  HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "song", 4, &written, nullptr);
  CloseHandle(file);
  host->RereadPc();
  ASSERT_TRUE(host->SelectPc(pcName, true));
  EXPECT_EQ(Put(false), 1);
  Names names = OnPlayer(davu::MEM_INTERNAL);
  ASSERT_EQ(names.size(), 1u);
  char converted[64];
  // The plug-in's table as the language file holds it.
  const std::string &table = host->Language().messages.at(56);
  ASSERT_EQ(table.size(), 128u);
  snprintf(converted, sizeof converted, "%c%c%c.mp3", table[0xC0 - 128],
           table[0xE1 - 128], table[0xE2 - 128]);
  ASSERT_NE(std::string(converted), pcName) << "the table must change it";
  EXPECT_EQ(names[0], converted);
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, converted), "song");
  EXPECT_TRUE(FileExists(pc / pcName));
}

} // namespace
