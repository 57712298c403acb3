// The plug-in's dialogs in the interactive host: frames, texts, edit
// fields (masked ones too), buttons, check boxes and radio buttons, with
// focus, clicks and typing; the input goes back into the items.
#include "sim/farhost/interactive_dialog.h"

#include <algorithm>
#include <cstring>

namespace farhost {
namespace ui {

namespace {

// Longest text of a free edit field.
constexpr int kEditLimit = 511;

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

bool IsCheck(int type) {
  return type == farapi::DI_CHECKBOX || type == farapi::DI_RADIOBUTTON;
}

int PlainWidth(const std::wstring &text) {
  int hot;
  return static_cast<int>(Plain(text, false, &hot).size());
}

// Whether a masked field takes the character at position c.
bool MaskAccepts(const char *mask, int c, wchar_t ch) {
  char m = c < static_cast<int>(strlen(mask)) ? mask[c] : 0;
  if (m == '9' || m == '#')
    return iswdigit(ch) || (m == '#' && (ch == L'-' || ch == L' '));
  return m != 0;
}

} // namespace

bool IsEdit(int type) {
  return type == farapi::DI_EDIT || type == farapi::DI_PSWEDIT ||
         type == farapi::DI_FIXEDIT;
}

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

int Interactive::ShowDialog(int x1, int y1, int x2, int y2, const char *help,
                            farapi::FarDialogItem *items, int count) {
  std::lock_guard<std::recursive_mutex> lock(draw_);
  if (!items || count <= 0)
    return -1;
  ModalDialog dialog(*this, items, count, help);
  dialog.Place(x1, y1, x2, y2);
  return dialog.Run();
}

// Negative corners centre the dialog with the size given by x2 and y2.
void ModalDialog::Place(int x1, int y1, int x2, int y2) {
  if (x1 < 0 || y1 < 0) {
    int w = std::min(x2, screen_.Width()), h = std::min(y2, screen_.Height());
    box_.x1 = (screen_.Width() - w) / 2;
    box_.y1 = std::max((screen_.Height() - h) / 2 - 1, 0);
    box_.x2 = box_.x1 + w - 1;
    box_.y2 = box_.y1 + h - 1;
  } else {
    box_ = Rect{x1, y1, x2, y2};
  }
  ReadItems();
  CentreButtonGroups();
  ChooseFocus();
  // The first box item frames the separators, else the dialog's edge.
  sepX1_ = box_.x1 + 3;
  sepX2_ = box_.x2 - 3;
  for (int i = 0; i < count_; ++i)
    if (items_[i].Type == farapi::DI_DOUBLEBOX ||
        items_[i].Type == farapi::DI_SINGLEBOX) {
      sepX1_ = box_.x1 + items_[i].X1;
      sepX2_ = box_.x1 + items_[i].X2;
      break;
    }
}

void ModalDialog::ReadItems() {
  for (int i = 0; i < count_; ++i) {
    const farapi::FarDialogItem &it = items_[i];
    text_[i] = Wide(std::string(it.Data, strnlen(it.Data, sizeof it.Data)));
    if (IsCheck(it.Type))
      selected_[i] = it.Param.Selected;
    caret_[i] = static_cast<int>(text_[i].size());
    x_[i] = box_.x1 + it.X1;
  }
}

// Buttons of a centred group share their row, centred in the box.
void ModalDialog::CentreButtonGroups() {
  auto inGroup = [this](int j, int row) {
    return items_[j].Type == farapi::DI_BUTTON &&
           (items_[j].Flags & farapi::DIF_CENTERGROUP) && items_[j].Y1 == row;
  };
  for (int i = 0; i < count_;) {
    if (!inGroup(i, items_[i].Y1)) {
      ++i;
      continue;
    }
    int j = i, width = -1;
    for (; j < count_ && inGroup(j, items_[i].Y1); ++j)
      width += PlainWidth(text_[j]) + 5;
    int at = box_.x1 + (box_.Width() - width) / 2;
    for (int g = i; g < j; ++g) {
      x_[g] = at;
      at += PlainWidth(text_[g]) + 5;
    }
    i = j;
  }
}

void ModalDialog::ChooseFocus() {
  for (int i = 0; i < count_; ++i)
    if (items_[i].Focus && Focusable(items_[i]))
      focus_ = i;
  for (int i = 0; i < count_ && focus_ < 0; ++i)
    if (Focusable(items_[i]))
      focus_ = i;
  for (int i = 0; i < count_; ++i)
    if (items_[i].DefaultButton)
      defaultButton_ = i;
}

int ModalDialog::FieldWidth(int i) const {
  const farapi::FarDialogItem &it = items_[i];
  int w = it.X2 - it.X1 + 1;
  if (it.Type == farapi::DI_FIXEDIT && (it.Flags & farapi::DIF_MASKEDIT) &&
      it.Param.Mask)
    w = std::max(w, static_cast<int>(strlen(it.Param.Mask)));
  return std::max(w, 1);
}

void ModalDialog::MoveFocus(int step) {
  for (int guard = 0; guard < count_ && focus_ >= 0; ++guard) {
    focus_ = (focus_ + step + count_) % count_;
    if (Focusable(items_[focus_]))
      break;
  }
}

// A check box flips; a radio button is chosen within its group.
void ModalDialog::Toggle(int i) {
  if (items_[i].Type == farapi::DI_CHECKBOX) {
    selected_[i] = !selected_[i];
  } else if (items_[i].Type == farapi::DI_RADIOBUTTON) {
    int start = i;
    while (start > 0 && items_[start - 1].Type == farapi::DI_RADIOBUTTON &&
           !(items_[start].Flags & kDifGroup))
      --start;
    for (int j = start; j < count_ && items_[j].Type == farapi::DI_RADIOBUTTON;
         ++j) {
      if (j > start && (items_[j].Flags & kDifGroup))
        break;
      selected_[j] = j == i;
    }
  }
}

int ModalDialog::Run() {
  int result = -2;
  while (result == -2) {
    Draw();
    Key k = ui_.console_.Read();
    result = k.click ? Click(k) : Press(k);
  }
  WriteBack();
  screen_ = under_;
  ui_.Output();
  return result;
}

// A click focuses the item under it, presses a button, flips a check box;
// returns the button pressed, else -2.
int ModalDialog::Click(const Key &k) {
  int result = -2;
  for (int i = 0; i < count_; ++i) {
    if (!Focusable(items_[i]) || k.y != box_.y1 + items_[i].Y1)
      continue;
    int w = IsEdit(items_[i].Type) ? FieldWidth(i) : PlainWidth(text_[i]) + 4;
    if (k.x >= x_[i] && k.x < x_[i] + w) {
      focus_ = i;
      if (items_[i].Type == farapi::DI_BUTTON)
        result = i;
      else
        Toggle(i);
    }
  }
  return result;
}

// A key: the dialog's result, or -2 while it stays open.
int ModalDialog::Press(const Key &k) {
  bool edit = focus_ >= 0 && IsEdit(items_[focus_].Type);
  bool onButton = focus_ >= 0 && items_[focus_].Type == farapi::DI_BUTTON;
  if (k.Is(VK_ESCAPE) || k.Is(VK_F10))
    return -1;
  if (k.Is(VK_RETURN))
    return onButton ? focus_ : defaultButton_ >= 0 ? defaultButton_ : focus_;
  if (k.Is(VK_TAB) || k.Is(VK_DOWN)) {
    MoveFocus(1);
  } else if (k.Is(VK_TAB, farapi::PKF_SHIFT) || k.Is(VK_UP)) {
    MoveFocus(-1);
  } else if (k.Is(VK_F1)) {
    ScreenModel keep = screen_;
    ui_.Help(help_ && *help_ ? help_ : "Contents");
    screen_ = keep;
  } else if (!edit && k.Is(VK_SPACE) && focus_ >= 0) {
    if (onButton)
      return focus_;
    Toggle(focus_);
  } else if (!edit && (k.Is(VK_LEFT) || k.Is(VK_RIGHT))) {
    MoveFocus(k.vk == VK_LEFT ? -1 : 1);
  } else if (edit) {
    Edit(k);
  }
  return -2;
}

// Keys in the focused edit field.
void ModalDialog::Edit(const Key &k) {
  std::wstring &t = text_[focus_];
  int &c = caret_[focus_];
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
  else if (k.ch >= 32 && !(k.state & (farapi::PKF_CONTROL | farapi::PKF_ALT)))
    Type(k.ch);
}

// A character typed: a fixed field overwrites within its width (and its
// mask), a free one inserts.
void ModalDialog::Type(wchar_t ch) {
  std::wstring &t = text_[focus_];
  int &c = caret_[focus_];
  const farapi::FarDialogItem &it = items_[focus_];
  bool fixed = it.Type == farapi::DI_FIXEDIT;
  int limit = fixed ? FieldWidth(focus_) : kEditLimit;
  if (fixed && (it.Flags & farapi::DIF_MASKEDIT) && it.Param.Mask &&
      !MaskAccepts(it.Param.Mask, c, ch))
    return;
  if (fixed) {
    if (c < static_cast<int>(t.size()))
      t[c] = ch;
    else if (static_cast<int>(t.size()) < limit)
      t += ch;
    c = std::min(c + 1, limit);
  } else if (static_cast<int>(t.size()) < limit) {
    t.insert(c++, 1, ch);
  }
}

void ModalDialog::WriteBack() {
  for (int i = 0; i < count_; ++i) {
    farapi::FarDialogItem &it = items_[i];
    if (IsEdit(it.Type))
      snprintf(it.Data, sizeof it.Data, "%s", Narrow(text_[i]).c_str());
    if (IsCheck(it.Type))
      it.Param.Selected = selected_[i];
    it.Focus = i == focus_;
  }
}

} // namespace ui
} // namespace farhost
