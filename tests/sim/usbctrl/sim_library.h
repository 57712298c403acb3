// The built USBCTRL.dll bound by its seventeen export names, a store folder
// for it, and a window on a second thread that records progress messages.
#pragma once

#include "device/usbctrl_contract.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/test_support.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace simtest {

// The library loaded from beside the test program, every method bound.
struct SimLibrary {
  explicit SimLibrary(const std::string &path = testing_support::ExeDir() +
                                                "USBCTRL.dll");
  bool Bound() const;

  testing_support::LoadedModule module;
  void *procs[usbctrl::kEntryPointCount] = {};
  // Any object will do: the library must not write into it.
  unsigned char object[64] = {};

  void *Construct();
  int SetProgressWindow(HWND window);
  int DumpUsbConfig();
  int CheckSMCCard();
  int GetVersionInfo(unsigned char *text64);
  int GetAvailMemory(int *internalTotal, int *internalFree, int *externalTotal,
                     int *externalFree);
  int Format(int memory);
  int FindFirst(int memory, usbctrl::tagFILE_ENTRY *record);
  int FindNext(int memory, usbctrl::tagFILE_ENTRY *record);
  int Download(int memory, const char *path);
  int Delete(int memory, int fileIndex);
  int Upload(int memory, int fileIndex);
  int ChangeOrder(int memory, int fileIndex, int position);
  void SetCancelFlag();
};

// A store in a temporary folder that DAVU_PLAYER points at.
struct StoreFixture {
  StoreFixture(uint32_t internalCapacity = 1 << 20,
               uint32_t externalCapacity = 2 << 20);
  ~StoreFixture();
  simplayer::PlayerStore Load() const;
  void Save(const simplayer::PlayerStore &store) const;
  // Adds a file with the given contents and returns its index.
  uint16_t Put(int memory, const std::string &name, const std::string &bytes);
  // Names of a memory in play order, as the store has them.
  std::vector<std::string> Names(int memory) const;

  testing_support::TempDir dir;
  std::string folder;
};

// A hidden window owned by a second thread that records the wParam of every
// progress message; `onMessage` runs on that thread for each one.
class ProgressRecorder {
public:
  explicit ProgressRecorder(std::function<void(WPARAM)> onMessage = nullptr);
  ~ProgressRecorder();
  HWND window() const { return window_; }
  std::vector<WPARAM> Messages();
  // Waits until a "file complete" message has arrived (posted messages come
  // after the call that posted them returns).
  bool WaitForComplete(int count = 1, DWORD timeoutMs = 5000);
  // Bytes of all messages other than "file complete".
  unsigned long long Bytes();

private:
  static DWORD WINAPI ThreadProc(void *self);
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  std::function<void(WPARAM)> onMessage_;
  std::mutex mutex_;
  std::vector<WPARAM> messages_;
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  HWND window_ = nullptr;
};

std::string Pattern(size_t size, unsigned seed = 1);

} // namespace simtest
