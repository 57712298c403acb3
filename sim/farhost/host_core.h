// A substitute for FAR Manager 1.70 on the plug-in's side of the interface:
// loads a plug-in folder, gives the plug-in a full host table, calls its
// exports as FAR does, keeps a panel model, records every service call and
// writes a plain-text transcript of what the plug-in shows.
//
// One Host at a time per process: the service functions handed to the
// plug-in are plain __stdcall functions that reach the active Host.
#pragma once

#include "host/far_api.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace farhost {

// ---------------------------------------------------------------------------
// Language and help files

struct LangFile {
  std::string path;     // full path of the chosen file
  std::string language; // text of ".Language=" up to the first comma
  std::vector<std::string> messages;
  std::vector<std::string> warnings; // e.g. over-long lines
};

// Reads one .lng file as FAR does: only lines whose first character is a
// double quote count; escapes \\ \" \n \r \b \t and "" are resolved.
bool ParseLangFile(const std::string &path, LangFile *out, std::string *error);
// One message line (with its leading quote) turned into the message text.
std::string ParseLangLine(const std::string &line);
// The ".Language=" name of a .lng or .hlf file, "" when it has none.
std::string FileLanguage(const std::string &path);
// Picks among the folder's files matching mask (e.g. "*.lng") the one whose
// language is `language`, else "English", else the last one found. "" when
// the folder has none.
std::string ChooseLanguageFile(const std::string &folder,
                               const std::string &mask,
                               const std::string &language);
// Topic names ("@Name" lines) of a help file.
std::vector<std::string> HelpTopics(const std::string &path);

// ---------------------------------------------------------------------------
// Records of service calls

struct MessageRecord {
  DWORD flags = 0;
  bool hasHelp = false;
  std::string helpTopic;
  std::vector<std::string> items; // resolved texts, title first
  int buttons = 0;
  int answer = 0;
  bool otherThread = false; // called from a thread other than the host's
  bool progress = false;    // FMSG_LEFTALIGN with no buttons
  bool scripted = false;    // answer came from the queue
};

struct DialogItemRecord {
  int type = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int focus = 0;
  int selected = 0; // Param as an int
  std::string mask; // Param as the mask text (DI_FIXEDIT + DIF_MASKEDIT)
  DWORD flags = 0;
  int defaultButton = 0;
  std::string data;
};

struct DialogRecord {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool hasHelp = false;
  std::string helpTopic;
  std::vector<DialogItemRecord> in, out;
  int result = -1;
  bool scripted = false;
};

struct ControlRecord {
  HANDLE handle = nullptr;
  int command = 0;
  std::string param; // summary of the parameter
  int result = 0;
};

struct ScreenRecord {
  bool save = true; // SaveScreen, else RestoreScreen
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int handle = 0; // host's number for the saved screen, 0 for null
  bool ok = true; // false: restore of an unknown or restored handle
};

struct TextRecord {
  int x = 0, y = 0, color = 0;
  bool null = false;
  std::string text;
  bool otherThread = false;
};

// Scripted answer for the next Dialog call.
struct DialogEdit {
  int item = 0;
  bool setSelected = false;
  int selected = 0;
  bool setData = false;
  std::string data;
};
struct DialogAnswer {
  int result = -1;
  std::vector<DialogEdit> edits;
};

// ---------------------------------------------------------------------------
// Panel model

struct PanelEntry {
  farapi::PluginPanelItem item{}; // the host's copy, Flags carry PPIF_SELECTED
  bool dots = false;              // the host's own ".." entry
  int order = 0;                  // position in the plug-in's listing
  std::string Name() const { return item.FindData.cFileName; }
  bool Selected() const { return (item.Flags & farapi::PPIF_SELECTED) != 0; }
};

struct PanelModel {
  std::vector<PanelEntry> entries; // as shown: ".." first, then sorted
  int cursor = 0;
  int top = 0;
  int sortMode = farapi::SM_UNSORTED;
  int startSortMode = 0; // as the latest GetOpenPluginInfo gave it
  // Description from the latest GetOpenPluginInfo (strings copied).
  DWORD flags = 0;
  std::string title, format, curDir;
  struct InfoLine {
    std::string text, data;
    bool separator = false;
  };
  std::vector<InfoLine> infoLines;
  // Key bar labels: [group][key]; hasLabel false = host's own label.
  struct Label {
    bool set = false;
    std::string text;
  };
  Label keyBar[7][12];
};

// The other panel: a folder of the PC.
struct PcPanel {
  std::string folder; // with no trailing backslash unless a root
  std::vector<farapi::PluginPanelItem> items; // FindData from FindFirstFileA
  std::vector<bool> selected;
};

// ---------------------------------------------------------------------------
// The host

enum class ProgressMode { All, Last };

struct HostOptions {
  std::string language = "English";
  std::string rootKey = "Software\\Far\\Plugins";
  int structSize = 372;
  ProgressMode progress = ProgressMode::Last;
  bool rawProgressTimes = false; // print the tick-dependent figures as given
  bool echoCalls = true;         // transcript lines for export calls
  // Console input left after an export is taken away, as FAR reads its
  // keyboard afterwards; a person's keys typed ahead must stay.
  bool drainInput = true;
  // False: progress boxes and their flushes are counted, not kept, so that
  // a long run (a benchmark) does not fill the memory with records.
  bool keepProgressRecords = true;
};

// A screen in front of the host (the interactive mode): boxes, dialogs and
// saved screens are shown to a person instead of being answered from the
// queues. Called with the host's records locked, also from the plug-in's
// progress thread; must not call back into the Host.
class HostUi {
public:
  virtual ~HostUi() = default;
  // Returns the chosen button, -1 for Escape; boxes without buttons are
  // drawn and left on screen, the result is not used.
  virtual int ShowMessage(const MessageRecord &box) = 0;
  // Modal; the items' Data and Selected hold the input afterwards.
  virtual int ShowDialog(int x1, int y1, int x2, int y2, const char *help,
                         farapi::FarDialogItem *items, int count) = 0;
  virtual void SaveScreen(int number) = 0;
  virtual void RestoreScreen(int number) = 0; // 0: the screen is re-read
  virtual void Text(int x, int y, int color, const char *text) = 0;
  virtual void Flush() = 0; // Text with a null string
};

struct PluginMenus {
  int structSize = 0;
  DWORD flags = 0;
  std::vector<std::string> diskMenu;
  std::vector<int> diskNumbers; // empty when DiskMenuNumbers is null
  bool diskNumbersNull = true;
  std::vector<std::string> pluginMenu;
  std::vector<std::string> configMenu;
  bool hasPrefix = false;
  std::string prefix;
};

class Host {
public:
  // Pointers to every export the host knows; null when the DLL lacks it.
  struct Exports {
    void(WINAPI *SetStartupInfo)(const farapi::PluginStartupInfo *) = nullptr;
    void(WINAPI *GetPluginInfo)(farapi::PluginInfo *) = nullptr;
    HANDLE(WINAPI *OpenPlugin)(int, int) = nullptr;
    void(WINAPI *GetOpenPluginInfo)(HANDLE, farapi::OpenPluginInfo *) = nullptr;
    int(WINAPI *GetFindData)(HANDLE, farapi::PluginPanelItem **, int *,
                             int) = nullptr;
    void(WINAPI *FreeFindData)(HANDLE, farapi::PluginPanelItem *,
                               int) = nullptr;
    int(WINAPI *GetFiles)(HANDLE, farapi::PluginPanelItem *, int, int, char *,
                          int) = nullptr;
    int(WINAPI *PutFiles)(HANDLE, farapi::PluginPanelItem *, int, int,
                          int) = nullptr;
    int(WINAPI *DeleteFiles)(HANDLE, farapi::PluginPanelItem *, int,
                             int) = nullptr;
    int(WINAPI *ProcessKey)(HANDLE, int, unsigned) = nullptr;
    int(WINAPI *Configure)(int) = nullptr;
    void(WINAPI *ClosePlugin)(HANDLE) = nullptr;
  };

  explicit Host(const HostOptions &options = HostOptions());
  ~Host(); // closes the panel (FreeFindData), unloads the DLL
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;

  // SetFileApisToOEM, LoadLibraryA of <folder>\<dll>, language and help
  // file, then SetStartupInfo unless callStartup is false. On failure
  // *error says why (missing folder, no DLL, no SetStartupInfo, ...).
  bool Load(const std::string &pluginFolder, std::string *error,
            const std::string &dllName = "DAVUman.dll",
            bool callStartup = true);
  bool CallSetStartupInfo(); // false when the export is missing
  const Exports &Api() const { return api_; }
  HMODULE Module() const { return module_; }
  const std::string &ModulePath() const { return modulePath_; }
  const LangFile &Language() const { return lang_; }
  const std::string &HelpFile() const { return helpFile_; }
  const farapi::PluginStartupInfo &StartupInfo() const { return startup_; }
  int ModuleNumber() const { return 0; }
  // Installs (or removes, with null) the screen that shows boxes.
  void SetUi(HostUi *ui);

  // --- typed calls of the exports (each records itself in the transcript)
  bool GetPluginInfo(PluginMenus *menus); // false when missing
  // OpenPlugin; on success the panel is open: GetOpenPluginInfo and the
  // first GetFindData follow as in FAR. Returns the raw handle.
  HANDLE OpenPlugin(int openFrom, int item = 0);
  bool PanelOpen() const { return panel_ != nullptr; }
  // FAR closing the panel: FreeFindData of the last listing (and
  // ClosePlugin if exported). The destructor does it too.
  void ClosePanel();
  HANDLE Panel() const { return panel_; }
  // Raw calls with explicit items; return -2 when the export is missing.
  int CallGetFiles(std::vector<farapi::PluginPanelItem> items, bool move,
                   const std::string &dest, int opMode);
  int CallPutFiles(std::vector<farapi::PluginPanelItem> items, bool move,
                   int opMode);
  int CallDeleteFiles(std::vector<farapi::PluginPanelItem> items, int opMode);
  int CallProcessKey(int key, unsigned controlState); // -2 when missing
  int Configure(int itemNumber = 0);                  // -2 when missing

  // --- what a user does; each returns the export's result, -2 missing
  // F5/F6: the selection (or the item under the cursor) to the PC folder.
  int CopyToPc(bool move, int opMode = 0);
  // The PC selection onto the panel; the PC folder is made current first.
  int CopyFromPc(bool move, int opMode = 0);
  int DeleteSelected(int opMode = 0); // F8
  // A key as FAR handles it: ProcessKey first; when the plug-in declines,
  // the host's own F5, F6, F8 and Ctrl+R. Returns ProcessKey's result.
  int PressKey(int key, unsigned controlState);
  void Refresh(bool keepSelection); // FCTL_UPDATEPANEL as the host does it
  void Redraw();                    // GetOpenPluginInfo

  // --- panel model
  const PanelModel &Model() const { return model_; }
  bool SetCursor(const std::string &name);
  bool SetCursorIndex(int index);
  bool Select(const std::string &name, bool on);
  bool SelectIndex(int index, bool on);
  void SelectAll(bool on);
  std::vector<farapi::PluginPanelItem> SelectedItems() const;
  bool SetSortMode(int mode);

  // --- the PC panel
  bool SetPcFolder(const std::string &folder); // reads it from disk
  void RereadPc();
  const PcPanel &Pc() const { return pc_; }
  bool SelectPc(const std::string &name, bool on);
  void SelectAllPc(bool on);

  // --- scripted answers and the Escape key
  void QueueAnswer(int answer); // -1 = Escape
  void QueueDialog(const DialogAnswer &answer);
  size_t PendingAnswers() const;
  size_t PendingDialogs() const;
  // Puts an Escape key press into the console input when the n-th progress
  // box from now is drawn (n = 0: at once).
  void PressEscapeAtProgress(int n);

  // --- records
  std::vector<MessageRecord> Messages() const;
  std::vector<MessageRecord> Boxes() const; // messages without progress
  std::vector<MessageRecord> ProgressBoxes() const;
  std::vector<DialogRecord> Dialogs() const;
  std::vector<ControlRecord> Controls() const;
  std::vector<ScreenRecord> Screens() const;
  std::vector<TextRecord> Texts() const;
  // Everything that broke the contract: unbalanced screens, unexpected
  // services, missing messages, find-data arrays not freed exactly once.
  std::vector<std::string> Problems() const;
  int OpenScreens() const;         // saved and not yet restored
  int FindDataOutstanding() const; // arrays given and not yet freed
  int FindDataFreed() const;
  void ClearRecords();

  // --- transcript
  std::string Transcript() const;
  void ClearTranscript();
  void Note(const std::string &line); // a line of the caller's own
  std::string FormatPanel() const;
  std::string FormatInfo() const;
  std::string FormatKeyBar() const;
  std::string FormatPc() const;
  std::string FormatMenus(const PluginMenus &menus) const;
  // Progress boxes held back in ProgressMode::Last go out now.
  void FlushProgress();

  // Service implementations (called by the __stdcall trampolines).
  struct Impl;

private:
  friend struct Impl;
  friend int ControlService(HANDLE panel, int command, void *param);
  void AddLine(const std::string &line);
  void CallGetOpenPluginInfo();
  void ReadListing(bool keepSelection);
  void FreeListing();
  void SortEntries();
  int CurrentOrSelected(std::vector<farapi::PluginPanelItem> *items) const;
  std::string ItemsSummary(const std::vector<farapi::PluginPanelItem> &) const;
  void AfterOperation(const char *what);
  // FAR's handling of the selection after GetFiles, PutFiles or
  // DeleteFiles: all cleared on 1; otherwise only the items whose
  // PPIF_SELECTED flag the plug-in cleared in the array it was given.
  void DeselectAfterTransfer(int result, bool pcPanel);

  HostOptions options_;
  std::unique_ptr<Impl> impl_;
  Exports api_;
  HMODULE module_ = nullptr;
  std::string folder_, modulePath_, helpFile_;
  LangFile lang_;
  std::vector<std::string> helpTopics_;
  farapi::PluginStartupInfo startup_{};
  farapi::FarStandardFunctions fsf_{};
  HANDLE panel_ = nullptr;
  PanelModel model_;
  PcPanel pc_;
  // Listing as the plug-in gave it, until FreeFindData.
  farapi::PluginPanelItem *listing_ = nullptr;
  int listingCount_ = 0;
  bool listingHeld_ = false;
  // The item array of the latest transfer call as the plug-in left it,
  // beside the flags it was given with.
  std::vector<farapi::PluginPanelItem> transferItems_;
  std::vector<DWORD> transferFlagsGiven_;
};

// ---------------------------------------------------------------------------
// Helpers for tests

// Folder of the running program, with a trailing backslash.
std::string ProgramFolder();
// Builds a plug-in folder in `dest` from the build's plug-in folder
// (<bin>\..\plugin\DAVUman\: DAVUman.dll, *.lng, *.hlf) and, unless
// `library` is empty, the file `library` copied as USBCTRL.dll. Default
// library: <bin>\USBCTRL.dll. Returns false when a copy fails.
bool MakePluginFolder(
    const std::string &dest,
    const std::string &library = ProgramFolder() + "USBCTRL.dll",
    const std::string &buildPluginFolder = ProgramFolder() +
                                           "..\\plugin\\DAVUman\\");

// Runs a program to its end with `input` as its standard input; its
// output and error output are collected. False when it cannot start.
struct ProgramRun {
  int exitCode = -1;
  std::string out, err;
};
bool RunProgram(const std::string &commandLine, const std::string &input,
                ProgramRun *run);

// Names of FAR's key codes and modifiers: "F7", "shift+F7", "ctrl+alt+F5",
// "esc", "enter", a letter, or a decimal code. False when not understood.
bool ParseKey(const std::string &text, int *key, unsigned *controlState);
std::string KeyName(int key, unsigned controlState);

// The console input the plug-in polls: a real console's input, made the
// standard input of the process (AllocConsole once when needed).
HANDLE ConsoleInput();
// Writes one Escape key-down event into it.
bool InjectEscape();

} // namespace farhost
