// Drawing the interactive host's dialogs: each item type as FAR shows it.
#include "sim/farhost/interactive_dialog.h"

#include <algorithm>
#include <cstring>

namespace farhost {
namespace ui {

void ModalDialog::Draw() {
  screen_ = under_;
  screen_.Fill(box_, L' ', attr_);
  for (int i = 0; i < count_; ++i)
    if (!(items_[i].Flags & kDifHidden))
      DrawItem(i);
  screen_.Shadow(box_);
  ui_.Output();
}

void ModalDialog::DrawItem(int i) {
  const farapi::FarDialogItem &it = items_[i];
  int ix = x_[i], iy = box_.y1 + it.Y1;
  int hot;
  std::wstring label =
      Plain(text_[i], (it.Flags & kDifShowAmpersand) != 0, &hot);
  uint16_t focusAttr = i == focus_ ? color::kDialogFocus : attr_;
  switch (it.Type) {
  case farapi::DI_DOUBLEBOX:
  case farapi::DI_SINGLEBOX:
    DrawFrame(i, label);
    break;
  case farapi::DI_TEXT:
    DrawLabel(i, ix, iy, label);
    break;
  case farapi::DI_EDIT:
  case farapi::DI_PSWEDIT:
  case farapi::DI_FIXEDIT:
    DrawEdit(i, ix, iy);
    break;
  case farapi::DI_BUTTON:
    screen_.Put(ix, iy,
                (it.Flags & kDifNoBrackets) ? label : L"[ " + label + L" ]",
                focusAttr);
    break;
  case farapi::DI_CHECKBOX:
    screen_.Put(ix, iy, (selected_[i] ? L"[x] " : L"[ ] ") + label, focusAttr);
    break;
  case farapi::DI_RADIOBUTTON:
    screen_.Put(ix, iy,
                (selected_[i] ? std::wstring(L"(\x2022) ") : L"( ) ") + label,
                focusAttr);
    break;
  default:
    screen_.Put(ix, iy, label, attr_);
    break;
  }
}

void ModalDialog::DrawFrame(int i, const std::wstring &label) {
  const farapi::FarDialogItem &it = items_[i];
  Rect f{box_.x1 + it.X1, box_.y1 + it.Y1, box_.x1 + it.X2, box_.y1 + it.Y2};
  screen_.Frame(f, it.Type == farapi::DI_DOUBLEBOX, attr_);
  if (!label.empty()) {
    std::wstring t = L" " + label + L" ";
    screen_.Put(f.x1 + (f.Width() - static_cast<int>(t.size())) / 2, f.y1, t,
                attr_, f.Width() - 2);
  }
}

// A text, or a separator across the frame with the text in its middle.
void ModalDialog::DrawLabel(int i, int x, int y, const std::wstring &label) {
  const farapi::FarDialogItem &it = items_[i];
  if (it.Flags & farapi::DIF_SEPARATOR) {
    screen_.Separator(sepX1_, sepX2_, y, true, attr_);
    if (!label.empty())
      screen_.Put(
          sepX1_ + (sepX2_ - sepX1_ + 1 - static_cast<int>(label.size())) / 2,
          y, label, attr_);
    return;
  }
  if (it.X1 < 0)
    x = box_.x1 + (box_.Width() - static_cast<int>(label.size())) / 2;
  screen_.Put(x, y, label, attr_, box_.x2 - x);
}

void ModalDialog::DrawEdit(int i, int x, int y) {
  int w = FieldWidth(i);
  std::wstring shown = text_[i];
  if (items_[i].Type == farapi::DI_PSWEDIT)
    shown.assign(shown.size(), L'*');
  int scroll = std::max(0, caret_[i] - w + 1);
  shown = shown.size() > static_cast<size_t>(scroll) ? shown.substr(scroll)
                                                     : std::wstring();
  screen_.Put(x, y, FitName(shown, w).substr(0, w), color::kDialogEdit, w);
  if (static_cast<int>(shown.size()) > w)
    screen_.PutCell(x + w - 1, y, shown[w - 1], color::kDialogEdit);
}

} // namespace ui
} // namespace farhost
