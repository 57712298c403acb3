// The interactive host's picture of the console: a grid of cells with FAR's
// colours, frames, clipped texts and the layout of message boxes. Nothing
// here touches the console, so the layout can be checked on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace farhost {

// FAR 1.70's default colours (console attribute bytes).
namespace color {
constexpr uint16_t kPanel = 0x1B;           // light cyan on blue
constexpr uint16_t kPanelTitle = 0x1B;      // title of the passive panel
constexpr uint16_t kPanelTitleFocus = 0x30; // title of the active panel
constexpr uint16_t kColumnTitle = 0x1E;     // yellow on blue
constexpr uint16_t kCursor = 0x30;          // black on cyan
constexpr uint16_t kSelected = 0x1E;        // yellow on blue
constexpr uint16_t kSelectedCursor = 0x3E;  // yellow on cyan
constexpr uint16_t kFolder = 0x1F;          // folders: white on blue
constexpr uint16_t kKeyNumber = 0x07;       // key bar digits
constexpr uint16_t kKeyLabel = 0x30;        // key bar labels
constexpr uint16_t kCommandLine = 0x07;
constexpr uint16_t kDialog = 0x70;        // black on light grey
constexpr uint16_t kDialogFocus = 0x30;   // focused button
constexpr uint16_t kDialogEdit = 0x30;    // edit fields
constexpr uint16_t kWarning = 0x4F;       // white on red
constexpr uint16_t kWarningFocus = 0x70;  // focused button of a warning
constexpr uint16_t kMenu = 0x30;          // menus: black on cyan
constexpr uint16_t kMenuCursor = 0x0F;    // white on black
constexpr uint16_t kHelp = 0x30;          // help: black on cyan
constexpr uint16_t kHelpBold = 0x3F;      // #highlighted# text
constexpr uint16_t kHelpLink = 0x3E;      // links
constexpr uint16_t kHelpLinkFocus = 0x0E; // the chosen link
constexpr uint16_t kShadow = 0x08;
} // namespace color

struct Cell {
  wchar_t ch = L' ';
  uint16_t attr = 0x07;
  bool operator==(const Cell &o) const { return ch == o.ch && attr == o.attr; }
};

struct Rect {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0; // inclusive
  int Width() const { return x2 - x1 + 1; }
  int Height() const { return y2 - y1 + 1; }
};

class ScreenModel {
public:
  ScreenModel(int width = 80, int height = 25) { Resize(width, height); }
  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<Cell> &Cells() const { return cells_; }
  Cell At(int x, int y) const;
  // Row y as plain text (for tests and screen captures).
  std::wstring Row(int y) const;

  void Fill(const Rect &r, wchar_t ch, uint16_t attr);
  // Writes text at (x, y), cut at the screen's right edge and at `limit`
  // cells when limit >= 0. Returns the cells written.
  int Put(int x, int y, const std::wstring &text, uint16_t attr,
          int limit = -1);
  void PutCell(int x, int y, wchar_t ch, uint16_t attr);
  // A frame on the rectangle's edge, double or single lines.
  void Frame(const Rect &r, bool doubleLine, uint16_t attr);
  // A separator across a double frame at row y: ╟──╢ or ├──┤.
  void Separator(int x1, int x2, int y, bool doubleEdge, uint16_t attr);
  // Darkens the two columns right of and the row below a box.
  void Shadow(const Rect &r);

private:
  int width_ = 0, height_ = 0;
  std::vector<Cell> cells_;
};

// A name that does not fit `width` cells is cut and ends with FAR's '}'
// mark; a short one is padded with blanks to exactly `width` cells.
std::wstring FitName(const std::wstring &name, int width);
// Text centred in `width` cells (cut when longer).
std::wstring Centre(const std::wstring &text, int width);

// Layout of a message box as FAR draws it: a double frame three cells in
// from the box's edge, one blank column on each side of the text, buttons
// on one row under the text. The box never exceeds the screen; longer
// lines are cut.
struct MessageLayout {
  Rect box;                             // the filled rectangle
  Rect frame;                           // the double frame
  int textWidth = 0;                    // cells available for a line
  int firstLine = 0;                    // screen row of the first text line
  int buttonRow = -1;                   // screen row of the buttons, -1 none
  std::vector<int> buttonX;             // screen column of each button
  std::vector<std::wstring> buttonText; // " Ok " forms
};
MessageLayout LayoutMessage(const std::vector<std::wstring> &lines,
                            const std::vector<std::wstring> &buttons,
                            int screenWidth, int screenHeight);

} // namespace farhost
