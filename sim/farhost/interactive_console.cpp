// The console of the interactive host: the screen written in one piece,
// keys and clicks read from the console input, OEM text made wide.
#include "sim/farhost/interactive_screen.h"

#include <algorithm>

namespace farhost {
namespace ui {

namespace {

unsigned ControlState(DWORD flags) {
  unsigned s = 0;
  if (flags & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED))
    s |= farapi::PKF_CONTROL;
  if (flags & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))
    s |= farapi::PKF_ALT;
  if (flags & SHIFT_PRESSED)
    s |= farapi::PKF_SHIFT;
  return s;
}

// Chords for keys that a terminal may not deliver: Ctrl+F1/F2 for
// Alt+F1/F2, which desktops often take for themselves.
struct Chord {
  int vk;
  unsigned state;
  int asVk;
  unsigned asState;
};
const Chord kChords[] = {
    {VK_F1, farapi::PKF_CONTROL, VK_F1, farapi::PKF_ALT},
    {VK_F2, farapi::PKF_CONTROL, VK_F2, farapi::PKF_ALT},
};

// A key-down event as a Key; false for events that are no key of their
// own (the modifiers alone).
bool KeyFromEvent(const KEY_EVENT_RECORD &e, Key *k) {
  int vk = e.wVirtualKeyCode;
  if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
    return false;
  k->vk = vk;
  k->state = ControlState(e.dwControlKeyState);
  k->ch = e.uChar.UnicodeChar;
  // A printable character typed with Shift is that character.
  if (k->ch >= 32 && !(k->state & (farapi::PKF_CONTROL | farapi::PKF_ALT)))
    k->state &= ~farapi::PKF_SHIFT;
  for (const Chord &c : kChords)
    if (k->vk == c.vk && k->state == c.state) {
      k->vk = c.asVk;
      k->state = c.asState;
      break;
    }
  return true;
}

// A left click as a Key; false for other mouse events.
bool KeyFromMouse(const MOUSE_EVENT_RECORD &m, Key *k) {
  if (m.dwEventFlags != 0 || !(m.dwButtonState & FROM_LEFT_1ST_BUTTON_PRESSED))
    return false;
  k->click = true;
  k->x = m.dwMousePosition.X;
  k->y = m.dwMousePosition.Y;
  k->state = ControlState(m.dwControlKeyState);
  return true;
}

} // namespace

std::wstring Wide(const std::string &oem) {
  if (oem.empty())
    return std::wstring();
  int n = MultiByteToWideChar(CP_OEMCP, 0, oem.data(),
                              static_cast<int>(oem.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L' ');
  if (n > 0)
    MultiByteToWideChar(CP_OEMCP, 0, oem.data(), static_cast<int>(oem.size()),
                        &out[0], n);
  return out;
}

std::string Narrow(const std::wstring &text) {
  if (text.empty())
    return std::string();
  int n = WideCharToMultiByte(CP_OEMCP, 0, text.data(),
                              static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(n > 0 ? n : 0, ' ');
  if (n > 0)
    WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()),
                        &out[0], n, nullptr, nullptr);
  return out;
}

bool Console::Open() {
  out_ = GetStdHandle(STD_OUTPUT_HANDLE);
  in_ = ConsoleInput();
  DWORD mode;
  if (!GetConsoleMode(out_, &mode)) {
    out_ = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  }
  if (in_ == INVALID_HANDLE_VALUE || !GetConsoleMode(in_, &mode))
    return false;
  oldMode_ = mode;
  SetConsoleMode(in_, ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT |
                          ENABLE_EXTENDED_FLAGS);
  return GetConsoleMode(out_, &mode) != 0;
}

void Console::Close() {
  SetConsoleMode(in_, oldMode_);
  SetConsoleTextAttribute(out_, 0x07);
  COORD home{0, static_cast<SHORT>(height_ > 0 ? height_ - 1 : 0)};
  SetConsoleCursorPosition(out_, home);
  DWORD n = 0;
  WriteConsoleA(out_, "\n", 1, &n, nullptr);
}

void Console::Size(int *width, int *height) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  int w = 80, h = 25;
  if (GetConsoleScreenBufferInfo(out_, &info)) {
    w = info.srWindow.Right - info.srWindow.Left + 1;
    h = info.srWindow.Bottom - info.srWindow.Top + 1;
  }
  *width = std::max(w, 80);
  *height = std::max(h, 25);
}

void Console::Write(const ScreenModel &s, int cursorX, int cursorY) {
  std::vector<CHAR_INFO> cells(s.Cells().size());
  for (size_t i = 0; i < cells.size(); ++i) {
    cells[i].Char.UnicodeChar = s.Cells()[i].ch;
    cells[i].Attributes = s.Cells()[i].attr;
  }
  COORD size{static_cast<SHORT>(s.Width()), static_cast<SHORT>(s.Height())};
  COORD origin{0, 0};
  CONSOLE_SCREEN_BUFFER_INFO info;
  SHORT left = 0, top = 0;
  if (GetConsoleScreenBufferInfo(out_, &info)) {
    left = info.srWindow.Left;
    top = info.srWindow.Top;
  }
  SMALL_RECT area{left, top, static_cast<SHORT>(left + s.Width() - 1),
                  static_cast<SHORT>(top + s.Height() - 1)};
  WriteConsoleOutputW(out_, cells.data(), size, origin, &area);
  COORD cursor{static_cast<SHORT>(left + cursorX),
               static_cast<SHORT>(top + cursorY)};
  SetConsoleCursorPosition(out_, cursor);
  height_ = s.Height();
}

Key Console::Read() {
  for (;;) {
    INPUT_RECORD r;
    DWORD n = 0;
    Key k;
    if (gone_ || !ReadConsoleInputW(in_, &r, 1, &n)) {
      // The input is gone: Escape leaves every box, then the host ends.
      gone_ = true;
      k.vk = VK_ESCAPE;
      return k;
    }
    if (n == 0)
      continue;
    if (r.EventType == WINDOW_BUFFER_SIZE_EVENT) {
      k.resize = true;
      return k;
    }
    if (r.EventType == MOUSE_EVENT && KeyFromMouse(r.Event.MouseEvent, &k))
      return k;
    if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown &&
        KeyFromEvent(r.Event.KeyEvent, &k))
      return k;
  }
}

} // namespace ui
} // namespace farhost
