// Connecting, the ready check, the find calls and the pass-through calls to
// the library.
#include "device/device_link.h"

#include "device/name_conversion.h"

namespace davu {

int DeviceLink::Connect() {
  Entry.Constructor(LibraryObject(), nullptr);
  int result = Entry.GetVersionInfo(
      LibraryObject(), nullptr, reinterpret_cast<unsigned char *>(VersionText));
  // The text comes from the library; keep it a string whatever it wrote.
  VersionText[sizeof VersionText - 1] = 0;
  return result;
}

bool DeviceLink::CheckReady() {
  return Entry.dumpUsbConfig(LibraryObject(), nullptr) == 0;
}

int DeviceLink::CheckCard() {
  return Entry.CheckSMCCard(LibraryObject(), nullptr);
}

namespace {

int FinishFind(int result, usbctrl::tagFILE_ENTRY *record) {
  // The record is the library's: its name need not end inside the field.
  record->Name[sizeof record->Name - 1] = 0;
  if (result != usbctrl::kNoMoreFiles)
    ToPcName(record->Name, record->Name);
  return result;
}

} // namespace

int DeviceLink::FindFirst(int memory, usbctrl::tagFILE_ENTRY *record) {
  usbctrl::FindFn find = memory == MEM_INTERNAL ? Entry.FindFirstInternal
                                                : Entry.FindFirstExternal;
  return FinishFind(find(LibraryObject(), nullptr, record), record);
}

int DeviceLink::FindNext(int memory, usbctrl::tagFILE_ENTRY *record) {
  usbctrl::FindFn find =
      memory == MEM_INTERNAL ? Entry.FindNextInternal : Entry.FindNextExternal;
  return FinishFind(find(LibraryObject(), nullptr, record), record);
}

int DeviceLink::SetProgressWindow(HWND window) {
  return Entry.SetProgressWindow(LibraryObject(), nullptr, window);
}

int DeviceLink::GetMemorySizes(int *internalTotal, int *internalFree,
                               int *externalTotal, int *externalFree) {
  return Entry.GetAvailMemory(LibraryObject(), nullptr, internalTotal,
                              internalFree, externalTotal, externalFree);
}

} // namespace davu
