// What copy-all, move-all and delete-all share: the counting pass over
// every file of both memories but the protected one, the report of files a
// later pass never reached, and the panel refresh after them.
#pragma once

#include "device/device_link.h"
#include "device/panel_session.h"
#include "operations/failure_summary.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace davu {

constexpr int kMemories[] = {MEM_INTERNAL, MEM_EXTERNAL};

struct CountedFile {
  int Memory;
  uint32_t FileIndex;
  std::string Name;
};

struct FileCount {
  uint32_t TotalSize = 0;
  int PerMemory[2] = {0, 0};
  // What the pass found, so that files a later pass never reached (the
  // player stopped answering) are still reported.
  std::vector<CountedFile> Files;
};

uint32_t FileIndexOf(const usbctrl::tagFILE_ENTRY &record);
std::string RecordName(const usbctrl::tagFILE_ENTRY &record);

// Sets the session's ItemCount to the number of files found.
FileCount CountAllFiles(PanelSession *session);

// Counted files that are not among `dealtWith` are reported as not
// answered.
void ReportUnreached(const FileCount &count,
                     const std::vector<CountedFile> &dealtWith,
                     FailureSummary &summary);

void UpdateAndRedraw(HANDLE panel);

} // namespace davu
