// The interactive host's boxes: the plug-in's message boxes (with buttons
// or left on screen, such as progress boxes), and the host's own menus and
// questions.
#include "sim/farhost/interactive_screen.h"

#include "host/unique_handle.h"

#include <algorithm>

namespace farhost {
namespace ui {

// A message box as it is drawn: its texts and where they go.
struct Interactive::MessageView {
  bool left = false; // FMSG_LEFTALIGN
  uint16_t attr = 0, focusAttr = 0;
  std::wstring title;
  std::vector<std::wstring> lines, buttons;
  MessageLayout layout;
};

int Interactive::ShowMessage(const MessageRecord &box) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  bool warning = (box.flags & farapi::FMSG_WARNING) != 0;
  MessageView view;
  view.left = (box.flags & farapi::FMSG_LEFTALIGN) != 0;
  view.attr = warning ? color::kWarning : color::kDialog;
  view.focusAttr = warning ? color::kWarningFocus : color::kDialogFocus;
  view.title = box.items.empty() ? L"" : Wide(box.items[0]);
  int first = static_cast<int>(box.items.size()) - box.buttons;
  for (int i = 1; i < static_cast<int>(box.items.size()); ++i)
    (i >= first ? view.buttons : view.lines).push_back(Wide(box.items[i]));
  ScreenModel before = screen_;
  // Redraw from the screen under the box each time, so a box that shrinks
  // (the progress box between files) leaves nothing behind.
  if (box.progress && progressBase_.Width() == screen_.Width() &&
      progressBase_.Height() == screen_.Height())
    screen_ = progressBase_;
  else
    progressBase_ = screen_;
  view.layout = LayoutMessage(view.lines, view.buttons, screen_.Width(),
                              screen_.Height());
  DrawMessage(view, 0);
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
  return MessageKeys(view, box);
}

void Interactive::DrawMessage(const MessageView &view, int focus) {
  const MessageLayout &m = view.layout;
  uint16_t attr = view.attr;
  screen_.Fill(m.box, L' ', attr);
  screen_.Frame(m.frame, true, attr);
  if (!view.title.empty()) {
    std::wstring t = L" " + view.title + L" ";
    t = t.substr(0, std::max(m.frame.Width() - 2, 0));
    screen_.Put(m.frame.x1 + (m.frame.Width() - static_cast<int>(t.size())) / 2,
                m.frame.y1, t, attr);
  }
  for (size_t i = 0; i < view.lines.size(); ++i) {
    int y = m.firstLine + static_cast<int>(i);
    if (y >= m.frame.y2)
      break;
    if (view.lines[i] == L"\x01") {
      screen_.Separator(m.frame.x1, m.frame.x2, y, true, attr);
      continue;
    }
    std::wstring text = view.lines[i].substr(0, m.textWidth);
    int x = view.left ? m.frame.x1 + 2
                      : m.frame.x1 + 2 +
                            (m.textWidth - static_cast<int>(text.size())) / 2;
    screen_.Put(x, y, text, attr);
  }
  for (size_t b = 0; b < m.buttonText.size(); ++b)
    screen_.Put(m.buttonX[b], m.buttonRow, m.buttonText[b],
                static_cast<int>(b) == focus ? view.focusAttr : attr,
                m.frame.x2 - m.buttonX[b]);
  screen_.Shadow(m.box);
  Output();
}

// The keys of a box with buttons; returns the chosen one, -1 for Escape.
int Interactive::MessageKeys(const MessageView &view,
                             const MessageRecord &box) {
  const MessageLayout &m = view.layout;
  const std::vector<std::wstring> &buttons = view.buttons;
  int n = static_cast<int>(buttons.size());
  int focus = 0;
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
    DrawMessage(view, focus);
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

namespace {

// The entry whose first character is the key's; -1 when none.
int MenuHotKey(const std::vector<std::wstring> &items, wchar_t ch) {
  for (size_t i = 0; i < items.size(); ++i) {
    size_t p = items[i].find_first_not_of(L' ');
    if (p != std::wstring::npos && towupper(items[i][p]) == towupper(ch))
      return static_cast<int>(i);
  }
  return -1;
}

// The cursor moved by `step`, over the separators (empty entries).
int MenuStep(const std::vector<std::wstring> &items, int cursor, int step) {
  int n = static_cast<int>(items.size());
  if (step) {
    for (int guard = 0; guard < n; ++guard) {
      cursor = (cursor + step + n) % n;
      if (!items[cursor].empty())
        break;
    }
  }
  if (items[cursor].empty())
    cursor = (cursor + 1) % n;
  return cursor;
}

} // namespace

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
    DrawMenu(title, items, box, cursor);
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
    else if (k.ch > 32 && MenuHotKey(items, k.ch) >= 0)
      return MenuHotKey(items, k.ch);
    cursor = MenuStep(items, cursor, step);
  }
}

void Interactive::DrawMenu(const std::wstring &title,
                           const std::vector<std::wstring> &items,
                           const Rect &box, int cursor) {
  int width = box.Width(), height = box.Height();
  int n = static_cast<int>(items.size());
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
}

// FAR's viewer, plainly: the file's text a screen at a time under a line
// with its path; Esc, F3 or F10 close it.
void Interactive::ViewFile(const std::string &path) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  std::vector<std::wstring> lines(1);
  {
    davu::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      0, nullptr));
    char buffer[4096];
    DWORD got = 0;
    // The first 64 KB are enough for a look at a player's file.
    for (int chunk = 0;
         file && chunk < 16 &&
         ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0;
         ++chunk)
      for (DWORD i = 0; i < got; ++i) {
        unsigned char c = static_cast<unsigned char>(buffer[i]);
        if (c == '\n' || lines.back().size() >= 1000)
          lines.emplace_back();
        else if (c >= 32)
          lines.back() += Wide(std::string(1, static_cast<char>(c)));
        else if (c != '\r')
          lines.back() += L'.';
      }
  }
  ScreenModel under = screen_;
  int rows = screen_.Height() - 2, top = 0;
  for (;;) {
    screen_.Fill(Rect{0, 0, screen_.Width() - 1, screen_.Height() - 1}, L' ',
                 color::kPanel);
    screen_.Put(0, 0, Wide(path), color::kColumnTitle, screen_.Width());
    for (int i = 0; i < rows && top + i < static_cast<int>(lines.size()); ++i)
      screen_.Put(0, 1 + i, lines[top + i], color::kPanel, screen_.Width());
    screen_.Put(0, screen_.Height() - 1, L"Esc/F3/F10 close the viewer",
                color::kKeyLabel, screen_.Width());
    Output();
    Key k = console_.Read();
    if (k.Is(VK_ESCAPE) || k.Is(VK_F3) || k.Is(VK_F10) || console_.Gone())
      break;
    int last = std::max(static_cast<int>(lines.size()) - rows, 0);
    if (k.Is(VK_NEXT) || k.Is(VK_DOWN))
      top = std::min(top + (k.vk == VK_NEXT ? rows : 1), last);
    else if (k.Is(VK_PRIOR) || k.Is(VK_UP))
      top = std::max(top - (k.vk == VK_PRIOR ? rows : 1), 0);
  }
  screen_ = under;
  Output();
}

} // namespace ui
} // namespace farhost
