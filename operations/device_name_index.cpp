// One walk per memory for the same-name check of a copy to the player.
#include "operations/device_name_index.h"

#include "device/memory_walk.h"
#include "operations/pc_source_walk.h"

#include <algorithm>
#include <cstring>

namespace davu {

namespace {

// More entries than a memory can hold with 16-bit file indexes: a library
// that never reports the end cannot keep a walk going.
constexpr int kMaxEntriesPerMemory = 65536 + 1;

bool perFileWalk = false;

int Slot(int memory) {
  return memory == MEM_INTERNAL ? 0 : 1;
}

std::string RecordName(const usbctrl::tagFILE_ENTRY &record) {
  return UpperAsciiLetters(
      std::string(record.Name, strnlen(record.Name, sizeof record.Name)));
}

void ReadMemory(DeviceNameIndex::MemoryNames &names,
                DeviceNameIndex::PlayOrder &order, DeviceLink &link,
                int memory) {
  names = DeviceNameIndex::MemoryNames();
  names.Read = true;
  const bool first = !order.Read;
  order.Read = true;
  int seen = 0;
  ForEachRecord(
      link, memory, WalkEnd::NoMoreFiles,
      [&](const usbctrl::tagFILE_ENTRY &record) {
        if (seen++ >= kMaxEntriesPerMemory)
          return false;
        uint32_t index = record.FileIndex & kFileIndexMask;
        names.Files[RecordName(record)].push_back({index, record.FileSize});
        if (first)
          order.Files.push_back(index);
        return true;
      });
}

// The order the memory is to have: the first walk's, each replaced file's
// place taken by the file of its name sent since, then whatever else is
// there now, in its present order.
std::vector<uint32_t>
WantedOrder(const DeviceNameIndex::PlayOrder &order,
            const std::vector<uint32_t> &now,
            const std::map<uint32_t, std::string> &names) {
  std::set<uint32_t> present(now.begin(), now.end()), placed;
  std::set<uint32_t> original(order.Files.begin(), order.Files.end());
  std::vector<uint32_t> wanted;
  for (uint32_t file : order.Files) {
    auto replaced = order.ReplacedBy.find(file);
    if (replaced == order.ReplacedBy.end()) {
      if (present.count(file) && placed.insert(file).second)
        wanted.push_back(file);
      continue;
    }
    for (uint32_t candidate : now)
      if (!original.count(candidate) && !placed.count(candidate) &&
          names.at(candidate) == replaced->second) {
        placed.insert(candidate);
        wanted.push_back(candidate);
        break;
      }
  }
  for (uint32_t file : now)
    if (placed.insert(file).second)
      wanted.push_back(file);
  return wanted;
}

} // namespace

void UsePerFileWalk(bool on) {
  perFileWalk = on;
}

SameNameOutcome ClearSameName(DeviceNameIndex &index, DeviceLink &link,
                              int memory, const std::string &upperName,
                              bool keepExisting,
                              void (*onDeleted)(void *context), void *context,
                              bool *removed) {
  *removed = false;
  DeviceNameIndex::MemoryNames &names = index.Memories[Slot(memory)];
  DeviceNameIndex::PlayOrder &order = index.Orders[Slot(memory)];
  if (!names.Read || perFileWalk || names.Unknown.count(upperName))
    ReadMemory(names, order, link, memory);

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
      if (deleted == usbctrl::kDone) {
        *removed = true;
        // Its place in the order goes to the file sent now.
        order.ReplacedBy.emplace(files[i].FileIndex, upperName);
        onDeleted(context);
      } else {
        left.push_back(files[i]);
      }
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

void RestorePlayPositions(DeviceNameIndex &index, DeviceLink &link) {
  for (int memory : {MEM_INTERNAL, MEM_EXTERNAL}) {
    DeviceNameIndex::PlayOrder &order = index.Orders[Slot(memory)];
    if (order.ReplacedBy.empty())
      continue;
    std::vector<uint32_t> now;
    std::map<uint32_t, std::string> names;
    int seen = 0;
    ForEachRecord(link, memory, WalkEnd::NoMoreFiles,
                  [&](const usbctrl::tagFILE_ENTRY &record) {
                    if (seen++ >= kMaxEntriesPerMemory)
                      return false;
                    uint32_t file = record.FileIndex & kFileIndexMask;
                    now.push_back(file);
                    names[file] = RecordName(record);
                    return true;
                  });
    std::vector<uint32_t> wanted = WantedOrder(order, now, names);
    // Left to right: each file that is not yet where it belongs stands
    // further on, and goes in front of the file now at its place.
    for (size_t i = 0; i < wanted.size() && i < now.size(); ++i) {
      if (now[i] == wanted[i])
        continue;
      link.MoveInPlayOrder(memory, wanted[i], static_cast<int>(i));
      now.erase(
          std::find(now.begin() + static_cast<long>(i), now.end(), wanted[i]));
      now.insert(now.begin() + static_cast<long>(i), wanted[i]);
    }
    order.ReplacedBy.clear();
    index.Memories[Slot(memory)].Read = false;
  }
}

} // namespace davu
