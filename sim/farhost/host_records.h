// Records of the service calls a plug-in makes, and the scripted answers
// that stand in for a person at the keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace farhost {

struct MessageRecord {
  DWORD flags = 0;
  bool hasHelp = false;
  std::string helpTopic;
  std::vector<std::string> items; // resolved texts, title first
  int buttons = 0;
  int answer = 0;
  bool otherThread = false; // called from a thread other than the host's
  bool progress = false;    // FMSG_LEFTALIGN with no buttons
  bool scripted = false;    // answer came from the queue
};

struct DialogItemRecord {
  int type = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int focus = 0;
  int selected = 0; // Param as an int
  std::string mask; // Param as the mask text (DI_FIXEDIT + DIF_MASKEDIT)
  DWORD flags = 0;
  int defaultButton = 0;
  std::string data;
};

struct DialogRecord {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool hasHelp = false;
  std::string helpTopic;
  std::vector<DialogItemRecord> in, out;
  int result = -1;
  bool scripted = false;
};

struct ControlRecord {
  HANDLE handle = nullptr;
  int command = 0;
  std::string param; // summary of the parameter
  int result = 0;
};

struct ScreenRecord {
  bool save = true; // SaveScreen, else RestoreScreen
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int handle = 0; // host's number for the saved screen, 0 for null
  bool ok = true; // false: restore of an unknown or restored handle
};

struct TextRecord {
  int x = 0, y = 0, color = 0;
  bool null = false;
  std::string text;
  bool otherThread = false;
};

// Scripted answer for the next Dialog call.
struct DialogEdit {
  int item = 0;
  bool setSelected = false;
  int selected = 0;
  bool setData = false;
  std::string data;
};
struct DialogAnswer {
  int result = -1;
  std::vector<DialogEdit> edits;
};

} // namespace farhost
