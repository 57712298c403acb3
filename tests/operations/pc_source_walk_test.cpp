// The name tests and the folder and playlist walks of the copy to the
// player, on real files in temporary folders, with an action that records
// what reaches it.
#include "operations/copy_to_device.h"
#include "operations/pc_source_walk.h"
#include "services/plugin_state.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using davu::SourceWalk;
using testing_support::FileExists;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct Reached {
  std::string Path;
  uint32_t Size;
  std::string Display;
};

struct Recorder {
  std::vector<Reached> Files;
  // Files whose action reports them dealt with (deleted in delete mode);
  // empty means every file.
  std::set<std::string> DealtWith;
  bool DeleteForReal = false;
  size_t CancelAfter = SIZE_MAX; // cancelled once this many files came
  int CancelTests = 0;
  std::vector<std::string> Failed; // what the walk reported as not found
};

void RecordFailed(void *context, const std::string &name, davu::FailReason) {
  static_cast<Recorder *>(context)->Failed.push_back(name);
}

bool RecordFile(void *context, const std::string &path, uint32_t size,
                const char *display) {
  Recorder &recorder = *static_cast<Recorder *>(context);
  recorder.Files.push_back({path, size, display});
  bool dealt =
      recorder.DealtWith.empty() || recorder.DealtWith.count(path) != 0;
  if (dealt && recorder.DeleteForReal)
    DeleteFileA(path.c_str());
  return dealt;
}

bool RecordCancelTest(void *context) {
  Recorder &recorder = *static_cast<Recorder *>(context);
  ++recorder.CancelTests;
  return recorder.Files.size() >= recorder.CancelAfter;
}

SourceWalk MakeWalk(Recorder &recorder, davu::WalkMode mode,
                    uint32_t options = 0,
                    const char *subDirExt = ".mp3; .wma;") {
  SourceWalk walk;
  walk.Mode = mode;
  walk.Options = options;
  walk.SubDirExt = subDirExt;
  walk.Context = &recorder;
  walk.OnFile = RecordFile;
  walk.Cancelled = RecordCancelTest;
  walk.OnFailed = RecordFailed;
  return walk;
}

std::vector<std::string> Paths(const Recorder &recorder) {
  std::vector<std::string> paths;
  for (const Reached &file : recorder.Files)
    paths.push_back(file.Path);
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string CurrentFolder() {
  char buffer[4096] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

bool MakeFolder(const std::string &path) {
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

// The folder path of a TempDir without its trailing backslash.
std::string Bare(const TempDir &dir) {
  std::string path = dir.Path();
  path.pop_back();
  return path;
}

} // namespace

TEST(PlaylistName, OnlyThreeLetterM3uInAnyCase) {
  EXPECT_TRUE(davu::IsPlaylistFile("C:\\music\\list.m3u"));
  EXPECT_TRUE(davu::IsPlaylistFile("C:\\music\\LIST.M3U"));
  EXPECT_TRUE(davu::IsPlaylistFile("list.M3u"));
  EXPECT_FALSE(davu::IsPlaylistFile("list.m3u8"));
  EXPECT_FALSE(davu::IsPlaylistFile("list.m3"));
  EXPECT_FALSE(davu::IsPlaylistFile("m3u"));
  EXPECT_FALSE(davu::IsPlaylistFile("C:\\lists.m3u\\song"));
  EXPECT_FALSE(davu::IsPlaylistFile(""));
  EXPECT_FALSE(davu::IsPlaylistFile(nullptr));
}

TEST(ExtensionList, EveryFilePassesWithTheWildcardEntry) {
  EXPECT_TRUE(davu::ExtensionPasses(".*;", "C:\\a\\readme"));
  EXPECT_TRUE(davu::ExtensionPasses(".txt; .*; .mp3;", "C:\\a\\b.doc"));
}

TEST(ExtensionList, ExtensionWithItsSemicolonMustOccur) {
  const char *list = ".mp3; .wma;";
  EXPECT_TRUE(davu::ExtensionPasses(list, "C:\\a\\song.mp3"));
  EXPECT_TRUE(davu::ExtensionPasses(list, "C:\\a\\SONG.WMA"));
  EXPECT_TRUE(davu::ExtensionPasses(list, "C:\\a\\song.Mp3"));
  EXPECT_TRUE(davu::ExtensionPasses(list, "C:\\a\\archive.tar.mp3"));
  EXPECT_FALSE(davu::ExtensionPasses(list, "C:\\a\\song.ogg"));
  EXPECT_FALSE(davu::ExtensionPasses(list, "C:\\a\\song.mp"));
  EXPECT_FALSE(davu::ExtensionPasses(list, "C:\\a\\song.mp3x"));
  EXPECT_FALSE(davu::ExtensionPasses(list, "C:\\a\\noextension"));
  // An entry written without its semicolon never matches.
  EXPECT_FALSE(davu::ExtensionPasses(".mp3", "C:\\a\\song.mp3"));
  EXPECT_TRUE(davu::ExtensionPasses(".wav; .mp3", "C:\\a\\song.wav"));
  EXPECT_FALSE(davu::ExtensionPasses(".wav; .mp3", "C:\\a\\song.mp3"));
  EXPECT_FALSE(davu::ExtensionPasses(nullptr, "C:\\a\\song.mp3"));
}

class FolderWalk : public ::testing::Test {
protected:
  void SetUp() override {
    root = Bare(dir) + "\\album";
    ASSERT_TRUE(MakeFolder(root));
    ASSERT_TRUE(MakeFolder(root + "\\cd1"));
    ASSERT_TRUE(MakeFolder(root + "\\cd1\\bonus"));
    ASSERT_TRUE(MakeFolder(root + "\\empty"));
    ASSERT_TRUE(WriteFileBytes(root + "\\a.mp3", "12345"));
    ASSERT_TRUE(WriteFileBytes(root + "\\b.WMA", "1234567"));
    ASSERT_TRUE(WriteFileBytes(root + "\\cover.jpg", "jpg"));
    ASSERT_TRUE(WriteFileBytes(root + "\\cd1\\c.mp3", "123"));
    ASSERT_TRUE(WriteFileBytes(root + "\\cd1\\notes.txt", "txt"));
    ASSERT_TRUE(WriteFileBytes(root + "\\cd1\\bonus\\d.wma", "1234567890"));
    ASSERT_TRUE(WriteFileBytes(root + "\\cd1\\list.m3u", "c.mp3\n"));
  }
  TempDir dir;
  std::string root;
};

TEST_F(FolderWalk, FindsMatchingFilesAtAnyDepthWithTheirSizes) {
  Recorder recorder;
  uint32_t sum = davu::WalkFolder(MakeWalk(recorder, davu::WALK_COUNT), root);
  EXPECT_EQ(sum, 5u + 7u + 3u + 10u);
  std::vector<std::string> expected = {root + "\\a.mp3", root + "\\b.WMA",
                                       root + "\\cd1\\bonus\\d.wma",
                                       root + "\\cd1\\c.mp3"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Paths(recorder), expected);
  for (const Reached &file : recorder.Files)
    EXPECT_EQ(file.Display, file.Path) << "a file in a folder shows its path";
}

TEST_F(FolderWalk, PlaylistModeExpandsOnlyThePlaylistsInside) {
  Recorder recorder;
  uint32_t sum = davu::WalkFolder(
      MakeWalk(recorder, davu::WALK_SEND, davu::PSO_PLAYLISTS), root);
  EXPECT_EQ(sum, 3u);
  ASSERT_EQ(recorder.Files.size(), 1u);
  EXPECT_EQ(recorder.Files[0].Path, root + "\\cd1\\c.mp3");
  EXPECT_EQ(recorder.Files[0].Display, "c.mp3");
}

TEST_F(FolderWalk, DeleteModeRemovesOnlyFoldersLeftEmpty) {
  Recorder recorder;
  recorder.DeleteForReal = true;
  // d.wma stays, as if it had not reached the player.
  recorder.DealtWith = {root + "\\a.mp3", root + "\\b.WMA",
                        root + "\\cd1\\c.mp3"};
  davu::WalkFolder(MakeWalk(recorder, davu::WALK_DELETE_SOURCE), root);
  EXPECT_FALSE(FileExists(root + "\\a.mp3"));
  EXPECT_FALSE(FileExists(root + "\\cd1\\c.mp3"));
  EXPECT_TRUE(FileExists(root + "\\cd1\\bonus\\d.wma"));
  EXPECT_TRUE(FileExists(root + "\\cover.jpg"));
  EXPECT_TRUE(FileExists(root + "\\cd1\\notes.txt"));
  EXPECT_FALSE(FileExists(root + "\\empty"));
  EXPECT_TRUE(FileExists(root + "\\cd1\\bonus"));
}

TEST_F(FolderWalk, CancellationStopsBeforeTheNextEntry) {
  Recorder recorder;
  recorder.CancelAfter = 1;
  uint32_t sum = davu::WalkFolder(MakeWalk(recorder, davu::WALK_SEND), root);
  EXPECT_EQ(sum, 0u);
  EXPECT_EQ(recorder.Files.size(), 1u);
  EXPECT_GT(recorder.CancelTests, 0);
}

TEST_F(FolderWalk, TooLongOrMissingFolderContributesNothing) {
  Recorder recorder;
  std::string longFolder = root + "\\" + std::string(3071 - root.size(), 'x');
  ASSERT_EQ(longFolder.size(), 3072u);
  EXPECT_EQ(davu::WalkFolder(MakeWalk(recorder, davu::WALK_COUNT), longFolder),
            0u);
  EXPECT_EQ(davu::WalkFolder(MakeWalk(recorder, davu::WALK_COUNT),
                             root + "\\no such folder"),
            0u);
  EXPECT_TRUE(recorder.Files.empty());
}

class PlaylistWalk : public ::testing::Test {
protected:
  void SetUp() override {
    folder = Bare(dir) + "\\music";
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(MakeFolder(folder + "\\sub"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\a.mp3", "aaaa"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\b.mp3", "bb"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\c.mp3", "ccc"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\sub\\d.mp3", "d"));
    ASSERT_TRUE(WriteFileBytes(elsewhere / "far.mp3", "fffff"));
    startFolder = CurrentFolder();
  }
  void TearDown() override { SetCurrentDirectoryA(startFolder.c_str()); }
  std::string Playlist(const std::string &text) {
    std::string path = folder + "\\list.m3u";
    EXPECT_TRUE(WriteFileBytes(path, text));
    return path;
  }
  TempDir dir, elsewhere;
  std::string folder, startFolder;
};

TEST_F(PlaylistWalk, NamesFromThePlaylistFolderAndTheLastLineWhole) {
  SetCurrentDirectoryA(elsewhere.Path().c_str());
  std::string before = CurrentFolder();
  Recorder recorder;
  std::string list = Playlist("A.MP3\r\nsub\\d.mp3\nc.mp3");
  uint32_t sum = davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_SEND), list);
  EXPECT_EQ(sum, 4u + 1u + 3u);
  ASSERT_EQ(recorder.Files.size(), 3u);
  EXPECT_EQ(recorder.Files[0].Path, folder + "\\a.mp3");
  EXPECT_EQ(recorder.Files[0].Display, "a.mp3");
  EXPECT_EQ(recorder.Files[0].Size, 4u);
  EXPECT_EQ(recorder.Files[1].Path, folder + "\\sub\\d.mp3");
  EXPECT_EQ(recorder.Files[2].Path, folder + "\\c.mp3");
  EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(PlaylistWalk, LinesThatNameNoFileAreSkipped) {
  Recorder recorder;
  std::string overlong = std::string(davu::kPlaylistLineLimit, 'x') + "b.mp3";
  std::string list = Playlist("#EXTM3U\n"
                              "\n"
                              "#b.mp3\n" +
                              overlong +
                              "\n"
                              "sub\n"
                              "..\n"
                              "*.mp3\n"
                              "missing.mp3\n"
                              "c.mp3\n");
  uint32_t sum = davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_COUNT), list);
  EXPECT_EQ(sum, 3u);
  EXPECT_EQ(Paths(recorder), std::vector<std::string>{folder + "\\c.mp3"});
  // Every line that should name a file and does not is reported; blank
  // lines and comments are not.
  EXPECT_EQ(recorder.Failed, (std::vector<std::string>{
                                 overlong.substr(0, davu::kSummaryLineLimit),
                                 "sub", "..", "*.mp3", "missing.mp3"}));
}

TEST_F(PlaylistWalk, LineOfTheFullLengthIsRead) {
  // ".\" repeated up to the limit still names a.mp3 in the playlist folder.
  std::string name = "a.mp3";
  std::string line;
  while (line.size() + 2 + name.size() <= davu::kPlaylistLineLimit)
    line += ".\\";
  line += name;
  ASSERT_LE(line.size(), davu::kPlaylistLineLimit);
  Recorder recorder;
  std::string list = Playlist(line + "\nb.mp3\n");
  davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_COUNT), list);
  std::vector<std::string> paths = Paths(recorder);
  // Whether the system resolves such a long name is its own affair; the
  // next line is never swallowed and nothing else is named.
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.back(), folder + "\\b.mp3");
  for (const std::string &path : paths)
    EXPECT_TRUE(path == folder + "\\a.mp3" || path == folder + "\\b.mp3");
}

TEST_F(PlaylistWalk, AbsoluteLinesAreTakenFromWhereTheyAre) {
  Recorder recorder;
  std::string distant = elsewhere / "far.mp3";
  // The same file by drive path and by a path from the drive's root.
  std::string rooted = distant.substr(2);
  std::string list = Playlist(distant + "\n" + rooted + "\n");
  uint32_t sum = davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_SEND), list);
  EXPECT_EQ(sum, 10u);
  ASSERT_EQ(recorder.Files.size(), 2u);
  EXPECT_EQ(recorder.Files[0].Path, distant);
  EXPECT_EQ(recorder.Files[1].Path, distant);
  EXPECT_EQ(recorder.Files[0].Display, "far.mp3");
}

TEST_F(PlaylistWalk, CancellationEndsAfterTheCurrentLineAndRestoresFolder) {
  std::string before = CurrentFolder();
  Recorder recorder;
  recorder.CancelAfter = 1;
  std::string list = Playlist("a.mp3\nb.mp3\nc.mp3\n");
  EXPECT_EQ(davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_SEND), list), 0u);
  EXPECT_EQ(recorder.Files.size(), 1u);
  EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(PlaylistWalk, MissingPlaylistContributesNothing) {
  std::string before = CurrentFolder();
  Recorder recorder;
  EXPECT_EQ(davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_SEND),
                               folder + "\\none.m3u"),
            0u);
  EXPECT_TRUE(recorder.Files.empty());
  EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(PlaylistWalk, MoveDeletesThePlaylistOnlyWhenEveryEntryWent) {
  std::string list = Playlist("a.mp3\nb.mp3\nmissing.mp3\n");
  {
    Recorder recorder;
    recorder.DeleteForReal = true;
    recorder.DealtWith = {folder + "\\a.mp3"};
    davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_DELETE_SOURCE), list);
    EXPECT_FALSE(FileExists(folder + "\\a.mp3"));
    EXPECT_TRUE(FileExists(folder + "\\b.mp3"));
    EXPECT_TRUE(FileExists(list)) << "b.mp3 is still on the PC";
  }
  {
    // An entry that names no file did not go either.
    Recorder recorder;
    recorder.DeleteForReal = true;
    davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_DELETE_SOURCE), list);
    EXPECT_FALSE(FileExists(folder + "\\b.mp3"));
    EXPECT_TRUE(FileExists(list)) << "missing.mp3 did not go";
  }
  {
    Recorder recorder;
    recorder.DeleteForReal = true;
    ASSERT_TRUE(WriteFileBytes(folder + "\\c.mp3", "ccc"));
    list = Playlist("c.mp3\n");
    davu::WalkPlaylist(MakeWalk(recorder, davu::WALK_DELETE_SOURCE), list);
    EXPECT_FALSE(FileExists(folder + "\\c.mp3"));
    EXPECT_FALSE(FileExists(list));
  }
}
