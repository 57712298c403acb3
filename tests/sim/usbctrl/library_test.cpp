// The simulated USBCTRL.dll through its exported names and the contract's
// call types, against stores in temporary folders.
#include "tests/sim/usbctrl/library_fixture.h"

namespace library {

TEST_F(Library, ConstructorReturnsItsObjectAndWritesNothingIntoIt) {
  memset(lib.object, 0xCC, sizeof lib.object);
  EXPECT_EQ(lib.object, lib.Construct());
  for (unsigned char b : lib.object)
    ASSERT_EQ(0xCC, b);
}

TEST_F(Library, VersionInfoWritesTextAndReturnsTheConfiguredResult) {
  unsigned char text[64];
  memset(text, 'x', sizeof text);
  EXPECT_EQ(0, lib.GetVersionInfo(text));
  EXPECT_STREQ(store.Load().config.versionText.c_str(),
               reinterpret_cast<char *>(text));

  Configure([](simplayer::PlayerConfig &c) {
    c.connectResult = 6;
    c.versionText = std::string(100, 'v');
  });
  memset(text, 'x', sizeof text);
  EXPECT_EQ(6, lib.GetVersionInfo(text));
  EXPECT_EQ(std::string(63, 'v'), reinterpret_cast<char *>(text));

  Configure([](simplayer::PlayerConfig &c) { c.connectResult = 9; });
  EXPECT_EQ(9, lib.GetVersionInfo(text));
}

TEST_F(Library, NoStoreFolderMeansNoPlayer) {
  SetEnvironmentVariableA("DAVU_PLAYER", (pc / "missing\\").c_str());
  unsigned char text[64];
  EXPECT_NE(0, lib.GetVersionInfo(text));
  EXPECT_NE(0, lib.DumpUsbConfig());
  usbctrl::tagFILE_ENTRY record;
  EXPECT_EQ(-1, lib.FindFirst(kInternal, &record));
}

TEST_F(Library, ReadinessAndCardCheckFollowTheConfiguration) {
  EXPECT_EQ(0, lib.DumpUsbConfig());
  EXPECT_EQ(0, lib.CheckSMCCard());
  Configure([](simplayer::PlayerConfig &c) {
    c.notReady = true;
    c.notReadyResult = 12;
    c.checkCardResult = 1;
  });
  EXPECT_EQ(12, lib.DumpUsbConfig());
  EXPECT_EQ(1, lib.CheckSMCCard());
}

TEST_F(Library, AvailMemoryReportsTotalsAndFreeSpace) {
  store.Put(kInternal, "a.mp3", Pattern(1000));
  store.Put(kExternal, "b.mp3", Pattern(300));
  int v[4] = {-1, -1, -1, -1};
  lib.GetAvailMemory(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(1 << 20, v[0]);
  EXPECT_EQ((1 << 20) - 1000, v[1]);
  EXPECT_EQ(2 << 20, v[2]);
  EXPECT_EQ((2 << 20) - 300, v[3]);

  Configure([](simplayer::PlayerConfig &c) { c.cardAbsent = true; });
  lib.GetAvailMemory(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(0, v[2]);
  EXPECT_EQ(0, v[3]);
  usbctrl::tagFILE_ENTRY record;
  EXPECT_EQ(-1, lib.FindFirst(kExternal, &record));
  std::string path = pc / "c.mp3";
  testing_support::WriteFileBytes(path, "abc");
  EXPECT_NE(0, lib.Download(kExternal, path.c_str()));
}

TEST_F(Library, RecordLayoutOnRawBytes) {
  simplayer::PlayerStore s = store.Load();
  simplayer::FileTimes times;
  times.creation = simplayer::MakeDosStamp(2001, 2, 3, 4, 5, 6);
  times.lastAccess = simplayer::MakeDosStamp(2002, 3, 4, 5, 6, 8);
  times.lastWrite = simplayer::MakeDosStamp(2003, 4, 5, 6, 7, 10);
  std::string name = "Caf\xe9 \x80\xff.mp3";
  uint16_t index = 0;
  ASSERT_EQ(simplayer::PutResult::Done,
            simplayer::PutBytes(&s, kInternal, name, Pattern(4321), times,
                                &index, nullptr));

  unsigned char raw[1048];
  memset(raw, 0xEE, sizeof raw);
  auto *record = reinterpret_cast<usbctrl::tagFILE_ENTRY *>(raw);
  ASSERT_EQ(0, lib.FindFirst(kInternal, record));
  EXPECT_EQ(0, memcmp(raw, name.c_str(), name.size() + 1));
  EXPECT_EQ(times.creation.time, Word(raw, 1027));
  EXPECT_EQ(times.creation.date, Word(raw, 1029));
  EXPECT_EQ(times.lastAccess.date, Word(raw, 1031));
  EXPECT_EQ(times.lastAccess.time, Word(raw, 1033));
  EXPECT_EQ(times.lastWrite.time, Word(raw, 1035));
  EXPECT_EQ(times.lastWrite.date, Word(raw, 1037));
  EXPECT_EQ(index, Dword(raw, 1040));
  EXPECT_EQ(4321u, Dword(raw, 1044));
  EXPECT_EQ(-1, lib.FindNext(kInternal, record));
}

TEST_F(Library, IndexAndNameFaultsShapeTheRecord) {
  uint16_t index = store.Put(kInternal, "short.mp3", "x");
  Configure([](simplayer::PlayerConfig &c) {
    c.indexHighBits = 0xABCD0000u;
    c.unterminatedNames = true;
  });
  unsigned char raw[1048];
  auto *record = reinterpret_cast<usbctrl::tagFILE_ENTRY *>(raw);
  ASSERT_EQ(0, lib.FindFirst(kInternal, record));
  EXPECT_EQ(0xABCD0000u | index, Dword(raw, 1040));
  EXPECT_EQ(nullptr, memchr(raw, 0, 1027));
  EXPECT_EQ(0, memcmp(raw, "short.mp3", 9));
  // The library names files by the 16-bit index alone.
  EXPECT_NE(0, lib.Delete(kInternal, static_cast<int>(Dword(raw, 1040))));
  EXPECT_EQ(0, lib.Delete(kInternal, index));
}

TEST_F(Library, SameNamesAreDistinctFilesWithStableIndexes) {
  uint16_t a = store.Put(kInternal, "same.mp3", "first");
  uint16_t b = store.Put(kInternal, "same.mp3", "second");
  uint16_t c = store.Put(kInternal, "other.mp3", "third");
  EXPECT_NE(a, b);
  ASSERT_EQ(0, lib.Delete(kInternal, a));
  ASSERT_EQ(0, lib.ChangeOrder(kInternal, c, 0));
  usbctrl::tagFILE_ENTRY record;
  ASSERT_EQ(0, lib.FindFirst(kInternal, &record));
  EXPECT_EQ(c, record.FileIndex);
  ASSERT_EQ(0, lib.FindNext(kInternal, &record));
  EXPECT_EQ(b, record.FileIndex);
  EXPECT_STREQ("same.mp3", record.Name);
  EXPECT_EQ(6u, record.FileSize);
}

TEST_F(Library, EnumerationGoesOnAcrossDeletes) {
  std::vector<uint16_t> indexes;
  for (const char *name : {"A", "B", "C", "D", "E"})
    indexes.push_back(store.Put(kInternal, name, name));
  usbctrl::tagFILE_ENTRY record;
  std::vector<std::string> seen;
  ASSERT_EQ(0, lib.FindFirst(kInternal, &record));
  seen.push_back(record.Name);
  ASSERT_EQ(0, lib.Delete(kInternal, record.FileIndex)); // the one just read
  ASSERT_EQ(0, lib.FindNext(kInternal, &record));
  seen.push_back(record.Name);
  ASSERT_EQ(0, lib.Delete(kInternal, indexes[2])); // one still ahead
  while (lib.FindNext(kInternal, &record) == 0)
    seen.push_back(record.Name);
  EXPECT_EQ((std::vector<std::string>{"A", "B", "D", "E"}), seen);
  EXPECT_EQ((std::vector<std::string>{"B", "D", "E"}), store.Names(kInternal));
}

TEST_F(Library, DeleteAllWhileEnumeratingOneByOne) {
  for (const char *name : {"A", "B", "C"})
    store.Put(kExternal, name, name);
  usbctrl::tagFILE_ENTRY record;
  int deleted = 0;
  for (int r = lib.FindFirst(kExternal, &record); r == 0;
       r = lib.FindNext(kExternal, &record))
    deleted += lib.Delete(kExternal, record.FileIndex) == 0;
  EXPECT_EQ(3, deleted);
  EXPECT_TRUE(store.Names(kExternal).empty());
}

} // namespace library
