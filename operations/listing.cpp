// GetFindData and FreeFindData: the selected memory as a flat list of
// panel items, one per record the library enumerates.
#include "operations/listing.h"

#include "device/device_link.h"
#include "device/file_time.h"
#include "device/memory_walk.h"
#include "operations/player_ready.h"

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
  item->UserData = record.FileIndex & kFileIndexMask;
}

// Grown by half each time, so a long listing is copied a few times in all
// rather than once per record.
bool Grow(HANDLE heap, farapi::PluginPanelItem **items, size_t *capacity) {
  size_t wanted =
      *capacity < kFirstCapacity ? kFirstCapacity : *capacity + *capacity / 2;
  size_t bytes = wanted * sizeof(farapi::PluginPanelItem);
  void *grown =
      *items ? HeapReAlloc(heap, 0, *items, bytes) : HeapAlloc(heap, 0, bytes);
  if (!grown)
    return false;
  *items = static_cast<farapi::PluginPanelItem *>(grown);
  *capacity = wanted;
  return true;
}

} // namespace

int GetFindDataImpl(PanelSession *session, farapi::PluginPanelItem **items,
                    int *count, int /*opMode*/) {
  if (!session || !items || !count)
    return 1;
  *items = nullptr;
  *count = 0;
  DeviceLink &device = Device();
  if (!PlayerReady(device))
    return 1;

  device.BeginOperation(OM_LIST, 0);
  HANDLE heap = GetProcessHeap();
  size_t capacity = 0; // records the array has room for
  ForEachRecord(device, session->Memory, WalkEnd::NoMoreFiles,
                [&](const usbctrl::tagFILE_ENTRY &record) {
                  farapi::PluginPanelItem item;
                  FillItem(record, &item);
                  if (static_cast<size_t>(*count) == capacity) {
                    // Out of memory: what was listed so far stays a valid
                    // listing.
                    if (!Grow(heap, items, &capacity))
                      return false;
                  }
                  memcpy(&(*items)[*count], &item, sizeof item);
                  ++*count;
                  return true;
                });
  device.EndOperation();
  return 1;
}

void FreeFindDataImpl(PanelSession * /*session*/,
                      farapi::PluginPanelItem *items, int /*count*/) {
  if (items)
    HeapFree(GetProcessHeap(), 0, items);
}

} // namespace davu
