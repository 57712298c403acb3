// The keys of the interactive host: a table of the keys the host handles
// itself, each with its handler. The plug-in's panel is offered every key
// first, except those the host keeps for itself.
#include "sim/farhost/interactive_screen.h"

#include <algorithm>

namespace farhost {
namespace ui {

namespace {

constexpr unsigned kCtrlAlt = farapi::PKF_CONTROL | farapi::PKF_ALT;

} // namespace

struct Interactive::KeyCommand {
  int vk;
  unsigned state;
  wchar_t ch;    // a typed character that means the same, 0 for none
  bool hostOnly; // never offered to the plug-in
  bool (Interactive::*handle)(const Key &key);
  bool Matches(const Key &k) const {
    return k.Is(vk, state) || (ch && k.ch == ch && !(k.state & kCtrlAlt));
  }
};

const Interactive::KeyCommand Interactive::kKeyCommands[] = {
    // The bar of the plug-in's Shift labels, for terminals that do not
    // report a held Shift key.
    {'B', farapi::PKF_CONTROL, 0, true, &Interactive::ToggleBarKey},
    // FAR's Medium and Full views (Ctrl+2, Ctrl+3); Ctrl+V switches between
    // them where a terminal keeps Ctrl+digit for itself.
    {'2', farapi::PKF_CONTROL, 0, true, &Interactive::ViewModeKey},
    {'3', farapi::PKF_CONTROL, 0, true, &Interactive::ViewModeKey},
    {'V', farapi::PKF_CONTROL, 0, true, &Interactive::ViewModeKey},
    {VK_F10, 0, 0, true, &Interactive::QuitKey},
    {VK_TAB, 0, 0, true, &Interactive::SwitchPanelKey},
    {VK_F1, farapi::PKF_ALT, 0, true, &Interactive::DiskMenuKey},
    {VK_F2, farapi::PKF_ALT, 0, true, &Interactive::DiskMenuKey},
    {VK_F11, 0, 0, false, &Interactive::PluginsMenuKey},
    {VK_F9, 0, 0, false, &Interactive::ConfigureKey},
    {VK_F1, 0, 0, false, &Interactive::HelpKey},
    {VK_F3, 0, 0, false, &Interactive::ViewKey},
    {VK_F5, 0, 0, false, &Interactive::CopyKey},
    {VK_F6, 0, 0, false, &Interactive::CopyKey},
    {VK_F8, 0, 0, false, &Interactive::DeleteKey},
    {'R', farapi::PKF_CONTROL, 0, false, &Interactive::RereadKey},
    {VK_UP, 0, 0, false, &Interactive::MoveKey},
    {VK_DOWN, 0, 0, false, &Interactive::MoveKey},
    {VK_PRIOR, 0, 0, false, &Interactive::MoveKey},
    {VK_NEXT, 0, 0, false, &Interactive::MoveKey},
    {VK_HOME, 0, 0, false, &Interactive::MoveKey},
    {VK_LEFT, 0, 0, false, &Interactive::MoveKey},
    {VK_RIGHT, 0, 0, false, &Interactive::MoveKey},
    {VK_END, 0, 0, false, &Interactive::MoveKey},
    {VK_INSERT, 0, 0, false, &Interactive::InsertKey},
    {VK_ADD, 0, L'+', false, &Interactive::SelectAllKey},
    {VK_SUBTRACT, 0, L'-', false, &Interactive::UnselectAllKey},
    {VK_MULTIPLY, 0, L'*', false, &Interactive::InvertSelectionKey},
    {VK_RETURN, 0, 0, false, &Interactive::EnterKey},
};

bool Interactive::Dispatch(const Key &in) {
  Key k = in;
  if (k.click) {
    if (k.y != screen_.Height() - 1) {
      ClickPanels(k);
      return true;
    }
    k = KeyBarClick(k);
  }
  const KeyCommand *command = nullptr;
  for (const KeyCommand &c : kKeyCommands)
    if (c.Matches(k)) {
      command = &c;
      break;
    }
  if (!(command && command->hostOnly) && OfferToPlugin(k))
    return true;
  return command ? (this->*command->handle)(k) : true;
}

// FAR offers every key to the plug-in's panel first, pre-processed and
// then plainly; true when taken.
bool Interactive::OfferToPlugin(const Key &k) {
  if (!sides_[active_].plugin || host_.SendKey(k.vk, k.state) <= 0)
    return false;
  RereadAll();
  return true;
}

Key Interactive::KeyBarClick(const Key &click) const {
  Key k;
  int slot = screen_.Width() / 12;
  int n = std::min(click.x / std::max(slot, 1), 11);
  k.vk = VK_F1 + n;
  k.state = kKeyBarStates[barGroup_];
  return k;
}

// A click in a panel's list makes it active and moves its cursor there.
void Interactive::ClickPanels(const Key &k) {
  for (int i = 0; i < 2; ++i) {
    Rect r = PanelRect(i);
    int row = k.y - (r.y1 + 2);
    if (k.x >= r.x1 && k.x <= r.x2 && row >= 0 && row < ListHeight()) {
      active_ = i;
      int top = sides_[i].plugin ? topPlugin_ : sides_[i].top;
      // Medium view: the right column continues the left one.
      int column = ShownColumns(i) == 2 && k.x > (r.x1 + r.x2) / 2 ? 1 : 0;
      SetCursor(i, top + column * ListHeight() + row);
    }
  }
}

// --- the handlers; false ends the host
// ----------------------------------------

bool Interactive::ToggleBarKey(const Key &) {
  barGroup_ = barGroup_ == 0 ? 3 : 0;
  return true;
}

bool Interactive::ViewModeKey(const Key &k) {
  bool &full = sides_[active_].fullView;
  full = k.vk == 'V' ? !full : k.vk == '3';
  return true;
}

bool Interactive::QuitKey(const Key &) {
  return Ask(L"Quit", L"Do you want to quit FAR?", {L"Yes", L"No"}, false) != 0;
}

bool Interactive::SwitchPanelKey(const Key &) {
  active_ = 1 - active_;
  return true;
}

bool Interactive::DiskMenuKey(const Key &k) {
  DiskMenu(k.vk == VK_F1 ? 0 : 1);
  return true;
}

bool Interactive::PluginsMenuKey(const Key &) {
  PluginsMenu();
  return true;
}

bool Interactive::ConfigureKey(const Key &) {
  host_.Configure(0);
  if (sides_[active_].plugin)
    host_.Redraw();
  return true;
}

bool Interactive::HelpKey(const Key &) {
  Help("Contents");
  return true;
}

bool Interactive::ViewKey(const Key &) {
  if (sides_[active_].plugin)
    host_.ViewCurrent();
  return true;
}

bool Interactive::CopyKey(const Key &k) {
  Transfer(k.vk == VK_F6);
  return true;
}

bool Interactive::DeleteKey(const Key &) {
  Delete();
  return true;
}

bool Interactive::RereadKey(const Key &) {
  if (sides_[active_].plugin)
    host_.Refresh(true);
  RereadAll();
  return true;
}

bool Interactive::MoveKey(const Key &k) {
  Move(k);
  return true;
}

bool Interactive::InsertKey(const Key &) {
  ToggleSelection(active_, Cursor(active_), 2);
  SetCursor(active_, Cursor(active_) + 1);
  return true;
}

bool Interactive::SelectAllKey(const Key &) {
  for (int i = 0; i < Count(active_); ++i)
    ToggleSelection(active_, i, 1);
  return true;
}

bool Interactive::UnselectAllKey(const Key &) {
  for (int i = 0; i < Count(active_); ++i)
    ToggleSelection(active_, i, 0);
  return true;
}

bool Interactive::InvertSelectionKey(const Key &) {
  for (int i = 0; i < Count(active_); ++i)
    ToggleSelection(active_, i, 2);
  return true;
}

bool Interactive::EnterKey(const Key &) {
  Enter();
  return true;
}

} // namespace ui
} // namespace farhost
