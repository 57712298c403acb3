// The in-memory player behind the stand-in library's exports (see
// memory_player.h). Each export hands its call here when Active() says so.
#pragma once

#include "device/usbctrl_contract.h"

#include <windows.h>

namespace simmemory {

// True when the in-memory player is switched on for this process.
bool Active();

void Construct();
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
int Upload(int memory, int fileIndex);
int ChangeOrder(int memory, int fileIndex, int position);
void SetCancelFlag();

} // namespace simmemory
