// The calls a player of the stand-in library answers, one per CUSBCTRL
// method. Two players fill this table: the one backed by the store folder
// (store_backend.h) and the in-memory one (memory_backend.h).
#pragma once

#include "device/usbctrl_contract.h"

#include <windows.h>

namespace simlibrary {

struct PlayerCalls {
  void (*construct)(void *self);
  int (*setProgressWindow)(HWND window);
  int (*dumpUsbConfig)();
  int (*checkSMCCard)();
  int (*getVersionInfo)(unsigned char *text64);
  int (*getAvailMemory)(int *internalTotal, int *internalFree,
                        int *externalTotal, int *externalFree);
  int (*format)(int memory);
  int (*findFirst)(int memory, usbctrl::tagFILE_ENTRY *record);
  int (*findNext)(int memory, usbctrl::tagFILE_ENTRY *record);
  int (*download)(int memory, const char *path);
  int (*erase)(int memory, int fileIndex); // Delete
  int (*upload)(int memory, int fileIndex, const char *text);
  int (*changeOrder)(int memory, int fileIndex, int position);
  void (*setCancelFlag)();
};

} // namespace simlibrary
