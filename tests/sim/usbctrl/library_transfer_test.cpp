// The simulated library: transfers, order, format, progress, faults and
// its lifetime.
#include "tests/sim/usbctrl/library_fixture.h"

#include <thread>

namespace library {

TEST_F(Library, DownloadStoresTheFileUnderItsLastPathComponent) {
  std::string path = pc / "Song \xc4.mp3";
  std::string bytes = Pattern(70000);
  ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes));
  SYSTEMTIME local = {2004, 3, 0, 1, 10, 15, 30, 0};
  FILETIME localFt, utc;
  SystemTimeToFileTime(&local, &localFt);
  LocalFileTimeToFileTime(&localFt, &utc);
  {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
  }
  ASSERT_EQ(0, lib.Download(kExternal, path.c_str()));
  simplayer::PlayerStore s = store.Load();
  ASSERT_EQ(1u, s.memories[kExternal].files.size());
  const simplayer::StoredFile &f = s.memories[kExternal].files[0];
  EXPECT_EQ("Song \xc4.mp3", f.name);
  EXPECT_EQ(bytes.size(), f.size);
  simplayer::DosStamp expected =
      simplayer::MakeDosStamp(2004, 3, 1, 10, 15, 30);
  EXPECT_EQ(expected.date, f.times.lastWrite.date);
  EXPECT_EQ(expected.time, f.times.lastWrite.time);
  EXPECT_NE(0, f.times.creation.date);
  EXPECT_NE(0, f.times.lastAccess.date);
  std::string stored;
  ASSERT_TRUE(simplayer::ReadContents(s, kExternal, f.index, &stored));
  EXPECT_EQ(bytes, stored);
  EXPECT_TRUE(store.Names(kInternal).empty());
}

TEST_F(Library, DownloadOfAnUnreadableFileFailsAndStoresNothing) {
  EXPECT_NE(0, lib.Download(kInternal, (pc / "absent.mp3").c_str()));
  EXPECT_NE(0, lib.Download(kInternal, pc.Path().c_str()));
  EXPECT_NE(0, lib.Download(7, (pc / "absent.mp3").c_str()));
  EXPECT_TRUE(store.Names(kInternal).empty());
}

TEST_F(Library, MemoryFullReturnsThreeAndStoresNothing) {
  store.Put(kInternal, "big", Pattern((1 << 20) - 100));
  std::string path = pc / "x.mp3";
  testing_support::WriteFileBytes(path, Pattern(101));
  EXPECT_EQ(3, lib.Download(kInternal, path.c_str()));
  EXPECT_EQ(1u, store.Names(kInternal).size());
  testing_support::WriteFileBytes(path, Pattern(100));
  EXPECT_EQ(0, lib.Download(kInternal, path.c_str()));

  Configure([](simplayer::PlayerConfig &c) { c.memoryFull = true; });
  testing_support::WriteFileBytes(path, "1");
  EXPECT_EQ(3, lib.Download(kExternal, path.c_str()));
  EXPECT_TRUE(store.Names(kExternal).empty());
  EXPECT_FALSE(testing_support::FileExists(store.folder + "download.tmp"));
}

TEST_F(Library, UploadWritesIntoTheCurrentFolderUnderTheRawName) {
  std::string bytes = Pattern(50000, 7);
  uint16_t index = store.Put(kInternal,
                             "Tr\xe4"
                             "ck.mp3",
                             bytes);
  CurrentFolder here(pc.Path());
  EXPECT_EQ(0, lib.Upload(kInternal, index));
  std::string written;
  ASSERT_TRUE(testing_support::ReadFileBytes(pc / "Tr\xe4"
                                                  "ck.mp3",
                                             &written));
  EXPECT_EQ(bytes, written);
  EXPECT_NE(0, lib.Upload(kInternal, index + 1));
  EXPECT_NE(0, lib.Upload(kExternal, index));
  EXPECT_NE(0, lib.Upload(kInternal, index | 0x10000));
  EXPECT_EQ(1u, testing_support::ListFolder(pc.Path()).size());
}

TEST_F(Library, DeleteRemovesOnlyThatFile) {
  uint16_t a = store.Put(kInternal, "a", "1");
  uint16_t b = store.Put(kInternal, "b", "2");
  EXPECT_NE(0, lib.Delete(kInternal, 0x7777));
  EXPECT_NE(0, lib.Delete(kExternal, a));
  EXPECT_EQ(0, lib.Delete(kInternal, a));
  EXPECT_NE(0, lib.Delete(kInternal, a));
  simplayer::PlayerStore s = store.Load();
  ASSERT_EQ(1u, s.memories[kInternal].files.size());
  EXPECT_EQ(b, s.memories[kInternal].files[0].index);
  EXPECT_FALSE(
      testing_support::FileExists(simplayer::ContentPath(s, kInternal, a)));
}

TEST_F(Library, ChangeOrderPutsTheFileBeforeTheOneAtThatPosition) {
  struct Case {
    const char *moved;
    int position;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {"A", 2, {"B", "A", "C", "D"}},  {"D", 0, {"D", "A", "B", "C"}},
      {"B", 4, {"A", "C", "D", "B"}},  {"C", 2, {"A", "B", "C", "D"}},
      {"C", 3, {"A", "B", "C", "D"}},  {"C", -5, {"C", "A", "B", "D"}},
      {"A", 99, {"B", "C", "D", "A"}},
  };
  for (const Case &c : cases) {
    StoreFixture fresh;
    std::map<std::string, uint16_t> index;
    for (const char *name : {"A", "B", "C", "D"})
      index[name] = fresh.Put(kInternal, name, name);
    EXPECT_EQ(0, lib.ChangeOrder(kInternal, index[c.moved], c.position));
    EXPECT_EQ(c.order, Enumerate(lib, kInternal))
        << c.moved << " to " << c.position;
    EXPECT_EQ(index[c.moved],
              fresh.Load()
                  .memories[kInternal]
                  .files[std::find(c.order.begin(), c.order.end(), c.moved) -
                         c.order.begin()]
                  .index);
  }
  SetEnvironmentVariableA("DAVU_PLAYER", store.folder.c_str());
  store.Put(kInternal, "E", "E");
  EXPECT_NE(0, lib.ChangeOrder(kInternal, 0x5555, 0));
  EXPECT_EQ(std::vector<std::string>{"E"}, store.Names(kInternal));
}

TEST_F(Library, FormatEmptiesOnlyThatMemory) {
  store.Put(kInternal, "a", "1");
  store.Put(kInternal, "b", "2");
  store.Put(kExternal, "c", "3");
  ProgressRecorder recorder;
  lib.SetProgressWindow(recorder.window());
  lib.Format(kInternal);
  EXPECT_TRUE(store.Names(kInternal).empty());
  EXPECT_EQ(std::vector<std::string>{"c"}, store.Names(kExternal));
  EXPECT_TRUE(recorder.WaitForComplete());
  EXPECT_EQ(1u << 20, recorder.Bytes());
  lib.Format(kExternal);
  EXPECT_TRUE(store.Names(kExternal).empty());
  lib.SetProgressWindow(nullptr);
}

// playerctl reads the index while the plug-in formats or sends: a reader
// holding it for a moment delays the save, and never fails it.
TEST_F(Library, FormatSavesTheIndexWhileAReaderHoldsItForAMoment) {
  for (DWORD heldMs : {0, 100, 400}) {
    store.Put(kInternal, "a", "1");
    HANDLE held = CreateFileA((store.folder + "index.txt").c_str(),
                              GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread letGo([&] {
      Sleep(heldMs);
      CloseHandle(held);
    });
    EXPECT_EQ(0, lib.Format(kInternal)) << "held " << heldMs << " ms";
    letGo.join();
    EXPECT_TRUE(store.Names(kInternal).empty()) << "held " << heldMs << " ms";
  }
}

TEST_F(Library, ProgressIsSentToAWindowOfAnotherThread) {
  Configure([](simplayer::PlayerConfig &c) { c.chunkSize = 1000; });
  std::string path = pc / "p.mp3";
  testing_support::WriteFileBytes(path, Pattern(4500));
  ProgressRecorder recorder;
  lib.SetProgressWindow(recorder.window());
  ASSERT_EQ(0, lib.Download(kInternal, path.c_str()));
  // Sent messages have been handled before the call returns.
  std::vector<WPARAM> expected = {1000, 1000, 1000,
                                  1000, 500,  usbctrl::kFileComplete};
  EXPECT_EQ(expected, recorder.Messages());

  uint16_t index = store.Load().memories[kInternal].files[0].index;
  CurrentFolder here(pc.Path());
  DeleteFileA(path.c_str());
  ASSERT_EQ(0, lib.Upload(kInternal, index));
  ASSERT_EQ(0, lib.Delete(kInternal, index));
  std::vector<WPARAM> all = recorder.Messages();
  EXPECT_EQ(18u, all.size());
  EXPECT_EQ(3 * 4500u, recorder.Bytes());

  lib.SetProgressWindow(nullptr);
  testing_support::WriteFileBytes(path, Pattern(10));
  ASSERT_EQ(0, lib.Download(kInternal, path.c_str()));
  Sleep(50);
  EXPECT_EQ(18u, recorder.Messages().size());
}

TEST_F(Library, ProgressCanBePosted) {
  Configure([](simplayer::PlayerConfig &c) {
    c.chunkSize = 3000;
    c.postMessages = true;
  });
  std::string path = pc / "p.mp3";
  testing_support::WriteFileBytes(path, Pattern(7000));
  ProgressRecorder recorder;
  lib.SetProgressWindow(recorder.window());
  ASSERT_EQ(0, lib.Download(kExternal, path.c_str()));
  ASSERT_TRUE(recorder.WaitForComplete());
  std::vector<WPARAM> expected = {3000, 3000, 1000, usbctrl::kFileComplete};
  EXPECT_EQ(expected, recorder.Messages());
  lib.SetProgressWindow(nullptr);
}

// Cancels from the window's thread as soon as the first progress arrives.
class Cancellation : public Library {
protected:
  void SetUp() override {
    Library::SetUp();
    Configure([](simplayer::PlayerConfig &c) {
      c.chunkSize = 4096;
      c.bytesPerSecond = 40960; // 100 ms a chunk: 10 s for the whole file
    });
  }
  std::string bytes = Pattern(400 * 1024);
  std::atomic<int> cancels{0};
  ProgressRecorder recorder{[this](WPARAM) {
    if (cancels++ == 0)
      lib.SetCancelFlag();
  }};
};

TEST_F(Cancellation, DownloadReturnsSoonAndStoresNothing) {
  std::string path = pc / "long.mp3";
  testing_support::WriteFileBytes(path, bytes);
  lib.SetProgressWindow(recorder.window());
  DWORD start = GetTickCount();
  EXPECT_NE(0, lib.Download(kInternal, path.c_str()));
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_TRUE(store.Names(kInternal).empty());
  // The next call works normally.
  Configure([](simplayer::PlayerConfig &c) { c.bytesPerSecond = 0; });
  EXPECT_EQ(0, lib.Download(kInternal, path.c_str()));
  EXPECT_EQ(std::vector<std::string>{"long.mp3"}, store.Names(kInternal));
  lib.SetProgressWindow(nullptr);
}

TEST_F(Cancellation, UploadReturnsSoonAndTheNextOneWorks) {
  uint16_t index = store.Put(kInternal, "long.mp3", bytes);
  CurrentFolder here(pc.Path());
  lib.SetProgressWindow(recorder.window());
  DWORD start = GetTickCount();
  EXPECT_NE(0, lib.Upload(kInternal, index));
  EXPECT_LT(GetTickCount() - start, 3000u);
  std::string partial;
  ASSERT_TRUE(testing_support::ReadFileBytes(pc / "long.mp3", &partial));
  EXPECT_LT(partial.size(), bytes.size());
  Configure([](simplayer::PlayerConfig &c) { c.bytesPerSecond = 0; });
  EXPECT_EQ(0, lib.Upload(kInternal, index));
  std::string whole;
  ASSERT_TRUE(testing_support::ReadFileBytes(pc / "long.mp3", &whole));
  EXPECT_EQ(bytes, whole);
  lib.SetProgressWindow(nullptr);
}

TEST_F(Cancellation, DeleteKeepsTheFile) {
  uint16_t index = store.Put(kExternal, "long.mp3", bytes);
  lib.SetProgressWindow(recorder.window());
  EXPECT_NE(0, lib.Delete(kExternal, index));
  EXPECT_EQ(std::vector<std::string>{"long.mp3"}, store.Names(kExternal));
  lib.SetProgressWindow(nullptr);
}

TEST_F(Library, FailRulesByMethodCallNumberAndIndex) {
  uint16_t a = store.Put(kInternal, "a", "1");
  uint16_t b = store.Put(kInternal, "b", "2");
  Configure([&](simplayer::PlayerConfig &c) {
    simplayer::FailRule second;
    second.method = "Upload";
    second.nth = 2;
    second.result = 21;
    simplayer::FailRule onlyB;
    onlyB.method = "Delete";
    onlyB.index = b;
    onlyB.result = 22;
    simplayer::FailRule versions;
    versions.method = "GetVersionInfo";
    versions.result = 23;
    c.failRules = {second, onlyB, versions};
  });
  CurrentFolder here(pc.Path());
  EXPECT_EQ(0, lib.Upload(kInternal, a));
  EXPECT_EQ(21, lib.Upload(kInternal, a));
  EXPECT_EQ(0, lib.Upload(kInternal, a));
  EXPECT_EQ(22, lib.Delete(kInternal, b));
  EXPECT_EQ(0, lib.Delete(kInternal, a));
  unsigned char text[64];
  EXPECT_EQ(23, lib.GetVersionInfo(text));
  EXPECT_EQ(23, lib.GetVersionInfo(text));
  EXPECT_EQ(std::vector<std::string>{"b"}, store.Names(kInternal));
}

TEST_F(Library, EveryCallIsLoggedWithItsArgumentsAndResult) {
  simplayer::ClearCallLog(store.folder);
  lib.Construct();
  uint16_t a = store.Put(kInternal, "a", "1");
  lib.Delete(kInternal, a);
  lib.Delete(kInternal, a);
  lib.SetCancelFlag();
  std::vector<simplayer::CallRecord> log;
  ASSERT_TRUE(simplayer::ReadCallLog(store.folder, &log));
  ASSERT_EQ(4u, log.size());
  EXPECT_EQ("CUSBCTRL", log[0].method);
  EXPECT_EQ("Delete", log[1].method);
  EXPECT_EQ((std::vector<std::string>{"0", std::to_string(a)}), log[1].args);
  EXPECT_EQ("0", log[1].result);
  EXPECT_EQ(std::to_string(simplayer::kResultUnknownIndex), log[2].result);
  EXPECT_EQ("SetCancelFlag", log[3].method);
}

TEST(LibraryLifetime, StoreSurvivesUnloadingTheLibrary) {
  StoreFixture store;
  TempDir pc;
  std::string path = pc / "kept.mp3";
  testing_support::WriteFileBytes(path, Pattern(1234));
  {
    SimLibrary lib;
    ASSERT_TRUE(lib.Bound());
    ASSERT_EQ(0, lib.Download(kInternal, path.c_str()));
  }
  SimLibrary again;
  ASSERT_TRUE(again.Bound());
  usbctrl::tagFILE_ENTRY record;
  ASSERT_EQ(0, again.FindFirst(kInternal, &record));
  EXPECT_STREQ("kept.mp3", record.Name);
  EXPECT_EQ(1234u, record.FileSize);
}

TEST(LibraryLifetime, StoreFolderFromIniOrBesideTheLibrary) {
  TempDir root;
  std::string dll = root / "USBCTRL.dll";
  ASSERT_TRUE(testing_support::CopyFileTo(
      testing_support::ExeDir() + "USBCTRL.dll", dll));
  SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
  ASSERT_TRUE(simplayer::CreateStore(root / "player", 100, 0, nullptr));
  ASSERT_TRUE(simplayer::CreateStore(root / "other", 200, 0, nullptr));
  SimLibrary lib(dll);
  ASSERT_TRUE(lib.Bound());
  int v[4];
  lib.GetAvailMemory(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(100, v[0]);
  testing_support::WriteFileBytes(root / "USBCTRL.ini",
                                  "[Player]\r\nFolder=other\r\n");
  lib.GetAvailMemory(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(200, v[0]);
  SetEnvironmentVariableA("DAVU_PLAYER", (root / "player").c_str());
  lib.GetAvailMemory(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(100, v[0]);
  SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
}

} // namespace library
