// Shift+F1, Shift+F2 and Shift+F3: moving files within the play order of
// the selected memory. The panel is read once per command; file indexes
// stay valid while files move, so the snapshot serves every move.
#include "operations/play_order.h"

#include "device/device_link.h"
#include "host/far_api.h"
#include "operations/player_ready.h"
#include "services/messages.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace davu {

namespace {

// What a command needs of the panel, copied at once: the host owns the
// item array it hands out.
struct PanelSnapshot {
  std::vector<uint32_t> FileIndex; // UserData per panel index
  std::vector<bool> Selected;
  int CurrentItem = 0;
  int TopPanelItem = 0;
  bool AnySelected = false;
  int Count() const { return static_cast<int>(FileIndex.size()); }
};

void RefreshPanel(HANDLE panel, bool keepSelection,
                  farapi::PanelRedrawInfo *redraw) {
  HostInfo.Control(panel, farapi::FCTL_UPDATEPANEL,
                   keepSelection ? reinterpret_cast<void *>(1) : nullptr);
  HostInfo.Control(panel, farapi::FCTL_REDRAWPANEL, redraw);
}

// The start every command shares. False when the command has nothing to
// do (a sorted panel is switched to the play order on the way out).
bool TakeSnapshot(HANDLE panel, PanelSnapshot *snapshot) {
  if (!PlayerReady(Device()))
    return false;
  farapi::PanelInfo info;
  memset(&info, 0, sizeof info);
  if (!HostInfo.Control(panel, farapi::FCTL_GETPANELINFO, &info))
    return false;
  if (info.ItemsNumber <= 2 || !info.PanelItems)
    return false;
  if (info.CurrentItem <= 0 || info.CurrentItem >= info.ItemsNumber)
    return false;
  if (info.SortMode != farapi::SM_UNSORTED) {
    int unsorted = farapi::SM_UNSORTED;
    HostInfo.Control(panel, farapi::FCTL_SETSORTMODE, &unsorted);
    return false;
  }
  snapshot->CurrentItem = info.CurrentItem;
  snapshot->TopPanelItem = info.TopPanelItem;
  snapshot->FileIndex.resize(info.ItemsNumber);
  snapshot->Selected.resize(info.ItemsNumber);
  for (int i = 0; i < info.ItemsNumber; ++i) {
    const farapi::PluginPanelItem &item = info.PanelItems[i];
    snapshot->FileIndex[i] = item.UserData;
    // The parent entry is never a file to move, whatever its flags say.
    snapshot->Selected[i] = i > 0 && (item.Flags & farapi::PPIF_SELECTED) != 0;
    if (snapshot->Selected[i])
      snapshot->AnySelected = true;
  }
  return true;
}

void Move(PanelSession *session, const PanelSnapshot &snapshot, int index,
          int position) {
  Device().MoveInPlayOrder(session->Memory, snapshot.FileIndex[index],
                           position);
}

bool IsBlank(const char *text) {
  for (; *text; ++text)
    if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r' &&
        *text != '\v' && *text != '\f')
      return false;
  return true;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return 99;
}

} // namespace

MoveEntry ReadMoveEntry(const char *text) {
  MoveEntry entry;
  if (!text || IsBlank(text))
    return entry;
  entry.Relative = strchr(text, '+') != nullptr;
  entry.Kind = EntryKind::NotANumber;

  const char *p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' ||
         *p == '\f')
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
    base = 16;
    p += 2;
  } else if (p[0] == '0') {
    base = 8;
  }
  if (DigitValue(*p) >= base)
    return entry;

  int64_t value = 0;
  for (; DigitValue(*p) < base; ++p) {
    value = value * base + DigitValue(*p);
    if (value > static_cast<int64_t>(INT_MAX) + 1)
      value = static_cast<int64_t>(INT_MAX) + 1;
  }
  if (negative)
    value = -value;
  if (value > INT_MAX)
    value = INT_MAX;
  entry.Kind = EntryKind::Number;
  entry.Number = static_cast<int>(value);
  return entry;
}

int MoveToTarget(const MoveEntry &entry, int itemsNumber, int entryIndex) {
  // 64-bit so that a saturated entry cannot overflow the sums.
  int64_t target = entry.Number;
  int64_t e = entryIndex;
  int64_t p;
  if (target == 0)
    p = itemsNumber;
  else if (entry.Relative)
    p = e + target;
  else if (target < 0)
    p = e + target - 1;
  else
    p = target > e ? target : target - 1;
  if (p > itemsNumber - 1)
    p = itemsNumber - 1;
  if (p < 0)
    p = 0;
  return static_cast<int>(p);
}

void MoveUp(PanelSession *session, HANDLE panel) {
  PanelSnapshot snapshot;
  if (!session || !TakeSnapshot(panel, &snapshot))
    return;
  int n = snapshot.Count();
  if (snapshot.AnySelected) {
    // Top-down, so that adjacent selected files move together and each
    // later snapshot position still holds.
    for (int j = 2; j < n; ++j)
      if (snapshot.Selected[j])
        Move(session, snapshot, j, j - 2);
    RefreshPanel(panel, true, nullptr);
    return;
  }
  int c = snapshot.CurrentItem;
  if (c <= 1)
    return;
  Move(session, snapshot, c, c - 2);
  RefreshPanel(panel, true, nullptr);
}

void MoveDown(PanelSession *session, HANDLE panel) {
  PanelSnapshot snapshot;
  if (!session || !TakeSnapshot(panel, &snapshot))
    return;
  int n = snapshot.Count();
  if (snapshot.AnySelected) {
    for (int k = n - 2; k >= 1; --k)
      if (snapshot.Selected[k])
        Move(session, snapshot, k, k + 1);
    RefreshPanel(panel, true, nullptr);
    return;
  }
  int c = snapshot.CurrentItem;
  if (c >= n - 1)
    return;
  Move(session, snapshot, c, c + 1);
  RefreshPanel(panel, true, nullptr);
}

namespace {

// The "Move item to" dialog; false when the user left it or gave a blank
// field.
bool AskMoveTarget(MoveEntry *entry) {
  farapi::FarDialogItem items[2];
  memset(items, 0, sizeof items);
  const char *title = MsgText(MSG_MOVE_TO_TITLE);
  // 16 columns, wider for a title that needs more (with a blank each side).
  int width = static_cast<int>(strnlen(title, 60)) + 4;
  if (width < 16)
    width = 16;
  items[0].Type = farapi::DI_DOUBLEBOX;
  items[0].X2 = width - 1;
  items[0].Y2 = 2;
  // Enter in the edit field then ends the dialog with this item's index, 0,
  // which is what confirms the entry.
  items[0].DefaultButton = 1;
  snprintf(items[0].Data, sizeof items[0].Data, "%s", title);
  items[1].Type = farapi::DI_EDIT;
  items[1].X1 = 1;
  items[1].Y1 = 1;
  items[1].X2 = width - 2;
  items[1].Y2 = 1;
  snprintf(items[1].Data, sizeof items[1].Data, "%s", "1");
  for (;;) {
    int result = HostInfo.Dialog(HostInfo.ModuleNumber, -1, -1, width, 3,
                                 "Changing_Order", items, 2);
    if (result == -1)
      return false;
    if (result != 0)
      continue;
    // The host writes the field; read it as a bounded string.
    items[1].Data[sizeof items[1].Data - 1] = 0;
    *entry = ReadMoveEntry(items[1].Data);
    if (entry->Kind == EntryKind::Blank)
      return false;
    if (entry->Kind == EntryKind::Number)
      return true;
  }
}

// The panel after a move: a selection stays where it is; a single file's
// cursor goes to the file that followed the moved one (after the last file
// moved up nothing follows it, and the cursor stays on the last row).
void RedrawAfterMoveTo(HANDLE panel, const PanelSnapshot &snapshot, int p) {
  HostInfo.Control(panel, farapi::FCTL_UPDATEPANEL, nullptr);
  if (snapshot.AnySelected) {
    HostInfo.Control(panel, farapi::FCTL_REDRAWPANEL, nullptr);
    return;
  }
  const int n = snapshot.Count();
  const int c = snapshot.CurrentItem;
  farapi::PanelRedrawInfo redraw;
  redraw.CurrentItem = p < c - 1 ? c + 1 : c;
  if (redraw.CurrentItem > n - 1)
    redraw.CurrentItem = n - 1;
  redraw.TopPanelItem = snapshot.TopPanelItem;
  HostInfo.Control(panel, farapi::FCTL_REDRAWPANEL, &redraw);
}

} // namespace

void MoveTo(PanelSession *session, HANDLE panel) {
  PanelSnapshot snapshot;
  if (!session || !TakeSnapshot(panel, &snapshot))
    return;
  const int n = snapshot.Count();
  int e = snapshot.CurrentItem;
  for (int i = 1; i < n; ++i)
    if (snapshot.Selected[i]) {
      e = i;
      break;
    }
  MoveEntry entry;
  if (!AskMoveTarget(&entry))
    return;

  int p = MoveToTarget(entry, n, e);
  if (p == e - 1)
    return;
  if (!snapshot.AnySelected) {
    Move(session, snapshot, e, p);
  } else {
    const bool up = p < e - 1;
    for (int i = 1; i < n; ++i) {
      if (!snapshot.Selected[i])
        continue;
      Move(session, snapshot, i, p);
      if (up)
        ++p;
    }
  }
  RedrawAfterMoveTo(panel, snapshot, p);
}

} // namespace davu
