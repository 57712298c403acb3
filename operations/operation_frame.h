// The frame every transferring operation runs in. Whatever path leaves the
// operation, the destructor stops the progress thread, restores the saved
// screen and ends the device operation, in that order; each step runs once.
#pragma once

#include "services/plugin_state.h"

#include <windows.h>

#include <cstdint>

namespace davu {

class OperationFrame {
public:
  explicit OperationFrame(PanelSession &session) : session_(session) {}
  ~OperationFrame() { Finish(); }
  OperationFrame(const OperationFrame &) = delete;
  OperationFrame &operator=(const OperationFrame &) = delete;

  void SaveScreen();                               // SaveScreen(0, 0, -1, -1)
  void Begin(uint16_t opMode, uint32_t totalSize); // BeginOperation
  void StartProgress();                            // StartProgressThread
  void StopProgress();
  void RestoreScreen();
  void EndOperation();
  // SaveScreen, StartProgress, the box's title, Begin, and the item count
  // from zero: the opening of the whole-memory commands.
  void Open(uint16_t opMode, uint32_t totalSize, int titleMessage);
  // StopProgress, RestoreScreen, EndOperation.
  void Finish();

private:
  PanelSession &session_;
  HANDLE screen_ = nullptr;
  bool screenSaved_ = false;
  bool begun_ = false;
  HANDLE thread_ = nullptr;
};

} // namespace davu
