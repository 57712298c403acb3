#include "sim/usbctrl/library_answers.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace simlibrary {

void FillRecord(const simplayer::StoredFile &file, uint32_t highBits,
                bool unterminated, usbctrl::tagFILE_ENTRY *record) {
  memset(record, 0, sizeof *record);
  size_t length = std::min(file.name.size(), sizeof record->Name - 1);
  memcpy(record->Name, file.name.data(), length);
  if (unterminated)
    memset(record->Name + length, '_', sizeof record->Name - length);
  record->CreationTime = file.times.creation.time;
  record->CreationDate = file.times.creation.date;
  record->LastAccessDate = file.times.lastAccess.date;
  record->LastAccessTime = file.times.lastAccess.time;
  record->LastWriteTime = file.times.lastWrite.time;
  record->LastWriteDate = file.times.lastWrite.date;
  record->FileIndex = file.index | highBits;
  record->FileSize = file.size;
}

void WriteMemorySizes(const MemorySizes &sizes, int *internalTotal,
                      int *internalFree, int *externalTotal,
                      int *externalFree) {
  int *slots[4] = {internalTotal, internalFree, externalTotal, externalFree};
  for (int i = 0; i < 4; ++i)
    if (slots[i])
      *slots[i] = sizes.values[i] > INT_MAX ? INT_MAX
                                            : static_cast<int>(sizes.values[i]);
}

void DeliverProgress(HWND window, const simplayer::PlayerConfig &config,
                     WPARAM bytes) {
  if (!window)
    return;
  if (config.postMessages)
    PostMessageA(window, usbctrl::kProgressMessage, bytes, 0);
  else
    SendMessageA(window, usbctrl::kProgressMessage, bytes, 0);
}

uint32_t ChunkSize(const simplayer::PlayerConfig &config) {
  return config.chunkSize ? config.chunkSize : 16384;
}

int CheckDownloadTarget(const simplayer::PlayerStore &store, int memory,
                        const std::string &name) {
  if (!simplayer::ValidMemory(memory))
    return simplayer::kResultFailed;
  if (!simplayer::MemoryPresent(store, memory))
    return simplayer::kResultNoCard;
  if (name.empty() || name.size() > simplayer::kMaxNameLength)
    return simplayer::kResultFailed;
  return usbctrl::kDone;
}

std::string FolderFromEnvironment() {
  char buffer[4096];
  DWORD n = GetEnvironmentVariableA("DAVU_PLAYER", buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? simplayer::WithTrailingBackslash(buffer)
                                    : std::string();
}

} // namespace simlibrary
