// Runs a farhost.exe script from tests/e2e/cases against a plug-in folder
// in a temporary folder and compares the transcript with the expected text
// kept beside the script.
#pragma once

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {

// The host profiles every case runs under (farhost --host): FAR 1.70 (and
// 1.75, which calls the plug-in alike) and FAR 3 through its wrapper for
// old plug-ins. A case whose transcript differs under a profile keeps it
// as <name>.<profile>.expected.
constexpr const char *kFirstHostProfile = "far170";

// The cases of a suite run once per profile; each new Case takes it.
class HostProfileTest : public testing::TestWithParam<std::string> {
protected:
  void SetUp() override;
};

#define E2E_FOR_EVERY_HOST(Suite)                                              \
  INSTANTIATE_TEST_SUITE_P(                                                    \
      Hosts, Suite, testing::Values("far170", "far3"),                         \
      [](const testing::TestParamInfo<std::string> &i) { return i.param; })

// One end-to-end case: its own temporary root with the plug-in folder
// (plugin\), the simulated player's store (player\) and a PC folder (pc\).
// Scripts name them as ${PC} and ${PLAYER}; DAVU_PLAYER points at the store.
// The case's own folder, C:\davu-e2e\PID\N\ with PID and N of fixed
// width, so that paths cut to a fixed length in the plug-in's progress lines
// come out the same on every machine and run. Removed with its contents.
struct CaseRoot {
  CaseRoot();
  ~CaseRoot();
  CaseRoot(const CaseRoot &) = delete;
  CaseRoot &operator=(const CaseRoot &) = delete;
  const std::string &Path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + name; }

private:
  std::string path_;
};

struct Case {
  explicit Case(const std::string &name, bool withLibrary = true);
  CaseRoot root;
  std::string name;
  std::string pluginFolder, playerFolder, pcFolder;
  std::string registryRoot; // passed with --root, removed afterwards
  std::string options;      // extra farhost options
  std::string host;         // the profile, from the running test
  ~Case();
  // Replaces the simulated library by another file (e.g. a DLL without the
  // entry points).
  bool UseLibrary(const std::string &path);
  // Runs cases/<name>.script; the transcript with the temporary root
  // written as <TMP>\ must equal cases/<name>.expected. A mismatch writes
  // <name>.actual beside the test program.
  void RunAndCompare();
};

// Folder of the cases in the source tree, with a trailing backslash.
std::string CasesFolder();

} // namespace e2e
