#include "operations/all_files.h"

#include "device/memory_walk.h"
#include "host/host_table.h"

#include <cstring>

namespace davu {

namespace {

bool Listed(const std::vector<CountedFile> &files, int memory,
            uint32_t fileIndex) {
  for (const CountedFile &file : files)
    if (file.Memory == memory && file.FileIndex == fileIndex)
      return true;
  return false;
}

} // namespace

uint32_t FileIndexOf(const usbctrl::tagFILE_ENTRY &record) {
  return record.FileIndex & kFileIndexMask;
}

std::string RecordName(const usbctrl::tagFILE_ENTRY &record) {
  return std::string(record.Name, strnlen(record.Name, sizeof record.Name));
}

FileCount CountAllFiles(PanelSession *session) {
  DeviceLink &device = Device();
  FileCount count;
  session->ItemCount = 0;
  device.BeginOperation(OM_LIST, 0);
  for (int memory : kMemories)
    ForEachRecord(
        device, memory, WalkEnd::AnyFailure,
        [&](const usbctrl::tagFILE_ENTRY &record) {
          if (IsProtectedFile(memory, record.Name, sizeof record.Name))
            return true;
          ++session->ItemCount;
          ++count.PerMemory[memory];
          count.TotalSize += record.FileSize;
          count.Files.push_back(
              {memory, FileIndexOf(record), RecordName(record)});
          return true;
        });
  device.EndOperation();
  return count;
}

void ReportUnreached(const FileCount &count,
                     const std::vector<CountedFile> &dealtWith,
                     FailureSummary &summary) {
  for (const CountedFile &file : count.Files)
    if (!Listed(dealtWith, file.Memory, file.FileIndex))
      summary.Failed(file.Name, FailReason::NoAnswer);
}

void UpdateAndRedraw(HANDLE panel) {
  HostInfo.Control(panel, farapi::FCTL_UPDATEPANEL, nullptr);
  HostInfo.Control(panel, farapi::FCTL_REDRAWPANEL, nullptr);
}

} // namespace davu
