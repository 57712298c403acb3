// End-to-end cases: DAVUman.dll in farhost.exe, as a FAR user would meet it.
#include "tests/e2e/e2e_runner.h"

#include "sim/farhost/host_core.h"

#include <gtest/gtest.h>

TEST(EndToEndLoading, WithoutTheLibraryEveryOpenReportsIt) {
  e2e::Case c("no_library", false);
  c.RunAndCompare();
}

TEST(EndToEndLoading, LibraryWithoutEntryPointsIsReported) {
  e2e::Case c("no_entry_point", false);
  ASSERT_TRUE(c.UseLibrary(farhost::ProgramFolder() + "farhost_probe.dll"));
  c.RunAndCompare();
}

TEST(EndToEndLoading, TooOldHostIsWarnedFirst) {
  e2e::Case c("too_old_no_library", false);
  c.options = "--struct-size 368";
  c.RunAndCompare();
}

#ifdef DAVU_HAVE_PLAYER_STORE
#include "sim/usbctrl/player_store.h"

namespace {

// A player with three files on the internal memory (one with bytes from
// 0x80 up in its name, in the player's code page) and one on the card.
void SamplePlayer(const e2e::Case &c, int connectResult = 0) {
  std::string error;
  ASSERT_TRUE(
      simplayer::CreateStore(c.playerFolder, 16777216, 33554432, &error))
      << error;
  simplayer::PlayerStore store;
  ASSERT_TRUE(simplayer::LoadStore(c.playerFolder, &store, &error)) << error;
  store.config.versionText = "DAVU test player 2.1";
  store.config.connectResult = connectResult;
  ASSERT_TRUE(simplayer::SaveStore(store, &error)) << error;
  simplayer::FileTimes t1 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2004, 3, 1, 10, 15, 0));
  simplayer::FileTimes t2 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2005, 12, 31, 23, 59, 58));
  uint16_t index = 0;
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal, "01 Intro.mp3",
                                std::string(1000, 'a'), t1, &index, &error),
            simplayer::PutResult::Done);
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal,
                                "\x80\x81\xE0 song.mp3", std::string(2048, 'b'),
                                t2, &index, &error),
            simplayer::PutResult::Done);
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal, "Config.dat",
                                std::string(16, 'c'), t1, &index, &error),
            simplayer::PutResult::Done);
  ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kExternal, "Card.wma",
                                std::string(4096, 'd'), t2, &index, &error),
            simplayer::PutResult::Done);
}

} // namespace

TEST(EndToEndPanel, ListingInfoPanelAndKeyBar) {
  e2e::Case c("listing");
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST(EndToEndPanel, EveryOpenSource) {
  e2e::Case c("open_sources");
  SamplePlayer(c);
  c.RunAndCompare();
}

TEST(EndToEndPanel, ConnectWarningStillOpens) {
  e2e::Case c("connect_warning");
  SamplePlayer(c, 6);
  c.RunAndCompare();
}

TEST(EndToEndPanel, ConnectFailureOpensNothing) {
  e2e::Case c("connect_failure");
  SamplePlayer(c, 1);
  c.RunAndCompare();
}

TEST(EndToEndPanel, TooOldHostIsWarnedAndServed) {
  e2e::Case c("too_old");
  c.options = "--struct-size 368";
  SamplePlayer(c);
  c.RunAndCompare();
}
#endif
