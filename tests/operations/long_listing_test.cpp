// Listings of every length come back whole and right: the array grows in
// steps, so the counts around a step and a memory of 50,000 files are
// checked item by item against the player. The stand-in library runs its
// in-memory player here, which answers a directory call without reading
// the store from disk.
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/memory_player.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using testing_support::TempDir;

const int kCounts[] = {0, 1, 64, 65, 97, 50000};

class LongListingTest : public ::testing::TestWithParam<int> {
protected:
  static void SetUpTestSuite() {
    SetEnvironmentVariableA(simmemory::kSwitchVariable, "1");
    shared = simmemory::MapSharedBlock();
    ASSERT_NE(shared, nullptr);
    store = new TempDir;
    plugin = new TempDir;
    SetEnvironmentVariableA("DAVU_PLAYER", store->Path().c_str());
    ASSERT_TRUE(farhost::MakePluginFolder(plugin->Path()));
    ASSERT_TRUE(plugin_fixture::LoadPlugin("Software\\DAVU Manager tests",
                                           plugin->Path(), &host));
    davu::PanelSession *session = nullptr;
    ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
  }
  static void TearDownTestSuite() {
    host.reset();
    delete plugin;
    delete store;
    SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
  }

  // A player whose internal memory holds `count` files, all different.
  static simplayer::PlayerStore Seed(int count) {
    simplayer::PlayerStore player;
    player.folder = store->Path();
    player.memories[simplayer::kInternal].capacity = 0x7fff0000u;
    for (int i = 0; i < count; ++i) {
      char name[32];
      snprintf(name, sizeof name, "Song %05d.mp3", i);
      simplayer::StoredFile file;
      file.name = name;
      file.index = static_cast<uint16_t>(65535 - i); // falling, so order shows
      file.size = static_cast<uint32_t>(i) * 977u;
      file.times = simplayer::SameTimes(simplayer::MakeDosStamp(
          2001 + i % 20, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 2 * (i % 30)));
      player.memories[simplayer::kInternal].files.push_back(file);
    }
    std::string error;
    EXPECT_TRUE(simplayer::SaveStore(player, &error)) << error;
    InterlockedIncrement(&shared->generation); // read at the next call
    return player;
  }

  static simmemory::SharedBlock *shared;
  static TempDir *store, *plugin;
  static std::unique_ptr<farhost::Host> host;
};

simmemory::SharedBlock *LongListingTest::shared = nullptr;
TempDir *LongListingTest::store = nullptr;
TempDir *LongListingTest::plugin = nullptr;
std::unique_ptr<farhost::Host> LongListingTest::host;

TEST_P(LongListingTest, EveryFileOnceInThePlayersOrder) {
  const int count = GetParam();
  simplayer::PlayerStore player = Seed(count);
  const std::vector<simplayer::StoredFile> &files =
      player.memories[simplayer::kInternal].files;

  farapi::PluginPanelItem *items = nullptr;
  int listed = -1;
  EXPECT_EQ(host->Api().GetFindData(host->Panel(), &items, &listed, 0), 1);
  ASSERT_EQ(listed, count);
  EXPECT_EQ(items == nullptr, count == 0);
  int wrong = 0;
  for (int i = 0; i < count && wrong < 5; ++i) {
    const farapi::PluginPanelItem &item = items[i];
    // The times' conversion is the spine tests' business; a record that
    // landed in the wrong slot shows in its name, size and index.
    bool right = files[i].name == item.FindData.cFileName &&
                 item.FindData.nFileSizeLow == files[i].size &&
                 item.PackSize == files[i].size &&
                 item.UserData == files[i].index &&
                 item.FindData.dwFileAttributes == FILE_ATTRIBUTE_ARCHIVE;
    if (!right) {
      ++wrong;
      ADD_FAILURE() << "item " << i << " (" << item.FindData.cFileName
                    << ") is not " << files[i].name << " as the player has it";
    }
  }
  host->Api().FreeFindData(host->Panel(), items, listed);
}

INSTANTIATE_TEST_SUITE_P(Counts, LongListingTest, ::testing::ValuesIn(kCounts));

} // namespace
