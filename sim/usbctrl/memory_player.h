// The stand-in library's in-memory player: the store is read from its
// folder once and then kept in the process, so a call costs no disk I/O and
// no pacing. Transfers move no bytes; they only report progress at the
// store's chunk size. It is meant for measuring the plug-in's own cost.
//
// Switched on by the environment variable DAVU_PLAYER_MEMORY=1, read at the
// library's first call. A driver in the same process (a benchmark) shares a
// small block with the library: bumping `generation` makes the library read
// its store folder (DAVU_PLAYER, as usual) again at its next call, and
// `calls` counts the library calls by method. Fail rules are not applied.
#pragma once

#include <windows.h>

namespace simmemory {

constexpr char kSwitchVariable[] = "DAVU_PLAYER_MEMORY";

enum Method {
  CALL_CONSTRUCTOR,
  CALL_SET_PROGRESS_WINDOW,
  CALL_DUMP_USB_CONFIG,
  CALL_CHECK_SMC_CARD,
  CALL_GET_VERSION_INFO,
  CALL_GET_AVAIL_MEMORY,
  CALL_FORMAT_INTERNAL,
  CALL_FORMAT_EXTERNAL,
  CALL_FIND_FIRST_INTERNAL,
  CALL_FIND_NEXT_INTERNAL,
  CALL_FIND_FIRST_EXTERNAL,
  CALL_FIND_NEXT_EXTERNAL,
  CALL_DOWNLOAD,
  CALL_DELETE,
  CALL_UPLOAD,
  CALL_CHANGE_ORDER,
  CALL_SET_CANCEL_FLAG,
  CALL_METHOD_COUNT
};

struct SharedBlock {
  volatile LONG generation;
  volatile LONG calls[CALL_METHOD_COUNT];
};

// The block of this process, created by whichever side asks first; null
// when it cannot be made.
SharedBlock *MapSharedBlock();

// Directory calls (the four find methods) counted so far.
long DirectoryCalls(const SharedBlock &block);

} // namespace simmemory
