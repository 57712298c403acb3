// One walk per memory for the same-name check of a copy to the player.
#include "operations/device_name_index.h"

#include "device/memory_walk.h"
#include "operations/pc_source_walk.h"

#include <cstring>

namespace davu {

namespace {

// More entries than a memory can hold with 16-bit file indexes: a library
// that never reports the end cannot keep a walk going.
constexpr int kMaxEntriesPerMemory = 65536 + 1;

bool perFileWalk = false;

void ReadMemory(DeviceNameIndex::MemoryNames &names, DeviceLink &link,
                int memory) {
  names = DeviceNameIndex::MemoryNames();
  names.Read = true;
  int seen = 0;
  ForEachRecord(link, memory, WalkEnd::NoMoreFiles,
                [&](const usbctrl::tagFILE_ENTRY &record) {
                  if (seen++ >= kMaxEntriesPerMemory)
                    return false;
                  std::string name(record.Name,
                                   strnlen(record.Name, sizeof record.Name));
                  names.Files[UpperAsciiLetters(name)].push_back(
                      {record.FileIndex & kFileIndexMask, record.FileSize});
                  return true;
                });
}

} // namespace

void UsePerFileWalk(bool on) {
  perFileWalk = on;
}

SameNameOutcome ClearSameName(DeviceNameIndex &index, DeviceLink &link,
                              int memory, const std::string &upperName,
                              bool keepExisting,
                              void (*onDeleted)(void *context), void *context) {
  DeviceNameIndex::MemoryNames &names =
      index.Memories[memory == MEM_INTERNAL ? 0 : 1];
  if (!names.Read || perFileWalk || names.Unknown.count(upperName))
    ReadMemory(names, link, memory);

  SameNameOutcome outcome = SameNameOutcome::Send;
  auto found = names.Files.find(upperName);
  if (found != names.Files.end()) {
    std::vector<DeviceNameIndex::Entry> &files = found->second;
    if (keepExisting && !files.empty())
      return SameNameOutcome::KeepFound;
    // A file the library would not delete stays listed, as it stays on the
    // player, and is tried again for the next file of that name.
    std::vector<DeviceNameIndex::Entry> left;
    size_t i = 0;
    for (; i < files.size(); ++i) {
      link.AddQuiet();
      int deleted =
          link.DeleteDeviceFile(memory, files[i].FileIndex, files[i].Size);
      link.RemoveQuiet();
      if (deleted == usbctrl::kDone)
        onDeleted(context);
      else
        left.push_back(files[i]);
      if (link.Cancelled()) {
        outcome = SameNameOutcome::Cancelled;
        ++i;
        break;
      }
    }
    left.insert(left.end(), files.begin() + i, files.end());
    files.swap(left);
  }
  // The file goes to the player next, under an index not known here.
  if (outcome == SameNameOutcome::Send)
    names.Unknown.insert(upperName);
  return outcome;
}

} // namespace davu
