// The frame of a transferring operation; the destructor runs the steps of
// the end that have not run yet.
#include "operations/operation_frame.h"

#include "device/device_link.h"
#include "progress/progress_display.h"
#include "progress/progress_thread.h"

namespace davu {

void OperationFrame::SaveScreen() {
  if (screenSaved_ || !HostInfo.SaveScreen)
    return;
  screen_ = HostInfo.SaveScreen(0, 0, -1, -1);
  screenSaved_ = true;
}

void OperationFrame::Begin(uint16_t opMode, uint32_t totalSize) {
  Device().BeginOperation(opMode, totalSize);
  begun_ = true;
}

void OperationFrame::StartProgress() {
  if (thread_)
    return;
  // Null when no window could be made: the operation runs without a box.
  thread_ = StartProgressThread(&session_);
}

void OperationFrame::StopProgress() {
  HANDLE thread = thread_;
  thread_ = nullptr;
  StopProgressThread(thread, &session_);
}

void OperationFrame::RestoreScreen() {
  if (!screenSaved_)
    return;
  screenSaved_ = false;
  if (HostInfo.RestoreScreen)
    HostInfo.RestoreScreen(screen_);
  screen_ = nullptr;
}

void OperationFrame::EndOperation() {
  if (!begun_)
    return;
  begun_ = false;
  Device().EndOperation();
}

void OperationFrame::Open(uint16_t opMode, uint32_t totalSize,
                          int titleMessage) {
  SaveScreen();
  StartProgress();
  SetProgressTitle(titleMessage);
  Begin(opMode, totalSize);
  session_.ItemNumber = 0;
}

void OperationFrame::Finish() {
  StopProgress();
  RestoreScreen();
  EndOperation();
}

} // namespace davu
