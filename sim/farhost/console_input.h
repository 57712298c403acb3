// The console input the plug-in polls, and the names of FAR's keys.
#pragma once

#include <windows.h>

#include <string>

namespace farhost {

// Names of FAR's key codes and modifiers: "F7", "shift+F7", "ctrl+alt+F5",
// "esc", "enter", a letter, or a decimal code. False when not understood.
bool ParseKey(const std::string &text, int *key, unsigned *controlState);
std::string KeyName(int key, unsigned controlState);

// The console input the plug-in polls: a real console's input, made the
// standard input of the process (AllocConsole once when needed).
HANDLE ConsoleInput();
// Writes one key event into it (a person typing), or an Escape press.
bool InjectKey(int key, bool down = true);
bool InjectEscape();

} // namespace farhost
