// The player maker's library USBCTRL.dll (class CUSBCTRL): the directory
// record it fills, the names under which it exports its seventeen methods,
// and their call signatures.
//
// The methods are C++ members called as __thiscall: the object in ECX, the
// arguments on the stack, the callee cleaning up. __fastcall with a dummy
// second argument (EDX) is the same call and means the same in GCC and MSVC,
// so every method type below takes (object, unused, arguments...).
#pragma once

#include "host/constants.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace usbctrl {

#pragma pack(push, 1)
// Filled by the four find methods. The name field runs from offset 0 to the
// first time word; nothing guarantees a zero byte inside it.
struct tagFILE_ENTRY {
  char Name[1027];
  uint16_t CreationTime;   // DOS time
  uint16_t CreationDate;   // DOS date
  uint16_t LastAccessDate; // DOS date (this pair stores the date first)
  uint16_t LastAccessTime; // DOS time
  uint16_t LastWriteTime;  // DOS time
  uint16_t LastWriteDate;  // DOS date
  uint8_t Unused;
  uint32_t FileIndex; // only the low 16 bits are a file index
  uint32_t FileSize;
};
#pragma pack(pop)

static_assert(sizeof(tagFILE_ENTRY) == 1048, "the record is 1048 bytes");
static_assert(offsetof(tagFILE_ENTRY, CreationTime) == 1027, "layout");
static_assert(offsetof(tagFILE_ENTRY, CreationDate) == 1029, "layout");
static_assert(offsetof(tagFILE_ENTRY, LastAccessDate) == 1031, "layout");
static_assert(offsetof(tagFILE_ENTRY, LastAccessTime) == 1033, "layout");
static_assert(offsetof(tagFILE_ENTRY, LastWriteTime) == 1035, "layout");
static_assert(offsetof(tagFILE_ENTRY, LastWriteDate) == 1037, "layout");
static_assert(offsetof(tagFILE_ENTRY, FileIndex) == 1040, "layout");
static_assert(offsetof(tagFILE_ENTRY, FileSize) == 1044, "layout");

// Results the plug-in tells apart.
constexpr int kDone = 0;
constexpr int kConnectedWithWarning = 6; // GetVersionInfo
constexpr int kMemoryFull = 3;           // Download
constexpr int kNoMoreFiles = -1;         // FindFirst*/FindNext*

// Progress message sent or posted to the window given to SetProgressWindow.
using davu::kFileComplete;
using davu::kProgressMessage;

// Method types, in export-table order.
typedef void *(__fastcall *Constructor)(void *self, void *unused);
typedef int(__fastcall *SetProgressWindowFn)(void *self, void *unused,
                                             HWND window);
typedef int(__fastcall *NoArgFn)(void *self, void *unused);
typedef int(__fastcall *GetVersionInfoFn)(void *self, void *unused,
                                          unsigned char *text64);
typedef int(__fastcall *GetAvailMemoryFn)(void *self, void *unused,
                                          int *internalTotal, int *internalFree,
                                          int *externalTotal,
                                          int *externalFree);
typedef int(__fastcall *FindFn)(void *self, void *unused,
                                tagFILE_ENTRY *record);
typedef int(__fastcall *DownloadFn)(void *self, void *unused, int memory,
                                    const char *path);
typedef int(__fastcall *DeleteFn)(void *self, void *unused, int memory,
                                  int fileIndex);
typedef int(__fastcall *UploadFn)(void *self, void *unused, int memory,
                                  int fileIndex, const char *unusedText);
typedef int(__fastcall *ChangeOrderFn)(void *self, void *unused, int memory,
                                       int fileIndex, int position);
typedef void(__fastcall *SetCancelFlagFn)(void *self, void *unused);

constexpr int kEntryPointCount = 17;

// Export names in the order the plug-in binds them.
constexpr const char *kExportNames[kEntryPointCount] = {
    "??0CUSBCTRL@@QAE@XZ",
    "?SetProgressWindow@CUSBCTRL@@QAEHPAUHWND__@@@Z",
    "?dumpUsbConfig@CUSBCTRL@@QAEHXZ",
    "?CheckSMCCard@CUSBCTRL@@QAEHXZ",
    "?GetVersionInfo@CUSBCTRL@@QAEHPAE@Z",
    "?GetAvailMemory@CUSBCTRL@@QAEHPAH000@Z",
    "?FormatInternal@CUSBCTRL@@QAEHXZ",
    "?FormatExternal@CUSBCTRL@@QAEHXZ",
    "?FindFirstInternal@CUSBCTRL@@QAEHPAUtagFILE_ENTRY@@@Z",
    "?FindNextInternal@CUSBCTRL@@QAEHPAUtagFILE_ENTRY@@@Z",
    "?FindFirstExternal@CUSBCTRL@@QAEHPAUtagFILE_ENTRY@@@Z",
    "?FindNextExternal@CUSBCTRL@@QAEHPAUtagFILE_ENTRY@@@Z",
    "?Download@CUSBCTRL@@QAEHHPBD@Z",
    "?Delete@CUSBCTRL@@QAEHHH@Z",
    "?Upload@CUSBCTRL@@QAEHHHPBD@Z",
    "?ChangeOrder@CUSBCTRL@@QAEHHHH@Z",
    "?SetCancelFlag@CUSBCTRL@@QAEXXZ",
};

} // namespace usbctrl
