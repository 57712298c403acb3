// Device operations and the per-file calls with their byte and time
// accounting. The progress thread reads these counters and moves FileDone
// and TotalDone while a library call runs, so every access is one whole
// atomic word.
#include "device/device_link.h"

#include "device/name_conversion.h"

#include <cstring>

namespace davu {

namespace {

constexpr size_t kPathBufferSize = 4096;

} // namespace

void DeviceLink::BeginOperation(uint16_t opMode, uint32_t totalSize) {
  OpStartTick.store(0);
  OpMode.store(opMode);
  TotalSize.store(totalSize);
  TotalDone.store(0);
}

void DeviceLink::EndOperation() {
  OpMode.store(0);
}

void DeviceLink::CancelOperation() {
  if (Entry.SetCancelFlag)
    Entry.SetCancelFlag(LibraryObject(), nullptr);
  OpMode.store(OM_CANCELLED | OM_QUIET);
}

void DeviceLink::AddQuiet() {
  OpMode.fetch_or(OM_QUIET);
}

void DeviceLink::RemoveQuiet() {
  OpMode.fetch_and(static_cast<uint16_t>(~OM_QUIET));
}

namespace {

void StartFile(DeviceLink &link, uint32_t fileSize) {
  uint32_t now = GetTickCount();
  link.FileStartTick.store(now);
  link.FileSize.store(fileSize);
  link.FileDone.store(0);
  if (link.OpStartTick.load() == 0) {
    link.OpStartTick.store(now);
    link.DoneBefore.store(0);
    link.TotalDone.store(0);
  }
}

// Counts a file only when the operation still is the one the call belongs
// to; the bit is read after the library has returned, so a cancellation
// during the call leaves the file uncounted.
void CountSuccess(DeviceLink &link, int result, uint16_t ownBit,
                  uint32_t fileSize) {
  if (result != 0 || (link.OpMode.load() & ownBit) == 0)
    return;
  uint32_t done = link.DoneBefore.load() + fileSize;
  link.DoneBefore.store(done);
  link.TotalDone.store(done);
}

} // namespace

int DeviceLink::UploadFile(int memory, uint32_t fileIndex, uint32_t fileSize) {
  StartFile(*this, fileSize);
  int result = Entry.Upload(LibraryObject(), nullptr, memory,
                            static_cast<int>(fileIndex), nullptr);
  CountSuccess(*this, result, OM_UPLOAD, fileSize);
  return result;
}

int DeviceLink::DeleteDeviceFile(int memory, uint32_t fileIndex,
                                 uint32_t fileSize) {
  StartFile(*this, fileSize);
  int result = Entry.Delete(LibraryObject(), nullptr, memory,
                            static_cast<int>(fileIndex));
  CountSuccess(*this, result, OM_DELETE, fileSize);
  return result;
}

int DeviceLink::DownloadFile(int memory, const char *path, uint32_t fileSize) {
  StartFile(*this, fileSize);
  if (!path || strlen(path) >= kPathBufferSize)
    return -1;
  char devicePath[kPathBufferSize];
  ToDeviceName(path, devicePath);

  // The library takes the name from the path, so the PC file carries the
  // player's spelling of its name for the length of the call.
  bool renamed = false;
  if (strcmp(devicePath, path) != 0) {
    renamed = MoveFileA(path, devicePath) != 0;
    // Without the rename the path would name some other file, or none.
    if (!renamed)
      return -1;
  }
  int result = Entry.Download(LibraryObject(), nullptr, memory, devicePath);
  if (renamed)
    MoveFileA(devicePath, path);

  if (result == 0)
    CountSuccess(*this, result, OM_DOWNLOAD, fileSize);
  else if (result == usbctrl::kMemoryFull)
    TotalDone.fetch_sub(fileSize);
  return result;
}

int DeviceLink::FormatMemory(int memory) {
  uint32_t now = GetTickCount();
  FileSize.store(TotalSize.load());
  FileStartTick.store(now);
  FileDone.store(0);
  if (OpStartTick.load() == 0) {
    OpStartTick.store(now);
    TotalDone.store(0);
  }
  usbctrl::NoArgFn format =
      memory == MEM_INTERNAL ? Entry.FormatInternal : Entry.FormatExternal;
  return format(LibraryObject(), nullptr);
}

int DeviceLink::MoveInPlayOrder(int memory, uint32_t fileIndex, int position) {
  return Entry.ChangeOrder(LibraryObject(), nullptr, memory,
                           static_cast<int>(fileIndex), position);
}

} // namespace davu
