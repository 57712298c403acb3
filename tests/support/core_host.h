// A host table for tests of the linked core: GetMsg answers from the real
// English language file of the build, Message records every box and answers
// 0, SaveScreen and RestoreScreen are counted.
#pragma once

#include "host/far_api.h"

#include <windows.h>

#include <string>
#include <vector>

namespace spine_test {

struct RecordedBox {
  DWORD flags = 0;
  std::string helpTopic; // "" for none
  std::vector<std::string> items;
  int buttons = 0;
};

struct CoreHostRecord {
  std::vector<std::string> messages; // the catalogue
  std::vector<RecordedBox> boxes;
  int saves = 0;
  int restores = 0;
};

// Installs the table into davu::HostInfo with the given root key (the
// string must outlive the test) and clears the records.
CoreHostRecord &InstallCoreHost(const char *rootKey = "Software\\Far\\Plugins");
CoreHostRecord &Recorded();
// The catalogue texts of these ids, as a box would show them.
std::vector<std::string> Texts(std::initializer_list<int> ids);

} // namespace spine_test
