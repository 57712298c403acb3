// The progress thread and its hidden window. The host's thread is inside a
// library call while the library reports progress, so a second thread owns
// the window the reports go to and runs the progress display for each.
#include "progress/progress_thread.h"

#include "device/device_link.h"
#include "host/unique_handle.h"
#include "progress/progress_display.h"

#include <atomic>
#include <utility>

namespace davu {

namespace {

constexpr char kClassName[] = "DAVU_CLASS";
constexpr SIZE_T kThreadStack = 8192;
constexpr DWORD kHandshakePollMs = 10;
// A window that has not appeared by then never will; the operation goes on
// without a progress display rather than hang the host.
constexpr DWORD kHandshakeLimitMs = 5000;

// Which start the thread's window belongs to. A start that gave up waiting
// marks itself abandoned, so that its thread, should it still make its
// window, destroys it again instead of handing it to a later operation.
enum StartState : int { kIdle, kWaiting, kReady, kAbandoned };
std::atomic<int> g_startState{kIdle};

// The thread of an abandoned start, kept until it has ended.
UniqueKernelHandle g_abandonedThread;

// The class is registered for this module, not the process: a test program
// that links the core and also loads the plug-in, or a plug-in loaded again
// at another address, must not run another copy's window procedure.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ProgressWindowProc), &module);
  return module;
}

void RegisterProgressClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_VREDRAW | CS_HREDRAW;
  windowClass.lpfnWndProc = ProgressWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExA(&windowClass))
    return;
  // Normal from the second operation on: the class exists already. Only a
  // class left behind by an earlier load of this module (whose procedure is
  // gone) is replaced.
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kClassName, &existing) &&
      existing.lpfnWndProc != ProgressWindowProc &&
      UnregisterClassA(kClassName, instance))
    RegisterClassExA(&windowClass);
}

// Waits, within the limit, for the thread of an abandoned start to end.
bool AbandonedThreadGone() {
  if (!g_abandonedThread.Get())
    return true;
  if (WaitForSingleObject(g_abandonedThread.Get(), kHandshakeLimitMs) !=
      WAIT_OBJECT_0)
    return false;
  g_abandonedThread.Reset();
  return true;
}

} // namespace

DWORD WINAPI ProgressThreadProc(LPVOID parameter) {
  PanelSession *session = static_cast<PanelSession *>(parameter);
  HINSTANCE instance = ThisModule();
  RegisterProgressClass(instance);
  HWND window =
      CreateWindowExA(0, kClassName, "DAVU", WS_OVERLAPPEDWINDOW, 10, 10, 400,
                      300, nullptr, nullptr, instance, nullptr);
  // Without a window nothing could ever end the loop.
  if (!window)
    return 1;
  int expected = kWaiting;
  if (!g_startState.compare_exchange_strong(expected, kReady)) {
    DestroyWindow(window);
    return 0;
  }
  session->ProgressWindow.store(window);

  MSG message;
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0)
      break;
    if (got == -1)
      continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
  switch (message) {
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  case usbctrl::kProgressMessage:
    // A report that arrives when no operation runs must not draw or cancel:
    // a cancellation then would leave the next operation marked.
    if (Device().OpMode.load() != 0)
      UpdateProgress(static_cast<uint32_t>(wParam));
    return DefWindowProcA(window, message, wParam, lParam);
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

HANDLE StartProgressThread(PanelSession *session) {
  if (!session)
    return nullptr;
  session->ProgressWindow.store(nullptr);
  if (!AbandonedThreadGone())
    return nullptr;
  g_startState.store(kWaiting);
  UniqueKernelHandle thread(CreateThread(
      nullptr, kThreadStack, ProgressThreadProc, session, 0, nullptr));
  if (!thread) {
    g_startState.store(kIdle);
    return nullptr;
  }

  DWORD started = GetTickCount();
  HWND window = nullptr;
  while ((window = session->ProgressWindow.load()) == nullptr) {
    // The thread ended without a window: it could not make one.
    if (WaitForSingleObject(thread.Get(), kHandshakePollMs) == WAIT_OBJECT_0) {
      g_startState.store(kIdle);
      return nullptr;
    }
    if (GetTickCount() - started >= kHandshakeLimitMs) {
      int expected = kWaiting;
      if (g_startState.compare_exchange_strong(expected, kAbandoned)) {
        g_abandonedThread = std::move(thread);
        return nullptr;
      }
      // The window came at the last moment; its handle follows at once.
    }
  }
  Device().SetProgressWindow(window);
  return thread.Release();
}

void StopProgressThread(HANDLE handle, PanelSession *session) {
  UniqueKernelHandle thread(handle);
  if (!thread)
    return;
  // A sent close is handled between two dispatches, never inside the
  // display; the window's destruction ends the loop. Reports still queued
  // for the destroyed window are never dispatched.
  HWND window = session ? session->ProgressWindow.load() : nullptr;
  if (window)
    SendMessageA(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(thread.Get(), INFINITE);
  g_startState.store(kIdle);
}

} // namespace davu
