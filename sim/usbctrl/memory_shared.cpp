// The block the in-memory player shares with a driver in its process.
#include "sim/usbctrl/memory_player.h"

#include <cstdio>

namespace simmemory {

SharedBlock *MapSharedBlock() {
  static SharedBlock *block = nullptr;
  if (block)
    return block;
  char name[64];
  snprintf(name, sizeof name, "DAVU_MEMORY_PLAYER_%lu",
           static_cast<unsigned long>(GetCurrentProcessId()));
  // The mapping lives as long as the process: the handle is never closed.
  HANDLE mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                         sizeof(SharedBlock), name);
  if (!mapping)
    return nullptr;
  block = static_cast<SharedBlock *>(
      MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedBlock)));
  return block;
}

long DirectoryCalls(const SharedBlock &block) {
  return block.calls[CALL_FIND_FIRST_INTERNAL] +
         block.calls[CALL_FIND_NEXT_INTERNAL] +
         block.calls[CALL_FIND_FIRST_EXTERNAL] +
         block.calls[CALL_FIND_NEXT_EXTERNAL];
}

} // namespace simmemory
