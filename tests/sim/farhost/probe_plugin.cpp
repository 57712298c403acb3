// A tiny plug-in that exercises the host's services on request, so that the
// substitute host can be tested without DAVUman.dll. Keys given to
// ProcessKey pick the action; Probe* exports report what the plug-in saw.
#include "host/far_api.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

farapi::PluginStartupInfo info;
[[maybe_unused]] farapi::FarStandardFunctions fsf;
int panel_token;
int live_arrays = 0, freed_arrays = 0, freed_null = 0;
int item_count = 3;
int last_result = 0;
int escape_seen_at = 0; // progress box after which the poll found Escape
farapi::PanelInfo last_panel;
char dialog_text[512];
char transfer_seen[512];
char transfer_path[MAX_PATH];
int dialog_check = 0;

const char *const kNames[] = {"b.mp3", "a.mp3", "c.mp3", "d.mp3", "e.mp3"};

farapi::InfoPanelLine info_lines[2];
farapi::KeyBarTitles key_bar;
char label_f7[] = "Memory";
char label_blank[] = "";

DWORD WINAPI ProgressThread(void *) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  for (int box = 1; box <= 5 && !escape_seen_at; ++box) {
    char line[64];
    snprintf(line, sizeof line, "Done %d of 5", box);
    const char *items[] = {"Upload", line, "\x01"};
    info.Message(info.ModuleNumber, farapi::FMSG_LEFTALIGN, nullptr, items, 3,
                 0);
    info.Text(0, 0, 0, nullptr);
    INPUT_RECORD record;
    DWORD n = 0;
    while (PeekConsoleInputA(in, &record, 1, &n) && n > 0) {
      ReadConsoleInputA(in, &record, 1, &n);
      if (record.EventType == KEY_EVENT &&
          record.Event.KeyEvent.wVirtualKeyCode == VK_ESCAPE &&
          record.Event.KeyEvent.bKeyDown)
        escape_seen_at = box;
    }
  }
  return 0;
}

} // namespace

extern "C" {

#ifndef PROBE_NO_STARTUP
__declspec(dllexport) void WINAPI
    SetStartupInfo(const farapi::PluginStartupInfo *host) {
  info = *host;
  fsf = *host->FSF;
  info.FSF = &fsf;
}
#endif

__declspec(dllexport) void WINAPI GetPluginInfo(farapi::PluginInfo *pi) {
  static const char *menu[1];
  menu[0] = info.GetMsg(info.ModuleNumber, 0);
  pi->StructSize = sizeof *pi;
  pi->PluginMenuStrings = menu;
  pi->PluginMenuStringsNumber = 1;
}

__declspec(dllexport) HANDLE WINAPI OpenPlugin(int openFrom, int) {
  if (openFrom == farapi::OPEN_FINDLIST)
    return INVALID_HANDLE_VALUE;
  HANDLE screen = info.SaveScreen(0, 0, -1, -1);
  const char *items[] = {info.GetMsg(info.ModuleNumber, 0),
                         info.GetMsg(info.ModuleNumber, 1)};
  info.Message(info.ModuleNumber, 0, nullptr, items, 2, 0);
  info.RestoreScreen(screen);
  return &panel_token;
}

__declspec(dllexport) void WINAPI
    GetOpenPluginInfo(HANDLE, farapi::OpenPluginInfo *o) {
  o->StructSize = sizeof *o;
  o->Flags = farapi::OPIF_ADDDOTS;
  o->CurDir = "";
  o->Format = "Probe";
  o->PanelTitle = "Probe panel";
  memset(info_lines, 0, sizeof info_lines);
  snprintf(info_lines[0].Text, sizeof info_lines[0].Text, "Probe");
  info_lines[0].Separator = 1;
  snprintf(info_lines[1].Text, sizeof info_lines[1].Text, "Items");
  snprintf(info_lines[1].Data, sizeof info_lines[1].Data, "%d", item_count);
  o->InfoLines = info_lines;
  o->InfoLinesNumber = 2;
  key_bar.Titles[6] = label_f7;
  key_bar.ShiftTitles[10] = label_blank;
  o->KeyBar = &key_bar;
  o->StartSortMode = farapi::SM_UNSORTED;
}

__declspec(dllexport) int WINAPI
    GetFindData(HANDLE, farapi::PluginPanelItem **items, int *count, int) {
  *items = nullptr;
  *count = 0;
  if (item_count == 0)
    return 1;
  *items = new farapi::PluginPanelItem[item_count]();
  for (int i = 0; i < item_count; ++i) {
    snprintf((*items)[i].FindData.cFileName,
             sizeof(*items)[i].FindData.cFileName, "%s", kNames[i % 5]);
    (*items)[i].FindData.nFileSizeLow = 100 * (i + 1);
    (*items)[i].UserData = 10 + i;
  }
  *count = item_count;
  ++live_arrays;
  return 1;
}

__declspec(dllexport) void WINAPI
    FreeFindData(HANDLE, farapi::PluginPanelItem *items, int) {
  if (!items) {
    ++freed_null;
    return;
  }
  delete[] items;
  --live_arrays;
  ++freed_arrays;
}

__declspec(dllexport) int WINAPI ProcessKey(HANDLE panel, int key, unsigned) {
  switch (key) {
  case 'M': { // a two-button box with a help topic
    const char *items[] = {"Title", "Question?", "Yes", "No"};
    last_result = info.Message(info.ModuleNumber, farapi::FMSG_WARNING,
                               "Messages", items, 4, 2);
    return 1;
  }
  case 'P': { // progress boxes from a second thread, which polls for Escape
    escape_seen_at = 0;
    HANDLE thread =
        CreateThread(nullptr, 0, ProgressThread, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    last_result = escape_seen_at;
    return 1;
  }
  case 'S': // saves twice, restores once
    info.SaveScreen(0, 0, -1, -1);
    info.RestoreScreen(info.SaveScreen(0, 0, -1, -1));
    return 1;
  case 'D': { // restores one handle twice
    HANDLE screen = info.SaveScreen(0, 0, -1, -1);
    info.RestoreScreen(screen);
    info.RestoreScreen(screen);
    return 1;
  }
  case 'U': { // one more file, then update keeping the selection
    ++item_count;
    info.Control(panel, farapi::FCTL_UPDATEPANEL, reinterpret_cast<void *>(1));
    info.Control(panel, farapi::FCTL_REDRAWPANEL, nullptr);
    return 1;
  }
  case 'R': { // redraw with the cursor on item 2
    farapi::PanelRedrawInfo redraw{2, 0};
    info.Control(panel, farapi::FCTL_REDRAWPANEL, &redraw);
    return 1;
  }
  case 'N': { // sort by name
    int mode = farapi::SM_NAME;
    info.Control(panel, farapi::FCTL_SETSORTMODE, &mode);
    return 1;
  }
  case 'G':
    info.Control(panel, farapi::FCTL_GETPANELINFO, &last_panel);
    return 1;
  case 'A':
    info.Control(panel, farapi::FCTL_GETANOTHERPANELINFO, &last_panel);
    return 1;
  case 'X': // a service the plug-in has no business calling
    info.Menu(info.ModuleNumber, -1, -1, 0, 0, "T", nullptr, nullptr, nullptr,
              nullptr, nullptr, 0);
    return 1;
  case 'T': // a message id beyond the language file
    info.GetMsg(info.ModuleNumber, 999);
    return 1;
  default:
    return 0;
  }
}

#ifndef PROBE_NO_TRANSFERS
// Transfers record what the host handed over.
__declspec(dllexport) int WINAPI
    GetFiles(HANDLE, farapi::PluginPanelItem *items, int count, int move,
             char *dest, int opMode) {
  snprintf(transfer_seen, sizeof transfer_seen, "get %d %s%s move=%d op=%d",
           count, count > 0 ? items[0].FindData.cFileName : "-", "", move,
           opMode);
  snprintf(transfer_path, sizeof transfer_path, "%s", dest);
  return 1;
}

__declspec(dllexport) int WINAPI
    PutFiles(HANDLE, farapi::PluginPanelItem *items, int count, int move,
             int opMode) {
  snprintf(
      transfer_seen, sizeof transfer_seen, "put %d %s size=%lu move=%d op=%d",
      count, count > 0 ? items[0].FindData.cFileName : "-",
      count > 0 ? static_cast<unsigned long>(items[0].FindData.nFileSizeLow)
                : 0ul,
      move, opMode);
  GetCurrentDirectoryA(sizeof transfer_path, transfer_path);
  return 1;
}

__declspec(dllexport) int WINAPI
    DeleteFiles(HANDLE, farapi::PluginPanelItem *items, int count, int opMode) {
  snprintf(transfer_seen, sizeof transfer_seen, "delete %d %s op=%d", count,
           count > 0 ? items[0].FindData.cFileName : "-", opMode);
  return 1;
}
#endif

__declspec(dllexport) const char *WINAPI ProbeTransfer() {
  return transfer_seen;
}
__declspec(dllexport) const char *WINAPI ProbeTransferPath() {
  return transfer_path;
}

__declspec(dllexport) int WINAPI Configure(int) {
  farapi::FarDialogItem items[3] = {};
  items[0].Type = farapi::DI_DOUBLEBOX;
  snprintf(items[0].Data, sizeof items[0].Data, "Probe");
  items[1].Type = farapi::DI_CHECKBOX;
  items[1].Param.Selected = 1;
  snprintf(items[1].Data, sizeof items[1].Data, "Check");
  items[2].Type = farapi::DI_EDIT;
  snprintf(items[2].Data, sizeof items[2].Data, "old");
  int r = info.Dialog(info.ModuleNumber, -1, -1, 20, 6, "Config", items, 3);
  dialog_check = items[1].Param.Selected;
  snprintf(dialog_text, sizeof dialog_text, "%s", items[2].Data);
  return r;
}

// What the probe saw, for the tests.
__declspec(dllexport) const farapi::PluginStartupInfo *WINAPI ProbeStartup() {
  return &info;
}
__declspec(dllexport) int WINAPI ProbeLiveArrays() {
  return live_arrays;
}
__declspec(dllexport) int WINAPI ProbeFreedArrays() {
  return freed_arrays;
}
__declspec(dllexport) int WINAPI ProbeLastResult() {
  return last_result;
}
__declspec(dllexport) const farapi::PanelInfo *WINAPI ProbePanel() {
  return &last_panel;
}
__declspec(dllexport) const char *WINAPI ProbeDialogText() {
  return dialog_text;
}
__declspec(dllexport) int WINAPI ProbeDialogCheck() {
  return dialog_check;
}
__declspec(dllexport) void WINAPI ProbeSetItems(int n) {
  item_count = n;
}

} // extern "C"
