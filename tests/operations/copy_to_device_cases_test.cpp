// PutFiles: cancelling, the boxes, failures and names.
#include "tests/operations/to_player_fixture.h"

namespace to_player {

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

} // namespace to_player
