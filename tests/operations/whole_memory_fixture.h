// The fixture of the whole-memory command tests.
#pragma once

#include "services/messages.h"
#include "tests/support/commands_fixture.h"

#include <algorithm>

using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace commands_test {
namespace whole_memory {

constexpr int kGoOn = 0;
constexpr int kKeepExisting = 1;
constexpr int kEscape = -1;

inline std::string CurrentFolder() {
  char buffer[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

inline Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

class WholeMemoryTest : public CommandsTest {
protected:
  Names PcFiles() { return Sorted(testing_support::ListFolder(pc.Path())); }
  std::string PcBytes(const std::string &name) {
    std::string bytes;
    return ReadFileBytes(pc / name, &bytes) ? bytes : "<missing>";
  }
  void ExpectUpdatedAndRedrawn() {
    std::vector<farhost::ControlRecord> controls = host->Controls();
    ASSERT_GE(controls.size(), 2u);
    EXPECT_EQ(controls[controls.size() - 2].command, farapi::FCTL_UPDATEPANEL);
    EXPECT_EQ(controls[controls.size() - 2].param, "reset selection");
    EXPECT_EQ(controls.back().command, farapi::FCTL_REDRAWPANEL);
    EXPECT_EQ(controls.back().param, "null");
  }
  int Count(const std::string &method) {
    return static_cast<int>(Calls(method).size());
  }
  void SetConfig(void (*change)(simplayer::PlayerConfig *)) {
    simplayer::PlayerStore store = Store();
    change(&store.config);
    SaveStore(store);
  }
};

// --- copy-all and move-all

} // namespace whole_memory
} // namespace commands_test
