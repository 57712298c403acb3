// A stand-in for the player maker's USBCTRL.dll: the export table.
//
// Each method is a __thiscall member of CUSBCTRL in the real library; here
// each is a free function with GCC's thiscall convention (object in ECX,
// arguments on the stack, callee cleans), exported under the member's MSVC
// name by usbctrl.def. So the plug-in's calls meet a true thiscall callee,
// as they will in the real library. The object pointer is never
// written: the library's state lives in this module and in the store.
//
// Each export hands its call to one of two players: the in-memory player
// (memory_backend.h) when it is switched on, else the player backed by the
// store folder (store_backend.h), read afresh on every call.
#include "sim/usbctrl/memory_backend.h"
#include "sim/usbctrl/player_store.h"
#include "sim/usbctrl/store_backend.h"

#include <windows.h>

// GCC can declare the member convention on a free function.
#define DAVU_THISCALL __attribute__((thiscall))

namespace {

using usbctrl::tagFILE_ENTRY;
constexpr int kInternal = simplayer::kInternal;
constexpr int kExternal = simplayer::kExternal;

int FindFirstIn(int memory, tagFILE_ENTRY *record) {
  return simmemory::Active() ? simmemory::FindFirst(memory, record)
                             : simstore::FindFirst(memory, record);
}

int FindNextIn(int memory, tagFILE_ENTRY *record) {
  return simmemory::Active() ? simmemory::FindNext(memory, record)
                             : simstore::FindNext(memory, record);
}

int FormatMemory(int memory) {
  return simmemory::Active() ? simmemory::Format(memory)
                             : simstore::Format(memory);
}

} // namespace

extern "C" {

void *DAVU_THISCALL SimCtor(void *self) {
  if (simmemory::Active())
    simmemory::Construct();
  else
    simstore::Construct(self);
  return self;
}

int DAVU_THISCALL SimSetProgressWindow(void *, HWND window) {
  return simmemory::Active() ? simmemory::SetProgressWindow(window)
                             : simstore::SetProgressWindow(window);
}

int DAVU_THISCALL SimDumpUsbConfig(void *) {
  return simmemory::Active() ? simmemory::DumpUsbConfig()
                             : simstore::DumpUsbConfig();
}

int DAVU_THISCALL SimCheckSMCCard(void *) {
  return simmemory::Active() ? simmemory::CheckSMCCard()
                             : simstore::CheckSMCCard();
}

int DAVU_THISCALL SimGetVersionInfo(void *, unsigned char *text64) {
  return simmemory::Active() ? simmemory::GetVersionInfo(text64)
                             : simstore::GetVersionInfo(text64);
}

int DAVU_THISCALL SimGetAvailMemory(void *, int *internalTotal,
                                    int *internalFree, int *externalTotal,
                                    int *externalFree) {
  return simmemory::Active()
             ? simmemory::GetAvailMemory(internalTotal, internalFree,
                                         externalTotal, externalFree)
             : simstore::GetAvailMemory(internalTotal, internalFree,
                                        externalTotal, externalFree);
}

int DAVU_THISCALL SimFormatInternal(void *) {
  return FormatMemory(kInternal);
}

int DAVU_THISCALL SimFormatExternal(void *) {
  return FormatMemory(kExternal);
}

int DAVU_THISCALL SimFindFirstInternal(void *, tagFILE_ENTRY *record) {
  return FindFirstIn(kInternal, record);
}

int DAVU_THISCALL SimFindNextInternal(void *, tagFILE_ENTRY *record) {
  return FindNextIn(kInternal, record);
}

int DAVU_THISCALL SimFindFirstExternal(void *, tagFILE_ENTRY *record) {
  return FindFirstIn(kExternal, record);
}

int DAVU_THISCALL SimFindNextExternal(void *, tagFILE_ENTRY *record) {
  return FindNextIn(kExternal, record);
}

int DAVU_THISCALL SimDownload(void *, int memory, const char *path) {
  return simmemory::Active() ? simmemory::Download(memory, path)
                             : simstore::Download(memory, path);
}

int DAVU_THISCALL SimDelete(void *, int memory, int fileIndex) {
  return simmemory::Active() ? simmemory::Delete(memory, fileIndex)
                             : simstore::Delete(memory, fileIndex);
}

int DAVU_THISCALL SimUpload(void *, int memory, int fileIndex,
                            const char *text) {
  return simmemory::Active() ? simmemory::Upload(memory, fileIndex)
                             : simstore::Upload(memory, fileIndex, text);
}

int DAVU_THISCALL SimChangeOrder(void *, int memory, int fileIndex,
                                 int position) {
  return simmemory::Active()
             ? simmemory::ChangeOrder(memory, fileIndex, position)
             : simstore::ChangeOrder(memory, fileIndex, position);
}

void DAVU_THISCALL SimSetCancelFlag(void *) {
  if (simmemory::Active())
    simmemory::SetCancelFlag();
  else
    simstore::SetCancelFlag();
}

} // extern "C"
