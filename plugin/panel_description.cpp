// GetOpenPluginInfo: panel title, the ten info lines and the key bar.
#include "plugin/panel_description.h"

#include "device/device_link.h"
#include "services/messages.h"

#include <cstdio>
#include <cstring>

namespace davu {

namespace {

constexpr int kInfoLineCount = 10;

// The host reads both after the call returns; rebuilt on every call.
farapi::InfoPanelLine info_lines[kInfoLineCount];
farapi::KeyBarTitles key_bar;
// The host draws the title as given, into the frame: a blank either side
// keeps it off the frame's lines, as the host's own panels have it.
char panel_title[96];
// Ten modes without columns: every host keeps its own view of each mode.
// FAR 3 takes the start sort of an old plug-in only together with panel
// modes, and the panel must open in the player's play order.
constexpr int kPanelModeCount = 10;
const farapi::PanelMode panel_modes[kPanelModeCount] = {};

void SetText(char (&field)[80], const char *text) {
  snprintf(field, sizeof field, "%s", text);
}

// "bytes (n.nn Mb)": the bytes as the unsigned figure they are, the
// megabytes rounded in whole numbers, so that the point is a point whatever
// C locale the host has set.
void SetFigure(char (&field)[80], uint64_t bytes) {
  uint64_t hundredths = (bytes * 100 + 524288) / 1048576;
  snprintf(field, sizeof field, "%llu (%llu.%02u Mb)",
           static_cast<unsigned long long>(bytes),
           static_cast<unsigned long long>(hundredths / 100),
           static_cast<unsigned>(hundredths % 100));
}

void SetLine(int line, int textId, bool separator) {
  SetText(info_lines[line].Text, MsgText(textId));
  info_lines[line].Separator = separator ? 1 : 0;
}

char *Label(int id) {
  return const_cast<char *>(MsgText(id));
}

// The info panel: the device, the version, capacities and free space; of a
// player that does not answer, only that. Returns the number of lines.
int FillInfoLines() {
  memset(info_lines, 0, sizeof info_lines);
  SetLine(0, MSG_DISK_MENU, true);
  SetLine(1, MSG_INFO_VERSION, false);

  // Slots in the library's order: internal total, internal free, external
  // total, external free.
  int slot[4] = {0, 0, 0, 0};
  int result = Device().GetMemorySizes(&slot[0], &slot[1], &slot[2], &slot[3]);
  // A failed or empty answer may be an unplugged player: asked once more.
  bool empty = slot[0] == 0 && slot[1] == 0 && slot[2] == 0 && slot[3] == 0;
  if ((result != 0 || empty) && !Device().CheckReady()) {
    SetText(info_lines[1].Data, MsgText(MSG_INFO_NOT_CONNECTED));
    return 2;
  }
  SetText(info_lines[1].Data, Device().VersionText);
  uint64_t internalTotal = static_cast<uint32_t>(slot[0]);
  uint64_t internalFree = static_cast<uint32_t>(slot[1]);
  uint64_t externalTotal = static_cast<uint32_t>(slot[2]);
  uint64_t externalFree = static_cast<uint32_t>(slot[3]);

  SetLine(2, MSG_INFO_CAPACITY, true);
  SetLine(3, MSG_INFO_TOTAL_SIZE, false);
  SetFigure(info_lines[3].Data, internalTotal + externalTotal);
  SetLine(4, MSG_INFO_INTERNAL, false);
  SetFigure(info_lines[4].Data, internalTotal);
  SetLine(5, MSG_INFO_EXTERNAL, false);
  SetFigure(info_lines[5].Data, externalTotal);
  SetLine(6, MSG_INFO_FREE, true);
  SetLine(7, MSG_INFO_TOTAL_FREE, false);
  SetFigure(info_lines[7].Data, internalFree + externalFree);
  SetLine(8, MSG_INFO_INTERNAL, false);
  SetFigure(info_lines[8].Data, internalFree);
  SetLine(9, MSG_INFO_EXTERNAL, false);
  SetFigure(info_lines[9].Data, externalFree);
  return kInfoLineCount;
}

// F7 and Shift+F1 to Shift+F9 as the plug-in uses them; Shift+F11 blank.
void FillKeyBar() {
  memset(&key_bar, 0, sizeof key_bar);
  key_bar.Titles[6] = Label(MSG_KEY_SWITCH);
  key_bar.ShiftTitles[0] = Label(MSG_KEY_MOVE_UP);
  key_bar.ShiftTitles[1] = Label(MSG_KEY_MOVE_DOWN);
  key_bar.ShiftTitles[2] = Label(MSG_KEY_MOVE_TO);
  key_bar.ShiftTitles[4] = Label(MSG_KEY_COPY_ALL);
  key_bar.ShiftTitles[5] = Label(MSG_KEY_MOVE_ALL);
  key_bar.ShiftTitles[6] = Label(MSG_KEY_FORMAT);
  key_bar.ShiftTitles[7] = Label(MSG_KEY_DELETE_ALL);
  key_bar.ShiftTitles[8] = Label(MSG_KEY_RECONNECT);
  key_bar.ShiftTitles[10] = const_cast<char *>("");
}

} // namespace

void GetOpenPluginInfoImpl(PanelSession *session,
                           farapi::OpenPluginInfo *info) {
  if (!info)
    return;
  bool external = session && session->Memory == MEM_EXTERNAL;
  info->StructSize = sizeof(farapi::OpenPluginInfo);
  info->Flags = farapi::OPIF_USEHIGHLIGHTING | farapi::OPIF_ADDDOTS |
                farapi::OPIF_RAWSELECTION | farapi::OPIF_SHOWPRESERVECASE;
  info->HostFile = nullptr;
  info->CurDir = "";
  info->Format = MsgText(MSG_DISK_MENU);
  snprintf(panel_title, sizeof panel_title, " %s ",
           MsgText(external ? MSG_TITLE_EXTERNAL : MSG_TITLE_INTERNAL));
  info->PanelTitle = panel_title;

  info->InfoLines = info_lines;
  info->InfoLinesNumber = FillInfoLines();
  info->DescrFiles = nullptr;
  info->DescrFilesNumber = 0;
  info->PanelModesArray = panel_modes;
  info->PanelModesNumber = kPanelModeCount;
  info->StartPanelMode = 0;
  info->StartSortMode = farapi::SM_UNSORTED;
  info->StartSortOrder = 0;

  FillKeyBar();
  info->KeyBar = &key_bar;
  info->ShortcutData = nullptr;
}

} // namespace davu
