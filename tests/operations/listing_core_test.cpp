// GetFindData and FreeFindData of the linked core against a scripted
// library: every field of an item, cut names, untrusted records.
#include "device/device_link.h"
#include "device/file_time.h"
#include "operations/listing.h"
#include "plugin/messages.h"
#include "tests/support/core_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using usbctrl::tagFILE_ENTRY;

struct Memory {
  std::vector<tagFILE_ENTRY> records;
  size_t next = 0;
};
Memory memories[2];
int not_ready = 0;

int Find(int memory, tagFILE_ENTRY *record, bool first) {
  Memory &m = memories[memory];
  if (first)
    m.next = 0;
  if (m.next >= m.records.size())
    return -1;
  *record = m.records[m.next++];
  return 0;
}
int __fastcall FindFirstInternal(void *, void *, tagFILE_ENTRY *r) {
  return Find(0, r, true);
}
int __fastcall FindNextInternal(void *, void *, tagFILE_ENTRY *r) {
  return Find(0, r, false);
}
int __fastcall FindFirstExternal(void *, void *, tagFILE_ENTRY *r) {
  return Find(1, r, true);
}
int __fastcall FindNextExternal(void *, void *, tagFILE_ENTRY *r) {
  return Find(1, r, false);
}
int __fastcall DumpUsbConfig(void *, void *) {
  return not_ready;
}

tagFILE_ENTRY Record(const std::string &name, uint32_t index, uint32_t size,
                     uint16_t date, uint16_t time) {
  tagFILE_ENTRY r;
  memset(&r, 0, sizeof r);
  memcpy(r.Name, name.data(), std::min(name.size(), sizeof r.Name));
  r.CreationDate = date;
  r.CreationTime = time;
  r.LastAccessDate = static_cast<uint16_t>(date + 1);
  r.LastAccessTime = 0;
  r.LastWriteDate = static_cast<uint16_t>(date + 2);
  r.LastWriteTime = static_cast<uint16_t>(time + 1);
  r.FileIndex = index;
  r.FileSize = size;
  return r;
}

uint64_t Ticks(const FILETIME &t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
uint64_t Expected(uint16_t date, uint16_t time) {
  FILETIME local = {}, utc = {};
  if (!::DosDateTimeToFileTime(date, time, &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return 0;
  return Ticks(utc);
}

class Listing : public ::testing::Test {
protected:
  void SetUp() override {
    spine_test::InstallCoreHost();
    memories[0] = Memory();
    memories[1] = Memory();
    not_ready = 0;
    davu::DeviceEntryPoints &e = davu::Device().Entry;
    e.FindFirstInternal = FindFirstInternal;
    e.FindNextInternal = FindNextInternal;
    e.FindFirstExternal = FindFirstExternal;
    e.FindNextExternal = FindNextExternal;
    e.dumpUsbConfig = DumpUsbConfig;
  }
  void List() {
    items = reinterpret_cast<farapi::PluginPanelItem *>(1);
    count = -5;
    EXPECT_EQ(davu::GetFindDataImpl(&session, &items, &count, 0), 1);
    EXPECT_EQ(davu::Device().OpMode.load(), 0);
  }
  void TearDown() override { davu::FreeFindDataImpl(&session, items, count); }
  davu::PanelSession session;
  farapi::PluginPanelItem *items = nullptr;
  int count = 0;
};

const WORD kDate = (25 << 9) | (3 << 5) | 14; // 14 March 2005
const WORD kTime = (9 << 11) | (26 << 5) | 20;

TEST_F(Listing, EveryFieldOfEveryItemInLibraryOrder) {
  memories[0].records = {Record("b.mp3", 7, 1234, kDate, kTime),
                         Record("a.mp3", 3, 99, kDate + 40, kTime + 3),
                         Record("c\xC4.wma", 12, 0, kDate, 0)};
  List();
  ASSERT_EQ(count, 3);
  for (int i = 0; i < count; ++i) {
    const tagFILE_ENTRY &r = memories[0].records[i];
    const farapi::PluginPanelItem &item = items[i];
    const farapi::FindData &d = item.FindData;
    EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(Ticks(d.ftCreationTime),
              Expected(r.CreationDate, r.CreationTime));
    EXPECT_EQ(Ticks(d.ftLastAccessTime),
              Expected(r.LastAccessDate, r.LastAccessTime));
    EXPECT_EQ(Ticks(d.ftLastWriteTime),
              Expected(r.LastWriteDate, r.LastWriteTime));
    EXPECT_NE(Ticks(d.ftLastWriteTime), 0u);
    EXPECT_EQ(d.nFileSizeHigh, 0u);
    EXPECT_EQ(d.nFileSizeLow, r.FileSize);
    EXPECT_EQ(d.dwReserved0, 0u);
    EXPECT_EQ(d.dwReserved1, 0u);
    EXPECT_EQ(item.PackSizeHigh, 0u);
    EXPECT_EQ(item.PackSize, r.FileSize);
    EXPECT_EQ(item.Flags, 0u);
    EXPECT_EQ(item.NumberOfLinks, 0u);
    EXPECT_EQ(item.Description, nullptr);
    EXPECT_EQ(item.Owner, nullptr);
    EXPECT_EQ(item.CustomColumnData, nullptr);
    EXPECT_EQ(item.CustomColumnNumber, 0);
    EXPECT_EQ(item.UserData, r.FileIndex);
    EXPECT_EQ(item.CRC32, 0u);
    EXPECT_EQ(item.Reserved[0], 0u);
    EXPECT_EQ(item.Reserved[1], 0u);
    for (char c : d.cAlternateFileName)
      EXPECT_EQ(c, 0);
    size_t length = strlen(d.cFileName);
    for (size_t k = length; k < sizeof d.cFileName; ++k)
      ASSERT_EQ(d.cFileName[k], 0);
  }
  EXPECT_STREQ(items[0].FindData.cFileName, "b.mp3");
  EXPECT_STREQ(items[1].FindData.cFileName, "a.mp3");
  // The name reaches the panel in the PC's code page, through message 57.
  std::string pcName = "c";
  pcName += spine_test::Recorded().messages[davu::MSG_TABLE_TO_PC][0xC4 - 0x80];
  pcName += ".wma";
  EXPECT_EQ(std::string(items[2].FindData.cFileName), pcName);
}

TEST_F(Listing, EmptyMemoryGivesNoArray) {
  List();
  EXPECT_EQ(count, 0);
  EXPECT_EQ(items, nullptr);
  davu::FreeFindDataImpl(&session, nullptr, 0);
}

TEST_F(Listing, SelectedMemoryIsListed) {
  memories[0].records = {Record("inner.mp3", 1, 1, kDate, kTime)};
  memories[1].records = {Record("card1.mp3", 1, 1, kDate, kTime),
                         Record("card2.mp3", 2, 1, kDate, kTime)};
  session.Memory = davu::MEM_EXTERNAL;
  List();
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(items[1].FindData.cFileName, "card2.mp3");
}

TEST_F(Listing, IndexKeepsItsLow16Bits) {
  memories[0].records = {Record("x.mp3", 0x7A0012u, 1, kDate, kTime),
                         Record("y.mp3", 65536u, 1, kDate, kTime)};
  List();
  ASSERT_EQ(count, 2);
  EXPECT_EQ(items[0].UserData, 0x12u);
  EXPECT_EQ(items[1].UserData, 0u);
}

TEST_F(Listing, LongNamesAreCutAt260Bytes) {
  std::string name(300, 'n');
  name[259] = 'L';
  name[260] = 'X';
  memories[0].records = {Record(name, 1, 1, kDate, kTime)};
  List();
  ASSERT_EQ(count, 1);
  EXPECT_EQ(std::string(items[0].FindData.cFileName, 260), name.substr(0, 260));
  EXPECT_EQ(items[0].FindData.cAlternateFileName[0], 0);
}

TEST_F(Listing, RecordNameWithoutZeroByteStaysInsideItsField) {
  tagFILE_ENTRY r = Record(std::string(1027, 'z'), 4, 5, kDate, kTime);
  memories[0].records = {r};
  tagFILE_ENTRY seen;
  ASSERT_EQ(davu::Device().FindFirst(0, &seen), 0);
  EXPECT_EQ(strnlen(seen.Name, sizeof seen.Name), sizeof seen.Name - 1);
  EXPECT_EQ(seen.CreationTime, kTime); // the fields after it are untouched
  List();
  ASSERT_EQ(count, 1);
  EXPECT_EQ(std::string(items[0].FindData.cFileName, 260),
            std::string(260, 'z'));
  EXPECT_EQ(items[0].UserData, 4u);
}

TEST_F(Listing, InvalidDatesGiveZeroNotTheEarlierItemsTime) {
  memories[0].records = {Record("good.mp3", 1, 1, kDate, kTime),
                         Record("bad.mp3", 2, 1, 0, 0)};
  memories[0].records[1].LastWriteDate = (20 << 9) | (13 << 5) | 1;
  List();
  ASSERT_EQ(count, 2);
  EXPECT_NE(Ticks(items[0].FindData.ftCreationTime), 0u);
  EXPECT_EQ(Ticks(items[1].FindData.ftCreationTime), 0u);
  EXPECT_EQ(Ticks(items[1].FindData.ftLastWriteTime), 0u);
}

TEST_F(Listing, PlayerNotReadyShowsTheNoticeAndListsNothing) {
  memories[0].records = {Record("a.mp3", 1, 1, kDate, kTime)};
  not_ready = 1;
  for (int opMode : {0, int(farapi::OPM_FIND), int(farapi::OPM_SILENT)}) {
    spine_test::Recorded().boxes.clear();
    items = reinterpret_cast<farapi::PluginPanelItem *>(1);
    count = 9;
    EXPECT_EQ(davu::GetFindDataImpl(&session, &items, &count, opMode), 1);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(spine_test::Recorded().boxes.size(), 1u);
    const spine_test::RecordedBox &box = spine_test::Recorded().boxes[0];
    EXPECT_EQ(box.flags, static_cast<DWORD>(farapi::FMSG_WARNING));
    EXPECT_EQ(box.helpTopic, "Messages");
    EXPECT_EQ(box.items, spine_test::Texts({7, 10, 44}));
    EXPECT_EQ(box.buttons, 1);
  }
}

} // namespace
