// The panels of the interactive host: PC folders read from disk, the
// plug-in's panel through the Host, cursor and selection, and the panel
// commands (open, enter, copy, move, delete).
#include "sim/farhost/interactive_screen.h"

#include <algorithm>
#include <cstring>

namespace farhost {
namespace ui {

namespace {

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

} // namespace

std::string NameOf(const farapi::FindData &f) {
  return std::string(f.cFileName, strnlen(f.cFileName, sizeof f.cFileName));
}

bool IsFolder(const farapi::FindData &f) {
  return (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

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
  int page = std::max(ShownColumns(active_) * ListHeight() - 1, 1);
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
  else if (k.vk == VK_LEFT || k.vk == VK_RIGHT) // a column of the view
    c += (k.vk == VK_LEFT ? -1 : 1) *
         (ShownColumns(active_) == 2 ? ListHeight() : 1);
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
      items.push_back(Wide(drive) + L" ");
    }
  PluginMenus menus;
  host_.Menus(&menus);
  if (!menus.diskMenu.empty())
    items.push_back(L"");
  // FAR's hot keys: a plug-in's number from 1 to 9 where it is free, else
  // the first free digit from 0. FAR 3 gives its own.
  bool used[10] = {};
  std::vector<int> digits(menus.diskMenu.size(), -1);
  size_t numbers = menus.diskNumbersIgnored ? 0 : menus.diskNumbers.size();
  for (size_t i = 0; i < digits.size() && i < numbers; ++i) {
    int n = menus.diskNumbers[i];
    if (n > 0 && n < 10 && !used[n]) {
      used[n] = true;
      digits[i] = n;
    }
  }
  for (int &d : digits)
    for (int n = 0; d < 0 && n < 10; ++n)
      if (!used[n]) {
        used[n] = true;
        d = n;
      }
  for (size_t i = 0; i < menus.diskMenu.size(); ++i) {
    std::wstring hot = digits[i] >= 0 ? std::to_wstring(digits[i]) : L" ";
    items.push_back(hot + L": " + Wide(menus.diskMenu[i]));
  }
  Rect r = PanelRect(index);
  int selected = 0;
  if (sides_[index].plugin)
    selected = static_cast<int>(drives.size()) + 1;
  int choice = Menu(L"Drive", items, (r.x1 + r.x2) / 2, selected);
  if (choice < 0)
    return;
  // Picking the plug-in keeps the focus on the panel that had it.
  if (choice < static_cast<int>(drives.size())) {
    active_ = index;
    ChangeDrive(index, drives[choice]);
    return;
  }
  int item = choice - static_cast<int>(drives.size()) - 1;
  if (item >= 0)
    OpenPluginOn(index, farapi::OPEN_DISKMENU, item);
}

// The side shows the drive's current folder (the plug-in closes there).
void Interactive::ChangeDrive(int index, const std::string &drive) {
  if (sides_[index].plugin)
    ClosePluginSide(index);
  char full[MAX_PATH] = {};
  if (!GetFullPathNameA(drive.c_str(), sizeof full, full, nullptr))
    snprintf(full, sizeof full, "%s\\", drive.c_str());
  std::string folder = full;
  if (folder.size() > 3 && folder.back() == '\\')
    folder.pop_back();
  sides_[index].folder = folder;
  sides_[index].selected.clear();
  sides_[index].cursor = 0;
  ReadPcSide(&sides_[index]);
}

void Interactive::PluginsMenu() {
  PluginMenus menus;
  host_.Menus(&menus);
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

// F5, F6 and F8 on the plug-in's panel need a selection or an item under
// the cursor other than "..".
bool Interactive::PluginHasItems() const {
  const PanelModel &m = host_.Model();
  bool any = false;
  for (const PanelEntry &e : m.entries)
    any |= e.Selected() && !e.dots;
  return any ||
         (m.cursor >= 0 && m.cursor < static_cast<int>(m.entries.size()) &&
          !m.entries[m.cursor].dots);
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
    if (!PluginHasItems())
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
  if (!PluginHasItems())
    return;
  bool temp = false;
  SyncPc(&temp);
  host_.DeleteSelected();
  AfterCall(temp);
}

} // namespace ui
} // namespace farhost
