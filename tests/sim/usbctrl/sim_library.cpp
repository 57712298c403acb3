#include "tests/sim/usbctrl/sim_library.h"

#include <gtest/gtest.h>

namespace simtest {

namespace {
template <typename Fn> Fn As(void *proc) {
  return reinterpret_cast<Fn>(proc);
}
enum {
  kCtor,
  kSetProgressWindow,
  kDumpUsbConfig,
  kCheckSMCCard,
  kGetVersionInfo,
  kGetAvailMemory,
  kFormatInternal,
  kFormatExternal,
  kFindFirstInternal,
  kFindNextInternal,
  kFindFirstExternal,
  kFindNextExternal,
  kDownload,
  kDelete,
  kUpload,
  kChangeOrder,
  kSetCancelFlag,
};
} // namespace

SimLibrary::SimLibrary(const std::string &path) : module(path) {
  for (int i = 0; i < usbctrl::kEntryPointCount; ++i)
    procs[i] = module ? reinterpret_cast<void *>(GetProcAddress(
                            module.get(), usbctrl::kExportNames[i]))
                      : nullptr;
}

bool SimLibrary::Bound() const {
  for (void *p : procs)
    if (!p)
      return false;
  return true;
}

void *SimLibrary::Construct() {
  return As<usbctrl::Constructor>(procs[kCtor])(object, nullptr);
}
int SimLibrary::SetProgressWindow(HWND window) {
  return As<usbctrl::SetProgressWindowFn>(procs[kSetProgressWindow])(
      object, nullptr, window);
}
int SimLibrary::DumpUsbConfig() {
  return As<usbctrl::NoArgFn>(procs[kDumpUsbConfig])(object, nullptr);
}
int SimLibrary::CheckSMCCard() {
  return As<usbctrl::NoArgFn>(procs[kCheckSMCCard])(object, nullptr);
}
int SimLibrary::GetVersionInfo(unsigned char *text64) {
  return As<usbctrl::GetVersionInfoFn>(procs[kGetVersionInfo])(object, nullptr,
                                                               text64);
}
int SimLibrary::GetAvailMemory(int *a, int *b, int *c, int *d) {
  return As<usbctrl::GetAvailMemoryFn>(procs[kGetAvailMemory])(object, nullptr,
                                                               a, b, c, d);
}
int SimLibrary::Format(int memory) {
  return As<usbctrl::NoArgFn>(
      procs[memory == 0 ? kFormatInternal : kFormatExternal])(object, nullptr);
}
int SimLibrary::FindFirst(int memory, usbctrl::tagFILE_ENTRY *record) {
  return As<usbctrl::FindFn>(
      procs[memory == 0 ? kFindFirstInternal : kFindFirstExternal])(
      object, nullptr, record);
}
int SimLibrary::FindNext(int memory, usbctrl::tagFILE_ENTRY *record) {
  return As<usbctrl::FindFn>(
      procs[memory == 0 ? kFindNextInternal : kFindNextExternal])(
      object, nullptr, record);
}
int SimLibrary::Download(int memory, const char *path) {
  return As<usbctrl::DownloadFn>(procs[kDownload])(object, nullptr, memory,
                                                   path);
}
int SimLibrary::Delete(int memory, int fileIndex) {
  return As<usbctrl::DeleteFn>(procs[kDelete])(object, nullptr, memory,
                                               fileIndex);
}
int SimLibrary::Upload(int memory, int fileIndex) {
  return As<usbctrl::UploadFn>(procs[kUpload])(object, nullptr, memory,
                                               fileIndex, nullptr);
}
int SimLibrary::ChangeOrder(int memory, int fileIndex, int position) {
  return As<usbctrl::ChangeOrderFn>(procs[kChangeOrder])(
      object, nullptr, memory, fileIndex, position);
}
void SimLibrary::SetCancelFlag() {
  As<usbctrl::SetCancelFlagFn>(procs[kSetCancelFlag])(object, nullptr);
}

StoreFixture::StoreFixture(uint32_t internalCapacity,
                           uint32_t externalCapacity) {
  folder = dir / "player\\";
  std::string error;
  EXPECT_TRUE(simplayer::CreateStore(folder, internalCapacity, externalCapacity,
                                     &error))
      << error;
  SetEnvironmentVariableA("DAVU_PLAYER", folder.c_str());
}

StoreFixture::~StoreFixture() {
  SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
}

simplayer::PlayerStore StoreFixture::Load() const {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(folder, &store, &error)) << error;
  return store;
}

void StoreFixture::Save(const simplayer::PlayerStore &store) const {
  std::string error;
  EXPECT_TRUE(simplayer::SaveStore(store, &error)) << error;
}

uint16_t StoreFixture::Put(int memory, const std::string &name,
                           const std::string &bytes) {
  simplayer::PlayerStore store = Load();
  uint16_t index = 0;
  std::string error;
  EXPECT_EQ(simplayer::PutResult::Done,
            simplayer::PutBytes(&store, memory, name, bytes,
                                simplayer::CurrentTimes(), &index, &error))
      << error;
  return index;
}

std::vector<std::string> StoreFixture::Names(int memory) const {
  std::vector<std::string> names;
  for (const simplayer::StoredFile &f : Load().memories[memory].files)
    names.push_back(f.name);
  return names;
}

ProgressRecorder::ProgressRecorder(std::function<void(WPARAM)> onMessage)
    : onMessage_(std::move(onMessage)) {
  ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
  WaitForSingleObject(ready_, 10000);
}

ProgressRecorder::~ProgressRecorder() {
  if (window_)
    PostMessageA(window_, WM_CLOSE, 0, 0);
  if (thread_) {
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
  }
  if (ready_)
    CloseHandle(ready_);
}

DWORD WINAPI ProgressRecorder::ThreadProc(void *param) {
  auto *self = static_cast<ProgressRecorder *>(param);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.lpszClassName = "SimProgressRecorder";
  RegisterClassExA(&wc); // fails harmlessly once the class exists
  HWND window = CreateWindowExA(0, "SimProgressRecorder", "", WS_OVERLAPPED, 0,
                                0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  self->window_ = window;
  SetEvent(self->ready_);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

LRESULT CALLBACK ProgressRecorder::WindowProc(HWND window, UINT message,
                                              WPARAM wParam, LPARAM lParam) {
  auto *self = reinterpret_cast<ProgressRecorder *>(
      GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == usbctrl::kProgressMessage && self) {
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->messages_.push_back(wParam);
    }
    if (self->onMessage_)
      self->onMessage_(wParam);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<WPARAM> ProgressRecorder::Messages() {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

bool ProgressRecorder::WaitForComplete(int count, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    int seen = 0;
    for (WPARAM w : Messages())
      seen += w == usbctrl::kFileComplete;
    if (seen >= count)
      return true;
    if (GetTickCount() - start > timeoutMs)
      return false;
    Sleep(10);
  }
}

unsigned long long ProgressRecorder::Bytes() {
  unsigned long long total = 0;
  for (WPARAM w : Messages())
    if (w != usbctrl::kFileComplete)
      total += w;
  return total;
}

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (char &c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

} // namespace simtest
