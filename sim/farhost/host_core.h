// A substitute for FAR Manager 1.70 on the plug-in's side of the interface:
// loads a plug-in folder, gives the plug-in a full host table, calls its
// exports as FAR does, keeps a panel model, records every service call and
// writes a plain-text transcript of what the plug-in shows.
//
// One Host at a time per process: the service functions handed to the
// plug-in are plain __stdcall functions that reach the active Host.
#pragma once

#include "host/far_api.h"
#include "sim/farhost/console_input.h"
#include "sim/farhost/host_records.h"
#include "sim/farhost/lang_file.h"
#include "sim/farhost/panel_model.h"
#include "sim/farhost/test_support.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace farhost {

// ---------------------------------------------------------------------------
// The host

enum class ProgressMode { All, Last };

// Which FAR the host stands in for. FAR 3 runs old plug-ins through its
// wrapper, which takes the start sort and view only together with panel
// modes, never reads DiskMenuNumbers (it has hot keys of its own) and
// keeps old plug-ins' settings under "Far Manager".
enum class HostProfile { Far170, Far3 };
const char *DefaultRootKey(HostProfile profile);

struct HostOptions {
  std::string language = "English";
  HostProfile profile = HostProfile::Far170;
  std::string rootKey = DefaultRootKey(HostProfile::Far170);
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
  // FAR's plug-in cache holds the plug-in from an earlier start: the DLL is
  // loaded only when the plug-in is first used, without GetPluginInfo.
  bool cachedStart = false;
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
  // FAR's viewer on a file the plug-in gave for F3; returns when closed.
  virtual void ViewFile(const std::string &path) = 0;
};

struct PluginMenus {
  int structSize = 0;
  DWORD flags = 0;
  std::vector<std::string> diskMenu;
  std::vector<int> diskNumbers; // empty when DiskMenuNumbers is null
  bool diskNumbersNull = true;
  bool diskNumbersIgnored = false; // the host has hot keys of its own
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

  // SetFileApisToOEM; every other *.dll under the folder loaded and freed
  // as FAR looks for plug-ins (a box for one that fails to load);
  // LoadLibraryA of <folder>\<dll>, language and help file, then
  // SetStartupInfo and GetPluginInfo unless callStartup is false. With a
  // cached start the DLL waits for EnsureLoaded. On failure *error says
  // why (missing folder, no DLL, no SetStartupInfo, ...).
  bool Load(const std::string &pluginFolder, std::string *error,
            const std::string &dllName = "DAVUman.dll",
            bool callStartup = true);
  // A cached start loads the DLL and calls SetStartupInfo on first use;
  // false when it cannot be loaded.
  bool EnsureLoaded();
  bool CallSetStartupInfo(); // false when the export is missing
  // The host's own boxes shown while loading (FAR's "Error loading plugin
  // module"), for a screen that was not up yet.
  std::vector<MessageRecord> LoadingBoxes() const { return loadingBoxes_; }
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
  // The menus as FAR's disk and plug-ins menus get them: from the host's
  // plug-in cache while a cached start has not loaded the DLL, else from
  // GetPluginInfo (whose answers fill the cache, in the registry under
  // the root key).
  bool Menus(PluginMenus *menus);
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
  // A key as FAR hands it to the panel: first with PKF_PREPROCESS in the
  // key, then, unless taken, plainly. Returns the last result.
  int SendKey(int key, unsigned controlState);
  // KEY_NONE, sent the same way, as FAR does after most keys.
  void SendIdleKey();
  int Configure(int itemNumber = 0); // -2 when missing

  // --- what a user does; each returns the export's result, -2 missing
  // F5/F6: the selection (or the item under the cursor) to the PC folder.
  int CopyToPc(bool move, int opMode = 0);
  // The PC selection onto the panel; the PC folder is made current first.
  // A user's F5/F6 (opMode 0) passes FAR's Copy dialog first: -1 when it
  // was cancelled (no PutFiles).
  int CopyFromPc(bool move, int opMode = 0);
  // The answer of FAR's next Copy dialog in scripted mode (default: Copy).
  void CancelNextCopyDialog() { cancelCopyDialog_ = true; }
  // F3: GetFiles of the item under the cursor into a temporary folder
  // with OPM_SILENT|OPM_VIEW, then the viewer; the folder is removed
  // afterwards. Returns GetFiles' result, 0 when there was nothing to view.
  int ViewCurrent();
  int DeleteSelected(int opMode = 0); // F8
  // A key as FAR handles it: SendKey first; when the plug-in declines,
  // the host's own F3, F5, F6, F8 and Ctrl+R; then the screen is redrawn
  // and KEY_NONE follows. Returns ProcessKey's result.
  int PressKey(int key, unsigned controlState);
  void Refresh(bool keepSelection); // FCTL_UPDATEPANEL as the host does it
  void Redraw();                    // GetOpenPluginInfo
  // FAR redrawing its screen after a user's action: the panel and its key
  // bar, each from a fresh GetOpenPluginInfo.
  void RedrawScreen();
  int OpenInfoCalls() const; // GetOpenPluginInfo calls so far

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
  // The keys (key-down codes) that the latest export left in the console
  // input for the host, as FAR reads them after the call.
  std::vector<int> TakeKeysLeft();

  // --- FAR's own keys on the plug-in's panel
  // Ctrl+Q: GetFiles of the item under the cursor with
  // OPM_SILENT|OPM_VIEW|OPM_QUICKVIEW into a temporary folder, with `typed`
  // keys in the console input meanwhile; the cursor keys among those left
  // for the host then move the cursor. GetFiles' result, 0 for nothing.
  int QuickView(const std::vector<int> &typed);
  // Alt+F7 with a text: GetFindData with OPM_FIND, then GetFiles with
  // OPM_SILENT|OPM_FIND of every file, into a temporary folder, for those
  // whose content holds the text. With `cancelAt` n > 0 the user presses
  // Escape during the n-th copy: FAR's question stays on the screen until
  // that copy returns, is answered Yes, and the search ends. The names
  // found.
  std::vector<std::string> Find(const std::string &text, int cancelAt);
  // F4, a change, and the editor's save: GetFiles of the item under the
  // cursor with OPM_SILENT|OPM_EDIT, `append` added to the file, then
  // PutFiles of it with OPM_EDIT from its folder. PutFiles' result.
  int Edit(const std::string &append);

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
  friend struct ControlHandlers; // the Control service
  // Steps of Load (plugin_loader.cpp).
  bool FindPluginFolder(const std::string &pluginFolder,
                        const std::string &dllName, std::string *err);
  bool LoadModule(bool callStartup, std::string *err);
  void SaveMenuCache(const PluginMenus &menus);
  bool LoadMenuCache(PluginMenus *menus) const;
  void ScanPluginFolder(); // the other DLLs, as FAR looks for plug-ins
  void ProbeForeignDll(const std::string &path);
  void HostBox(const std::vector<std::string> &items, int buttons, DWORD flags);
  bool CopyDialog(bool move, const std::vector<farapi::PluginPanelItem> &items);
  void ReadLanguageFiles();
  void FillStartupInfo();
  // The panel model (panel_model.cpp).
  void CallGetOpenPluginInfo();
  void ReadListing(bool keepSelection);
  // GetFindData with the mode and FreeFindData at once: the host's copy.
  std::vector<farapi::PluginPanelItem> TakeListing(int opMode);
  void FillEntries(const std::set<std::string> *keep);
  void PlaceCursor(const std::string &name, int index);
  void SortEntries();
  int CurrentOrSelected(std::vector<farapi::PluginPanelItem> *items) const;
  std::string ItemsSummary(const std::vector<farapi::PluginPanelItem> &) const;
  // The transcript and the checks after each call (transcript.cpp).
  void AddLine(const std::string &line);
  // `settles`: a pending Escape request not reached by now is reported and
  // dropped; the pre-processed and idle key calls leave it pending.
  void AfterOperation(const char *what, bool settles = true);
  // One of the three transfer exports, echoed and checked alike
  // (host_operations.cpp).
  int CallTransfer(
      const char *name, const std::string &arguments,
      std::vector<farapi::PluginPanelItem> &items, bool keepsFolder,
      const std::function<int(farapi::PluginPanelItem *, int)> &call);
  // FAR's handling of the selection after GetFiles, PutFiles or
  // DeleteFiles: all cleared on 1; otherwise only the items whose
  // PPIF_SELECTED flag the plug-in cleared in the array it was given
  // (host_operations.cpp).
  void DeselectAfterTransfer(int result, bool pcPanel);
  void HostKey(int key, unsigned controlState);

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
  // The host's copy of the last listing: FAR frees the plug-in's array at
  // once; the strings it points to are not kept.
  std::vector<farapi::PluginPanelItem> listing_;
  std::vector<MessageRecord> loadingBoxes_;
  bool cancelCopyDialog_ = false;
  // The item array of the latest transfer call as the plug-in left it,
  // beside the flags it was given with.
  std::vector<farapi::PluginPanelItem> transferItems_;
  std::vector<DWORD> transferFlagsGiven_;
};

} // namespace farhost
