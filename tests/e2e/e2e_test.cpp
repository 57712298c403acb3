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
