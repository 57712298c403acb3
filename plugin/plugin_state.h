// Process-wide state of the plug-in and the per-panel record that the host
// gets as the panel handle.
#pragma once

#include "host/far_api.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace davu {

// Option bits of PanelSession::Options.
enum : uint32_t {
  PSO_SWITCHWHENFULL = 1,
  PSO_KEEPEXISTING = 4,
  PSO_PLAYLISTS = 8,
};

// One per opened panel. ProgressWindow is the handshake word written once by
// the progress thread and polled by the operation, hence atomic.
struct PanelSession {
  std::atomic<HWND> ProgressWindow{nullptr};
  int32_t ItemNumber = 0;
  int32_t ItemCount = 0;
  uint32_t Options = 0;
  int32_t Memory = 0; // MEM_INTERNAL or MEM_EXTERNAL
  uint8_t FindCancelled = 0;
};

// The host's table as given to SetStartupInfo, with FSF pointing at our own
// copy of the standard functions.
extern farapi::PluginStartupInfo HostInfo;
extern bool HostTooOld;

// Text of a catalogue message; never null.
const char *MsgText(int id);

// ModuleName up to and including its last backslash.
std::string PluginFolder();

} // namespace davu
