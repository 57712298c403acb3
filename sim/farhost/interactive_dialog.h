// The modal dialog of the interactive host, shared by its logic
// (interactive_dialog.cpp) and its drawing (interactive_dialog_draw.cpp).
#pragma once

#include "sim/farhost/interactive_screen.h"

#include <string>
#include <vector>

namespace farhost {
namespace ui {

// Dialog item flags the host honours beyond those the plug-in uses.
constexpr DWORD kDifGroup = 0x400, kDifShowAmpersand = 0x2000,
                kDifNoBrackets = 0x8000, kDifHidden = 0x10000000,
                kDifNoFocus = 0x40000000, kDifDisable = 0x80000000;

bool IsEdit(int type);
// The text without '&' marks, the position of the marked character in *hot.
std::wstring Plain(const std::wstring &text, bool keepAmpersand, int *hot);

// One dialog on the screen, modal until a button, Enter or Escape.
class ModalDialog {
public:
  ModalDialog(Interactive &ui, farapi::FarDialogItem *items, int count,
              const char *help)
      : ui_(ui), screen_(ui.screen_), items_(items), count_(count), help_(help),
        text_(count), caret_(count, 0), selected_(count, 0), x_(count, 0),
        under_(ui.screen_) {}
  void Place(int x1, int y1, int x2, int y2);
  int Run();

private:
  void ReadItems();
  void CentreButtonGroups();
  void ChooseFocus();
  int FieldWidth(int i) const;
  void Draw();
  void DrawItem(int i);
  void DrawFrame(int i, const std::wstring &label);
  void DrawLabel(int i, int x, int y, const std::wstring &label);
  void DrawEdit(int i, int x, int y);
  void MoveFocus(int step);
  void Toggle(int i);
  int Click(const Key &k);
  int Press(const Key &k);
  void Edit(const Key &k);
  void Type(wchar_t ch);
  void WriteBack();

  Interactive &ui_;
  ScreenModel &screen_;
  farapi::FarDialogItem *items_;
  int count_;
  const char *help_;
  Rect box_;
  std::vector<std::wstring> text_;
  std::vector<int> caret_, selected_;
  std::vector<int> x_; // screen column of each item
  int focus_ = -1, defaultButton_ = -1;
  int sepX1_ = 0, sepX2_ = 0; // the frame for separators
  uint16_t attr_ = color::kDialog;
  ScreenModel under_;
};

} // namespace ui
} // namespace farhost
