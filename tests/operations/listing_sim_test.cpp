// The listing through the real DAVUman.dll against the simulated player:
// what the host receives for each file of the selected memory.
#include "plugin/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using testing_support::TempDir;

uint64_t Ticks(const FILETIME &t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

uint64_t Windows(const simplayer::DosStamp &stamp) {
  FILETIME local = {}, utc = {};
  if (!::DosDateTimeToFileTime(stamp.date, stamp.time, &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return 0;
  return Ticks(utc);
}

class SimulatedListing : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(
        plugin_fixture::StartPlayer(store.Path(), 16u << 20, 32u << 20));
  }
  void TearDown() override {
    host.reset();
    plugin_fixture::StopPlayer();
  }
  simplayer::PlayerStore Load() {
    return plugin_fixture::ReadPlayer(store.Path());
  }
  uint16_t Put(int memory, const std::string &name, const std::string &bytes,
               const simplayer::FileTimes &times) {
    uint16_t index = 0;
    EXPECT_TRUE(plugin_fixture::PutOnPlayer(store.Path(), memory, name, bytes,
                                            times, &index));
    return index;
  }
  void Configure(void (*change)(simplayer::PlayerConfig &)) {
    simplayer::PlayerStore s = Load();
    change(s.config);
    std::string error;
    ASSERT_TRUE(simplayer::SaveStore(s, &error)) << error;
  }
  // Opens the panel; the host lists it at once.
  void Open() {
    ASSERT_TRUE(farhost::MakePluginFolder(folder.Path()));
    farhost::HostOptions options;
    options.echoCalls = false;
    host.reset(new farhost::Host(options));
    std::string error;
    ASSERT_TRUE(host->Load(folder.Path(), &error)) << error;
    panel = host->OpenPlugin(1);
    ASSERT_NE(panel, INVALID_HANDLE_VALUE);
  }
  // The plug-in's items, without the host's "..".
  std::vector<farapi::PluginPanelItem> Items() {
    std::vector<farapi::PluginPanelItem> items;
    for (const farhost::PanelEntry &entry : host->Model().entries)
      if (!entry.dots)
        items.push_back(entry.item);
    return items;
  }

  TempDir store, folder;
  std::unique_ptr<farhost::Host> host;
  HANDLE panel = INVALID_HANDLE_VALUE;
};

TEST_F(SimulatedListing, FilesInLibraryOrderWithEveryField) {
  simplayer::FileTimes times[3];
  times[0].creation = simplayer::MakeDosStamp(2004, 5, 6, 7, 8, 10);
  times[0].lastAccess = simplayer::MakeDosStamp(2004, 6, 1, 0, 0, 0);
  times[0].lastWrite = simplayer::MakeDosStamp(2004, 5, 7, 23, 59, 58);
  times[1] =
      simplayer::SameTimes(simplayer::MakeDosStamp(2010, 8, 1, 12, 0, 0));
  times[2] = simplayer::SameTimes(simplayer::MakeDosStamp(1999, 1, 2, 3, 4, 6));
  const std::string names[3] = {"zeta.mp3", "alpha.wma", "mid.mp3"};
  const std::string bodies[3] = {std::string(1000, 'z'), "", "mmm"};
  uint16_t indexes[3];
  for (int i = 0; i < 3; ++i)
    indexes[i] = Put(simplayer::kInternal, names[i], bodies[i], times[i]);
  Put(simplayer::kExternal, "card.mp3", "c", times[1]);

  Open();
  std::vector<farapi::PluginPanelItem> items = Items();
  ASSERT_EQ(items.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const farapi::PluginPanelItem &item = items[i];
    EXPECT_EQ(std::string(item.FindData.cFileName), names[i]);
    EXPECT_EQ(item.FindData.dwFileAttributes,
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(item.FindData.nFileSizeLow, bodies[i].size());
    EXPECT_EQ(item.FindData.nFileSizeHigh, 0u);
    EXPECT_EQ(item.PackSize, bodies[i].size());
    EXPECT_EQ(item.UserData, indexes[i]);
    EXPECT_EQ(Ticks(item.FindData.ftCreationTime), Windows(times[i].creation));
    EXPECT_EQ(Ticks(item.FindData.ftLastAccessTime),
              Windows(times[i].lastAccess));
    EXPECT_EQ(Ticks(item.FindData.ftLastWriteTime),
              Windows(times[i].lastWrite));
    EXPECT_EQ(item.FindData.cAlternateFileName[0], 0);
    EXPECT_EQ(item.Description, nullptr);
  }
  // The card lists its own files.
  static_cast<davu::PanelSession *>(panel)->Memory = 1;
  host->Refresh(false);
  items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_STREQ(items[0].FindData.cFileName, "card.mp3");
  host->ClosePanel();
  EXPECT_EQ(host->FindDataOutstanding(), 0);
  EXPECT_TRUE(host->Problems().empty());
}

TEST_F(SimulatedListing, EmptyMemory) {
  Open();
  EXPECT_TRUE(Items().empty());
  host->ClosePanel();
  EXPECT_TRUE(host->Problems().empty());
}

TEST_F(SimulatedListing, IndexAbove65535KeepsItsLow16Bits) {
  uint16_t index =
      Put(simplayer::kInternal, "a.mp3", "a", simplayer::CurrentTimes());
  Configure([](simplayer::PlayerConfig &c) { c.indexHighBits = 0x30000; });
  Open();
  std::vector<farapi::PluginPanelItem> items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].UserData, index);
}

TEST_F(SimulatedListing, NameOf300BytesIsCutTo260) {
  std::string name(296, 'q');
  name += ".mp3";
  Put(simplayer::kInternal, name, "x", simplayer::CurrentTimes());
  Open();
  std::vector<farapi::PluginPanelItem> items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(std::string(items[0].FindData.cFileName, 260), name.substr(0, 260));
  EXPECT_EQ(items[0].FindData.cAlternateFileName[0], 0);
}

TEST_F(SimulatedListing, RecordNameWithoutZeroByte) {
  Put(simplayer::kInternal, "short.mp3", "x", simplayer::CurrentTimes());
  Configure([](simplayer::PlayerConfig &c) { c.unterminatedNames = true; });
  Open();
  std::vector<farapi::PluginPanelItem> items = Items();
  ASSERT_EQ(items.size(), 1u);
  std::string shown(items[0].FindData.cFileName, 260);
  EXPECT_EQ(shown.substr(0, 9), "short.mp3");
  EXPECT_EQ(shown.substr(9), std::string(251, '_'));
  EXPECT_EQ(items[0].FindData.nFileSizeLow, 1u);
}

TEST_F(SimulatedListing, PlayerNamesArriveInThePcCodePage) {
  // CP1252 0xC4 ("Ä") on the player is CP437 0x8E on the PC.
  Put(simplayer::kInternal, "\xC4rger.mp3", "x", simplayer::CurrentTimes());
  Open();
  std::vector<farapi::PluginPanelItem> items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(std::string(items[0].FindData.cFileName),
            std::string(1, static_cast<char>(
                               host->Language().messages[57][0xC4 - 0x80])) +
                "rger.mp3");
  EXPECT_EQ(static_cast<unsigned char>(items[0].FindData.cFileName[0]), 0x8E);
}

TEST_F(SimulatedListing, NotReadyPlayerShowsTheNotice) {
  Put(simplayer::kInternal, "a.mp3", "a", simplayer::CurrentTimes());
  Open();
  Configure([](simplayer::PlayerConfig &c) { c.notReady = true; });
  host->ClearRecords();
  host->Refresh(false);
  EXPECT_TRUE(Items().empty());
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items[1], host->Language().messages[10]);
}

} // namespace
