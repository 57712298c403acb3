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

void SetFigure(char (&field)[80], uint32_t bytes) {
  snprintf(field, sizeof field, "%i (%.2f Mb)", static_cast<int>(bytes),
           bytes * 9.5367431640625e-07);
}

void SetLine(int line, int textId, bool separator) {
  SetText(info_lines[line].Text, MsgText(textId));
  info_lines[line].Separator = separator ? 1 : 0;
}

char *Label(int id) {
  return const_cast<char *>(MsgText(id));
}

// The info panel: the device, the version, capacities and free space.
void FillInfoLines() {
  memset(info_lines, 0, sizeof info_lines);
  SetLine(0, MSG_DISK_MENU, true);
  SetLine(1, MSG_INFO_VERSION, false);
  SetText(info_lines[1].Data, Device().VersionText);

  // Slots in the library's order: internal total, internal free, external
  // total, external free. The result is not looked at.
  int slot[4] = {0, 0, 0, 0};
  Device().GetMemorySizes(&slot[0], &slot[1], &slot[2], &slot[3]);
  uint32_t internalTotal = static_cast<uint32_t>(slot[0]);
  uint32_t internalFree = static_cast<uint32_t>(slot[1]);
  uint32_t externalTotal = static_cast<uint32_t>(slot[2]);
  uint32_t externalFree = static_cast<uint32_t>(slot[3]);

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

  FillInfoLines();
  info->InfoLines = info_lines;
  info->InfoLinesNumber = kInfoLineCount;
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
