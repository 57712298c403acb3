// GetFindData and FreeFindData: the selected memory as a flat list of
// panel items, one per record the library enumerates.
#include "operations/listing.h"

#include "device/device_link.h"
#include "device/file_time.h"

#include <windows.h>

#include <cstring>

namespace davu {

namespace {

constexpr size_t kFirstCapacity = 64;

void FillItem(const usbctrl::tagFILE_ENTRY &record,
              farapi::PluginPanelItem *item) {
  // Every byte not named below stays zero, so nothing of an earlier record
  // can show through.
  memset(item, 0, sizeof *item);
  farapi::FindData &data = item->FindData;
  data.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  DosDateTimeToUtcFileTime(record.CreationDate, record.CreationTime,
                           &data.ftCreationTime);
  DosDateTimeToUtcFileTime(record.LastAccessDate, record.LastAccessTime,
                           &data.ftLastAccessTime);
  DosDateTimeToUtcFileTime(record.LastWriteDate, record.LastWriteTime,
                           &data.ftLastWriteTime);
  data.nFileSizeLow = record.FileSize;
  // Cut at the field's 260 bytes; a shorter name is followed by zeros.
  size_t length = strnlen(record.Name, sizeof data.cFileName);
  memcpy(data.cFileName, record.Name, length);
  item->PackSize = record.FileSize;
  item->UserData = record.FileIndex & 0xFFFF;
}

} // namespace

int GetFindDataImpl(PanelSession *session, farapi::PluginPanelItem **items,
                    int *count, int /*opMode*/) {
  if (!session || !items || !count)
    return 1;
  *items = nullptr;
  *count = 0;
  DeviceLink &device = Device();
  if (!device.CheckReady())
    return 1;

  device.BeginOperation(OM_LIST, 0);
  HANDLE heap = GetProcessHeap();
  usbctrl::tagFILE_ENTRY record;
  memset(&record, 0, sizeof record);
  farapi::PluginPanelItem item;
  size_t capacity = 0; // records the array has room for
  int result = device.FindFirst(session->Memory, &record);
  while (result != usbctrl::kNoMoreFiles) {
    FillItem(record, &item);
    if (static_cast<size_t>(*count) == capacity) {
      // Grown by half each time, so a long listing is copied a few times
      // in all rather than once per record.
      size_t wanted =
          capacity < kFirstCapacity ? kFirstCapacity : capacity + capacity / 2;
      void *grown = *items ? HeapReAlloc(heap, 0, *items, wanted * sizeof item)
                           : HeapAlloc(heap, 0, wanted * sizeof item);
      // Out of memory: what was listed so far stays a valid listing.
      if (!grown)
        break;
      *items = static_cast<farapi::PluginPanelItem *>(grown);
      capacity = wanted;
    }
    memcpy(&(*items)[*count], &item, sizeof item);
    ++*count;
    result = device.FindNext(session->Memory, &record);
  }
  device.EndOperation();
  return 1;
}

void FreeFindDataImpl(PanelSession * /*session*/,
                      farapi::PluginPanelItem *items, int /*count*/) {
  if (items)
    HeapFree(GetProcessHeap(), 0, items);
}

} // namespace davu
