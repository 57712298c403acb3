#include "tests/progress/fake_host.h"

#include "device/device_link.h"
#include "host/far_api.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/farhost/lang_file.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace progress_test {

namespace {

Record record;
std::vector<std::string> messages; // the language file installed

const char *WINAPI FakeGetMsg(int, int id) {
  if (id < 0 || id >= static_cast<int>(messages.size()))
    return "";
  return messages[id].c_str();
}

int WINAPI FakeMessage(int, DWORD flags, const char *helpTopic,
                       const char *const *items, int count, int buttons) {
  Box box;
  box.flags = flags;
  box.hasHelp = helpTopic != nullptr;
  for (int i = 0; i < count; ++i)
    box.items.push_back(items[i] ? items[i] : "");
  box.buttons = buttons;
  box.thread = GetCurrentThreadId();
  std::lock_guard<std::mutex> lock(record.mutex);
  record.boxes.push_back(box);
  return 0;
}

void WINAPI FakeText(int, int, int, const char *text) {
  std::lock_guard<std::mutex> lock(record.mutex);
  ++record.texts;
  if (!text)
    ++record.nullTexts;
}

HANDLE WINAPI FakeSaveScreen(int, int, int, int) {
  std::lock_guard<std::mutex> lock(record.mutex);
  ++record.saves;
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(record.saves));
}

void WINAPI FakeRestoreScreen(HANDLE) {
  std::function<void()> check;
  {
    std::lock_guard<std::mutex> lock(record.mutex);
    ++record.restores;
    check = record.onRestore;
  }
  if (check)
    check();
}

int __fastcall FakeSetProgressWindow(void *, void *, HWND window) {
  std::lock_guard<std::mutex> lock(record.mutex);
  record.progressWindows.push_back(window);
  return 0;
}

void __fastcall FakeSetCancelFlag(void *, void *) {
  std::lock_guard<std::mutex> lock(record.mutex);
  ++record.cancelFlags;
}

} // namespace

Record &InstallFakeHost(const char *languageFile) {
  farhost::ConsoleInput(); // before the plug-in's first poll
  farhost::LangFile lang;
  std::string error;
  EXPECT_TRUE(farhost::ParseLangFile(
      testing_support::PluginBuildDir() + languageFile, &lang, &error))
      << error;
  messages = lang.messages;
  farapi::PluginStartupInfo &info = davu::HostInfo;
  info = farapi::PluginStartupInfo{};
  info.StructSize = sizeof info;
  info.ModuleNumber = 7;
  info.GetMsg = FakeGetMsg;
  info.Message = FakeMessage;
  info.Text = FakeText;
  info.SaveScreen = FakeSaveScreen;
  info.RestoreScreen = FakeRestoreScreen;

  davu::DeviceLink &link = davu::Device();
  link.Entry = davu::DeviceEntryPoints{};
  link.Entry.SetProgressWindow = FakeSetProgressWindow;
  link.Entry.SetCancelFlag = FakeSetCancelFlag;
  link.OpMode = 0;
  link.FileStartTick = 0;
  link.FileSize = 0;
  link.FileDone = 0;
  link.OpStartTick = 0;
  link.TotalSize = 0;
  link.DoneBefore = 0;
  link.TotalDone = 0;

  std::lock_guard<std::mutex> lock(record.mutex);
  record.boxes.clear();
  record.texts = record.nullTexts = record.saves = record.restores = 0;
  record.progressWindows.clear();
  record.cancelFlags = 0;
  record.onRestore = nullptr;
  DrainConsole();
  return record;
}

Record &Recorded() {
  return record;
}

void DrainConsole() {
  HANDLE in = farhost::ConsoleInput();
  FlushConsoleInputBuffer(in);
}

bool PutKey(WORD virtualKey, bool down) {
  INPUT_RECORD input{};
  input.EventType = KEY_EVENT;
  input.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  input.Event.KeyEvent.wRepeatCount = 1;
  input.Event.KeyEvent.wVirtualKeyCode = virtualKey;
  DWORD written = 0;
  return WriteConsoleInputA(farhost::ConsoleInput(), &input, 1, &written) != 0;
}

} // namespace progress_test
