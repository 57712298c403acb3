// Finding the PC files that a copy to the player takes: the files below a
// folder and the files a playlist names. The walks only find files; what
// happens to each one (count, send, delete) is the caller's action.
#pragma once

#include "host/constants.h"
#include "operations/failure_summary.h"

#include <cstdint>
#include <string>

namespace davu {

// Longest folder the walks enter, and the longest playlist line they read.
constexpr size_t kWalkFolderLimit = kFolderLimit;
constexpr size_t kPlaylistLineLimit = 4094;
constexpr size_t kWalkPathLimit =
    kPathLimit; // paths are refused from this length

enum WalkMode : int {
  WALK_COUNT = 0,
  WALK_SEND = 1,
  WALK_DELETE_SOURCE = 2,
};

struct SourceWalk {
  WalkMode Mode = WALK_COUNT;
  uint32_t Options = 0; // PSO_PLAYLISTS and PSO_KEEPEXISTING are read
  const char *SubDirExt = "";
  // Characters at the start of a walked path that the progress line leaves
  // out: the source folder, so a file inside a folder shows as
  // "Folder\Name" instead of a path cut off before its name.
  size_t NameFrom = 0;
  void *Context = nullptr;
  // One file that qualifies: its full path, its size and the name for the
  // progress line. Returns true when the file was dealt with; in
  // delete-source mode, when it is gone from the PC.
  bool (*OnFile)(void *context, const std::string &path, uint32_t size,
                 const char *displayName) = nullptr;
  // Tested before each further folder entry and after each playlist line.
  bool (*Cancelled)(void *context) = nullptr;
  // Something that should have been sent and cannot be: a playlist line
  // that names no file, a playlist that cannot be read. May be null.
  void (*OnFailed)(void *context, const std::string &name,
                   FailReason reason) = nullptr;
};

// Byte sums of the files found; 0 when cancelled. Playlists are read
// through the file APIs, in the host's code page; a line that names no file
// is tried once more as text in the ANSI code page.
uint32_t WalkFolder(const SourceWalk &walk, const std::string &folder);
uint32_t WalkPlaylist(const SourceWalk &walk, const std::string &playlist);

// Clears every attribute but the archive bit unless existing files are kept,
// then deletes the file. True when the file is gone.
bool DeleteSourceFile(const std::string &path, uint32_t options);

// Only the letters a to z change.
std::string UpperAsciiLetters(const std::string &text);

} // namespace davu
