// The calls of FAR that the substitute host makes as FAR does, each in a
// case of its own, under every host profile.
#include "tests/e2e/e2e_players.h"

#include "sim/farhost/host_core.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifdef DAVU_HAVE_PLAYER_STORE
using namespace e2e;

class EndToEndFarCalls : public e2e::HostProfileTest {};
E2E_FOR_EVERY_HOST(EndToEndFarCalls);

namespace {

// The calls of FAR 1.70 that the substitute host makes as FAR does, each
// in a case of its own: how the case's folders are prepared beyond the
// operations player, and what must hold on disk afterwards.
struct FarCallCase {
  const char *name;
  const char *options;
  void (*prepare)(const e2e::Case &c);
  void (*check)(const e2e::Case &c);
};

void NothingMore(const e2e::Case &) {}

void PcSong(const e2e::Case &c) {
  WriteDatedFile(c.pcFolder + "Song.mp3", Pattern('s', 20000));
}

void SongOnThePlayer(const e2e::Case &c) {
  std::vector<std::string> names = PlayerNames(c, simplayer::kInternal);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Song.mp3"), 1) << c.name;
}

const FarCallCase kFarCallCases[] = {
    {"key_calls", "", NothingMore,
     [](const e2e::Case &c) { // one place up, not two
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
                 (std::vector<std::string>{"01 Intro.mp3", kHighName,
                                           "03 Outro.mp3", "Config.dat"}));
     }},
    {"redraws", "", PcSong, SongOnThePlayer},
    {"listing_copy", "", NothingMore,
     [](const e2e::Case &c) {
       std::string bytes;
       EXPECT_TRUE(
           testing_support::ReadFileBytes(c.pcFolder + "01 Intro.mp3", &bytes));
       EXPECT_EQ(bytes, Pattern('a', 40000));
       EXPECT_TRUE(
           testing_support::ReadFileBytes(c.pcFolder + "03 Outro.mp3", &bytes));
       EXPECT_EQ(bytes, Pattern('d', 30000));
     }},
    {"cached_start", "--cached-start", NothingMore, NothingMore},
    {"foreign_dlls", "",
     [](const e2e::Case &c) {
       std::string extra = c.pluginFolder + "extra\\";
       ASSERT_TRUE(CreateDirectoryA(extra.c_str(), nullptr));
       ASSERT_TRUE(testing_support::CopyFileTo(farhost::ProgramFolder() +
                                                   "farhost_failing.dll",
                                               extra + "broken.dll"));
       WriteDatedFile(c.pluginFolder + "readme.dll", "not a program");
     },
     NothingMore},
    {"copy_dialog", "", PcSong, SongOnThePlayer},
    {"progress_no_buttons", "",
     [](const e2e::Case &c) {
       WriteDatedFile(c.pcFolder + "Long.mp3", Pattern('l', 200000));
     },
     [](const e2e::Case &c) {
       simplayer::PlayerStore store = LoadPlayer(c);
       std::string bytes;
       for (const simplayer::StoredFile &f :
            store.memories[simplayer::kInternal].files) {
         if (f.name == "Long.mp3") {
           EXPECT_TRUE(simplayer::ReadContents(store, simplayer::kInternal,
                                               f.index, &bytes));
         }
       }
       EXPECT_EQ(bytes, Pattern('l', 200000));
     }},
    {"panel_info_flags", "", NothingMore,
     [](const e2e::Case &c) {
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal),
                 (std::vector<std::string>{kHighName, "01 Intro.mp3",
                                           "Config.dat", "03 Outro.mp3"}));
     }},
    {"view_file", "", NothingMore,
     [](const e2e::Case &c) { // a view copies, it moves nothing
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal).size(), 4u);
       EXPECT_FALSE(testing_support::FileExists(c.pcFolder + "01 Intro.mp3"));
     }},
};

} // namespace

TEST_P(EndToEndFarCalls, ThePluginWorksUnderTheCallsOfFar) {
  for (const FarCallCase &fc : kFarCallCases) {
    SCOPED_TRACE(fc.name);
    e2e::Case c(fc.name);
    c.options = fc.options;
    OperationsPlayer(c);
    fc.prepare(c);
    c.RunAndCompare();
    fc.check(c);
  }
}
#endif
