// The stand-in library's player backed by the store folder: each call reads
// the store afresh, applies its faults, logs itself and writes any change
// back at once. The exports hand their calls here unless the in-memory
// player (memory_backend.h) takes them.
#pragma once

#include "device/usbctrl_contract.h"

#include <windows.h>

namespace simstore {

void Construct(void *self);
int SetProgressWindow(HWND window);
int DumpUsbConfig();
int CheckSMCCard();
int GetVersionInfo(unsigned char *text64);
int GetAvailMemory(int *internalTotal, int *internalFree, int *externalTotal,
                   int *externalFree);
int Format(int memory);
int FindFirst(int memory, usbctrl::tagFILE_ENTRY *record);
int FindNext(int memory, usbctrl::tagFILE_ENTRY *record);
int Download(int memory, const char *path);
int Delete(int memory, int fileIndex);
int Upload(int memory, int fileIndex, const char *text);
int ChangeOrder(int memory, int fileIndex, int position);
void SetCancelFlag();

} // namespace simstore
