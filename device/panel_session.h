// The per-panel record that the host gets as the panel handle: which memory
// the panel shows, the options of the running operation and its item
// counts, and the progress thread's window handshake.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

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

} // namespace davu
