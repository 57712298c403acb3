// Walking one memory's directory through the library, and the one file on
// it that the whole-memory commands and deletes leave alone.
#pragma once

#include "device/device_link.h"

#include <cstring>

namespace davu {

// Where a walk stops besides the end of the directory.
enum class WalkEnd {
  // Only "no more files" ends it; any other result still gave a record
  // (the listing shows what the library put there).
  NoMoreFiles,
  // Anything but success ends it: a player that stopped answering has no
  // further entries to give.
  AnyFailure,
};

// FindFirst, then FindNext while the walk goes on, calling `visit` with
// each record (its name already in the PC's code page); `visit` returns
// false to stop before the next library call.
template <typename Visit>
void ForEachRecord(DeviceLink &link, int memory, WalkEnd end, Visit &&visit) {
  usbctrl::tagFILE_ENTRY record;
  memset(&record, 0, sizeof record);
  for (int result = link.FindFirst(memory, &record);
       end == WalkEnd::NoMoreFiles ? result != usbctrl::kNoMoreFiles
                                   : result == usbctrl::kDone;
       result = link.FindNext(memory, &record))
    if (!visit(static_cast<const usbctrl::tagFILE_ENTRY &>(record)))
      return;
}

// The player's configuration file lives on the internal memory and is never
// copied or deleted by the plug-in; the name is compared exactly, case
// included. `field` bounds a name that need not end inside its field.
constexpr char kConfigFileName[] = "Config.dat";
inline bool IsProtectedFile(int memory, const char *name, size_t field) {
  return memory == MEM_INTERNAL &&
         strnlen(name, field) == sizeof kConfigFileName - 1 &&
         memcmp(name, kConfigFileName, sizeof kConfigFileName - 1) == 0;
}

} // namespace davu
