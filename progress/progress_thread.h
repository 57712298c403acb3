// The progress thread: it owns a hidden window of class "DAVU_CLASS" that
// receives the library's progress messages while the host's thread is busy
// inside a library call.
#pragma once

#include "device/panel_session.h"

#include <windows.h>

namespace davu {

DWORD WINAPI ProgressThreadProc(LPVOID session);
LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam);

// Clears the session's ProgressWindow, creates the thread, waits for its
// window and hands the window to the library. Returns the thread handle, or
// null when no window appeared in time (the operation then runs without a
// progress display).
HANDLE StartProgressThread(PanelSession *session);
// Ends the thread without cutting it off inside the display, waits for it
// and closes the handle. A null handle does nothing.
void StopProgressThread(HANDLE thread, PanelSession *session);

} // namespace davu
