// The host table handed to the plug-in: __stdcall trampolines to the
// active Host, and recording stubs for the services it must not call.
#include "sim/farhost/host_impl.h"

#include <cstdio>

namespace farhost {

namespace {

Host::Impl *Active() {
  return g_active;
}

int WINAPI SvcMessage(int number, DWORD flags, const char *help,
                      const char *const *items, int count, int buttons) {
  return Active()
             ? Active()->Message(number, flags, help, items, count, buttons)
             : -1;
}
const char *WINAPI SvcGetMsg(int number, int id) {
  return Active() ? Active()->GetMsg(number, id) : "";
}
int WINAPI SvcDialog(int number, int x1, int y1, int x2, int y2,
                     const char *help, farapi::FarDialogItem *items,
                     int count) {
  return Active() ? Active()->Dialog(number, x1, y1, x2, y2, help, items, count)
                  : -1;
}
HANDLE WINAPI SvcSaveScreen(int x1, int y1, int x2, int y2) {
  return Active() ? Active()->SaveScreen(x1, y1, x2, y2) : nullptr;
}
void WINAPI SvcRestoreScreen(HANDLE screen) {
  if (Active())
    Active()->RestoreScreen(screen);
}
void WINAPI SvcText(int x, int y, int color, const char *text) {
  if (Active())
    Active()->Text(x, y, color, text);
}
int WINAPI SvcControl(HANDLE panel, int command, void *param) {
  return ControlService(panel, command, param);
}

void Unexpected(const char *name) {
  if (Active())
    Active()->Unexpected(name);
}

// Stubs with the services' real argument sizes, so that a call cleans the
// stack as the plug-in expects.
int WINAPI SvcMenu(int, int, int, int, DWORD, const char *, const char *,
                   const char *, const int *, int *,
                   const farapi::FarMenuItem *, int) {
  Unexpected("Menu");
  return -1;
}
int WINAPI SvcGetDirList(const char *, farapi::PluginPanelItem **, int *) {
  Unexpected("GetDirList");
  return 0;
}
int WINAPI SvcGetPluginDirList(int, HANDLE, const char *,
                               farapi::PluginPanelItem **, int *) {
  Unexpected("GetPluginDirList");
  return 0;
}
void WINAPI SvcFreeDirList(const farapi::PluginPanelItem *) {
  Unexpected("FreeDirList");
}
int WINAPI SvcViewer(const char *, const char *, int, int, int, int, DWORD) {
  Unexpected("Viewer");
  return 0;
}
int WINAPI SvcEditor(const char *, const char *, int, int, int, int, DWORD, int,
                     int) {
  Unexpected("Editor");
  return 0;
}
int WINAPI SvcCmpName(const char *, const char *, int) {
  Unexpected("CmpName");
  return 0;
}
int WINAPI SvcCharTable(int, char *, int) {
  Unexpected("CharTable");
  return -1;
}
int WINAPI SvcEditorControl(int, void *) {
  Unexpected("EditorControl");
  return 0;
}
BOOL WINAPI SvcShowHelp(const char *, const char *, DWORD) {
  Unexpected("ShowHelp");
  return FALSE;
}
int WINAPI SvcAdvControl(int, int, void *) {
  Unexpected("AdvControl");
  return 0;
}
int WINAPI SvcInputBox(const char *, const char *, const char *, const char *,
                       char *, int, const char *, DWORD) {
  Unexpected("InputBox");
  return 0;
}
int WINAPI SvcDialogEx(int, int, int, int, int, const char *,
                       farapi::FarDialogItem *, int, DWORD, DWORD, void *,
                       long) {
  Unexpected("DialogEx");
  return -1;
}
long WINAPI SvcSendDlgMessage(HANDLE, int, int, long) {
  Unexpected("SendDlgMessage");
  return 0;
}
long WINAPI SvcDefDlgProc(HANDLE, int, int, long) {
  Unexpected("DefDlgProc");
  return 0;
}

// Standard functions have many signatures; each slot records its number.
template <int N> int __cdecl FsfStub() {
  char name[32];
  snprintf(name, sizeof name, "FSF function %d", N);
  Unexpected(name);
  return 0;
}
template <int... N> struct FsfTable {
  static void Fill(void **slots) {
    void *all[] = {reinterpret_cast<void *>(&FsfStub<N>)...};
    for (size_t i = 0; i < sizeof...(N); ++i)
      slots[i] = all[i];
  }
};
template <int Count, int... N>
struct MakeFsf : MakeFsf<Count - 1, Count - 1, N...> {};
template <int... N> struct MakeFsf<0, N...> : FsfTable<N...> {};

template <typename F> void *Ptr(F f) {
  return reinterpret_cast<void *>(f);
}

} // namespace

void FillServices(farapi::PluginStartupInfo *info,
                  farapi::FarStandardFunctions *fsf) {
  info->Menu = SvcMenu;
  info->Dialog = SvcDialog;
  info->Message = SvcMessage;
  info->GetMsg = SvcGetMsg;
  info->Control = SvcControl;
  info->SaveScreen = SvcSaveScreen;
  info->RestoreScreen = SvcRestoreScreen;
  info->GetDirList = Ptr(SvcGetDirList);
  info->GetPluginDirList = Ptr(SvcGetPluginDirList);
  info->FreeDirList = Ptr(SvcFreeDirList);
  info->Viewer = Ptr(SvcViewer);
  info->Editor = Ptr(SvcEditor);
  info->CmpName = Ptr(SvcCmpName);
  info->CharTable = Ptr(SvcCharTable);
  info->Text = SvcText;
  info->EditorControl = Ptr(SvcEditorControl);
  info->ShowHelp = Ptr(SvcShowHelp);
  info->AdvControl = Ptr(SvcAdvControl);
  info->InputBox = Ptr(SvcInputBox);
  info->DialogEx = Ptr(SvcDialogEx);
  info->SendDlgMessage = Ptr(SvcSendDlgMessage);
  info->DefDlgProc = Ptr(SvcDefDlgProc);
  fsf->StructSize = sizeof(farapi::FarStandardFunctions);
  MakeFsf<56>::Fill(fsf->Functions);
}

} // namespace farhost
