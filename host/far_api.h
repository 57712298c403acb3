// The FAR Manager 1.70 plug-in interface as the host publishes it: the
// structures it exchanges with a plug-in, their constants and the types of
// its service functions. Everything is laid out under 2-byte packing, as the
// host was compiled; the sizes are checked below because a single byte of
// difference shifts every later field the host reads.
#pragma once

#include <windows.h>

#include <cstddef>

// Not `far`: the Windows headers define that as an empty macro.
namespace farapi {

constexpr int NM = 260;

#pragma pack(push, 2)

// WIN32_FIND_DATAA as the host sees it: 318 bytes, no tail padding.
struct FindData {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[NM];
  char cAlternateFileName[14];
};

struct PluginPanelItem {
  FindData FindData;
  DWORD PackSizeHigh;
  DWORD PackSize;
  DWORD Flags;
  DWORD NumberOfLinks;
  char *Description;
  char *Owner;
  char **CustomColumnData;
  int CustomColumnNumber;
  DWORD UserData;
  DWORD CRC32;
  DWORD Reserved[2];
};

struct FarDialogItem {
  int Type;
  int X1, Y1, X2, Y2;
  int Focus;
  union {
    int Selected;
    const char *History;
    const char *Mask;
    void *ListItems;
    CHAR_INFO *VBuf;
  } Param;
  DWORD Flags;
  int DefaultButton;
  char Data[512];
};

struct FarMenuItem {
  char Text[128];
  int Selected;
  int Checked;
  int Separator;
};

struct InfoPanelLine {
  char Text[80];
  char Data[80];
  int Separator;
};

struct PanelMode {
  char *ColumnTypes;
  char *ColumnWidths;
  char **ColumnTitles;
  int FullScreen;
  int DetailedStatus;
  int AlignExtensions;
  int CaseConversion;
  char *StatusColumnTypes;
  char *StatusColumnWidths;
  DWORD Reserved[2];
};

struct KeyBarTitles {
  char *Titles[12];
  char *CtrlTitles[12];
  char *AltTitles[12];
  char *ShiftTitles[12];
  char *CtrlShiftTitles[12];
  char *AltShiftTitles[12];
  char *CtrlAltTitles[12];
};

struct OpenPluginInfo {
  int StructSize;
  DWORD Flags;
  const char *HostFile;
  const char *CurDir;
  const char *Format;
  const char *PanelTitle;
  const InfoPanelLine *InfoLines;
  int InfoLinesNumber;
  const char *const *DescrFiles;
  int DescrFilesNumber;
  const PanelMode *PanelModesArray;
  int PanelModesNumber;
  int StartPanelMode;
  int StartSortMode;
  int StartSortOrder;
  const KeyBarTitles *KeyBar;
  const char *ShortcutData;
  long Reserverd;
};

struct PluginInfo {
  int StructSize;
  DWORD Flags;
  const char *const *DiskMenuStrings;
  int *DiskMenuNumbers;
  int DiskMenuStringsNumber;
  const char *const *PluginMenuStrings;
  int PluginMenuStringsNumber;
  const char *const *PluginConfigStrings;
  int PluginConfigStringsNumber;
  const char *CommandPrefix;
  DWORD Reserved;
};

struct PanelInfo {
  int PanelType;
  int Plugin;
  RECT PanelRect;
  PluginPanelItem *PanelItems;
  int ItemsNumber;
  PluginPanelItem *SelectedItems;
  int SelectedItemsNumber;
  int CurrentItem;
  int TopPanelItem;
  int Visible;
  int Focus;
  int ViewMode;
  char ColumnTypes[80];
  char ColumnWidths[80];
  char CurDir[NM];
  int ShortNames;
  int SortMode;
  DWORD Flags;
  DWORD Reserved;
};

struct PanelRedrawInfo {
  int CurrentItem;
  int TopPanelItem;
};

// Service function types; every one is __stdcall.
typedef int(WINAPI *FARAPIMENU)(int PluginNumber, int X, int Y, int MaxHeight,
                                DWORD Flags, const char *Title,
                                const char *Bottom, const char *HelpTopic,
                                const int *BreakKeys, int *BreakCode,
                                const FarMenuItem *Item, int ItemsNumber);
typedef int(WINAPI *FARAPIDIALOG)(int PluginNumber, int X1, int Y1, int X2,
                                  int Y2, const char *HelpTopic,
                                  FarDialogItem *Item, int ItemsNumber);
typedef int(WINAPI *FARAPIMESSAGE)(int PluginNumber, DWORD Flags,
                                   const char *HelpTopic,
                                   const char *const *Items, int ItemsNumber,
                                   int ButtonsNumber);
typedef const char *(WINAPI *FARAPIGETMSG)(int PluginNumber, int MsgId);
typedef int(WINAPI *FARAPICONTROL)(HANDLE hPlugin, int Command, void *Param);
typedef HANDLE(WINAPI *FARAPISAVESCREEN)(int X1, int Y1, int X2, int Y2);
typedef void(WINAPI *FARAPIRESTORESCREEN)(HANDLE hScreen);
typedef void(WINAPI *FARAPITEXT)(int X, int Y, int Color, const char *Str);
// Services the plug-in never calls keep an opaque pointer type.
typedef void *FARAPIUNUSED;

struct FarStandardFunctions {
  int StructSize;
  void *Functions[56];
};

struct PluginStartupInfo {
  int StructSize;
  char ModuleName[NM];
  int ModuleNumber;
  const char *RootKey;
  FARAPIMENU Menu;
  FARAPIDIALOG Dialog;
  FARAPIMESSAGE Message;
  FARAPIGETMSG GetMsg;
  FARAPICONTROL Control;
  FARAPISAVESCREEN SaveScreen;
  FARAPIRESTORESCREEN RestoreScreen;
  FARAPIUNUSED GetDirList;
  FARAPIUNUSED GetPluginDirList;
  FARAPIUNUSED FreeDirList;
  FARAPIUNUSED Viewer;
  FARAPIUNUSED Editor;
  FARAPIUNUSED CmpName;
  FARAPIUNUSED CharTable;
  FARAPITEXT Text;
  FARAPIUNUSED EditorControl;
  FarStandardFunctions *FSF;
  FARAPIUNUSED ShowHelp;
  FARAPIUNUSED AdvControl;
  FARAPIUNUSED InputBox;
  FARAPIUNUSED DialogEx;
  FARAPIUNUSED SendDlgMessage;
  FARAPIUNUSED DefDlgProc;
  DWORD Reserved[2];
};

#pragma pack(pop)

static_assert(sizeof(FindData) == 318, "host find data is 318 bytes");
static_assert(offsetof(FindData, cFileName) == 44, "cFileName at 44");
static_assert(offsetof(FindData, cAlternateFileName) == 304, "alt name at 304");
static_assert(sizeof(PluginPanelItem) == 366, "PluginPanelItem is 366 bytes");
static_assert(offsetof(PluginPanelItem, UserData) == 350, "UserData at 350");
static_assert(sizeof(FarDialogItem) == 548, "FarDialogItem is 548 bytes");
static_assert(offsetof(FarDialogItem, Data) == 36, "dialog Data at 36");
static_assert(sizeof(FarMenuItem) == 140, "FarMenuItem is 140 bytes");
static_assert(sizeof(InfoPanelLine) == 164, "InfoPanelLine is 164 bytes");
static_assert(sizeof(PanelMode) == 44, "PanelMode is 44 bytes");
static_assert(sizeof(KeyBarTitles) == 336, "KeyBarTitles is 336 bytes");
static_assert(sizeof(OpenPluginInfo) == 72, "OpenPluginInfo is 72 bytes");
static_assert(sizeof(PluginInfo) == 44, "PluginInfo is 44 bytes");
static_assert(sizeof(PanelInfo) == 496, "PanelInfo is 496 bytes");
static_assert(offsetof(PanelInfo, CurDir) == 220, "PanelInfo CurDir at 220");
static_assert(offsetof(PanelInfo, SortMode) == 484,
              "PanelInfo SortMode at 484");
static_assert(sizeof(PanelRedrawInfo) == 8, "PanelRedrawInfo is 8 bytes");
static_assert(sizeof(FarStandardFunctions) == 228,
              "FarStandardFunctions is 228 bytes");
static_assert(sizeof(PluginStartupInfo) == 372,
              "PluginStartupInfo is 372 bytes");
static_assert(offsetof(PluginStartupInfo, Text) == 328, "Text at 328");
static_assert(offsetof(PluginStartupInfo, FSF) == 336, "FSF at 336");

// OpenPlugin sources.
enum : int {
  OPEN_DISKMENU = 0,
  OPEN_PLUGINSMENU = 1,
  OPEN_FINDLIST = 2,
  OPEN_SHORTCUT = 3,
  OPEN_COMMANDLINE = 4,
  OPEN_EDITOR = 5,
  OPEN_VIEWER = 6,
};

// Operation modes passed to the panel entries.
enum : int {
  OPM_SILENT = 0x01,
  OPM_FIND = 0x02,
  OPM_VIEW = 0x04,
  OPM_EDIT = 0x08,
  OPM_TOPLEVEL = 0x10,
  OPM_DESCR = 0x20,
  OPM_QUICKVIEW = 0x40, // FAR's quick view panel (Ctrl+Q), since 1.70 b1069
};

enum : DWORD {
  FMSG_WARNING = 0x1,
  FMSG_ERRORTYPE = 0x2,
  FMSG_KEEPBACKGROUND = 0x4,
  FMSG_DOWN = 0x8,
  FMSG_LEFTALIGN = 0x10,
  FMSG_ALLINONE = 0x20,
};

enum : int {
  FCTL_CLOSEPLUGIN = 0,
  FCTL_GETPANELINFO = 1,
  FCTL_GETANOTHERPANELINFO = 2,
  FCTL_UPDATEPANEL = 3,
  FCTL_UPDATEANOTHERPANEL = 4,
  FCTL_REDRAWPANEL = 5,
  FCTL_REDRAWANOTHERPANEL = 6,
  FCTL_SETANOTHERPANELDIR = 7,
  FCTL_SETSORTMODE = 19,
};

enum : int {
  SM_DEFAULT = 0,
  SM_UNSORTED = 1,
  SM_NAME = 2,
  SM_EXT = 3,
  SM_MTIME = 4,
  SM_CTIME = 5,
  SM_ATIME = 6,
  SM_SIZE = 7,
};

enum : DWORD {
  PPIF_PROCESSDESCR = 0x80000000,
  PPIF_SELECTED = 0x40000000,
  PPIF_USERDATA = 0x20000000,
};

enum : DWORD {
  OPIF_USEFILTER = 0x1,
  OPIF_USESORTGROUPS = 0x2,
  OPIF_USEHIGHLIGHTING = 0x4,
  OPIF_ADDDOTS = 0x8,
  OPIF_RAWSELECTION = 0x10,
  OPIF_REALNAMES = 0x20,
  OPIF_SHOWPRESERVECASE = 0x100,
};

enum : unsigned {
  PKF_CONTROL = 1,
  PKF_ALT = 2,
  PKF_SHIFT = 4,
};

enum : int {
  DI_TEXT = 0,
  DI_VTEXT = 1,
  DI_SINGLEBOX = 2,
  DI_DOUBLEBOX = 3,
  DI_EDIT = 4,
  DI_PSWEDIT = 5,
  DI_FIXEDIT = 6,
  DI_BUTTON = 7,
  DI_CHECKBOX = 8,
  DI_RADIOBUTTON = 9,
};

enum : DWORD {
  DIF_BOXCOLOR = 0x200,
  DIF_CENTERGROUP = 0x4000,
  DIF_SEPARATOR = 0x10000,
  DIF_MASKEDIT = 0x400000,
};

enum : int {
  PTYPE_FILEPANEL = 0,
};

} // namespace farapi
