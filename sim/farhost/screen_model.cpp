// The cell grid of the interactive host and the layout of message boxes.
#include "sim/farhost/screen_model.h"

#include <algorithm>

namespace farhost {

void ScreenModel::Resize(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  cells_.assign(static_cast<size_t>(width_) * height_, Cell());
}

Cell ScreenModel::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return Cell();
  return cells_[static_cast<size_t>(y) * width_ + x];
}

std::wstring ScreenModel::Row(int y) const {
  std::wstring out;
  for (int x = 0; x < width_; ++x)
    out += At(x, y).ch;
  return out;
}

void ScreenModel::PutCell(int x, int y, wchar_t ch, uint16_t attr) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return;
  Cell &c = cells_[static_cast<size_t>(y) * width_ + x];
  c.ch = ch;
  c.attr = attr;
}

void ScreenModel::Fill(const Rect &r, wchar_t ch, uint16_t attr) {
  for (int y = r.y1; y <= r.y2; ++y)
    for (int x = r.x1; x <= r.x2; ++x)
      PutCell(x, y, ch, attr);
}

int ScreenModel::Put(int x, int y, const std::wstring &text, uint16_t attr,
                     int limit) {
  int n = 0;
  for (wchar_t ch : text) {
    if (limit >= 0 && n >= limit)
      break;
    if (x + n >= width_)
      break;
    PutCell(x + n, y, ch < 32 ? L' ' : ch, attr);
    ++n;
  }
  return n;
}

void ScreenModel::Frame(const Rect &r, bool d, uint16_t attr) {
  wchar_t h = d ? L'\x2550' : L'\x2500', v = d ? L'\x2551' : L'\x2502';
  for (int x = r.x1 + 1; x < r.x2; ++x) {
    PutCell(x, r.y1, h, attr);
    PutCell(x, r.y2, h, attr);
  }
  for (int y = r.y1 + 1; y < r.y2; ++y) {
    PutCell(r.x1, y, v, attr);
    PutCell(r.x2, y, v, attr);
  }
  PutCell(r.x1, r.y1, d ? L'\x2554' : L'\x250C', attr);
  PutCell(r.x2, r.y1, d ? L'\x2557' : L'\x2510', attr);
  PutCell(r.x1, r.y2, d ? L'\x255A' : L'\x2514', attr);
  PutCell(r.x2, r.y2, d ? L'\x255D' : L'\x2518', attr);
}

void ScreenModel::Separator(int x1, int x2, int y, bool doubleEdge,
                            uint16_t attr) {
  for (int x = x1 + 1; x < x2; ++x)
    PutCell(x, y, L'\x2500', attr);
  PutCell(x1, y, doubleEdge ? L'\x255F' : L'\x251C', attr);
  PutCell(x2, y, doubleEdge ? L'\x2562' : L'\x2524', attr);
}

void ScreenModel::Shadow(const Rect &r) {
  auto darken = [this](int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
      return;
    cells_[static_cast<size_t>(y) * width_ + x].attr = color::kShadow;
  };
  for (int y = r.y1 + 1; y <= r.y2 + 1; ++y) {
    darken(r.x2 + 1, y);
    darken(r.x2 + 2, y);
  }
  for (int x = r.x1 + 2; x <= r.x2 + 2; ++x)
    darken(x, r.y2 + 1);
}

std::wstring FitName(const std::wstring &name, int width) {
  if (width <= 0)
    return std::wstring();
  if (static_cast<int>(name.size()) <= width)
    return name + std::wstring(width - name.size(), L' ');
  return name.substr(0, width - 1) + L'}';
}

std::wstring Centre(const std::wstring &text, int width) {
  if (width <= 0)
    return std::wstring();
  if (static_cast<int>(text.size()) >= width)
    return text.substr(0, width);
  int left = (width - static_cast<int>(text.size())) / 2;
  return std::wstring(left, L' ') + text +
         std::wstring(width - left - text.size(), L' ');
}

MessageLayout LayoutMessage(const std::vector<std::wstring> &lines,
                            const std::vector<std::wstring> &buttons,
                            int screenWidth, int screenHeight) {
  MessageLayout m;
  // FAR's message buttons have no brackets: " Ok " side by side, so that
  // two blanks part their words; a row too wide drops the outer blanks.
  int gap = 0;
  auto rowOf = [&](bool compact) {
    m.buttonText.clear();
    gap = compact ? 1 : 0;
    int width = -gap;
    for (const std::wstring &b : buttons) {
      m.buttonText.push_back(compact ? b : L" " + b + L" ");
      width += static_cast<int>(m.buttonText.back().size()) + gap;
    }
    return std::max(width, 0);
  };
  // Frame, a blank on each side of the text, and a margin of up to three
  // cells of box around the frame.
  const int inside = 4;
  int rowWidth = rowOf(false);
  if (rowWidth + inside > screenWidth)
    rowWidth = rowOf(true); // too many buttons: "Ok" instead of " Ok "
  int widest = rowWidth;
  for (const std::wstring &l : lines)
    widest = std::max(widest, static_cast<int>(l.size()));
  int margin = std::max(0, std::min(3, (screenWidth - widest - inside) / 2));
  int width = std::min(widest + inside + 2 * margin, screenWidth);
  m.textWidth = std::max(width - 2 * margin - inside, 0);
  int rows = static_cast<int>(lines.size()) + (buttons.empty() ? 0 : 1);
  int height = std::min(rows + 4, screenHeight);
  m.box.x1 = (screenWidth - width) / 2;
  m.box.x2 = m.box.x1 + width - 1;
  m.box.y1 = std::max((screenHeight - height) / 2 - 1, 0);
  m.box.y2 = m.box.y1 + height - 1;
  m.frame =
      Rect{m.box.x1 + margin, m.box.y1 + 1, m.box.x2 - margin, m.box.y2 - 1};
  m.firstLine = m.frame.y1 + 1;
  if (!buttons.empty()) {
    m.buttonRow = m.frame.y2 - 1;
    int x = m.box.x1 + (width - rowWidth) / 2;
    for (const std::wstring &b : m.buttonText) {
      m.buttonX.push_back(x);
      x += static_cast<int>(b.size()) + gap;
    }
  }
  return m;
}

} // namespace farhost
