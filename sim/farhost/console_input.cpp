// The console input that the plug-in polls for Escape, and key names.
#include "sim/farhost/console_input.h"

#include "host/far_api.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace farhost {

namespace {
std::once_flag console_once;
HANDLE console_input = INVALID_HANDLE_VALUE;

bool IsConsoleInput(HANDLE h) {
  DWORD mode;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

HANDLE OpenConin() {
  return CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     0, nullptr);
}

void OpenConsoleInput() {
  HANDLE current = GetStdHandle(STD_INPUT_HANDLE);
  if (IsConsoleInput(current)) {
    console_input = current;
    return;
  }
  // Standard input is redirected: use the console's own input, creating a
  // console when the process has none that works (headless Wine attaches
  // one without input, which must be freed first).
  HANDLE in = OpenConin();
  if (in == INVALID_HANDLE_VALUE) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (!AllocConsole()) {
      FreeConsole();
      AllocConsole();
    }
    // The transcript goes where stdout pointed before.
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    SetStdHandle(STD_ERROR_HANDLE, err);
    in = OpenConin();
  }
  if (in == INVALID_HANDLE_VALUE)
    return;
  SetStdHandle(STD_INPUT_HANDLE, in);
  console_input = in;
}
} // namespace

HANDLE ConsoleInput() {
  std::call_once(console_once, OpenConsoleInput);
  return console_input;
}

bool InjectKey(int key, bool down) {
  HANDLE in = ConsoleInput();
  if (in == INVALID_HANDLE_VALUE)
    return false;
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = static_cast<WORD>(key);
  if (key == VK_ESCAPE) {
    record.Event.KeyEvent.wVirtualScanCode = 1;
    record.Event.KeyEvent.uChar.AsciiChar = 27;
  }
  DWORD written = 0; // Wine reports 0 here though the event arrives
  return WriteConsoleInputA(in, &record, 1, &written) != 0;
}

bool InjectEscape() {
  return InjectKey(VK_ESCAPE);
}

namespace {
struct NamedKey {
  const char *name;
  int key;
};
const NamedKey kNamedKeys[] = {
    {"esc", VK_ESCAPE},    {"escape", VK_ESCAPE}, {"enter", VK_RETURN},
    {"tab", VK_TAB},       {"space", VK_SPACE},   {"ins", VK_INSERT},
    {"insert", VK_INSERT}, {"del", VK_DELETE},    {"delete", VK_DELETE},
    {"home", VK_HOME},     {"end", VK_END},       {"up", VK_UP},
    {"down", VK_DOWN},     {"left", VK_LEFT},     {"right", VK_RIGHT},
    {"pgup", VK_PRIOR},    {"pgdn", VK_NEXT},
};
} // namespace

bool ParseKey(const std::string &text, int *key, unsigned *controlState) {
  unsigned state = 0;
  std::string rest = text;
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 >= rest.size())
      break;
    std::string mod = rest.substr(0, plus);
    if (_stricmp(mod.c_str(), "ctrl") == 0)
      state |= farapi::PKF_CONTROL;
    else if (_stricmp(mod.c_str(), "alt") == 0)
      state |= farapi::PKF_ALT;
    else if (_stricmp(mod.c_str(), "shift") == 0)
      state |= farapi::PKF_SHIFT;
    else
      return false;
    rest = rest.substr(plus + 1);
  }
  if (rest.empty())
    return false;
  int code = -1;
  if ((rest[0] == 'F' || rest[0] == 'f') && rest.size() > 1 &&
      isdigit(static_cast<unsigned char>(rest[1]))) {
    int n = atoi(rest.c_str() + 1);
    if (n < 1 || n > 24 ||
        rest.find_first_not_of("0123456789", 1) != std::string::npos)
      return false;
    code = VK_F1 + n - 1;
  } else if (rest.size() == 1 && isalnum(static_cast<unsigned char>(rest[0]))) {
    code = toupper(static_cast<unsigned char>(rest[0]));
  } else if (rest.find_first_not_of("0123456789") == std::string::npos) {
    code = atoi(rest.c_str());
  } else {
    for (const NamedKey &k : kNamedKeys)
      if (_stricmp(k.name, rest.c_str()) == 0)
        code = k.key;
  }
  if (code < 0)
    return false;
  *key = code;
  *controlState = state;
  return true;
}

std::string KeyName(int key, unsigned controlState) {
  std::string name;
  if (controlState & farapi::PKF_CONTROL)
    name += "Ctrl+";
  if (controlState & farapi::PKF_ALT)
    name += "Alt+";
  if (controlState & farapi::PKF_SHIFT)
    name += "Shift+";
  char buffer[16];
  if (key >= VK_F1 && key <= VK_F24)
    snprintf(buffer, sizeof buffer, "F%d", key - VK_F1 + 1);
  else if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    snprintf(buffer, sizeof buffer, "%c", key);
  else {
    const char *named = nullptr;
    for (const NamedKey &k : kNamedKeys)
      if (k.key == key && !named)
        named = k.name;
    if (named)
      snprintf(buffer, sizeof buffer, "%s", named);
    else
      snprintf(buffer, sizeof buffer, "key %d", key);
  }
  return name + buffer;
}

} // namespace farhost
