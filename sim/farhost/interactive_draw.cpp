// Drawing the interactive host: two panels with their columns, status
// lines and titles, the command line and the key bar.
#include "sim/farhost/interactive_screen.h"

#include <algorithm>

namespace farhost {
namespace ui {

namespace {

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

// A size as FAR fits it into its column: the digits, or kilobytes (then
// megabytes...) rounded, as "1758 K".
std::wstring SizeInColumn(unsigned long long size, int width) {
  std::wstring text = std::to_wstring(size);
  const wchar_t *units = L"KMGT";
  for (int u = 0; static_cast<int>(text.size()) > width && units[u]; ++u) {
    size = (size + 512) / 1024;
    text = std::to_wstring(size) + L" " + units[u];
  }
  return text;
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

// FAR's own labels, by the groups of KeyBarTitles: plain, Ctrl, Alt, Shift.
const char *const kFarLabels[4][12] = {
    {"Help", "UserMn", "View", "Edit", "Copy", "RenMov", "MkFold", "Delete",
     "ConfMn", "Quit", "Plugin", "Screen"},
    {"Left", "Right", "Name", "Extens", "Modifn", "Size", "Unsort", "Creatn",
     "Access", "Descr", "Owner", "Sort"},
    {"Left", "Right", "View..", "Edit..", "Print", "MkLink", "Find", "Histry",
     "Video", "Tree", "ViewHs", "FoldHs"},
    {"Add", "Extrct", "ArcCmd", "Edit..", "Copy", "Rename", "", "Delete",
     "Save", "Last", "Group", "SelUp"}};

} // namespace

extern const char kHint[];
const char kHint[] =
    "Ctrl+F1/F2=Alt+F1/F2  Ctrl+B: Shift bar  Ctrl+V: view  click the bar";

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
  if (s.plugin) // as given: FAR adds no blanks to a plug-in's title
    return Wide(host_.Model().title);
  return L" " + Wide(s.folder) + L" ";
}

void Interactive::DrawPanel(int index) {
  Rect r = PanelRect(index);
  screen_.Fill(r, L' ', color::kPanel);
  screen_.Frame(r, true, color::kPanel);
  if (sides_[index].fullView)
    DrawFullView(index, r);
  else
    DrawMediumView(index, r);
  std::vector<Row> rows = Rows(index);
  int cursor = Cursor(index);
  if (cursor >= 0 && cursor < static_cast<int>(rows.size()))
    DrawStatus(r, rows[cursor]);
  DrawPanelTitle(index, rows);
}

// The first item shown, moved so that the cursor stays in sight.
static int Scrolled(int top, int cursor, int shown, int count) {
  if (cursor < top)
    top = cursor;
  if (cursor >= top + shown)
    top = cursor - shown + 1;
  return std::max(0, std::min(top, std::max(0, count - shown)));
}

uint16_t Interactive::RowAttr(int index, int item, const Row &row) const {
  bool atCursor = index == active_ && item == Cursor(index);
  if (row.selected)
    return atCursor ? color::kSelectedCursor : color::kSelected;
  return atCursor ? color::kCursor
                  : (row.folder ? color::kFolder : color::kPanel);
}

// Full: name, size (6, "1758 K" when the digits do not fit), date (8),
// time (5), with separators.
void Interactive::DrawFullView(int index, const Rect &r) {
  int inner = r.Width() - 2;
  int nameWidth = std::max(inner - 22, 6);
  int cols[4] = {r.x1 + 1, r.x1 + 2 + nameWidth, r.x1 + 9 + nameWidth,
                 r.x1 + 18 + nameWidth};
  int widths[4] = {nameWidth, 6, 8, 5};
  const wchar_t *const heads[4] = {L"Name", L"Size", L"Date", L"Time"};
  int listTop = r.y1 + 2, listRows = ListHeight();
  DrawColumns(r, heads, cols, widths, 4, listTop + listRows);
  std::vector<Row> rows = Rows(index);
  int &top = sides_[index].plugin ? topPlugin_ : sides_[index].top;
  top = Scrolled(top, Cursor(index), listRows, static_cast<int>(rows.size()));
  for (int i = 0; i < listRows && top + i < static_cast<int>(rows.size());
       ++i) {
    const Row &row = rows[top + i];
    uint16_t attr = RowAttr(index, top + i, row);
    if (attr != color::kPanel && attr != color::kFolder)
      for (int x = r.x1 + 1; x < r.x2; ++x)
        screen_.PutCell(x, listTop + i, screen_.At(x, listTop + i).ch, attr);
    DrawRow(cols, widths, listTop + i, row, attr);
  }
}

// Medium: names only, in two columns filled top to bottom.
void Interactive::DrawMediumView(int index, const Rect &r) {
  int inner = r.Width() - 2;
  int firstWidth = (inner - 1) / 2, secondWidth = inner - 1 - firstWidth;
  int cols[2] = {r.x1 + 1, r.x1 + 2 + firstWidth};
  int widths[2] = {firstWidth, secondWidth};
  const wchar_t *const heads[2] = {L"Name", L"Name"};
  int listTop = r.y1 + 2, listRows = ListHeight();
  DrawColumns(r, heads, cols, widths, 2, listTop + listRows);
  std::vector<Row> rows = Rows(index);
  int &top = sides_[index].plugin ? topPlugin_ : sides_[index].top;
  top =
      Scrolled(top, Cursor(index), 2 * listRows, static_cast<int>(rows.size()));
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < listRows; ++i) {
      int item = top + c * listRows + i;
      if (item >= static_cast<int>(rows.size()))
        return;
      screen_.Put(cols[c], listTop + i,
                  FitName(Wide(rows[item].name), widths[c]),
                  RowAttr(index, item, rows[item]));
    }
}

void Interactive::DrawColumns(const Rect &r, const wchar_t *const *heads,
                              const int *cols, const int *widths, int count,
                              int statusSep) {
  for (int c = 0; c < count; ++c) {
    screen_.Put(cols[c], r.y1 + 1, Centre(heads[c], widths[c]),
                color::kColumnTitle);
    if (c > 0) {
      screen_.PutCell(cols[c] - 1, r.y1, L'\x2564', color::kPanel);
      for (int y = r.y1 + 1; y < statusSep; ++y)
        screen_.PutCell(cols[c] - 1, y, L'\x2502', color::kPanel);
    }
  }
  screen_.Separator(r.x1, r.x2, statusSep, true, color::kPanel);
  for (int c = 1; c < count; ++c)
    screen_.PutCell(cols[c] - 1, statusSep, L'\x2534', color::kPanel);
}

void Interactive::DrawRow(const int *cols, const int *widths, int y,
                          const Row &row, uint16_t attr) {
  std::wstring size;
  if (row.dots)
    size = L"Up";
  else if (row.folder)
    size = L"Folder";
  else
    size = SizeInColumn(row.size, widths[1]);
  wchar_t d[9] = {}, t[6] = {};
  DateTime(row.time, d, t);
  screen_.Put(cols[0], y, FitName(Wide(row.name), widths[0]), attr);
  screen_.Put(cols[1], y, RightAlign(size, widths[1]), attr);
  screen_.Put(cols[2], y, RightAlign(d, widths[2]), attr);
  screen_.Put(cols[3], y, RightAlign(t, widths[3]), attr);
}

// The status line: the item under the cursor.
void Interactive::DrawStatus(const Rect &r, const Row &row) {
  int inner = r.Width() - 2;
  int statusRow = r.y1 + 2 + ListHeight() + 1;
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

// The title and the selection summary on the frame.
void Interactive::DrawPanelTitle(int index, const std::vector<Row> &rows) {
  Rect r = PanelRect(index);
  int inner = r.Width() - 2;
  unsigned long long selectedBytes = 0;
  int selectedCount = 0;
  for (const Row &row : rows)
    if (row.selected) {
      selectedBytes += row.size;
      ++selectedCount;
    }
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
    std::string label = barGroup_ < 4 ? kFarLabels[barGroup_][k] : "";
    // A key the plug-in leaves empty (null) keeps FAR's label.
    if (plugin && m.keyBar[barGroup_][k].set)
      label = m.keyBar[barGroup_][k].text;
    int room = (k == 11 ? w - x : slot) - static_cast<int>(number.size());
    screen_.Put(x + static_cast<int>(number.size()), y,
                FitName(Wide(label), room).substr(0, room), color::kKeyLabel,
                room);
  }
}

void Interactive::DrawAll() {
  // FAR asks for the panel's description on every redraw.
  if (sides_[0].plugin || sides_[1].plugin)
    host_.RedrawScreen();
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

} // namespace ui
} // namespace farhost
