// GetFindData and FreeFindData: what the host receives for each file of the
// selected memory. Every case runs through the seams that can express it:
// the linked core against a scripted library (any record the library could
// hand over), and the real DAVUman.dll against the simulated player under
// the recording host.
#include "device/device_link.h"
#include "operations/listing.h"
#include "services/messages.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/operations/listing_cases.h"
#include "tests/support/core_host.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace listing_cases;

// The record's Name field as the library fills it.
std::string Field(const File &file, bool unterminated) {
  std::string field = file.name.substr(0, sizeof tagFILE_ENTRY::Name);
  if (unterminated)
    field.resize(sizeof tagFILE_ENTRY::Name, '_');
  return field;
}

// ---- The linked core against a scripted library ----

std::vector<tagFILE_ENTRY> scripted[simplayer::kMemoryCount];
size_t next_record[simplayer::kMemoryCount];
int not_ready = 0;

int Find(int memory, tagFILE_ENTRY *record, bool first) {
  if (first)
    next_record[memory] = 0;
  if (next_record[memory] >= scripted[memory].size())
    return -1;
  *record = scripted[memory][next_record[memory]++];
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

tagFILE_ENTRY Record(const File &file, const Case &c) {
  tagFILE_ENTRY r;
  memset(&r, 0, sizeof r);
  std::string field = Field(file, c.unterminated);
  memcpy(r.Name, field.data(), field.size());
  r.CreationDate = file.times.creation.date;
  r.CreationTime = file.times.creation.time;
  r.LastAccessDate = file.times.lastAccess.date;
  r.LastAccessTime = file.times.lastAccess.time;
  r.LastWriteDate = file.times.lastWrite.date;
  r.LastWriteTime = file.times.lastWrite.time;
  r.FileIndex = file.index | c.highBits;
  r.FileSize = file.size;
  return r;
}

void ListOnCore(const Case &c, std::vector<uint32_t> *words, Listed *out) {
  spine_test::InstallCoreHost();
  for (int m = 0; m < simplayer::kMemoryCount; ++m)
    scripted[m].clear();
  not_ready = c.notReady ? 1 : 0;
  davu::DeviceEntryPoints &e = davu::Device().Entry;
  e.FindFirstInternal = FindFirstInternal;
  e.FindNextInternal = FindNextInternal;
  e.FindFirstExternal = FindFirstExternal;
  e.FindNextExternal = FindNextExternal;
  e.dumpUsbConfig = DumpUsbConfig;
  for (const File &file : c.files) {
    scripted[file.memory].push_back(Record(file, c));
    words->push_back(scripted[file.memory].back().FileIndex);
  }

  // The link hands a record on with its name ended inside the field and the
  // fields after it untouched.
  if (!scripted[c.listed].empty()) {
    const tagFILE_ENTRY &first = scripted[c.listed][0];
    tagFILE_ENTRY seen;
    ASSERT_EQ(davu::Device().FindFirst(c.listed, &seen), 0);
    EXPECT_EQ(
        strnlen(seen.Name, sizeof seen.Name),
        std::min(strnlen(first.Name, sizeof first.Name), sizeof seen.Name - 1));
    EXPECT_EQ(seen.CreationTime, first.CreationTime);
    EXPECT_EQ(seen.FileIndex, first.FileIndex);
  }

  davu::PanelSession session;
  session.Memory = c.listed;
  farapi::PluginPanelItem *items =
      reinterpret_cast<farapi::PluginPanelItem *>(1);
  int count = -5;
  int result = davu::GetFindDataImpl(&session, &items, &count, c.opMode);
  if (result != 1)
    out->problems.push_back("GetFindData returned " + std::to_string(result));
  if (davu::Device().OpMode.load() != 0)
    out->problems.push_back("the operation mode stayed set");
  out->messages = spine_test::Recorded().messages;
  out->count = count;
  out->arrayGiven = items != nullptr;
  if (items && count > 0)
    out->items.assign(items, items + count);
  davu::FreeFindDataImpl(&session, items, count);
  for (const spine_test::RecordedBox &box : spine_test::Recorded().boxes)
    out->boxes.push_back({box.flags, box.helpTopic, box.items, box.buttons});
}

// ---- The real DAVUman.dll against the simulated player ----

class SimulatedPlayer {
public:
  SimulatedPlayer() {
    started_ = plugin_fixture::StartPlayer(store_.Path(), 16u << 20, 32u << 20);
  }
  ~SimulatedPlayer() {
    host_.reset();
    plugin_fixture::StopPlayer();
  }

  void List(const Case &c, std::vector<uint32_t> *words, Listed *out) {
    ASSERT_TRUE(started_);
    for (const File &file : c.files) {
      uint16_t index = 0;
      ASSERT_TRUE(plugin_fixture::PutOnPlayer(
          store_.Path(), file.memory, file.name, std::string(file.size, 'b'),
          file.times, &index));
      words->push_back(index | c.highBits);
    }
    plugin_fixture::ChangePlayer(store_.Path(),
                                 [&c](simplayer::PlayerStore &s) {
                                   s.config.indexHighBits = c.highBits;
                                   s.config.unterminatedNames = c.unterminated;
                                 });
    // Opening the panel lists it at once, under the box that the plug-in
    // shows while it connects. The panel is then reread on its own: a player
    // that is not ready would not open, so it stops answering only now.
    ASSERT_TRUE(farhost::MakePluginFolder(folder_.Path()));
    farhost::HostOptions options;
    options.echoCalls = false;
    host_.reset(new farhost::Host(options));
    std::string error;
    ASSERT_TRUE(host_->Load(folder_.Path(), &error)) << error;
    HANDLE panel = host_->OpenPlugin(1);
    ASSERT_NE(panel, INVALID_HANDLE_VALUE);
    std::vector<farapi::PluginPanelItem> opened = Items();
    plugin_fixture::ChangePlayer(
        store_.Path(),
        [&c](simplayer::PlayerStore &s) { s.config.notReady = c.notReady; });
    host_->ClearRecords();
    static_cast<davu::PanelSession *>(panel)->Memory = c.listed;
    host_->Refresh(false);

    out->items = Items();
    // The first listing gave the same files.
    if (!c.notReady && c.listed == simplayer::kInternal) {
      EXPECT_EQ(opened.size(), out->items.size());
      for (size_t i = 0; i < std::min(opened.size(), out->items.size()); ++i)
        EXPECT_EQ(0, memcmp(&opened[i], &out->items[i], sizeof opened[i]));
    }
    out->messages = host_->Language().messages;
    out->count = static_cast<int>(out->items.size());
    out->arrayGiven = !out->items.empty();
    for (const farhost::MessageRecord &box : host_->Boxes())
      out->boxes.push_back({box.flags, box.helpTopic, box.items, box.buttons});
    host_->ClosePanel();
    if (host_->FindDataOutstanding() != 0)
      out->problems.push_back("item arrays not freed");
    for (const std::string &problem : host_->Problems())
      out->problems.push_back(problem);
  }

private:
  // The plug-in's items, without the host's "..".
  std::vector<farapi::PluginPanelItem> Items() {
    std::vector<farapi::PluginPanelItem> items;
    for (const farhost::PanelEntry &entry : host_->Model().entries)
      if (!entry.dots)
        items.push_back(entry.item);
    return items;
  }

  testing_support::TempDir store_, folder_;
  bool started_ = false;
  std::unique_ptr<farhost::Host> host_;
};

// ---- The one checker ----

uint64_t Ticks(const FILETIME &t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool IsCalendarTime(const DosStamp &s) {
  int month = (s.date >> 5) & 0x0F, day = s.date & 0x1F;
  return month >= 1 && month <= 12 && day >= 1 && (s.time >> 11) < 24 &&
         ((s.time >> 5) & 0x3F) < 60 && (s.time & 0x1F) < 30;
}

// The stamp as a UTC file time; zero for a pair that is no calendar time.
uint64_t Expected(const DosStamp &s) {
  FILETIME local = {}, utc = {};
  if (!IsCalendarTime(s) || !::DosDateTimeToFileTime(s.date, s.time, &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return 0;
  return Ticks(utc);
}

void ExpectTime(const FILETIME &got, const DosStamp &stamp, const char *what) {
  EXPECT_EQ(Ticks(got), Expected(stamp)) << what;
  if (IsCalendarTime(stamp)) {
    EXPECT_NE(Ticks(got), 0u) << what;
  }
}

// The name as the panel shows it: the record's name in the PC's code page
// (through the catalogue's table), cut at the panel's field, zeros after it.
std::string Shown(const File &file, bool unterminated,
                  const std::string &table) {
  std::string field = Field(file, unterminated);
  field = field.substr(0, field.find('\0'));
  std::string pc;
  for (char ch : field) {
    unsigned char byte = static_cast<unsigned char>(ch);
    pc += byte < 0x80 ? ch : table.at(byte - 0x80);
  }
  pc.resize(sizeof farapi::FindData::cFileName, '\0');
  return pc;
}

void CheckItem(const File &file, uint32_t word, const Case &c,
               const std::string &table, const farapi::PluginPanelItem &item) {
  const farapi::FindData &d = item.FindData;
  EXPECT_EQ(std::string(d.cFileName, sizeof d.cFileName),
            Shown(file, c.unterminated, table));
  EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  ExpectTime(d.ftCreationTime, file.times.creation, "creation");
  ExpectTime(d.ftLastAccessTime, file.times.lastAccess, "last access");
  ExpectTime(d.ftLastWriteTime, file.times.lastWrite, "last write");
  EXPECT_EQ(d.nFileSizeHigh, 0u);
  EXPECT_EQ(d.nFileSizeLow, file.size);
  EXPECT_EQ(d.dwReserved0, 0u);
  EXPECT_EQ(d.dwReserved1, 0u);
  for (char ch : d.cAlternateFileName)
    EXPECT_EQ(ch, 0);
  EXPECT_EQ(item.PackSizeHigh, 0u);
  EXPECT_EQ(item.PackSize, file.size);
  EXPECT_EQ(item.Flags, 0u);
  EXPECT_EQ(item.NumberOfLinks, 0u);
  EXPECT_EQ(item.Description, nullptr);
  EXPECT_EQ(item.Owner, nullptr);
  EXPECT_EQ(item.CustomColumnData, nullptr);
  EXPECT_EQ(item.CustomColumnNumber, 0);
  EXPECT_EQ(item.UserData, word & 0xFFFFu);
  EXPECT_EQ(item.CRC32, 0u);
  EXPECT_EQ(item.Reserved[0], 0u);
  EXPECT_EQ(item.Reserved[1], 0u);
}

void Check(const Case &c, const std::vector<uint32_t> &words,
           const Listed &got) {
  for (const std::string &problem : got.problems)
    ADD_FAILURE() << problem;
  std::vector<size_t> listed;
  for (size_t i = 0; i < c.files.size() && !c.notReady; ++i)
    if (c.files[i].memory == c.listed)
      listed.push_back(i);
  ASSERT_EQ(got.count, static_cast<int>(listed.size()));
  ASSERT_EQ(got.items.size(), listed.size());
  EXPECT_EQ(got.arrayGiven, !listed.empty());
  const std::string &table = got.messages.at(davu::MSG_TABLE_TO_PC);
  for (size_t k = 0; k < listed.size(); ++k) {
    SCOPED_TRACE("item " + std::to_string(k));
    CheckItem(c.files[listed[k]], words.at(listed[k]), c, table, got.items[k]);
  }
  if (c.shownFirstByte >= 0) {
    ASSERT_FALSE(got.items.empty());
    EXPECT_EQ(static_cast<unsigned char>(got.items[0].FindData.cFileName[0]),
              c.shownFirstByte);
  }

  if (!c.notReady) {
    EXPECT_TRUE(got.boxes.empty());
    return;
  }
  ASSERT_EQ(got.boxes.size(), 1u);
  const Box &box = got.boxes[0];
  EXPECT_EQ(box.flags, static_cast<DWORD>(farapi::FMSG_WARNING));
  EXPECT_EQ(box.helpTopic, "Messages");
  std::vector<std::string> texts;
  for (int id : {7, 10, 44})
    texts.push_back(got.messages.at(id));
  EXPECT_EQ(box.items, texts);
  EXPECT_EQ(box.buttons, 1);
}

struct Run {
  const Case *c;
  SeamMask seam;
};

std::vector<Run> Runs() {
  std::vector<Run> runs;
  for (const Case &c : kCases)
    for (SeamMask seam : {kCore, kDll})
      if (c.seams & seam)
        runs.push_back({&c, seam});
  return runs;
}

class Listing : public ::testing::TestWithParam<Run> {};

TEST_P(Listing, GivesTheHostEveryFile) {
  const Case &c = *GetParam().c;
  std::vector<uint32_t> words;
  Listed got;
  if (GetParam().seam == kCore) {
    ListOnCore(c, &words, &got);
  } else {
    SimulatedPlayer player;
    player.List(c, &words, &got);
  }
  if (!HasFatalFailure())
    Check(c, words, got);
}

INSTANTIATE_TEST_SUITE_P(Cases, Listing, ::testing::ValuesIn(Runs()),
                         [](const ::testing::TestParamInfo<Run> &info) {
                           return std::string(info.param.c->title) +
                                  (info.param.seam == kCore ? "_Core" : "_Dll");
                         });

} // namespace
