// What the simulated library tests share: the loaded library and a
// current folder of their own.
#pragma once

#include "tests/sim/usbctrl/sim_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

using simplayer::kExternal;
using simplayer::kInternal;
using simtest::Pattern;
using simtest::ProgressRecorder;
using simtest::SimLibrary;
using simtest::StoreFixture;
using testing_support::TempDir;

namespace library {

// Makes a folder the current one for a scope.
class CurrentFolder {
public:
  explicit CurrentFolder(const std::string &folder) {
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(folder.c_str());
  }
  ~CurrentFolder() { SetCurrentDirectoryA(previous_); }

private:
  char previous_[MAX_PATH] = {};
};

inline uint16_t Word(const unsigned char *raw, size_t at) {
  return static_cast<uint16_t>(raw[at] | raw[at + 1] << 8);
}
inline uint32_t Dword(const unsigned char *raw, size_t at) {
  return raw[at] | raw[at + 1] << 8 | raw[at + 2] << 16 |
         static_cast<uint32_t>(raw[at + 3]) << 24;
}

// Names returned by a whole enumeration of a memory.
inline std::vector<std::string> Enumerate(SimLibrary &lib, int memory) {
  std::vector<std::string> names;
  usbctrl::tagFILE_ENTRY record;
  for (int r = lib.FindFirst(memory, &record); r == 0;
       r = lib.FindNext(memory, &record))
    names.push_back(record.Name);
  return names;
}

class Library : public ::testing::Test {
protected:
  StoreFixture store;
  SimLibrary lib;
  TempDir pc;
  void SetUp() override { ASSERT_TRUE(lib.Bound()); }
  void Configure(const std::function<void(simplayer::PlayerConfig &)> &edit) {
    simplayer::PlayerStore s = store.Load();
    edit(s.config);
    store.Save(s);
  }
};

} // namespace library
