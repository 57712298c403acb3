// Copy and move from the PC to the player through the real DAVUman.dll, the
// simulated player and the substitute host, with real PC folders.
#include "tests/operations/to_player_fixture.h"

namespace to_player {

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

} // namespace to_player
