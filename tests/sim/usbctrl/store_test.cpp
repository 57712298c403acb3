// The store API on its own: what survives a save and load, and how bad
// input and damaged files are refused.
#include "sim/usbctrl/player_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using simplayer::kExternal;
using simplayer::kInternal;
using simplayer::PlayerStore;
using simplayer::PutResult;
using testing_support::TempDir;

namespace {

struct Store : ::testing::Test {
  TempDir dir;
  std::string folder = dir / "store";
  PlayerStore store;
  void SetUp() override {
    ASSERT_TRUE(simplayer::CreateStore(folder, 1000, 500, nullptr));
    ASSERT_TRUE(simplayer::LoadStore(folder, &store, nullptr));
  }
  PlayerStore Reloaded() {
    PlayerStore again;
    std::string error;
    EXPECT_TRUE(simplayer::LoadStore(folder, &again, &error)) << error;
    return again;
  }
  PutResult Put(int memory, const std::string &name, size_t size,
                uint16_t *index = nullptr) {
    return simplayer::PutBytes(&store, memory, name, std::string(size, 'x'),
                               simplayer::CurrentTimes(), index, nullptr);
  }
};

TEST_F(Store, EverySettingAndFileSurvivesReloading) {
  simplayer::PlayerConfig &c = store.config;
  c.versionText = "Player \xc0 2.1";
  c.connectResult = 6;
  c.notReady = true;
  c.notReadyResult = -3;
  c.checkCardResult = 1;
  c.cardAbsent = true;
  c.memoryFull = true;
  c.indexHighBits = 0xffff0000u;
  c.unterminatedNames = true;
  c.chunkSize = 777;
  c.postMessages = true;
  c.bytesPerSecond = 12345;
  simplayer::FailRule rule;
  rule.method = "Upload";
  rule.nth = 3;
  rule.index = 9;
  rule.result = -8;
  rule.seen = 2;
  c.failRules.push_back(rule);
  rule.unplug = true;
  c.failRules.push_back(rule);
  c.unplugged = true;
  ASSERT_TRUE(simplayer::SaveStore(store, nullptr));
  simplayer::FileTimes times;
  times.creation = simplayer::MakeDosStamp(1999, 12, 31, 23, 59, 58);
  times.lastAccess = simplayer::MakeDosStamp(2000, 1, 1, 0, 0, 0);
  times.lastWrite = simplayer::MakeDosStamp(2107, 12, 31, 12, 0, 2);
  uint16_t index;
  ASSERT_EQ(PutResult::Done,
            simplayer::PutBytes(&store, kInternal, "a b\t\xff\x01", "bytes",
                                times, &index, nullptr));

  PlayerStore again = Reloaded();
  const simplayer::PlayerConfig &r = again.config;
  EXPECT_EQ(c.versionText, r.versionText);
  EXPECT_EQ(6, r.connectResult);
  EXPECT_TRUE(r.notReady);
  EXPECT_EQ(-3, r.notReadyResult);
  EXPECT_EQ(1, r.checkCardResult);
  EXPECT_TRUE(r.cardAbsent);
  EXPECT_TRUE(r.memoryFull);
  EXPECT_EQ(0xffff0000u, r.indexHighBits);
  EXPECT_TRUE(r.unterminatedNames);
  EXPECT_EQ(777u, r.chunkSize);
  EXPECT_TRUE(r.postMessages);
  EXPECT_EQ(12345u, r.bytesPerSecond);
  ASSERT_EQ(2u, r.failRules.size());
  EXPECT_FALSE(r.failRules[0].unplug);
  EXPECT_TRUE(r.failRules[1].unplug);
  EXPECT_TRUE(r.unplugged);
  EXPECT_EQ("Upload", r.failRules[0].method);
  EXPECT_EQ(3, r.failRules[0].nth);
  EXPECT_EQ(9, r.failRules[0].index);
  EXPECT_EQ(-8, r.failRules[0].result);
  EXPECT_EQ(2, r.failRules[0].seen);
  EXPECT_EQ(1000u, again.memories[kInternal].capacity);
  EXPECT_EQ(500u, again.memories[kExternal].capacity);
  ASSERT_EQ(1u, again.memories[kInternal].files.size());
  const simplayer::StoredFile &f = again.memories[kInternal].files[0];
  EXPECT_EQ("a b\t\xff\x01", f.name);
  EXPECT_EQ(index, f.index);
  EXPECT_EQ(5u, f.size);
  EXPECT_EQ(times.creation.date, f.times.creation.date);
  EXPECT_EQ(times.creation.time, f.times.creation.time);
  EXPECT_EQ(times.lastAccess.date, f.times.lastAccess.date);
  EXPECT_EQ(times.lastWrite.date, f.times.lastWrite.date);
  EXPECT_EQ(times.lastWrite.time, f.times.lastWrite.time);
  std::string bytes;
  EXPECT_TRUE(simplayer::ReadContents(again, kInternal, index, &bytes));
  EXPECT_EQ("bytes", bytes);
}

TEST_F(Store, BadPutsStoreNothing) {
  EXPECT_EQ(PutResult::BadName, Put(kInternal, "", 1));
  EXPECT_EQ(PutResult::BadName, Put(kInternal, std::string("a\0b", 3), 1));
  EXPECT_EQ(PutResult::BadName,
            Put(kInternal, std::string(simplayer::kMaxNameLength + 1, 'n'), 1));
  EXPECT_EQ(PutResult::Done,
            Put(kInternal, std::string(simplayer::kMaxNameLength, 'n'), 1));
  EXPECT_EQ(PutResult::MemoryFull, Put(kInternal, "big", 1000));
  EXPECT_EQ(PutResult::Done, Put(kInternal, "fits", 999));
  EXPECT_EQ(PutResult::MemoryFull, Put(kInternal, "one more", 1));
  EXPECT_EQ(PutResult::Done, Put(kInternal, "empty", 0));
  EXPECT_EQ(0u, simplayer::FreeSpace(store, kInternal));
  store.config.cardAbsent = true;
  EXPECT_EQ(PutResult::NoCard, Put(kExternal, "card", 1));
  EXPECT_EQ(PutResult::IoError,
            simplayer::PutPcFile(&store, kExternal, dir / "none", "", nullptr,
                                 nullptr, nullptr));
  PlayerStore again = Reloaded();
  EXPECT_EQ(3u, again.memories[kInternal].files.size());
  EXPECT_TRUE(again.memories[kExternal].files.empty());
}

TEST_F(Store, IndexesStayUniqueAndAreNotSoonReused) {
  uint16_t a, b, c;
  ASSERT_EQ(PutResult::Done, Put(kInternal, "a", 1, &a));
  ASSERT_EQ(PutResult::Done, Put(kInternal, "b", 1, &b));
  ASSERT_TRUE(simplayer::RemoveFile(&store, kInternal, a, nullptr));
  ASSERT_EQ(PutResult::Done, Put(kInternal, "c", 1, &c));
  EXPECT_NE(a, c);
  EXPECT_NE(b, c);
  EXPECT_FALSE(simplayer::RemoveFile(&store, kInternal, a, nullptr));
  EXPECT_FALSE(simplayer::MoveInOrder(&store, kInternal, a, 0, nullptr));
  // Counting goes round past 0xffff without meeting a taken index.
  store.memories[kInternal].nextIndex = 0xffff;
  uint16_t d, e;
  ASSERT_EQ(PutResult::Done, Put(kInternal, "d", 1, &d));
  ASSERT_EQ(PutResult::Done, Put(kInternal, "e", 1, &e));
  EXPECT_EQ(0xffff, d);
  EXPECT_NE(b, e);
  EXPECT_NE(c, e);
  EXPECT_NE(0, e);
}

TEST_F(Store, DamagedIndexIsRefusedWithAReason) {
  const char *damaged[] = {
      "",
      "something else\n",
      "DAVU-PLAYER-STORE 1\nmemory 2 100 1\n",
      "DAVU-PLAYER-STORE 1\nchunk-size -4\n",
      "DAVU-PLAYER-STORE 1\nfile 0 1 5 0 0 0 0 0 0 6a\nfile 0 1 5 0 0 0 0 0 0 "
      "6b\n",
      "DAVU-PLAYER-STORE 1\nfile 0 1 5 0 0 0 0 0 0 6\n",
      "DAVU-PLAYER-STORE 1\nunknown-setting 1\n",
  };
  for (const char *text : damaged) {
    ASSERT_TRUE(testing_support::WriteFileBytes(folder + "\\index.txt", text));
    PlayerStore loaded;
    std::string error;
    EXPECT_FALSE(simplayer::LoadStore(folder, &loaded, &error)) << text;
    EXPECT_NE(std::string::npos, error.find("index.txt")) << error;
  }
}

TEST(StoreFolder, FreshFolderIsAnEmptyPlayerAndMissingOneIsAnError) {
  TempDir dir;
  PlayerStore store;
  ASSERT_TRUE(simplayer::LoadStore(dir.Path(), &store, nullptr));
  EXPECT_EQ(simplayer::kDefaultInternalCapacity,
            store.memories[kInternal].capacity);
  EXPECT_TRUE(store.memories[kInternal].files.empty());
  std::string error;
  EXPECT_FALSE(simplayer::LoadStore(dir / "absent", &store, &error));
  EXPECT_FALSE(error.empty());
}

TEST(StoreFolder, CreatingAgainEmptiesTheStore) {
  TempDir dir;
  std::string folder = dir / "a\\b\\c";
  ASSERT_TRUE(simplayer::CreateStore(folder, 100, 0, nullptr));
  PlayerStore store;
  ASSERT_TRUE(simplayer::LoadStore(folder, &store, nullptr));
  uint16_t index;
  ASSERT_EQ(PutResult::Done,
            simplayer::PutBytes(&store, kInternal, "f", "1",
                                simplayer::CurrentTimes(), &index, nullptr));
  EXPECT_FALSE(simplayer::MemoryPresent(store, kExternal));
  ASSERT_TRUE(simplayer::CreateStore(folder, 100, 0, nullptr));
  ASSERT_TRUE(simplayer::LoadStore(folder, &store, nullptr));
  EXPECT_TRUE(store.memories[kInternal].files.empty());
  EXPECT_FALSE(
      testing_support::FileExists(simplayer::ContentPath(store, 0, index)));
}

TEST(CallLog, ArgumentsRoundTripWhateverTheirBytes) {
  TempDir dir;
  simplayer::CallRecord record;
  record.method = "Download";
  record.args = {"1", "C:\\a\tb=c\r\n\xe9%41", "", "="};
  record.result = "-1";
  ASSERT_TRUE(simplayer::AppendCallLog(dir.Path(), record));
  ASSERT_TRUE(simplayer::AppendCallLog(dir.Path(), record));
  std::vector<simplayer::CallRecord> log;
  ASSERT_TRUE(simplayer::ReadCallLog(dir.Path(), &log));
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ(record.method, log[1].method);
  EXPECT_EQ(record.args, log[1].args);
  EXPECT_EQ(record.result, log[1].result);
  ASSERT_TRUE(simplayer::ClearCallLog(dir.Path()));
  ASSERT_TRUE(simplayer::ReadCallLog(dir.Path(), &log));
  EXPECT_TRUE(log.empty());
}

TEST(DosStamps, FromFileTimeMatchesTheLocalCalendar) {
  SYSTEMTIME local = {2021, 1, 0, 1, 12, 30, 58, 0};
  FILETIME localFt, utc;
  ASSERT_TRUE(SystemTimeToFileTime(&local, &localFt));
  ASSERT_TRUE(LocalFileTimeToFileTime(&localFt, &utc));
  simplayer::DosStamp stamp;
  ASSERT_TRUE(simplayer::DosStampFromFileTime(utc, &stamp));
  simplayer::DosStamp made = simplayer::MakeDosStamp(2021, 1, 1, 12, 30, 58);
  EXPECT_EQ((41 << 9) | (1 << 5) | 1, made.date);
  EXPECT_EQ((12 << 11) | (30 << 5) | 29, made.time);
  EXPECT_EQ(made.date, stamp.date);
  EXPECT_EQ(made.time, stamp.time);
}

} // namespace
