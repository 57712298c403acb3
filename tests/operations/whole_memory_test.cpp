// Copy-all, move-all, delete-all, format, memory switch and reconnect
// through the real plug-in, the simulated player, the recording host and
// real PC folders.
#include "tests/operations/whole_memory_fixture.h"

namespace commands_test {
namespace whole_memory {

TEST_F(WholeMemoryTest, CopyAllLeavesOutOnlyTheInternalConfigDat) {
  Put(davu::MEM_INTERNAL, "a.mp3", "aaa");
  Put(davu::MEM_INTERNAL, "Config.dat", "internal");
  Put(davu::MEM_INTERNAL, "config.DAT.mp3", "c");
  Put(davu::MEM_EXTERNAL, "Config.dat", "card");
  Put(davu::MEM_EXTERNAL, "b.mp3", "bb");
  Load();
  std::string before = CurrentFolder();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F5), 1);

  EXPECT_EQ(PcFiles(),
            (Names{"Config.dat", "a.mp3", "b.mp3", "config.DAT.mp3"}));
  EXPECT_EQ(PcBytes("Config.dat"), "card");
  EXPECT_EQ(session->ItemCount, 4);
  EXPECT_EQ(Count("Upload"), 4);
  EXPECT_EQ(
      ProgressItemLines(),
      (Names{"Uploading(1 of 4): a.mp3", "Uploading(2 of 4): config.DAT.mp3",
             "Uploading(3 of 4): Config.dat", "Uploading(4 of 4): b.mp3"}));
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL).size(), 3u) << "a copy keeps all";
  EXPECT_EQ(CurrentFolder(), before);
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, CopyAllConfirmationShape) {
  Load();
  host->QueueAnswer(kEscape);
  EXPECT_EQ(ShiftKey(VK_F5), 1);
  host->QueueAnswer(kEscape);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].flags, 0u);
  EXPECT_EQ(boxes[0].helpTopic, "Uploading");
  EXPECT_EQ(boxes[0].items,
            (Names{Msg(11), Msg(20), Msg(46), Msg(52), Msg(45)}));
  EXPECT_EQ(boxes[0].buttons, 3);
  EXPECT_EQ(boxes[1].flags, static_cast<DWORD>(farapi::FMSG_WARNING));
  EXPECT_EQ(boxes[1].items,
            (Names{Msg(11), Msg(21), Msg(49), Msg(53), Msg(45)}));
  EXPECT_EQ(Count("Upload"), 0);
  EXPECT_TRUE(host->Controls().size() == 2u) << "only the other panel read";
}

TEST_F(WholeMemoryTest, ExistingPcFilesAreReplacedOrKept) {
  simplayer::FileTimes times =
      simplayer::SameTimes(simplayer::MakeDosStamp(2020, 5, 6, 7, 8, 10));
  Put(davu::MEM_INTERNAL, "a.mp3", "player", times);
  Load();
  ASSERT_TRUE(WriteFileBytes(pc / "a.mp3", "pc copy"));

  host->QueueAnswer(kKeepExisting);
  EXPECT_EQ(ShiftKey(VK_F5), 1);
  EXPECT_EQ(PcBytes("a.mp3"), "pc copy");

  SetFileAttributesA((pc / "a.mp3").c_str(), FILE_ATTRIBUTE_READONLY);
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F5), 1);
  EXPECT_EQ(PcBytes("a.mp3"), "player");
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA((pc / "a.mp3").c_str(),
                                   GetFileExInfoStandard, &data));
  FILETIME local;
  SYSTEMTIME time;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &time);
  EXPECT_EQ(time.wYear, 2020);
  EXPECT_EQ(time.wMonth, 5);
  EXPECT_EQ(time.wDay, 6);
  EXPECT_EQ(time.wHour, 7);
  EXPECT_EQ(time.wMinute, 8);
  EXPECT_EQ(time.wSecond, 10);
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, MoveAllDeletesWhatWasCopiedAndKeepsConfigDat) {
  Put(davu::MEM_INTERNAL, "a.mp3", "aaa");
  Put(davu::MEM_INTERNAL, "Config.dat", "internal");
  Put(davu::MEM_EXTERNAL, "Config.dat", "card");
  Put(davu::MEM_EXTERNAL, "b.mp3", "bb");
  Load();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  EXPECT_EQ(PcFiles(), (Names{"Config.dat", "a.mp3", "b.mp3"}));
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"Config.dat"}));
  EXPECT_TRUE(OnPlayer(davu::MEM_EXTERNAL).empty());
  EXPECT_EQ(Panel(), (Names{"..", "Config.dat"}));
  Names lines = ProgressItemLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Deleting(3 of 3): b.mp3"),
            lines.end());
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, MoveAllReplacingAnExistingPcFileDeletesItsSource) {
  Put(davu::MEM_INTERNAL, "a.mp3", "player");
  Load();
  ASSERT_TRUE(WriteFileBytes(pc / "a.mp3", "pc copy"));
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  EXPECT_EQ(PcBytes("a.mp3"), "player");
  EXPECT_TRUE(OnPlayer(davu::MEM_INTERNAL).empty());
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, MoveAllKeepsOnThePlayerWhatDidNotReachThePc) {
  Put(davu::MEM_INTERNAL, "kept.mp3", "player");
  uint16_t failing = Put(davu::MEM_INTERNAL, "fails.mp3", "f");
  Put(davu::MEM_INTERNAL, "moved.mp3", "m");
  Load();
  ASSERT_TRUE(WriteFileBytes(pc / "kept.mp3", "pc copy"));
  Fail("Upload", failing);

  host->QueueAnswer(kKeepExisting);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  EXPECT_EQ(PcBytes("kept.mp3"), "pc copy");
  EXPECT_EQ(PcBytes("moved.mp3"), "m");
  EXPECT_FALSE(FileExists(pc / "fails.mp3"));
  // Neither the file kept on the PC nor the failed one is lost.
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"kept.mp3", "fails.mp3"}));
  EXPECT_EQ(Count("Delete"), 1);
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, NameLeavingTheFolderIsNeverWritten) {
  simplayer::PlayerStore store = Store();
  uint16_t index = 0;
  std::string error;
  if (simplayer::PutBytes(&store, davu::MEM_INTERNAL, "..\\up.mp3", "evil",
                          simplayer::CurrentTimes(), &index,
                          &error) != simplayer::PutResult::Done)
    GTEST_SKIP() << "the simulated player refuses such names";
  Put(davu::MEM_INTERNAL, "ok.mp3", "ok");
  ASSERT_TRUE(CreateDirectoryA((pc / "inner").c_str(), nullptr));
  Load();
  ASSERT_TRUE(host->SetPcFolder(pc / "inner"));
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  EXPECT_FALSE(FileExists(pc / "up.mp3"));
  EXPECT_TRUE(FileExists(pc / "inner\\ok.mp3"));
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"..\\up.mp3"}));
}

TEST_F(WholeMemoryTest, EscapeDuringMoveAllDeletesNothing) {
  for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
    Put(davu::MEM_INTERNAL, name, std::string(40, 'x'));
  Load();
  SlowTransfers();
  std::string before = CurrentFolder();
  host->QueueAnswer(kGoOn);
  host->PressEscapeAtProgress(3);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  EXPECT_LT(Count("Upload"), 4);
  EXPECT_EQ(Count("Delete"), 0);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL).size(), 4u);
  EXPECT_EQ(CountControls(farapi::FCTL_UPDATEPANEL), 0);
  EXPECT_EQ(CurrentFolder(), before);
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, DestinationThatCannotBeMadeCurrent) {
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Load();
  std::string gone = pc / "gone";
  ASSERT_TRUE(CreateDirectoryA(gone.c_str(), nullptr));
  ASSERT_TRUE(host->SetPcFolder(gone));
  ASSERT_TRUE(RemoveDirectoryA(gone.c_str()));
  std::string before = CurrentFolder();
  EXPECT_EQ(ShiftKey(VK_F5), 1);
  EXPECT_TRUE(host->Boxes().empty());
  EXPECT_EQ(Count("Upload"), 0);
  EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(WholeMemoryTest, DeclinedCopyChangesNothing) {
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Load();
  std::string before = CurrentFolder();
  host->QueueAnswer(2);
  EXPECT_EQ(ShiftKey(VK_F6), 1);
  EXPECT_TRUE(PcFiles().empty());
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3"}));
  EXPECT_EQ(CurrentFolder(), before);
  EXPECT_TRUE(host->Screens().empty());
}

TEST_F(WholeMemoryTest, PlayerNotReadyShowsTheNoticeOnly) {
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Load();
  SetConfig([](simplayer::PlayerConfig *c) { c->notReady = true; });
  for (int key : {VK_F5, VK_F6, VK_F7, VK_F8}) {
    host->ClearRecords();
    EXPECT_EQ(ShiftKey(key), 1);
    EXPECT_EQ(BoxTexts(), (Names{Msg(10)})) << key;
  }
  host->ClearRecords();
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(BoxTexts(), (Names{Msg(10)}));
  EXPECT_EQ(session->Memory, davu::MEM_INTERNAL);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3"}));
}

// --- delete-all

} // namespace whole_memory
} // namespace commands_test
