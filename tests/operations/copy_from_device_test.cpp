// Copying and moving files from the player into a PC folder.
#include "operations/failure_summary.h"
#include "services/messages.h"
#include "tests/operations/from_player_fixture.h"

namespace from_player {
namespace {

using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

constexpr int kGoOn = 0;
constexpr int kKeepExisting = 1;
constexpr int kCancel = 2;

class GetFilesTest : public FromPlayerTest {
protected:
  std::string Dest(const std::string &name) const { return pc + "\\" + name; }
  // Through the file APIs, whose code page the host has set, as the
  // plug-in names its files.
  std::string DestBytes(const std::string &name) const {
    std::string bytes;
    if (!testing_support::ReadThroughFileApis(Dest(name), &bytes))
      return "<missing>";
    return bytes;
  }
  bool WriteDest(const std::string &name, const std::string &bytes) const {
    return testing_support::WriteThroughFileApis(Dest(name), bytes);
  }
  FILETIME WriteTime(const std::string &path) const {
    FILETIME time{};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
      time = data.ftLastWriteTime;
    return time;
  }
  // An existing read-only file with a write time of its own.
  void ReadOnlyInDest(const std::string &name, const std::string &bytes) {
    ASSERT_TRUE(WriteFileBytes(Dest(name), bytes));
    ASSERT_TRUE(
        SetFileAttributesA(Dest(name).c_str(), FILE_ATTRIBUTE_READONLY));
  }
  int Copy(bool move, int answer, int opMode = 0) {
    if (!(opMode & farapi::OPM_SILENT))
      host->QueueAnswer(answer);
    return host->CopyToPc(move, opMode);
  }
};

bool SameTime(const FILETIME &a, const FILETIME &b) {
  return a.dwLowDateTime == b.dwLowDateTime &&
         a.dwHighDateTime == b.dwHighDateTime;
}

TEST_F(GetFilesTest, ReplacesAReadOnlyFileWithThePlayersCopyAndTime) {
  OnPlayer(simplayer::kInternal, "Song.mp3", "player bytes");
  Open();
  ReadOnlyInDest("Song.mp3", "old");
  host->RereadPc();
  ASSERT_TRUE(SelectOnly({"Song.mp3"}));
  FILETIME playerTime = Item("Song.mp3").FindData.ftLastWriteTime;
  EXPECT_EQ(Copy(false, kGoOn), 1);

  EXPECT_EQ(DestBytes("Song.mp3"), "player bytes");
  EXPECT_EQ(GetFileAttributesA(Dest("Song.mp3").c_str()),
            DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_TRUE(SameTime(WriteTime(Dest("Song.mp3")), playerTime));
  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{"Song.mp3"});

  auto boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].flags, 0u);
  EXPECT_EQ(boxes[0].helpTopic, "Uploading");
  EXPECT_EQ(boxes[0].items,
            MsgTexts({davu::MSG_WARNING_TITLE, davu::MSG_COPY_FROM_PLAYER,
                      davu::MSG_BTN_COPY, davu::MSG_BTN_COPY_KEEP,
                      davu::MSG_CANCEL}));
  EXPECT_EQ(boxes[0].buttons, 3);
  ASSERT_FALSE(host->ProgressBoxes().empty());
  EXPECT_EQ(host->ProgressBoxes()[0].items[0], "Upload");
  EXPECT_EQ(ProgressItemLines(), Names{"Uploading(1 of 1): Song.mp3"});
  ExpectCleanHost();
}

TEST_F(GetFilesTest, KeepExistingLeavesTheFileUntouched) {
  OnPlayer(simplayer::kInternal, "Song.mp3", "player bytes");
  Open();
  ReadOnlyInDest("Song.mp3", "old");
  FILETIME before = WriteTime(Dest("Song.mp3"));
  ASSERT_TRUE(SelectOnly({"Song.mp3"}));
  EXPECT_EQ(Copy(false, kKeepExisting), 1);

  EXPECT_EQ(DestBytes("Song.mp3"), "old");
  EXPECT_EQ(GetFileAttributesA(Dest("Song.mp3").c_str()) &
                FILE_ATTRIBUTE_READONLY,
            DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_TRUE(SameTime(WriteTime(Dest("Song.mp3")), before));
  EXPECT_TRUE(Calls("Upload").empty());
  EXPECT_EQ(session->Options, uint32_t{davu::PSO_KEEPEXISTING});
  ExpectCleanHost();
}

TEST_F(GetFilesTest, NameWithHighBytesEndsUnderItsPcName) {
  const std::string playerName = "\x80\x81 song.mp3";
  OnPlayer(simplayer::kInternal, playerName, "high bytes");
  Open();
  ASSERT_EQ(host->Model().entries.size(), 2u); // ".." and the file
  std::string pcName = host->Model().entries[1].Name();
  ASSERT_NE(pcName, playerName); // the tables do convert these bytes
  ASSERT_TRUE(SelectOnly({pcName}));
  EXPECT_EQ(Copy(false, kGoOn), 1);

  EXPECT_EQ(DestBytes(pcName), "high bytes");
  EXPECT_FALSE(FileExists(Dest(playerName)));
  EXPECT_EQ(testing_support::ListFolder(pc + "\\"), Names{pcName});
  ExpectCleanHost();
}

TEST_F(GetFilesTest, FailedUploadLeavesAFileOfThePlayersSpellingAlone) {
  const std::string playerName = "\x80\x81 song.mp3";
  uint16_t index = OnPlayer(simplayer::kInternal, playerName, "high bytes");
  FailUploadOf(index);
  Open();
  std::string pcName = host->Model().entries.at(1).Name();
  ASSERT_NE(pcName, playerName);
  // A PC file that happens to bear the player's spelling of the name.
  ASSERT_TRUE(WriteDest(playerName, "unrelated"));
  ASSERT_TRUE(SelectOnly({pcName}));
  EXPECT_EQ(Copy(true, kGoOn), 0);

  EXPECT_EQ(DestBytes(playerName), "unrelated");
  EXPECT_EQ(DestBytes(pcName), "<missing>");
  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{playerName});
  ExpectCleanHost();
}

TEST_F(GetFilesTest, MoveDeletesExactlyTheCopiedFiles) {
  OnPlayer(simplayer::kInternal, "A.mp3", "player A");
  OnPlayer(simplayer::kInternal, "B.mp3", "player B");
  uint16_t failing = OnPlayer(simplayer::kInternal, "C.mp3", "player C");
  FailUploadOf(failing);
  Open();
  ASSERT_TRUE(WriteFileBytes(Dest("B.mp3"), "pc B"));
  ASSERT_TRUE(SelectOnly({"A.mp3", "B.mp3", "C.mp3"}));
  EXPECT_EQ(Copy(true, kKeepExisting), 0);

  EXPECT_EQ(DestBytes("A.mp3"), "player A");
  EXPECT_EQ(DestBytes("B.mp3"), "pc B");
  EXPECT_FALSE(FileExists(Dest("C.mp3")));
  // Kept because the PC had its own B, and because C never arrived.
  EXPECT_EQ(PlayerNames(simplayer::kInternal), (Names{"B.mp3", "C.mp3"}));
  EXPECT_EQ(Calls("Delete").size(), 1u);
  // The move's question is a warning, with its own buttons.
  auto boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  // Then the one box that tells what did not go.
  EXPECT_EQ(
      boxes[1].items,
      (Names{Msg(davu::MSG_FAILED_TITLE),
             davu::FailedCountLine(Msg(davu::MSG_FAILED_COUNT).c_str(), 1, 3),
             davu::FailedNameLine("C.mp3",
                                  Msg(davu::MSG_REASON_NO_ANSWER).c_str()),
             Msg(davu::MSG_OK)}));
  // Only the file that did not go stays selected.
  Names selected;
  for (const farhost::PanelEntry &entry : host->Model().entries)
    if (entry.Selected())
      selected.push_back(entry.Name());
  EXPECT_EQ(selected, Names{"C.mp3"});
  EXPECT_EQ(boxes[0].flags, DWORD{farapi::FMSG_WARNING});
  EXPECT_EQ(boxes[0].items,
            MsgTexts({davu::MSG_WARNING_TITLE, davu::MSG_MOVE_FROM_PLAYER,
                      davu::MSG_BTN_MOVE, davu::MSG_BTN_MOVE_KEEP,
                      davu::MSG_CANCEL}));
  EXPECT_EQ(ProgressItemLines().back(), "Deleting(1 of 1): A.mp3");
  ExpectCleanHost();
}

TEST_F(GetFilesTest, MoveWithReplaceDeletesEveryCopiedFile) {
  OnPlayer(simplayer::kInternal, "A.mp3", "player A");
  OnPlayer(simplayer::kInternal, "B.mp3", "player B");
  Open();
  ASSERT_TRUE(WriteFileBytes(Dest("B.mp3"), "pc B"));
  ASSERT_TRUE(SelectOnly({"A.mp3", "B.mp3"}));
  EXPECT_EQ(Copy(true, kGoOn), 1);
  EXPECT_EQ(DestBytes("A.mp3"), "player A");
  EXPECT_EQ(DestBytes("B.mp3"), "player B");
  EXPECT_TRUE(PlayerNames(simplayer::kInternal).empty());
  ExpectCleanHost();
}

TEST_F(GetFilesTest, EscapeMidCopyRestoresTheFolderAndDeletesNothing) {
  for (const char *name : {"1.mp3", "2.mp3", "3.mp3"})
    OnPlayer(simplayer::kInternal, name, std::string(300, 'x'));
  Chunks(100);
  Open();
  ASSERT_TRUE(SelectOnly({"1.mp3", "2.mp3", "3.mp3"}));
  std::string before = CurrentFolder();
  host->PressEscapeAtProgress(2);
  EXPECT_EQ(Copy(true, kGoOn), -1);

  EXPECT_EQ(CurrentFolder(), before);
  EXPECT_EQ(PlayerNames(simplayer::kInternal),
            (Names{"1.mp3", "2.mp3", "3.mp3"}));
  EXPECT_TRUE(Calls("Delete").empty());
  EXPECT_EQ(Calls("Upload").size(), 1u);
  // The file cut short by the cancellation is not left as if copied.
  EXPECT_TRUE(testing_support::ListFolder(pc + "\\").empty());
  EXPECT_EQ(session->FindCancelled, 0);
  ExpectCleanHost();
}

TEST_F(GetFilesTest, CancelledSearchCopyRefusesSearchCopiesUntilReset) {
  OnPlayer(simplayer::kInternal, "A.mp3", std::string(300, 'a'));
  Chunks(100);
  Open();
  // A search that is not silent asks first and watches Escape itself.
  const int search = farapi::OPM_FIND;
  auto items = Items({"A.mp3"});
  host->QueueAnswer(kGoOn);
  host->PressEscapeAtProgress(0); // quiet: no box is drawn to wait for
  EXPECT_EQ(host->CallGetFiles(items, false, pc, search), -1);
  EXPECT_EQ(session->FindCancelled, 1);
  EXPECT_TRUE(host->ProgressBoxes().empty());

  simplayer::ClearCallLog(Bare(playerDir.Path()));
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(host->CallGetFiles(items, false, pc, search), -1);
  EXPECT_TRUE(Calls("Upload").empty());
  EXPECT_EQ(session->FindCancelled, 1);

  // A copy of the user's own clears the mark; so does any key.
  EXPECT_EQ(host->CallGetFiles(items, false, pc, farapi::OPM_SILENT), 1);
  EXPECT_EQ(session->FindCancelled, 0);
  host->QueueAnswer(kGoOn);
  host->PressEscapeAtProgress(0);
  EXPECT_EQ(host->CallGetFiles(items, false, pc, search), -1);
  EXPECT_EQ(session->FindCancelled, 1);
  if (host->Api().ProcessKey) {
    host->CallProcessKey('A', 0);
    EXPECT_EQ(session->FindCancelled, 0);
  }
  // Keys typed into the console of a process started without one make
  // Wine start a thread of its own that stays; the progress windows are
  // checked to be gone all the same.
  threadsAtOpen = ThreadsOfThisProcess();
  ExpectCleanHost();
}

TEST_F(GetFilesTest, SearchAndQuickViewCopiesLeaveScreenAndKeysToTheHost) {
  OnPlayer(simplayer::kInternal, "A.mp3", std::string(300, 'a'));
  Chunks(100);
  Open();
  // {mode, unseen}: FAR's search and quick view own the screen and the
  // keyboard; its viewer (F3) gets the progress box and Escape as ever.
  const struct {
    int mode;
    bool unseen;
  } cases[] = {
      {farapi::OPM_SILENT | farapi::OPM_FIND, true},
      {farapi::OPM_SILENT | farapi::OPM_VIEW | farapi::OPM_QUICKVIEW, true},
      {farapi::OPM_SILENT | farapi::OPM_VIEW, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.mode);
    host->ClearRecords();
    DeleteFileA((pc + "\\A.mp3").c_str());
    // Typed while the file comes over; Escape only where it is FAR's.
    std::vector<int> typed = {VK_HOME, VK_DOWN};
    if (c.unseen)
      typed.push_back(VK_ESCAPE);
    for (int key : typed)
      ASSERT_TRUE(farhost::InjectKey(key));
    EXPECT_EQ(host->CallGetFiles(Items({"A.mp3"}), false, pc, c.mode), 1);
    EXPECT_EQ(DestBytes("A.mp3"), std::string(300, 'a'));
    EXPECT_EQ(host->TakeKeysLeft(), typed);
    EXPECT_EQ(host->Screens().empty(), c.unseen);
    EXPECT_EQ(host->ProgressBoxes().empty(), c.unseen);
    EXPECT_TRUE(host->Boxes().empty());
    EXPECT_EQ(session->FindCancelled, 0);
  }
  // Keys typed into the console of a process started without one make
  // Wine start a thread of its own that stays; the progress windows are
  // checked to be gone all the same.
  threadsAtOpen = ThreadsOfThisProcess();
  ExpectCleanHost();
}

TEST_F(GetFilesTest, DestinationOf3071CharactersIsTheLongestAccepted) {
  Open();
  std::string accepted = "C:\\" + std::string(3071 - 3, 'd');
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(host->CallGetFiles({}, false, accepted, 0), 1);
  EXPECT_EQ(host->Boxes().size(), 1u);

  host->ClearRecords();
  session->Options = davu::PSO_KEEPEXISTING;
  EXPECT_EQ(host->CallGetFiles({}, false, accepted + "d", 0), -1);
  EXPECT_TRUE(host->Boxes().empty());
  EXPECT_TRUE(host->Screens().empty());
  EXPECT_EQ(session->Options, uint32_t{davu::PSO_KEEPEXISTING});
  ExpectCleanHost();
}

TEST_F(GetFilesTest, NoItemsAndDeclinedCopies) {
  OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  Open();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(host->CallGetFiles({}, true, pc, 0), 1);
  EXPECT_TRUE(host->ProgressBoxes().empty());
  // A thread for the copy and one for the deletion of nothing.
  EXPECT_EQ(Calls("SetProgressWindow").size(), 2u);

  host->ClearRecords();
  for (int answer : {kCancel, -1}) {
    host->QueueAnswer(answer);
    EXPECT_EQ(host->CallGetFiles(Items({"A.mp3"}), true, pc, 0), -1);
  }
  EXPECT_TRUE(host->Screens().empty());
  EXPECT_FALSE(FileExists(Dest("A.mp3")));
  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{"A.mp3"});
  ExpectCleanHost();
}

TEST_F(GetFilesTest, NamesThatLeaveTheFolderAreNeverUsed) {
  uint16_t index = OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  Open();
  farapi::PluginPanelItem item = Item("A.mp3");
  std::vector<farapi::PluginPanelItem> items;
  for (const char *name :
       {"..\\escape.mp3", "sub/x.mp3", "C:x.mp3", "..", ".", ""}) {
    farapi::PluginPanelItem bad = item;
    snprintf(bad.FindData.cFileName, sizeof bad.FindData.cFileName, "%s", name);
    items.push_back(bad);
  }
  ASSERT_TRUE(WriteFileBytes(pcRoot / "escape.mp3", "outside"));
  // Reported as failed, but silently: the host asked for no boxes.
  EXPECT_EQ(host->CallGetFiles(items, true, pc, farapi::OPM_SILENT), 0);
  EXPECT_TRUE(host->Boxes().empty());

  EXPECT_TRUE(testing_support::ListFolder(pc + "\\").empty());
  EXPECT_EQ(testing_support::ListFolder(pcRoot.Path()),
            (Names{"dest", "escape.mp3"}));
  std::string outside;
  ASSERT_TRUE(ReadFileBytes(pcRoot / "escape.mp3", &outside));
  EXPECT_EQ(outside, "outside");
  EXPECT_TRUE(Calls("Upload").empty());
  EXPECT_TRUE(Calls("Delete").empty());
  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{"A.mp3"});
  EXPECT_NE(simplayer::FindFile(Store(), simplayer::kInternal, index), nullptr);
  ExpectCleanHost();
}

TEST_F(GetFilesTest, CardFilesComeFromTheCard) {
  OnPlayer(simplayer::kInternal, "Same.mp3", "internal");
  OnPlayer(simplayer::kExternal, "Same.mp3", "card");
  Open(simplayer::kExternal);
  ASSERT_TRUE(SelectOnly({"Same.mp3"}));
  EXPECT_EQ(Copy(true, kGoOn), 1);
  EXPECT_EQ(DestBytes("Same.mp3"), "card");
  EXPECT_TRUE(PlayerNames(simplayer::kExternal).empty());
  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{"Same.mp3"});
  ExpectCleanHost();
}

} // namespace
} // namespace from_player
