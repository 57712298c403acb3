// A host table for the linked core whose Message, Text, SaveScreen and
// RestoreScreen record every call (from any thread), and a library table
// whose SetProgressWindow and SetCancelFlag are recorded.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace progress_test {

struct Box {
  DWORD flags = 0;
  bool hasHelp = false;
  std::vector<std::string> items;
  int buttons = 0;
  DWORD thread = 0;
};

struct Record {
  std::mutex mutex;
  std::vector<Box> boxes;
  int texts = 0;
  int nullTexts = 0;
  int saves = 0;
  int restores = 0;
  std::vector<HWND> progressWindows; // SetProgressWindow arguments
  int cancelFlags = 0;
  // Runs inside RestoreScreen, to look at the state at that moment.
  std::function<void()> onRestore;

  std::vector<Box> Boxes() {
    std::lock_guard<std::mutex> lock(mutex);
    return boxes;
  }
};

// Installs both tables, with the catalogue of `languageFile` from the
// plug-in's build folder, resets the device link's op-mode and counters and
// clears the record.
Record &InstallFakeHost(const char *languageFile = "DAVUmanEng.lng");
Record &Recorded();

// The console input the plug-in polls, emptied.
void DrainConsole();
// Writes one key event into the console input.
bool PutKey(WORD virtualKey, bool down);

} // namespace progress_test
