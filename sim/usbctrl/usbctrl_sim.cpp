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

// GCC can declare the member convention on a free function.
#define DAVU_THISCALL __attribute__((thiscall))

namespace {

using usbctrl::tagFILE_ENTRY;
constexpr int kInternal = simplayer::kInternal;
constexpr int kExternal = simplayer::kExternal;

const simlibrary::PlayerCalls &Player() {
  return simmemory::Active() ? simmemory::kMemoryPlayer
                             : simstore::kStorePlayer;
}

} // namespace

extern "C" {

void *DAVU_THISCALL SimCtor(void *self) {
  Player().construct(self);
  return self;
}

int DAVU_THISCALL SimSetProgressWindow(void *, HWND window) {
  return Player().setProgressWindow(window);
}

int DAVU_THISCALL SimDumpUsbConfig(void *) {
  return Player().dumpUsbConfig();
}

int DAVU_THISCALL SimCheckSMCCard(void *) {
  return Player().checkSMCCard();
}

int DAVU_THISCALL SimGetVersionInfo(void *, unsigned char *text64) {
  return Player().getVersionInfo(text64);
}

int DAVU_THISCALL SimGetAvailMemory(void *, int *internalTotal,
                                    int *internalFree, int *externalTotal,
                                    int *externalFree) {
  return Player().getAvailMemory(internalTotal, internalFree, externalTotal,
                                 externalFree);
}

int DAVU_THISCALL SimFormatInternal(void *) {
  return Player().format(kInternal);
}

int DAVU_THISCALL SimFormatExternal(void *) {
  return Player().format(kExternal);
}

int DAVU_THISCALL SimFindFirstInternal(void *, tagFILE_ENTRY *record) {
  return Player().findFirst(kInternal, record);
}

int DAVU_THISCALL SimFindNextInternal(void *, tagFILE_ENTRY *record) {
  return Player().findNext(kInternal, record);
}

int DAVU_THISCALL SimFindFirstExternal(void *, tagFILE_ENTRY *record) {
  return Player().findFirst(kExternal, record);
}

int DAVU_THISCALL SimFindNextExternal(void *, tagFILE_ENTRY *record) {
  return Player().findNext(kExternal, record);
}

int DAVU_THISCALL SimDownload(void *, int memory, const char *path) {
  return Player().download(memory, path);
}

int DAVU_THISCALL SimDelete(void *, int memory, int fileIndex) {
  return Player().erase(memory, fileIndex);
}

int DAVU_THISCALL SimUpload(void *, int memory, int fileIndex,
                            const char *text) {
  return Player().upload(memory, fileIndex, text);
}

int DAVU_THISCALL SimChangeOrder(void *, int memory, int fileIndex,
                                 int position) {
  return Player().changeOrder(memory, fileIndex, position);
}

void DAVU_THISCALL SimSetCancelFlag(void *) {
  Player().setCancelFlag();
}

} // extern "C"
