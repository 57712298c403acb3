// The interactive host: two panels, a command line and a key bar drawn in
// the console; keys read from the console input; the plug-in's boxes,
// dialogs and progress boxes drawn as FAR draws them. The Host underneath
// is the same one the scripted mode drives.
#include "sim/farhost/interactive.h"

#include "sim/farhost/screen_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace farhost {

namespace {

// Dialog item flags the host honours beyond those the plug-in uses.
constexpr DWORD kDifGroup = 0x400, kDifShowAmpersand = 0x2000,
                kDifNoBrackets = 0x8000, kDifHidden = 0x10000000,
                kDifNoFocus = 0x40000000, kDifDisable = 0x80000000;

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

std::string NameOf(const farapi::FindData &f) {
  return std::string(f.cFileName, strnlen(f.cFileName, sizeof f.cFileName));
}

bool IsFolder(const farapi::FindData &f) {
  return (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Parent(const std::string &folder) {
  size_t slash = folder.find_last_of('\\');
  if (slash == std::string::npos)
    return folder;
  if (slash <= 2) // "Z:\x" -> "Z:\"
    return folder.substr(0, 3);
  return folder.substr(0, slash);
}

std::string Join(const std::string &folder, const std::string &name) {
  if (!folder.empty() && folder.back() == '\\')
    return folder + name;
  return folder + "\\" + name;
}

// Digits grouped by blanks as FAR writes sizes: "2 400 000".
std::wstring Grouped(unsigned long long value) {
  std::wstring digits = std::to_wstring(value), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0)
      out += L' ';
    out += digits[i];
  }
  return out;
}

std::wstring RightAlign(const std::wstring &text, int width) {
  if (static_cast<int>(text.size()) >= width)
    return text.substr(text.size() - width);
  return std::wstring(width - text.size(), L' ') + text;
}

void DateTime(const FILETIME &time, wchar_t *date, wchar_t *clock) {
  date[0] = clock[0] = 0;
  FILETIME local;
  SYSTEMTIME st;
  if ((time.dwLowDateTime == 0 && time.dwHighDateTime == 0) ||
      !FileTimeToLocalFileTime(&time, &local) ||
      !FileTimeToSystemTime(&local, &st))
    return;
  swprintf(date, 9, L"%02u.%02u.%02u", st.wDay, st.wMonth, st.wYear % 100);
  swprintf(clock, 6, L"%02u:%02u", st.wHour, st.wMinute);
}

// --- keys -------------------------------------------------------------------

struct Key {
  int vk = 0;
  unsigned state = 0; // PKF_*
  wchar_t ch = 0;
  bool click = false; // a left click at (x, y)
  int x = 0, y = 0;
  bool resize = false;
  bool Is(int k, unsigned s = 0) const {
    return !click && vk == k && state == s;
  }
};

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

const char *const kPlainLabels[12] = {"Help",   "",       "",       "",
                                      "Copy",   "RenMov", "MkFold", "Delete",
                                      "ConfMn", "Quit",   "Plugin", ""};
const char *const kAltLabels[12] = {"Left", "Right", "", "", "", "",
                                    "",     "",      "", "", "", ""};

const char kHint[] = "Ctrl+F1/F2=Alt+F1/F2  Ctrl+B: Shift bar  click the bar";

// --- the console ------------------------------------------------------------

class Console {
public:
  bool Open() {
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
  void Close() {
    SetConsoleMode(in_, oldMode_);
    SetConsoleTextAttribute(out_, 0x07);
    COORD home{0, static_cast<SHORT>(height_ > 0 ? height_ - 1 : 0)};
    SetConsoleCursorPosition(out_, home);
    DWORD n = 0;
    WriteConsoleA(out_, "\n", 1, &n, nullptr);
  }
  void Size(int *width, int *height) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    int w = 80, h = 25;
    if (GetConsoleScreenBufferInfo(out_, &info)) {
      w = info.srWindow.Right - info.srWindow.Left + 1;
      h = info.srWindow.Bottom - info.srWindow.Top + 1;
    }
    *width = std::max(w, 80);
    *height = std::max(h, 25);
  }
  void Write(const ScreenModel &s, int cursorX, int cursorY) {
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
  // Waits for the next key press, click or resize.
  Key Read() {
    for (;;) {
      INPUT_RECORD r;
      DWORD n = 0;
      if (gone_ || !ReadConsoleInputW(in_, &r, 1, &n)) {
        // The input is gone: Escape leaves every box, then the host ends.
        gone_ = true;
        Key k;
        k.vk = VK_ESCAPE;
        return k;
      }
      if (n == 0)
        continue;
      if (r.EventType == WINDOW_BUFFER_SIZE_EVENT) {
        Key k;
        k.resize = true;
        return k;
      }
      if (r.EventType == MOUSE_EVENT) {
        const MOUSE_EVENT_RECORD &m = r.Event.MouseEvent;
        if (m.dwEventFlags == 0 &&
            (m.dwButtonState & FROM_LEFT_1ST_BUTTON_PRESSED)) {
          Key k;
          k.click = true;
          k.x = m.dwMousePosition.X;
          k.y = m.dwMousePosition.Y;
          k.state = ControlState(m.dwControlKeyState);
          return k;
        }
        continue;
      }
      if (r.EventType != KEY_EVENT || !r.Event.KeyEvent.bKeyDown)
        continue;
      const KEY_EVENT_RECORD &e = r.Event.KeyEvent;
      int vk = e.wVirtualKeyCode;
      if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
        continue;
      Key k;
      k.vk = vk;
      k.state = ControlState(e.dwControlKeyState);
      k.ch = e.uChar.UnicodeChar;
      // A printable character typed with Shift is that character.
      if (k.ch >= 32 && !(k.state & (farapi::PKF_CONTROL | farapi::PKF_ALT)))
        k.state &= ~farapi::PKF_SHIFT;
      for (const Chord &c : kChords)
        if (k.vk == c.vk && k.state == c.state) {
          k.vk = c.asVk;
          k.state = c.asState;
          break;
        }
      return k;
    }
  }

  bool Gone() const { return gone_; }

private:
  bool gone_ = false;
  HANDLE out_ = INVALID_HANDLE_VALUE, in_ = INVALID_HANDLE_VALUE;
  DWORD oldMode_ = 0;
  int height_ = 0;
};

// --- panels -----------------------------------------------------------------

struct PcItem {
  farapi::FindData data{};
  bool dots = false;
};

struct Side {
  bool plugin = false;
  std::string folder; // the PC folder (kept while the plug-in is shown)
  std::vector<PcItem> items;
  std::set<std::string> selected;
  int cursor = 0, top = 0;
};

void ReadPcSide(Side *side) {
  std::string cursorName;
  if (side->cursor >= 0 && side->cursor < static_cast<int>(side->items.size()))
    cursorName = NameOf(side->items[side->cursor].data);
  side->items.clear();
  if (side->folder.size() > 3) {
    PcItem up;
    up.dots = true;
    up.data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    strcpy(up.data.cFileName, "..");
    side->items.push_back(up);
  }
  std::vector<PcItem> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Join(side->folder, "*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, ".."))
        continue;
      PcItem item;
      item.data.dwFileAttributes = data.dwFileAttributes;
      item.data.ftLastWriteTime = data.ftLastWriteTime;
      item.data.nFileSizeHigh = data.nFileSizeHigh;
      item.data.nFileSizeLow = data.nFileSizeLow;
      memcpy(item.data.cFileName, data.cFileName, sizeof item.data.cFileName);
      found.push_back(item);
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  std::sort(found.begin(), found.end(), [](const PcItem &a, const PcItem &b) {
    if (IsFolder(a.data) != IsFolder(b.data))
      return IsFolder(a.data);
    return _stricmp(a.data.cFileName, b.data.cFileName) < 0;
  });
  side->items.insert(side->items.end(), found.begin(), found.end());
  std::set<std::string> still;
  for (const PcItem &i : side->items)
    if (side->selected.count(NameOf(i.data)))
      still.insert(NameOf(i.data));
  side->selected.swap(still);
  side->cursor = 0;
  for (size_t i = 0; i < side->items.size(); ++i)
    if (NameOf(side->items[i].data) == cursorName)
      side->cursor = static_cast<int>(i);
}

// One row of a panel as the drawing needs it.
struct Row {
  std::string name;
  bool folder = false, dots = false, selected = false;
  unsigned long long size = 0;
  FILETIME time{};
};

// --- the interactive host ---------------------------------------------------

class Interactive : public HostUi {
public:
  Interactive(Host &host, const InteractiveOptions &options)
      : host_(host), options_(options) {}
  int Run();

  // HostUi
  int ShowMessage(const MessageRecord &box) override;
  int ShowDialog(int x1, int y1, int x2, int y2, const char *help,
                 farapi::FarDialogItem *items, int count) override;
  void SaveScreen(int number) override {
    std::lock_guard<std::recursive_mutex> lock(draw_);
    saved_[number] = screen_;
    progressBase_ = ScreenModel(1, 1);
  }
  void RestoreScreen(int number) override {
    std::lock_guard<std::recursive_mutex> lock(draw_);
    progressBase_ = ScreenModel(1, 1);
    auto it = saved_.find(number);
    if (it != saved_.end()) {
      if (it->second.Width() == screen_.Width() &&
          it->second.Height() == screen_.Height())
        screen_ = it->second;
      saved_.erase(it);
    }
    Output();
  }
  void Text(int x, int y, int color, const char *text) override {
    std::lock_guard<std::recursive_mutex> lock(draw_);
    screen_.Put(x, y, Wide(text), static_cast<uint16_t>(color & 0xFF));
  }
  void Flush() override { Output(); }

private:
  // Drawing
  void Output();
  void DrawAll();
  void DrawPanel(int index);
  void DrawKeyBar();
  std::vector<Row> Rows(int index) const;
  std::wstring Title(int index) const;
  int ListHeight() const { return screen_.Height() - 7; }
  Rect PanelRect(int index) const {
    int half = screen_.Width() / 2;
    return index == 0
               ? Rect{0, 0, half - 1, screen_.Height() - 3}
               : Rect{half, 0, screen_.Width() - 1, screen_.Height() - 3};
  }
  void Resize();

  // Boxes of the host's own
  int Menu(const std::wstring &title, const std::vector<std::wstring> &items,
           int x, int selected);
  int Ask(const std::wstring &title, const std::wstring &text,
          const std::vector<std::wstring> &buttons, bool warning);
  void Help(const std::string &topic);

  // Panels
  int Cursor(int index) const;
  int Count(int index) const;
  void SetCursor(int index, int cursor);
  void Move(const Key &key);
  void ToggleSelection(int index, int row, int mode); // 0 off 1 on 2 flip
  void Enter();
  void DiskMenu(int index);
  void PluginsMenu();
  void OpenPluginOn(int index, int openFrom, int item);
  void ClosePluginSide(int index);
  void SyncPc(bool *tempSelected);
  void AfterCall(bool tempSelected);
  void Transfer(bool move);
  void Delete();
  void RereadAll();
  bool Dispatch(const Key &key); // false: quit
  Key KeyBarClick(const Key &click) const;

  Host &host_;
  InteractiveOptions options_;
  Console console_;
  std::recursive_mutex draw_;
  ScreenModel screen_;
  std::map<int, ScreenModel> saved_;
  Side sides_[2];
  int active_ = 0;
  int topPlugin_ = 0;              // first row shown of the plug-in's panel
  int barGroup_ = 0;               // 0 plain, 3 Shift (as KeyBarTitles groups)
  ScreenModel progressBase_{1, 1}; // the screen under a progress box
};

void Interactive::Output() {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  int x = 0, y = screen_.Height() - 2;
  const Side &s = sides_[active_];
  if (!s.plugin)
    x = std::min(static_cast<int>(s.folder.size()) + 1,
                 screen_.Width() - static_cast<int>(sizeof kHint) - 2);
  console_.Write(screen_, x, y);
}

void Interactive::Resize() {
  int w, h;
  console_.Size(&w, &h);
  std::lock_guard<std::recursive_mutex> lock(draw_);
  if (w != screen_.Width() || h != screen_.Height())
    screen_.Resize(w, h);
}

std::vector<Row> Interactive::Rows(int index) const {
  std::vector<Row> rows;
  const Side &s = sides_[index];
  if (s.plugin) {
    for (const PanelEntry &e : host_.Model().entries) {
      Row r;
      r.name = e.Name();
      r.dots = e.dots;
      r.folder = e.dots || IsFolder(e.item.FindData);
      r.selected = e.Selected();
      r.size = (static_cast<unsigned long long>(e.item.FindData.nFileSizeHigh)
                << 32) |
               e.item.FindData.nFileSizeLow;
      r.time = e.item.FindData.ftLastWriteTime;
      rows.push_back(r);
    }
  } else {
    for (const PcItem &i : s.items) {
      Row r;
      r.name = NameOf(i.data);
      r.dots = i.dots;
      r.folder = IsFolder(i.data);
      r.selected = s.selected.count(r.name) > 0;
      r.size = (static_cast<unsigned long long>(i.data.nFileSizeHigh) << 32) |
               i.data.nFileSizeLow;
      r.time = i.data.ftLastWriteTime;
      rows.push_back(r);
    }
  }
  return rows;
}

std::wstring Interactive::Title(int index) const {
  const Side &s = sides_[index];
  if (s.plugin)
    return L" " + Wide(host_.Model().title) + L" ";
  return L" " + Wide(s.folder) + L" ";
}

int Interactive::Count(int index) const {
  return sides_[index].plugin ? static_cast<int>(host_.Model().entries.size())
                              : static_cast<int>(sides_[index].items.size());
}

int Interactive::Cursor(int index) const {
  return sides_[index].plugin ? host_.Model().cursor : sides_[index].cursor;
}

void Interactive::SetCursor(int index, int cursor) {
  int n = Count(index);
  cursor = std::max(0, std::min(cursor, n - 1));
  if (sides_[index].plugin)
    host_.SetCursorIndex(cursor);
  else
    sides_[index].cursor = cursor;
}

void Interactive::DrawPanel(int index) {
  Rect r = PanelRect(index);
  Side &s = sides_[index];
  screen_.Fill(r, L' ', color::kPanel);
  screen_.Frame(r, true, color::kPanel);
  int inner = r.Width() - 2;
  // Columns: name, size (10), date (8), time (5), with separators.
  int nameWidth = std::max(inner - 26, 6);
  int cols[4] = {r.x1 + 1, r.x1 + 2 + nameWidth, r.x1 + 13 + nameWidth,
                 r.x1 + 22 + nameWidth};
  int widths[4] = {nameWidth, 10, 8, 5};
  int listTop = r.y1 + 2, listRows = ListHeight();
  int statusSep = listTop + listRows, statusRow = statusSep + 1;
  const wchar_t *heads[4] = {L"Name", L"Size", L"Date", L"Time"};
  for (int c = 0; c < 4; ++c) {
    screen_.Put(cols[c], r.y1 + 1, Centre(heads[c], widths[c]),
                color::kColumnTitle);
    if (c > 0) {
      screen_.PutCell(cols[c] - 1, r.y1, L'\x2564', color::kPanel);
      for (int y = r.y1 + 1; y < statusSep; ++y)
        screen_.PutCell(cols[c] - 1, y, L'\x2502', color::kPanel);
    }
  }
  screen_.Separator(r.x1, r.x2, statusSep, true, color::kPanel);
  for (int c = 1; c < 4; ++c)
    screen_.PutCell(cols[c] - 1, statusSep, L'\x2534', color::kPanel);

  std::vector<Row> rows = Rows(index);
  int cursor = Cursor(index);
  int &top = s.plugin ? topPlugin_ : s.top;
  if (cursor < top)
    top = cursor;
  if (cursor >= top + listRows)
    top = cursor - listRows + 1;
  top = std::max(0, std::min(top, std::max(0, (int)rows.size() - listRows)));
  unsigned long long selectedBytes = 0;
  int selectedCount = 0;
  for (const Row &row : rows)
    if (row.selected) {
      selectedBytes += row.size;
      ++selectedCount;
    }
  for (int i = 0; i < listRows && top + i < static_cast<int>(rows.size());
       ++i) {
    const Row &row = rows[top + i];
    bool atCursor = index == active_ && top + i == cursor;
    uint16_t attr =
        row.selected
            ? (atCursor ? color::kSelectedCursor : color::kSelected)
            : (atCursor ? color::kCursor
                        : (row.folder ? color::kFolder : color::kPanel));
    int y = listTop + i;
    std::wstring size, date(9, 0), clock(6, 0);
    if (row.dots)
      size = L"Up";
    else if (row.folder)
      size = L"Folder";
    else
      size = std::to_wstring(row.size);
    wchar_t d[9] = {}, t[6] = {};
    DateTime(row.time, d, t);
    if (atCursor || row.selected) {
      for (int x = r.x1 + 1; x < r.x2; ++x)
        screen_.PutCell(x, y, screen_.At(x, y).ch, attr);
    }
    screen_.Put(cols[0], y, FitName(Wide(row.name), widths[0]), attr);
    screen_.Put(cols[1], y, RightAlign(size, widths[1]), attr);
    screen_.Put(cols[2], y, RightAlign(d, widths[2]), attr);
    screen_.Put(cols[3], y, RightAlign(t, widths[3]), attr);
  }
  // Status line: the item under the cursor.
  if (cursor >= 0 && cursor < static_cast<int>(rows.size())) {
    const Row &row = rows[cursor];
    wchar_t d[9] = {}, t[6] = {};
    DateTime(row.time, d, t);
    std::wstring tail = (row.dots     ? L"Up"
                         : row.folder ? L"Folder"
                                      : Grouped(row.size)) +
                        L" " + d + L" " + t;
    int nameRoom = std::max(inner - static_cast<int>(tail.size()) - 1, 1);
    screen_.Put(r.x1 + 1, statusRow, FitName(Wide(row.name), nameRoom),
                color::kPanel);
    screen_.Put(r.x2 - static_cast<int>(tail.size()), statusRow, tail,
                color::kPanel);
  }
  // Title and the selection summary on the frame.
  std::wstring title = Title(index);
  if (static_cast<int>(title.size()) > inner - 2)
    title = L" ..." + title.substr(title.size() - (inner - 6));
  screen_.Put(r.x1 + (r.Width() - static_cast<int>(title.size())) / 2, r.y1,
              title,
              index == active_ ? color::kPanelTitleFocus : color::kPanelTitle);
  if (selectedCount > 0) {
    std::wstring sel = L" " + Grouped(selectedBytes) + L" bytes in " +
                       std::to_wstring(selectedCount) +
                       (selectedCount == 1 ? L" file " : L" files ");
    screen_.Put(r.x1 +
                    std::max((r.Width() - static_cast<int>(sel.size())) / 2, 1),
                r.y2, sel, color::kSelected, inner);
  }
}

void Interactive::DrawKeyBar() {
  int y = screen_.Height() - 1, w = screen_.Width();
  screen_.Fill(Rect{0, y, w - 1, y}, L' ', color::kKeyLabel);
  int slot = w / 12;
  bool plugin = sides_[active_].plugin;
  const PanelModel &m = host_.Model();
  for (int k = 0; k < 12; ++k) {
    int x = k * slot;
    std::wstring number = std::to_wstring(k + 1);
    screen_.Put(x, y, number, color::kKeyNumber);
    std::string label;
    if (barGroup_ == 0)
      label = kPlainLabels[k];
    else if (barGroup_ == 2)
      label = kAltLabels[k];
    if (plugin && m.keyBar[barGroup_][k].set)
      label = m.keyBar[barGroup_][k].text;
    int room = (k == 11 ? w - x : slot) - static_cast<int>(number.size());
    screen_.Put(x + static_cast<int>(number.size()), y,
                FitName(Wide(label), room).substr(0, room), color::kKeyLabel,
                room);
  }
}

void Interactive::DrawAll() {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  screen_.Fill(Rect{0, 0, screen_.Width() - 1, screen_.Height() - 1}, L' ',
               0x07);
  DrawPanel(0);
  DrawPanel(1);
  int y = screen_.Height() - 2;
  const Side &s = sides_[active_];
  std::wstring prompt = s.plugin ? L">" : Wide(s.folder) + L">";
  // The alternatives to keys a terminal may not send are always shown; a
  // long folder gives way at its start.
  std::wstring hint = Wide(kHint);
  int hx = screen_.Width() - static_cast<int>(hint.size()) - 1;
  int room = std::max(hx - 2, 8);
  if (static_cast<int>(prompt.size()) > room)
    prompt = L"..." + prompt.substr(prompt.size() - (room - 3));
  screen_.Put(0, y, prompt, color::kCommandLine);
  screen_.Put(hx, y, hint, 0x08);
  DrawKeyBar();
  Output();
}

// --- boxes ------------------------------------------------------------------

int Interactive::ShowMessage(const MessageRecord &box) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  bool warning = (box.flags & farapi::FMSG_WARNING) != 0;
  bool left = (box.flags & farapi::FMSG_LEFTALIGN) != 0;
  uint16_t attr = warning ? color::kWarning : color::kDialog;
  uint16_t focusAttr = warning ? color::kWarningFocus : color::kDialogFocus;
  std::wstring title = box.items.empty() ? L"" : Wide(box.items[0]);
  int first = static_cast<int>(box.items.size()) - box.buttons;
  std::vector<std::wstring> lines, buttons;
  for (int i = 1; i < static_cast<int>(box.items.size()); ++i)
    (i >= first ? buttons : lines).push_back(Wide(box.items[i]));
  ScreenModel before = screen_;
  // Redraw from the screen under the box each time, so a box that shrinks
  // (the progress box between files) leaves nothing behind.
  if (box.progress && progressBase_.Width() == screen_.Width() &&
      progressBase_.Height() == screen_.Height())
    screen_ = progressBase_;
  else
    progressBase_ = screen_;
  MessageLayout m =
      LayoutMessage(lines, buttons, screen_.Width(), screen_.Height());
  int focus = 0;
  auto draw = [&]() {
    screen_.Fill(m.box, L' ', attr);
    screen_.Frame(m.frame, true, attr);
    if (!title.empty()) {
      std::wstring t = L" " + title + L" ";
      t = t.substr(0, std::max(m.frame.Width() - 2, 0));
      screen_.Put(m.frame.x1 +
                      (m.frame.Width() - static_cast<int>(t.size())) / 2,
                  m.frame.y1, t, attr);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      int y = m.firstLine + static_cast<int>(i);
      if (y >= m.frame.y2)
        break;
      if (lines[i] == L"\x01") {
        screen_.Separator(m.frame.x1, m.frame.x2, y, true, attr);
        continue;
      }
      std::wstring text = lines[i].substr(0, m.textWidth);
      int x = left ? m.frame.x1 + 2
                   : m.frame.x1 + 2 +
                         (m.textWidth - static_cast<int>(text.size())) / 2;
      screen_.Put(x, y, text, attr);
    }
    for (size_t b = 0; b < m.buttonText.size(); ++b)
      screen_.Put(m.buttonX[b], m.buttonRow, m.buttonText[b],
                  static_cast<int>(b) == focus ? focusAttr : attr,
                  m.frame.x2 - m.buttonX[b]);
    screen_.Shadow(m.box);
    Output();
  };
  draw();
  if (box.buttons == 0) {
    if (!box.progress)
      progressBase_ = ScreenModel(1, 1);
    return -1;
  }
  progressBase_ = ScreenModel(1, 1);
  // As in FAR, the box takes its picture with it when it closes.
  struct PutBack {
    Interactive *self;
    ScreenModel under;
    ~PutBack() {
      self->screen_ = under;
      self->Output();
    }
  } putBack{this, before};
  int n = static_cast<int>(buttons.size());
  for (;;) {
    Key k = console_.Read();
    if (k.click) {
      for (int b = 0; b < n; ++b)
        if (k.y == m.buttonRow && k.x >= m.buttonX[b] &&
            k.x < m.buttonX[b] + static_cast<int>(m.buttonText[b].size()))
          return b;
      continue;
    }
    if (k.Is(VK_ESCAPE) || k.Is(VK_F10))
      return -1;
    if (k.Is(VK_RETURN) || k.Is(VK_SPACE))
      return focus;
    if (k.Is(VK_LEFT) || k.Is(VK_UP) || k.Is(VK_TAB, farapi::PKF_SHIFT))
      focus = (focus + n - 1) % n;
    else if (k.Is(VK_RIGHT) || k.Is(VK_DOWN) || k.Is(VK_TAB))
      focus = (focus + 1) % n;
    else if (k.Is(VK_F1)) {
      ScreenModel under = screen_;
      Help(box.hasHelp && !box.helpTopic.empty() ? box.helpTopic : "Contents");
      screen_ = under;
    } else if (k.ch > 32) {
      // The first letter of a button chooses it.
      for (int b = 0; b < n; ++b)
        if (!buttons[b].empty() && towupper(buttons[b][0]) == towupper(k.ch))
          return b;
    }
    draw();
  }
}

int Interactive::Ask(const std::wstring &title, const std::wstring &text,
                     const std::vector<std::wstring> &buttons, bool warning) {
  MessageRecord r;
  r.flags = warning ? static_cast<DWORD>(farapi::FMSG_WARNING) : 0u;
  r.items.push_back(Narrow(title));
  r.items.push_back(Narrow(text));
  for (const std::wstring &b : buttons)
    r.items.push_back(Narrow(b));
  r.buttons = static_cast<int>(buttons.size());
  return ShowMessage(r);
}

int Interactive::Menu(const std::wstring &title,
                      const std::vector<std::wstring> &items, int centreX,
                      int selected) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  int widest = static_cast<int>(title.size()) + 2;
  for (const std::wstring &i : items)
    widest = std::max(widest, static_cast<int>(i.size()));
  int width = std::min(widest + 6, screen_.Width());
  int height = std::min(static_cast<int>(items.size()) + 2, screen_.Height());
  Rect box;
  box.x1 = std::max(0, std::min(centreX - width / 2, screen_.Width() - width));
  box.x2 = box.x1 + width - 1;
  box.y1 = std::max((screen_.Height() - height) / 2, 0);
  box.y2 = box.y1 + height - 1;
  int n = static_cast<int>(items.size());
  int cursor = std::max(0, std::min(selected, n - 1));
  ScreenModel under = screen_;
  for (;;) {
    screen_ = under;
    screen_.Fill(box, L' ', color::kMenu);
    screen_.Frame(box, true, color::kMenu);
    std::wstring t = L" " + title + L" ";
    screen_.Put(box.x1 + (width - static_cast<int>(t.size())) / 2, box.y1, t,
                color::kMenu);
    for (int i = 0; i < n && i < height - 2; ++i) {
      int y = box.y1 + 1 + i;
      if (items[i].empty()) {
        screen_.Separator(box.x1, box.x2, y, true, color::kMenu);
        continue;
      }
      uint16_t a = i == cursor ? color::kMenuCursor : color::kMenu;
      screen_.Put(box.x1 + 1, y, L" " + FitName(items[i], width - 3), a,
                  width - 2);
    }
    screen_.Shadow(box);
    Output();
    Key k = console_.Read();
    if (k.click) {
      int i = k.y - box.y1 - 1;
      if (k.x > box.x1 && k.x < box.x2 && i >= 0 && i < n && !items[i].empty())
        return i;
      continue;
    }
    if (k.Is(VK_ESCAPE) || k.Is(VK_F10))
      return -1;
    if (k.Is(VK_RETURN))
      return cursor;
    int step = 0;
    if (k.Is(VK_UP))
      step = -1;
    else if (k.Is(VK_DOWN))
      step = 1;
    else if (k.Is(VK_HOME) || k.Is(VK_PRIOR))
      cursor = 0;
    else if (k.Is(VK_END) || k.Is(VK_NEXT))
      cursor = n - 1;
    else if (k.ch > 32) {
      // A hot key: the first character of an entry.
      for (int i = 0; i < n; ++i) {
        std::wstring s = items[i];
        size_t p = s.find_first_not_of(L' ');
        if (p != std::wstring::npos && towupper(s[p]) == towupper(k.ch))
          return i;
      }
    }
    if (step) {
      for (int guard = 0; guard < n; ++guard) {
        cursor = (cursor + step + n) % n;
        if (!items[cursor].empty())
          break;
      }
    }
    if (items[cursor].empty())
      cursor = (cursor + 1) % n;
  }
}

void Interactive::Help(const std::string &first) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  std::string file = host_.HelpFile();
  std::vector<std::string> history;
  std::string topicName = first;
  ScreenModel under = screen_;
  for (;;) {
    HelpTopic topic = ReadHelpTopic(file, topicName);
    if (!topic.found && topicName != "Contents") {
      topicName = "Contents";
      continue;
    }
    int width = std::min(screen_.Width(), 76);
    Rect box{(screen_.Width() - width) / 2, 0,
             (screen_.Width() - width) / 2 + width - 1, screen_.Height() - 1};
    std::vector<HelpLine> lines = WrapHelp(topic, width - 4);
    std::vector<HelpLine> head, body;
    for (const HelpLine &l : lines)
      (l.header ? head : body).push_back(l);
    int rows = box.Height() - 2 - static_cast<int>(head.size()) -
               (head.empty() ? 0 : 1);
    int top = 0, link = -1;
    int linkCount = static_cast<int>(topic.links.size());
    for (;;) {
      screen_ = under;
      screen_.Fill(box, L' ', color::kHelp);
      screen_.Frame(box, true, color::kHelp);
      std::wstring t = L" Help ";
      screen_.Put(box.x1 + (width - static_cast<int>(t.size())) / 2, box.y1, t,
                  color::kHelp);
      auto drawLine = [&](const HelpLine &l, int y) {
        int x = box.x1 + 2;
        if (l.centred)
          x = box.x1 + (width - static_cast<int>(l.text.size())) / 2;
        std::wstring text = Wide(l.text);
        for (size_t c = 0; c < text.size() && c < l.bold.size(); ++c) {
          uint16_t a = color::kHelp;
          if (l.link[c] >= 0)
            a = l.link[c] == link ? color::kHelpLinkFocus : color::kHelpLink;
          else if (l.bold[c])
            a = color::kHelpBold;
          if (x + static_cast<int>(c) < box.x2)
            screen_.PutCell(x + static_cast<int>(c), y, text[c], a);
        }
      };
      int y = box.y1 + 1;
      for (const HelpLine &l : head)
        drawLine(l, y++);
      if (!head.empty())
        screen_.Separator(box.x1, box.x2, y++, true, color::kHelp);
      for (int i = 0; i < rows && top + i < static_cast<int>(body.size()); ++i)
        drawLine(body[top + i], y + i);
      Output();
      Key k = console_.Read();
      if (k.Is(VK_ESCAPE) || k.Is(VK_F10)) {
        screen_ = under;
        return;
      }
      int maxTop = std::max(0, static_cast<int>(body.size()) - rows);
      if (k.Is(VK_DOWN))
        top = std::min(top + 1, maxTop);
      else if (k.Is(VK_UP))
        top = std::max(top - 1, 0);
      else if (k.Is(VK_NEXT))
        top = std::min(top + rows, maxTop);
      else if (k.Is(VK_PRIOR))
        top = std::max(top - rows, 0);
      else if (k.Is(VK_HOME))
        top = 0;
      else if (k.Is(VK_END))
        top = maxTop;
      else if (linkCount > 0 && (k.Is(VK_TAB) || k.Is(VK_RIGHT)))
        link = (link + 1) % linkCount;
      else if (linkCount > 0 &&
               (k.Is(VK_TAB, farapi::PKF_SHIFT) || k.Is(VK_LEFT)))
        link = (link + linkCount - 1) % linkCount;
      else if (k.Is(VK_RETURN) && link >= 0) {
        history.push_back(topicName);
        topicName = topic.links[link];
        break;
      } else if (k.Is(VK_BACK) || k.Is(VK_F1, farapi::PKF_ALT)) {
        if (!history.empty()) {
          topicName = history.back();
          history.pop_back();
          break;
        }
      } else if (k.Is(VK_F1)) {
        history.push_back(topicName);
        topicName = "Contents";
        break;
      }
      // Keep the chosen link in view.
      if (link >= 0)
        for (int i = 0; i < static_cast<int>(body.size()); ++i)
          if (std::find(body[i].link.begin(), body[i].link.end(), link) !=
              body[i].link.end()) {
            if (i < top)
              top = i;
            if (i >= top + rows)
              top = i - rows + 1;
            break;
          }
    }
  }
}

// --- dialogs ----------------------------------------------------------------

namespace {

bool Focusable(const farapi::FarDialogItem &item) {
  if (item.Flags & (kDifHidden | kDifDisable | kDifNoFocus))
    return false;
  switch (item.Type) {
  case farapi::DI_EDIT:
  case farapi::DI_PSWEDIT:
  case farapi::DI_FIXEDIT:
  case farapi::DI_BUTTON:
  case farapi::DI_CHECKBOX:
  case farapi::DI_RADIOBUTTON:
    return true;
  default:
    return false;
  }
}

bool IsEdit(int type) {
  return type == farapi::DI_EDIT || type == farapi::DI_PSWEDIT ||
         type == farapi::DI_FIXEDIT;
}

// The text without '&' marks, the position of the marked character in *hot.
std::wstring Plain(const std::wstring &text, bool keepAmpersand, int *hot) {
  *hot = -1;
  if (keepAmpersand)
    return text;
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) {
      if (text[i + 1] != L'&')
        *hot = static_cast<int>(out.size());
      out += text[++i];
      continue;
    }
    out += text[i];
  }
  return out;
}

} // namespace

int Interactive::ShowDialog(int x1, int y1, int x2, int y2, const char *help,
                            farapi::FarDialogItem *items, int count) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  if (!items || count <= 0)
    return -1;
  Rect box;
  if (x1 < 0 || y1 < 0) {
    int w = std::min(x2, screen_.Width()), h = std::min(y2, screen_.Height());
    box.x1 = (screen_.Width() - w) / 2;
    box.y1 = std::max((screen_.Height() - h) / 2 - 1, 0);
    box.x2 = box.x1 + w - 1;
    box.y2 = box.y1 + h - 1;
  } else {
    box = Rect{x1, y1, x2, y2};
  }
  bool warning = false;
  std::vector<std::wstring> text(count);
  std::vector<int> caret(count, 0), selected(count, 0);
  std::vector<int> x(count, 0); // screen column of each item
  for (int i = 0; i < count; ++i) {
    const farapi::FarDialogItem &it = items[i];
    text[i] = Wide(std::string(it.Data, strnlen(it.Data, sizeof it.Data)));
    if (it.Type == farapi::DI_CHECKBOX || it.Type == farapi::DI_RADIOBUTTON)
      selected[i] = it.Param.Selected;
    caret[i] = static_cast<int>(text[i].size());
    x[i] = box.x1 + it.X1;
  }
  // Buttons of a centred group share their row, centred in the box.
  for (int i = 0; i < count;) {
    if (items[i].Type != farapi::DI_BUTTON ||
        !(items[i].Flags & farapi::DIF_CENTERGROUP)) {
      ++i;
      continue;
    }
    int j = i, width = -1;
    std::vector<int> group;
    for (; j < count && items[j].Type == farapi::DI_BUTTON &&
           (items[j].Flags & farapi::DIF_CENTERGROUP) &&
           items[j].Y1 == items[i].Y1;
         ++j) {
      int hot;
      width += static_cast<int>(Plain(text[j], false, &hot).size()) + 5;
      group.push_back(j);
    }
    int at = box.x1 + (box.Width() - width) / 2;
    for (int g : group) {
      int hot;
      x[g] = at;
      at += static_cast<int>(Plain(text[g], false, &hot).size()) + 5;
    }
    i = j;
  }
  int focus = -1;
  for (int i = 0; i < count; ++i)
    if (items[i].Focus && Focusable(items[i]))
      focus = i;
  for (int i = 0; i < count && focus < 0; ++i)
    if (Focusable(items[i]))
      focus = i;
  int defaultButton = -1;
  for (int i = 0; i < count; ++i)
    if (items[i].DefaultButton)
      defaultButton = i;
  // The frame for separators: the first box item, else the dialog's edge.
  int sepX1 = box.x1 + 3, sepX2 = box.x2 - 3;
  for (int i = 0; i < count; ++i)
    if (items[i].Type == farapi::DI_DOUBLEBOX ||
        items[i].Type == farapi::DI_SINGLEBOX) {
      sepX1 = box.x1 + items[i].X1;
      sepX2 = box.x1 + items[i].X2;
      break;
    }
  uint16_t attr = warning ? color::kWarning : color::kDialog;
  ScreenModel under = screen_;
  auto fieldWidth = [&](int i) {
    const farapi::FarDialogItem &it = items[i];
    int w = it.X2 - it.X1 + 1;
    if (it.Type == farapi::DI_FIXEDIT && (it.Flags & farapi::DIF_MASKEDIT) &&
        it.Param.Mask)
      w = std::max(w, static_cast<int>(strlen(it.Param.Mask)));
    return std::max(w, 1);
  };
  auto draw = [&]() {
    screen_ = under;
    screen_.Fill(box, L' ', attr);
    for (int i = 0; i < count; ++i) {
      const farapi::FarDialogItem &it = items[i];
      if (it.Flags & kDifHidden)
        continue;
      int ix = x[i], iy = box.y1 + it.Y1;
      int hot;
      bool amp = (it.Flags & kDifShowAmpersand) != 0;
      std::wstring label = Plain(text[i], amp, &hot);
      bool focused = i == focus;
      switch (it.Type) {
      case farapi::DI_DOUBLEBOX:
      case farapi::DI_SINGLEBOX: {
        Rect f{box.x1 + it.X1, box.y1 + it.Y1, box.x1 + it.X2, box.y1 + it.Y2};
        screen_.Frame(f, it.Type == farapi::DI_DOUBLEBOX, attr);
        if (!label.empty()) {
          std::wstring t = L" " + label + L" ";
          screen_.Put(f.x1 + (f.Width() - static_cast<int>(t.size())) / 2, f.y1,
                      t, attr, f.Width() - 2);
        }
        break;
      }
      case farapi::DI_TEXT:
        if (it.Flags & farapi::DIF_SEPARATOR) {
          screen_.Separator(sepX1, sepX2, iy, true, attr);
          if (!label.empty())
            screen_.Put(
                sepX1 +
                    (sepX2 - sepX1 + 1 - static_cast<int>(label.size())) / 2,
                iy, label, attr);
        } else {
          if (it.X1 < 0)
            ix = box.x1 + (box.Width() - static_cast<int>(label.size())) / 2;
          screen_.Put(ix, iy, label, attr, box.x2 - ix);
        }
        break;
      case farapi::DI_EDIT:
      case farapi::DI_PSWEDIT:
      case farapi::DI_FIXEDIT: {
        int w = fieldWidth(i);
        std::wstring shown = text[i];
        if (it.Type == farapi::DI_PSWEDIT)
          shown.assign(shown.size(), L'*');
        int scroll = std::max(0, caret[i] - w + 1);
        shown = shown.size() > static_cast<size_t>(scroll)
                    ? shown.substr(scroll)
                    : std::wstring();
        screen_.Put(ix, iy, FitName(shown, w).substr(0, w), color::kDialogEdit,
                    w);
        if (static_cast<int>(shown.size()) > w)
          screen_.PutCell(ix + w - 1, iy, shown[w - 1], color::kDialogEdit);
        break;
      }
      case farapi::DI_BUTTON: {
        std::wstring b =
            (it.Flags & kDifNoBrackets) ? label : L"[ " + label + L" ]";
        screen_.Put(ix, iy, b, focused ? color::kDialogFocus : attr);
        break;
      }
      case farapi::DI_CHECKBOX:
        screen_.Put(ix, iy, (selected[i] ? L"[x] " : L"[ ] ") + label,
                    focused ? color::kDialogFocus : attr);
        break;
      case farapi::DI_RADIOBUTTON:
        screen_.Put(ix, iy,
                    (selected[i] ? std::wstring(L"(\x2022) ") : L"( ) ") +
                        label,
                    focused ? color::kDialogFocus : attr);
        break;
      default:
        screen_.Put(ix, iy, label, attr);
        break;
      }
    }
    screen_.Shadow(box);
    Output();
  };
  auto moveFocus = [&](int step) {
    for (int guard = 0; guard < count && focus >= 0; ++guard) {
      focus = (focus + step + count) % count;
      if (Focusable(items[focus]))
        break;
    }
  };
  auto toggle = [&](int i) {
    if (items[i].Type == farapi::DI_CHECKBOX) {
      selected[i] = !selected[i];
    } else if (items[i].Type == farapi::DI_RADIOBUTTON) {
      int start = i;
      while (start > 0 && items[start - 1].Type == farapi::DI_RADIOBUTTON &&
             !(items[start].Flags & kDifGroup))
        --start;
      for (int j = start; j < count && items[j].Type == farapi::DI_RADIOBUTTON;
           ++j) {
        if (j > start && (items[j].Flags & kDifGroup))
          break;
        selected[j] = j == i;
      }
    }
  };
  int result = -2;
  while (result == -2) {
    draw();
    Key k = console_.Read();
    if (k.click) {
      for (int i = 0; i < count; ++i) {
        if (!Focusable(items[i]) || k.y != box.y1 + items[i].Y1)
          continue;
        int hot,
            w = IsEdit(items[i].Type)
                    ? fieldWidth(i)
                    : static_cast<int>(Plain(text[i], false, &hot).size()) + 4;
        if (k.x >= x[i] && k.x < x[i] + w) {
          focus = i;
          if (items[i].Type == farapi::DI_BUTTON)
            result = i;
          else
            toggle(i);
        }
      }
      continue;
    }
    bool edit = focus >= 0 && IsEdit(items[focus].Type);
    if (k.Is(VK_ESCAPE) || k.Is(VK_F10)) {
      result = -1;
    } else if (k.Is(VK_RETURN)) {
      if (focus >= 0 && items[focus].Type == farapi::DI_BUTTON)
        result = focus;
      else
        result = defaultButton >= 0 ? defaultButton : focus;
    } else if (k.Is(VK_TAB) || k.Is(VK_DOWN)) {
      moveFocus(1);
    } else if (k.Is(VK_TAB, farapi::PKF_SHIFT) || k.Is(VK_UP)) {
      moveFocus(-1);
    } else if (k.Is(VK_F1)) {
      ScreenModel keep = screen_;
      Help(help && *help ? help : "Contents");
      screen_ = keep;
    } else if (!edit && k.Is(VK_SPACE) && focus >= 0) {
      if (items[focus].Type == farapi::DI_BUTTON)
        result = focus;
      else
        toggle(focus);
    } else if (!edit && (k.Is(VK_LEFT) || k.Is(VK_RIGHT))) {
      moveFocus(k.vk == VK_LEFT ? -1 : 1);
    } else if (edit) {
      std::wstring &t = text[focus];
      int &c = caret[focus];
      const farapi::FarDialogItem &it = items[focus];
      bool fixed = it.Type == farapi::DI_FIXEDIT;
      int limit = fixed ? fieldWidth(focus) : 511;
      if (k.Is(VK_LEFT))
        c = std::max(c - 1, 0);
      else if (k.Is(VK_RIGHT))
        c = std::min(c + 1, static_cast<int>(t.size()));
      else if (k.Is(VK_HOME))
        c = 0;
      else if (k.Is(VK_END))
        c = static_cast<int>(t.size());
      else if (k.Is(VK_BACK) && c > 0)
        t.erase(--c, 1);
      else if (k.Is(VK_DELETE) && c < static_cast<int>(t.size()))
        t.erase(c, 1);
      else if (k.ch >= 32 &&
               !(k.state & (farapi::PKF_CONTROL | farapi::PKF_ALT))) {
        bool ok = true;
        if (fixed && (it.Flags & farapi::DIF_MASKEDIT) && it.Param.Mask) {
          const char *mask = it.Param.Mask;
          char m = c < static_cast<int>(strlen(mask)) ? mask[c] : 0;
          if (m == '9' || m == '#')
            ok = iswdigit(k.ch) || (m == '#' && (k.ch == L'-' || k.ch == L' '));
          else if (m == 0)
            ok = false;
        }
        if (ok && fixed) {
          if (c < static_cast<int>(t.size()))
            t[c] = k.ch;
          else if (static_cast<int>(t.size()) < limit)
            t += k.ch;
          c = std::min(c + 1, limit);
        } else if (ok && static_cast<int>(t.size()) < limit) {
          t.insert(c++, 1, k.ch);
        }
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    farapi::FarDialogItem &it = items[i];
    if (IsEdit(it.Type))
      snprintf(it.Data, sizeof it.Data, "%s", Narrow(text[i]).c_str());
    if (it.Type == farapi::DI_CHECKBOX || it.Type == farapi::DI_RADIOBUTTON)
      it.Param.Selected = selected[i];
    it.Focus = i == focus;
  }
  screen_ = under;
  Output();
  return result;
}

// --- panel commands
// -----------------------------------------------------------

void Interactive::ToggleSelection(int index, int row, int mode) {
  Side &s = sides_[index];
  if (s.plugin) {
    const PanelModel &m = host_.Model();
    if (row < 0 || row >= static_cast<int>(m.entries.size()))
      return;
    bool on = mode == 2 ? !m.entries[row].Selected() : mode == 1;
    host_.SelectIndex(row, on);
    return;
  }
  if (row < 0 || row >= static_cast<int>(s.items.size()) || s.items[row].dots)
    return;
  std::string name = NameOf(s.items[row].data);
  bool on = mode == 2 ? !s.selected.count(name) : mode == 1;
  if (on)
    s.selected.insert(name);
  else
    s.selected.erase(name);
}

void Interactive::Move(const Key &k) {
  int page = std::max(ListHeight() - 1, 1);
  int c = Cursor(active_), n = Count(active_);
  if (k.vk == VK_UP)
    c -= 1;
  else if (k.vk == VK_DOWN)
    c += 1;
  else if (k.vk == VK_PRIOR)
    c -= page;
  else if (k.vk == VK_NEXT)
    c += page;
  else if (k.vk == VK_HOME)
    c = 0;
  else if (k.vk == VK_END)
    c = n - 1;
  SetCursor(active_, c);
}

void Interactive::SyncPc(bool *tempSelected) {
  // The host's PC panel is the side that does not show the plug-in.
  int pc = sides_[0].plugin ? 1 : 0;
  Side &s = sides_[pc];
  host_.SetPcFolder(s.folder);
  host_.SelectAllPc(false);
  for (const std::string &name : s.selected)
    host_.SelectPc(name, true);
  *tempSelected = false;
  // With nothing selected FAR takes the item under the cursor.
  if (s.selected.empty() && s.cursor >= 0 &&
      s.cursor < static_cast<int>(s.items.size()) && !s.items[s.cursor].dots) {
    host_.SelectPc(NameOf(s.items[s.cursor].data), true);
    *tempSelected = true;
  }
}

void Interactive::AfterCall(bool tempSelected) {
  int pc = sides_[0].plugin ? 1 : 0;
  Side &s = sides_[pc];
  host_.RereadPc();
  s.selected.clear();
  if (!tempSelected) {
    const PcPanel &p = host_.Pc();
    for (size_t i = 0; i < p.items.size(); ++i)
      if (p.selected[i])
        s.selected.insert(NameOf(p.items[i].FindData));
  }
  RereadAll();
}

void Interactive::RereadAll() {
  for (Side &s : sides_)
    if (!s.plugin)
      ReadPcSide(&s);
}

void Interactive::OpenPluginOn(int index, int openFrom, int item) {
  int other = 1 - index;
  if (sides_[other].plugin)
    ClosePluginSide(other);
  if (sides_[index].plugin)
    ClosePluginSide(index);
  bool temp = false;
  SyncPc(&temp);
  host_.SelectAllPc(false);
  for (const std::string &name : sides_[other].selected)
    host_.SelectPc(name, true);
  HANDLE h = host_.OpenPlugin(openFrom, item);
  sides_[index].plugin = h != INVALID_HANDLE_VALUE && h != nullptr;
  topPlugin_ = 0;
  RereadAll();
}

void Interactive::ClosePluginSide(int index) {
  if (!sides_[index].plugin)
    return;
  host_.ClosePanel();
  sides_[index].plugin = false;
  ReadPcSide(&sides_[index]);
}

void Interactive::DiskMenu(int index) {
  std::vector<std::wstring> items;
  std::vector<std::string> drives;
  DWORD mask = GetLogicalDrives();
  for (int d = 0; d < 26; ++d)
    if (mask & (1u << d)) {
      std::string drive = std::string(1, static_cast<char>('A' + d)) + ":";
      drives.push_back(drive);
      items.push_back(L" " + Wide(drive) + L"  ");
    }
  PluginMenus menus;
  host_.GetPluginInfo(&menus);
  if (!menus.diskMenu.empty())
    items.push_back(L"");
  for (size_t i = 0; i < menus.diskMenu.size(); ++i) {
    std::wstring hot = i < menus.diskNumbers.size()
                           ? std::to_wstring(menus.diskNumbers[i])
                           : L" ";
    items.push_back(hot + L"  " + Wide(menus.diskMenu[i]));
  }
  Rect r = PanelRect(index);
  int selected = 0;
  if (sides_[index].plugin)
    selected = static_cast<int>(drives.size()) + 1;
  int choice =
      Menu(index == 0 ? L"Left" : L"Right", items, (r.x1 + r.x2) / 2, selected);
  if (choice < 0)
    return;
  active_ = index;
  if (choice < static_cast<int>(drives.size())) {
    if (sides_[index].plugin)
      ClosePluginSide(index);
    char full[MAX_PATH] = {};
    std::string drive = drives[choice];
    if (!GetFullPathNameA(drive.c_str(), sizeof full, full, nullptr))
      snprintf(full, sizeof full, "%s\\", drive.c_str());
    std::string folder = full;
    if (folder.size() > 3 && folder.back() == '\\')
      folder.pop_back();
    sides_[index].folder = folder;
    sides_[index].selected.clear();
    sides_[index].cursor = 0;
    ReadPcSide(&sides_[index]);
    return;
  }
  int item = choice - static_cast<int>(drives.size()) - 1;
  if (item >= 0)
    OpenPluginOn(index, farapi::OPEN_DISKMENU, item);
}

void Interactive::PluginsMenu() {
  PluginMenus menus;
  host_.GetPluginInfo(&menus);
  std::vector<std::wstring> items;
  for (const std::string &s : menus.pluginMenu)
    items.push_back(Wide(s));
  if (items.empty())
    return;
  int choice = Menu(L"Plugin commands", items, screen_.Width() / 2, 0);
  if (choice >= 0)
    OpenPluginOn(active_, farapi::OPEN_PLUGINSMENU, choice);
}

void Interactive::Enter() {
  Side &s = sides_[active_];
  int c = Cursor(active_);
  if (s.plugin) {
    const PanelModel &m = host_.Model();
    if (c >= 0 && c < static_cast<int>(m.entries.size()) && m.entries[c].dots)
      ClosePluginSide(active_); // ".." leaves the plug-in
    return;
  }
  if (c < 0 || c >= static_cast<int>(s.items.size()))
    return;
  const PcItem &item = s.items[c];
  if (!IsFolder(item.data))
    return;
  std::string from = s.folder;
  s.folder = item.dots ? Parent(s.folder) : Join(s.folder, NameOf(item.data));
  s.selected.clear();
  s.cursor = 0;
  s.top = 0;
  s.items.clear();
  ReadPcSide(&s);
  if (item.dots) {
    // Back in the parent: the cursor on the folder we came from.
    std::string name = from.substr(from.find_last_of('\\') + 1);
    for (size_t i = 0; i < s.items.size(); ++i)
      if (_stricmp(NameOf(s.items[i].data).c_str(), name.c_str()) == 0)
        s.cursor = static_cast<int>(i);
  }
}

void Interactive::Transfer(bool move) {
  int other = 1 - active_;
  if (!sides_[active_].plugin && !sides_[other].plugin) {
    Ask(move ? L"Rename/Move" : L"Copy",
        L"Copying between two PC folders is not part of this host", {L"Ok"},
        false);
    return;
  }
  bool temp = false;
  SyncPc(&temp);
  if (sides_[active_].plugin) {
    const PanelModel &m = host_.Model();
    bool any = false;
    for (const PanelEntry &e : m.entries)
      any |= e.Selected() && !e.dots;
    if (!any &&
        (m.cursor < 0 || m.cursor >= static_cast<int>(m.entries.size()) ||
         m.entries[m.cursor].dots))
      return;
    host_.CopyToPc(move);
  } else {
    if (!temp && sides_[active_].selected.empty())
      return;
    host_.CopyFromPc(move);
  }
  AfterCall(temp);
}

void Interactive::Delete() {
  if (!sides_[active_].plugin) {
    Ask(L"Delete", L"Deleting PC files is not part of this host", {L"Ok"},
        false);
    return;
  }
  const PanelModel &m = host_.Model();
  bool any = false;
  for (const PanelEntry &e : m.entries)
    any |= e.Selected() && !e.dots;
  if (!any && (m.cursor < 0 || m.cursor >= static_cast<int>(m.entries.size()) ||
               m.entries[m.cursor].dots))
    return;
  bool temp = false;
  SyncPc(&temp);
  host_.DeleteSelected();
  AfterCall(temp);
}

Key Interactive::KeyBarClick(const Key &click) const {
  Key k;
  int slot = screen_.Width() / 12;
  int n = std::min(click.x / std::max(slot, 1), 11);
  static const unsigned states[7] = {0,
                                     farapi::PKF_CONTROL,
                                     farapi::PKF_ALT,
                                     farapi::PKF_SHIFT,
                                     farapi::PKF_CONTROL | farapi::PKF_SHIFT,
                                     farapi::PKF_ALT | farapi::PKF_SHIFT,
                                     farapi::PKF_CONTROL | farapi::PKF_ALT};
  k.vk = VK_F1 + n;
  k.state = states[barGroup_];
  return k;
}

bool Interactive::Dispatch(const Key &in) {
  Key k = in;
  if (k.click) {
    if (k.y == screen_.Height() - 1) {
      k = KeyBarClick(k);
    } else {
      for (int i = 0; i < 2; ++i) {
        Rect r = PanelRect(i);
        int row = k.y - (r.y1 + 2);
        if (k.x >= r.x1 && k.x <= r.x2 && row >= 0 && row < ListHeight()) {
          active_ = i;
          int top = sides_[i].plugin ? topPlugin_ : sides_[i].top;
          SetCursor(i, top + row);
        }
      }
      return true;
    }
  }
  // The bar of the plug-in's Shift labels, for terminals that do not
  // report a held Shift key.
  if (k.Is('B', farapi::PKF_CONTROL)) {
    barGroup_ = barGroup_ == 0 ? 3 : 0;
    return true;
  }
  Side &s = sides_[active_];
  if (s.plugin && !k.Is(VK_F10) && !k.Is(VK_TAB) &&
      !k.Is(VK_F1, farapi::PKF_ALT) && !k.Is(VK_F2, farapi::PKF_ALT)) {
    // FAR offers every key to the plug-in's panel first.
    int taken = host_.CallProcessKey(k.vk, k.state);
    if (taken > 0) {
      host_.Redraw();
      RereadAll();
      return true;
    }
  }
  if (k.Is(VK_F10)) {
    return Ask(L"Quit", L"Do you want to quit FAR?", {L"Yes", L"No"}, false) !=
           0;
  }
  if (k.Is(VK_TAB)) {
    active_ = 1 - active_;
  } else if (k.Is(VK_F1, farapi::PKF_ALT)) {
    DiskMenu(0);
  } else if (k.Is(VK_F2, farapi::PKF_ALT)) {
    DiskMenu(1);
  } else if (k.Is(VK_F11)) {
    PluginsMenu();
  } else if (k.Is(VK_F9)) {
    host_.Configure(0);
    if (s.plugin)
      host_.Redraw();
  } else if (k.Is(VK_F1)) {
    Help("Contents");
  } else if (k.Is(VK_F5)) {
    Transfer(false);
  } else if (k.Is(VK_F6)) {
    Transfer(true);
  } else if (k.Is(VK_F8)) {
    Delete();
  } else if (k.Is('R', farapi::PKF_CONTROL)) {
    if (s.plugin)
      host_.Refresh(true);
    RereadAll();
  } else if (k.Is(VK_UP) || k.Is(VK_DOWN) || k.Is(VK_PRIOR) || k.Is(VK_NEXT) ||
             k.Is(VK_HOME) || k.Is(VK_END)) {
    Move(k);
  } else if (k.Is(VK_INSERT)) {
    ToggleSelection(active_, Cursor(active_), 2);
    SetCursor(active_, Cursor(active_) + 1);
  } else if (k.Is(VK_ADD) || (k.ch == L'+' && !(k.state & 3))) {
    for (int i = 0; i < Count(active_); ++i)
      ToggleSelection(active_, i, 1);
  } else if (k.Is(VK_SUBTRACT) || (k.ch == L'-' && !(k.state & 3))) {
    for (int i = 0; i < Count(active_); ++i)
      ToggleSelection(active_, i, 0);
  } else if (k.Is(VK_MULTIPLY) || (k.ch == L'*' && !(k.state & 3))) {
    for (int i = 0; i < Count(active_); ++i)
      ToggleSelection(active_, i, 2);
  } else if (k.Is(VK_RETURN)) {
    Enter();
  }
  return true;
}

int Interactive::Run() {
  if (!console_.Open()) {
    fprintf(stderr, "farhost: --interactive needs a console\n");
    return 1;
  }
  Resize();
  char current[MAX_PATH] = {};
  std::string pc = options_.pcFolder;
  if (pc.empty() ||
      !GetFullPathNameA(pc.c_str(), sizeof current, current, nullptr)) {
    GetCurrentDirectoryA(sizeof current, current);
  }
  pc = current;
  if (pc.size() > 3 && pc.back() == '\\')
    pc.pop_back();
  for (Side &s : sides_) {
    s.folder = pc;
    ReadPcSide(&s);
  }
  host_.SetUi(this);
  for (;;) {
    Resize();
    DrawAll();
    Key k = console_.Read();
    if (k.resize)
      continue;
    if (!Dispatch(k) || console_.Gone())
      break;
  }
  host_.ClosePanel();
  host_.SetUi(nullptr);
  console_.Close();
  return 0;
}

} // namespace

int RunInteractive(Host &host, const InteractiveOptions &options) {
  Interactive ui(host, options);
  return ui.Run();
}

} // namespace farhost
