// Deleting files on the player.
#include "services/messages.h"
#include "tests/operations/from_player_fixture.h"

namespace from_player {
namespace {

constexpr int kDelete = 0;
constexpr int kCancel = 1;

using DeleteFilesTest = FromPlayerTest;

TEST_F(DeleteFilesTest, InternalMemoryKeepsConfigDat) {
  OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  OnPlayer(simplayer::kInternal, "Config.dat", "settings");
  OnPlayer(simplayer::kInternal, "B.mp3", "bbbbbb");
  Open();
  ASSERT_TRUE(SelectOnly({"A.mp3", "Config.dat", "B.mp3"}));
  host->QueueAnswer(kDelete);
  EXPECT_EQ(host->DeleteSelected(), 1);

  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{"Config.dat"});
  EXPECT_EQ(session->ItemCount, 2);
  EXPECT_EQ(session->ItemNumber, 2);
  auto boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].flags, DWORD{farapi::FMSG_WARNING});
  EXPECT_EQ(boxes[0].helpTopic, "Deleting");
  EXPECT_EQ(boxes[0].items,
            MsgTexts({davu::MSG_WARNING_TITLE, davu::MSG_DELETE_FILES,
                      davu::MSG_BTN_DELETE, davu::MSG_CANCEL}));
  EXPECT_EQ(boxes[0].buttons, 2);
  EXPECT_EQ(ProgressItemLines(),
            (Names{"Deleting(1 of 2): A.mp3", "Deleting(2 of 2): B.mp3"}));
  ASSERT_FALSE(host->ProgressBoxes().empty());
  EXPECT_EQ(host->ProgressBoxes()[0].items[0], "Delete");
  EXPECT_EQ(Calls("Delete").size(), 2u);
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, CardDeletesConfigDatLikeAnyFile) {
  OnPlayer(simplayer::kExternal, "A.mp3", "aaaa");
  OnPlayer(simplayer::kExternal, "Config.dat", "settings");
  OnPlayer(simplayer::kExternal, "B.mp3", "bbbbbb");
  Open(simplayer::kExternal);
  ASSERT_TRUE(SelectOnly({"A.mp3", "Config.dat", "B.mp3"}));
  host->QueueAnswer(kDelete);
  EXPECT_EQ(host->DeleteSelected(), 1);

  EXPECT_TRUE(PlayerNames(simplayer::kExternal).empty());
  EXPECT_EQ(session->ItemCount, 3);
  EXPECT_EQ(ProgressItemLines(),
            (Names{"Deleting(1 of 3): A.mp3", "Deleting(2 of 3): Config.dat",
                   "Deleting(3 of 3): B.mp3"}));
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, OnlyTheExactNameIsKept) {
  OnPlayer(simplayer::kInternal, "config.dat", "lower case");
  OnPlayer(simplayer::kInternal, "Config.dat.bak", "longer");
  Open();
  ASSERT_TRUE(SelectOnly({"config.dat", "Config.dat.bak"}));
  host->QueueAnswer(kDelete);
  EXPECT_EQ(host->DeleteSelected(), 1);
  EXPECT_TRUE(PlayerNames(simplayer::kInternal).empty());
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, EscapeDuringTheSecondOfFiveLeavesTheLastThree) {
  for (const char *name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"})
    OnPlayer(simplayer::kInternal, name, std::string(300, 'x'));
  Chunks(100); // three chunks and the completion: four boxes a file
  Open();
  ASSERT_TRUE(SelectOnly({"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"}));
  host->QueueAnswer(kDelete);
  host->PressEscapeAtProgress(5); // the second file's first box
  EXPECT_EQ(host->DeleteSelected(), -1);

  Names left = PlayerNames(simplayer::kInternal);
  EXPECT_EQ(std::count(left.begin(), left.end(), "1.mp3"), 0);
  for (const char *name : {"3.mp3", "4.mp3", "5.mp3"})
    EXPECT_EQ(std::count(left.begin(), left.end(), name), 1) << name;
  EXPECT_EQ(Calls("Delete").size(), 2u);
  EXPECT_EQ(Calls("SetCancelFlag").size(), 1u);
  // The line of the cancelled file is the last one drawn.
  EXPECT_EQ(ProgressItemLines().back(), "Deleting(2 of 5): 2.mp3");
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, NoItemsStillAsksAndSucceeds) {
  Open();
  host->QueueAnswer(kDelete);
  EXPECT_EQ(host->CallDeleteFiles({}, 0), 1);
  EXPECT_EQ(host->Boxes().size(), 1u);
  EXPECT_TRUE(host->ProgressBoxes().empty());
  EXPECT_EQ(session->ItemCount, 0);
  // The progress window was made and handed to the library.
  EXPECT_EQ(Calls("SetProgressWindow").size(), 1u);
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, SilentAsksNothing) {
  OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  Open();
  EXPECT_EQ(host->CallDeleteFiles(Items({"A.mp3"}), farapi::OPM_SILENT), 1);
  EXPECT_TRUE(host->Boxes().empty());
  EXPECT_FALSE(host->ProgressBoxes().empty());
  EXPECT_TRUE(PlayerNames(simplayer::kInternal).empty());
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, DeclinedOrEscapedChangesNothing) {
  OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  Open();
  for (int answer : {kCancel, -1}) {
    host->QueueAnswer(answer);
    EXPECT_EQ(host->CallDeleteFiles(Items({"A.mp3"}), 0), -1);
  }
  EXPECT_EQ(PlayerNames(simplayer::kInternal), Names{"A.mp3"});
  EXPECT_TRUE(host->Screens().empty());
  EXPECT_TRUE(Calls("SetProgressWindow").empty());
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, PlayerNotReadyShowsTheNoticeOnly) {
  OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  Open();
  simplayer::PlayerStore store = Store();
  store.config.notReady = true;
  SaveStore(store);
  EXPECT_EQ(host->CallDeleteFiles(Items({"A.mp3"}), 0), -1);
  auto boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items[1], Msg(davu::MSG_NOT_READY));
  EXPECT_TRUE(Calls("Delete").empty());
  ExpectCleanHost();
}

TEST_F(DeleteFilesTest, TwoDeletesInARowBothShowProgress) {
  OnPlayer(simplayer::kInternal, "A.mp3", "aaaa");
  OnPlayer(simplayer::kInternal, "B.mp3", "bbbb");
  Open();
  EXPECT_EQ(host->CallDeleteFiles(Items({"A.mp3"}), farapi::OPM_SILENT), 1);
  size_t first = host->ProgressBoxes().size();
  EXPECT_GT(first, 0u);
  EXPECT_EQ(host->CallDeleteFiles(Items({"B.mp3"}), farapi::OPM_SILENT), 1);
  EXPECT_GT(host->ProgressBoxes().size(), first);
  EXPECT_EQ(Calls("SetProgressWindow").size(), 2u);
  EXPECT_TRUE(PlayerNames(simplayer::kInternal).empty());
  ExpectCleanHost();
}

} // namespace
} // namespace from_player
