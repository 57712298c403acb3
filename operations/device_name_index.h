// The names of the files on the player's memories, read once per copy to
// the player: each memory is walked when a file is first sent to it, and the
// map is kept up to date with every delete made through it. A file that is
// about to be sent leaves its name marked as unknown on that memory (the
// player gives the new file an index nobody has seen); a later file of the
// same name reads that memory once more. So a call walks each memory about
// once instead of once per file sent.
#pragma once

#include "device/device_link.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace davu {

struct DeviceNameIndex {
  struct Entry {
    uint32_t FileIndex;
    uint32_t Size;
  };
  struct MemoryNames {
    bool Read = false;
    // Upper-cased name -> the files of that name, in the player's order.
    std::map<std::string, std::vector<Entry>> Files;
    std::set<std::string> Unknown; // sent since the walk
  };
  MemoryNames Memories[2];
  // The play order as the first walk of each memory found it, and the
  // files of it that a file of the same name replaced since: the new files
  // take their places when the sending is over.
  struct PlayOrder {
    bool Read = false;
    std::vector<uint32_t> Files;                // file indexes in play order
    std::map<uint32_t, std::string> ReplacedBy; // file index -> upper name
  };
  PlayOrder Orders[2];
};

// What clearing a name on a memory came to.
enum class SameNameOutcome {
  Send,      // no file of that name is left there
  KeepFound, // one exists and existing files are kept
  Cancelled, // the user cancelled during a delete
};

// Deletes every file named `upperName` on `memory` (quietly, as a delete
// inside a download), or with `keepExisting` only looks for one.
// `onDeleted` runs after each delete the library confirmed; *removed tells
// whether any file was deleted.
SameNameOutcome ClearSameName(DeviceNameIndex &index, DeviceLink &link,
                              int memory, const std::string &upperName,
                              bool keepExisting,
                              void (*onDeleted)(void *context), void *context,
                              bool *removed);

// Each file sent in place of one of the same name takes the play position
// of the file it replaced: the player's order is the user's. One walk of
// each memory where something was replaced.
void RestorePlayPositions(DeviceNameIndex &index, DeviceLink &link);

// Reads the memory for every file, as before the index existed. Kept as the
// reference that the index is checked against; off unless a test turns it on.
void UsePerFileWalk(bool on);

} // namespace davu
