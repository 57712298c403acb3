// The Host: loading the plug-in, calling its exports as FAR 1.70 does, the
// panel model with its listing ledger, the PC panel and Control.
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace farhost {

namespace {

const char *CommandName(int command) {
  switch (command) {
  case farapi::FCTL_CLOSEPLUGIN:
    return "CLOSEPLUGIN";
  case farapi::FCTL_GETPANELINFO:
    return "GETPANELINFO";
  case farapi::FCTL_GETANOTHERPANELINFO:
    return "GETANOTHERPANELINFO";
  case farapi::FCTL_UPDATEPANEL:
    return "UPDATEPANEL";
  case farapi::FCTL_UPDATEANOTHERPANEL:
    return "UPDATEANOTHERPANEL";
  case farapi::FCTL_REDRAWPANEL:
    return "REDRAWPANEL";
  case farapi::FCTL_REDRAWANOTHERPANEL:
    return "REDRAWANOTHERPANEL";
  case farapi::FCTL_SETANOTHERPANELDIR:
    return "SETANOTHERPANELDIR";
  case farapi::FCTL_SETSORTMODE:
    return "SETSORTMODE";
  default:
    return nullptr;
  }
}

const char *SortName(int mode) {
  static const char *const names[] = {
      "default", "unsorted", "name",  "ext",   "mtime",           "ctime",
      "atime",   "size",     "descr", "owner", "compressed size", "links"};
  return mode >= 0 && mode < 12 ? names[mode] : "?";
}

// OpenPluginInfo flags by name, unknown bits in hex.
std::string PanelFlagNames(DWORD flags) {
  static const NamedBit names[] = {
      {farapi::OPIF_USEFILTER, "USEFILTER"},
      {farapi::OPIF_USESORTGROUPS, "USESORTGROUPS"},
      {farapi::OPIF_USEHIGHLIGHTING, "USEHIGHLIGHTING"},
      {farapi::OPIF_ADDDOTS, "ADDDOTS"},
      {farapi::OPIF_RAWSELECTION, "RAWSELECTION"},
      {farapi::OPIF_REALNAMES, "REALNAMES"},
      {farapi::OPIF_SHOWPRESERVECASE, "SHOWPRESERVECASE"}};
  std::string out = BitNames(flags, names);
  return out.empty() ? "0" : out;
}

std::string WithSlash(const std::string &folder) {
  if (!folder.empty() && folder.back() != '\\')
    return folder + '\\';
  return folder;
}

std::string CurrentFolder() {
  char buffer[4096] = {};
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer) : std::string();
}

farapi::PluginPanelItem FromFindData(const WIN32_FIND_DATAA &data) {
  farapi::PluginPanelItem item{};
  farapi::FindData &f = item.FindData;
  f.dwFileAttributes = data.dwFileAttributes;
  f.ftCreationTime = data.ftCreationTime;
  f.ftLastAccessTime = data.ftLastAccessTime;
  f.ftLastWriteTime = data.ftLastWriteTime;
  f.nFileSizeHigh = data.nFileSizeHigh;
  f.nFileSizeLow = data.nFileSizeLow;
  f.dwReserved0 = data.dwReserved0;
  f.dwReserved1 = data.dwReserved1;
  memcpy(f.cFileName, data.cFileName, sizeof f.cFileName);
  memcpy(f.cAlternateFileName, data.cAlternateFileName,
         sizeof f.cAlternateFileName);
  item.PackSize = data.nFileSizeLow;
  return item;
}

void RememberTransferItems(const std::vector<farapi::PluginPanelItem> &items,
                           std::vector<DWORD> *flags) {
  flags->clear();
  for (const farapi::PluginPanelItem &item : items)
    flags->push_back(item.Flags);
}

std::string ItemName(const farapi::PluginPanelItem &item) {
  return std::string(
      item.FindData.cFileName,
      strnlen(item.FindData.cFileName, sizeof item.FindData.cFileName));
}

struct ModuleGuard {
  HMODULE module;
  ~ModuleGuard() {
    if (module)
      FreeLibrary(module);
  }
};

} // namespace

// --- construction and loading ---------------------------------------------

Host::Host(const HostOptions &options) : options_(options), impl_(new Impl) {
  impl_->host = this;
  impl_->hostThread = GetCurrentThreadId();
  if (g_active)
    fprintf(stderr, "farhost: a second Host replaces the active one\n");
  g_active = impl_.get();
}

Host::~Host() {
  ClosePanel();
  if (module_)
    FreeLibrary(module_);
  if (g_active == impl_.get())
    g_active = nullptr;
}

void Host::ClosePanel() {
  if (!panel_)
    return;
  FreeListing();
  if (api_.ClosePlugin)
    api_.ClosePlugin(panel_);
  panel_ = nullptr;
}

bool Host::Load(const std::string &pluginFolder, std::string *error,
                const std::string &dllName, bool callStartup) {
  std::string dummy;
  std::string &err = error ? *error : dummy;
  SetFileApisToOEM();
  ConsoleInput(); // the plug-in keeps the input handle from its first poll
  char full[MAX_PATH] = {};
  if (!GetFullPathNameA(pluginFolder.c_str(), sizeof full, full, nullptr)) {
    err = "bad plug-in folder name: " + pluginFolder;
    return false;
  }
  DWORD attributes = GetFileAttributesA(full);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    err = "plug-in folder not found: " + pluginFolder;
    return false;
  }
  folder_ = WithSlash(full);
  modulePath_ = folder_ + dllName;
  if (GetFileAttributesA(modulePath_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    err = "no " + dllName + " in " + folder_;
    return false;
  }
  HMODULE module = LoadLibraryA(modulePath_.c_str());
  if (!module) {
    char text[64];
    snprintf(text, sizeof text, " (error %lu)",
             static_cast<unsigned long>(GetLastError()));
    err = "cannot load " + modulePath_ + text;
    return false;
  }
  ModuleGuard guard{module};
  auto proc = [module](const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(module, name));
  };
  api_.SetStartupInfo =
      reinterpret_cast<decltype(api_.SetStartupInfo)>(proc("SetStartupInfo"));
  api_.GetPluginInfo =
      reinterpret_cast<decltype(api_.GetPluginInfo)>(proc("GetPluginInfo"));
  api_.OpenPlugin =
      reinterpret_cast<decltype(api_.OpenPlugin)>(proc("OpenPlugin"));
  api_.GetOpenPluginInfo = reinterpret_cast<decltype(api_.GetOpenPluginInfo)>(
      proc("GetOpenPluginInfo"));
  api_.GetFindData =
      reinterpret_cast<decltype(api_.GetFindData)>(proc("GetFindData"));
  api_.FreeFindData =
      reinterpret_cast<decltype(api_.FreeFindData)>(proc("FreeFindData"));
  api_.GetFiles = reinterpret_cast<decltype(api_.GetFiles)>(proc("GetFiles"));
  api_.PutFiles = reinterpret_cast<decltype(api_.PutFiles)>(proc("PutFiles"));
  api_.DeleteFiles =
      reinterpret_cast<decltype(api_.DeleteFiles)>(proc("DeleteFiles"));
  api_.ProcessKey =
      reinterpret_cast<decltype(api_.ProcessKey)>(proc("ProcessKey"));
  api_.Configure =
      reinterpret_cast<decltype(api_.Configure)>(proc("Configure"));
  api_.ClosePlugin =
      reinterpret_cast<decltype(api_.ClosePlugin)>(proc("ClosePlugin"));
  if (callStartup && !api_.SetStartupInfo) {
    err = modulePath_ + " has no SetStartupInfo export";
    return false;
  }
  guard.module = nullptr;
  module_ = module;

  std::string lng = ChooseLanguageFile(folder_, "*.lng", options_.language);
  if (lng.empty()) {
    Note("warning: no language file in " + folder_);
  } else {
    std::string lngError;
    if (!ParseLangFile(lng, &lang_, &lngError))
      Note("warning: " + lngError);
    for (const std::string &w : lang_.warnings)
      Note("warning: " + lng + ": " + w);
  }
  helpFile_ = ChooseLanguageFile(folder_, "*.hlf", options_.language);
  if (helpFile_.empty())
    Note("warning: no help file in " + folder_);
  else
    helpTopics_ = HelpTopics(helpFile_);

  startup_ = farapi::PluginStartupInfo{};
  startup_.StructSize = options_.structSize;
  snprintf(startup_.ModuleName, sizeof startup_.ModuleName, "%s",
           modulePath_.c_str());
  startup_.ModuleNumber = kModuleNumber;
  startup_.RootKey = options_.rootKey.c_str();
  FillServices(&startup_, &fsf_);
  startup_.FSF = &fsf_;
  if (callStartup)
    CallSetStartupInfo();
  return true;
}

bool Host::CallSetStartupInfo() {
  if (!api_.SetStartupInfo)
    return false;
  // FAR hands over stack copies valid only during the call; the copies are
  // wiped afterwards so that a plug-in keeping the pointers fails visibly.
  farapi::PluginStartupInfo info = startup_;
  farapi::FarStandardFunctions fsf = fsf_;
  info.FSF = &fsf;
  api_.SetStartupInfo(&info);
  memset(&info, 0xCC, sizeof info);
  memset(&fsf, 0xCC, sizeof fsf);
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "SetStartupInfo (StructSize %d)",
             startup_.StructSize);
    AddLine(line);
  }
  return true;
}

// --- transcript and records -------------------------------------------------

void Host::AddLine(const std::string &line) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->AddLineLocked(line);
}

void Host::Note(const std::string &line) {
  AddLine(line);
}

std::string Host::Transcript() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const_cast<Impl *>(impl_.get())->FlushProgressLocked();
  return impl_->transcript;
}

void Host::ClearTranscript() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->transcript.clear();
  impl_->heldProgress = impl_->heldOtherThread = impl_->heldFlushes = 0;
}

void Host::FlushProgress() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->FlushProgressLocked();
}

std::vector<MessageRecord> Host::Messages() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->messages;
}

std::vector<MessageRecord> Host::Boxes() const {
  std::vector<MessageRecord> out;
  for (const MessageRecord &m : Messages())
    if (!m.progress)
      out.push_back(m);
  return out;
}

std::vector<MessageRecord> Host::ProgressBoxes() const {
  std::vector<MessageRecord> out;
  for (const MessageRecord &m : Messages())
    if (m.progress)
      out.push_back(m);
  return out;
}

std::vector<DialogRecord> Host::Dialogs() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->dialogs;
}
std::vector<ControlRecord> Host::Controls() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->controls;
}
std::vector<ScreenRecord> Host::Screens() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->screens;
}
std::vector<TextRecord> Host::Texts() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->texts;
}
std::vector<std::string> Host::Problems() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->problems;
}
int Host::OpenScreens() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return static_cast<int>(impl_->openScreens.size());
}
int Host::FindDataOutstanding() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->findDataGiven - impl_->findDataFreed;
}
int Host::FindDataFreed() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->findDataFreed;
}

void Host::ClearRecords() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->messages.clear();
  impl_->dialogs.clear();
  impl_->controls.clear();
  impl_->screens.clear();
  impl_->texts.clear();
  impl_->problems.clear();
}

void Host::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->answers.push_back(answer);
}
void Host::QueueDialog(const DialogAnswer &answer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->dialogAnswers.push_back(answer);
}
size_t Host::PendingAnswers() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->answers.size();
}
size_t Host::PendingDialogs() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->dialogAnswers.size();
}

void Host::SetUi(HostUi *ui) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->ui = ui;
}

void Host::PressEscapeAtProgress(int n) {
  ConsoleInput();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->escapeCounter = 0;
  if (n <= 0) {
    impl_->escapeAt = -1;
    if (!InjectEscape())
      impl_->ProblemLocked("cannot write Escape into the console input");
  } else {
    impl_->escapeAt = n;
  }
}

// Checks that follow every call that may draw: held progress boxes go out,
// screens saved during the call must be restored, unread console input is
// taken away as FAR reads its keyboard after an operation.
void Host::AfterOperation(const char *what) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->FlushProgressLocked();
  for (int screen : impl_->openScreens) {
    char text[128];
    snprintf(text, sizeof text, "screen #%d saved and not restored by %s",
             screen, what);
    impl_->ProblemLocked(text);
    impl_->restoredScreens.insert(screen);
  }
  impl_->openScreens.clear();
  if (impl_->escapeAt > 0) {
    char text[128];
    snprintf(text, sizeof text,
             "escape at progress box %d not reached (%d drawn)",
             impl_->escapeAt, impl_->escapeCounter);
    impl_->AddLineLocked(text);
    impl_->escapeAt = -1;
  }
  HANDLE in = ConsoleInput();
  DWORD pending = 0;
  if (options_.drainInput && in != INVALID_HANDLE_VALUE &&
      GetNumberOfConsoleInputEvents(in, &pending) && pending > 0) {
    char text[96];
    snprintf(text, sizeof text, "console input left unread: %lu event(s)",
             static_cast<unsigned long>(pending));
    impl_->AddLineLocked(text);
    FlushConsoleInputBuffer(in);
  }
}

// --- exports ----------------------------------------------------------------

bool Host::GetPluginInfo(PluginMenus *menus) {
  if (!api_.GetPluginInfo)
    return false;
  farapi::PluginInfo info{};
  api_.GetPluginInfo(&info);
  PluginMenus m;
  m.structSize = info.StructSize;
  m.flags = info.Flags;
  for (int i = 0; i < info.DiskMenuStringsNumber && info.DiskMenuStrings; ++i)
    m.diskMenu.push_back(info.DiskMenuStrings[i] ? info.DiskMenuStrings[i]
                                                 : "(null)");
  m.diskNumbersNull = info.DiskMenuNumbers == nullptr;
  for (int i = 0; info.DiskMenuNumbers && i < info.DiskMenuStringsNumber; ++i)
    m.diskNumbers.push_back(info.DiskMenuNumbers[i]);
  for (int i = 0; i < info.PluginMenuStringsNumber && info.PluginMenuStrings;
       ++i)
    m.pluginMenu.push_back(info.PluginMenuStrings[i] ? info.PluginMenuStrings[i]
                                                     : "(null)");
  for (int i = 0;
       i < info.PluginConfigStringsNumber && info.PluginConfigStrings; ++i)
    m.configMenu.push_back(
        info.PluginConfigStrings[i] ? info.PluginConfigStrings[i] : "(null)");
  m.hasPrefix = info.CommandPrefix != nullptr;
  m.prefix = info.CommandPrefix ? info.CommandPrefix : "";
  if (menus)
    *menus = m;
  return true;
}

HANDLE Host::OpenPlugin(int openFrom, int item) {
  if (!api_.OpenPlugin)
    return INVALID_HANDLE_VALUE;
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "OpenPlugin(%d, %d)", openFrom, item);
    AddLine(line);
  }
  HANDLE handle = api_.OpenPlugin(openFrom, item);
  bool opened = handle != INVALID_HANDLE_VALUE && handle != nullptr;
  if (options_.echoCalls)
    AddLine(opened ? "OpenPlugin -> panel opened" : "OpenPlugin -> no panel");
  if (handle == nullptr) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("OpenPlugin returned a null handle");
  }
  AfterOperation("OpenPlugin");
  if (!opened)
    return handle;
  if (panel_)
    FreeListing(); // the new panel replaces the old one
  panel_ = handle;
  model_ = PanelModel();
  CallGetOpenPluginInfo();
  // StartSortMode applies when the panel opens; 0 keeps the host's default.
  model_.sortMode =
      model_.startSortMode > 0 ? model_.startSortMode : farapi::SM_NAME;
  ReadListing(false);
  CallGetOpenPluginInfo();
  AfterOperation("the first listing");
  return handle;
}

void Host::CallGetOpenPluginInfo() {
  if (!panel_ || !api_.GetOpenPluginInfo)
    return;
  farapi::OpenPluginInfo info{};
  api_.GetOpenPluginInfo(panel_, &info);
  model_.flags = info.Flags;
  model_.title = info.PanelTitle ? info.PanelTitle : "";
  model_.format = info.Format ? info.Format : "";
  model_.curDir = info.CurDir ? info.CurDir : "";
  model_.startSortMode = info.StartSortMode;
  model_.infoLines.clear();
  for (int i = 0; info.InfoLines && i < info.InfoLinesNumber && i < 100; ++i) {
    const farapi::InfoPanelLine &l = info.InfoLines[i];
    PanelModel::InfoLine line;
    line.text.assign(l.Text, strnlen(l.Text, sizeof l.Text));
    line.data.assign(l.Data, strnlen(l.Data, sizeof l.Data));
    line.separator = l.Separator != 0;
    model_.infoLines.push_back(line);
  }
  for (auto &group : model_.keyBar)
    for (auto &label : group)
      label = PanelModel::Label();
  if (info.KeyBar) {
    // Groups past the fourth count only with a full-size structure.
    int groups = info.StructSize >= 72 ? 7 : 4;
    char *const *all[7] = {
        info.KeyBar->Titles,          info.KeyBar->CtrlTitles,
        info.KeyBar->AltTitles,       info.KeyBar->ShiftTitles,
        info.KeyBar->CtrlShiftTitles, info.KeyBar->AltShiftTitles,
        info.KeyBar->CtrlAltTitles};
    for (int g = 0; g < groups; ++g)
      for (int k = 0; k < 12; ++k)
        if (all[g][k]) {
          model_.keyBar[g][k].set = true;
          model_.keyBar[g][k].text = all[g][k];
        }
  }
}

void Host::Redraw() {
  CallGetOpenPluginInfo();
}

void Host::FreeListing() {
  if (!listingHeld_)
    return;
  farapi::PluginPanelItem *items = listing_;
  int count = listingCount_;
  listingHeld_ = false;
  listing_ = nullptr;
  listingCount_ = 0;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    ++impl_->findDataFreed;
    if (items)
      impl_->outstandingArrays.erase(items);
  }
  if (api_.FreeFindData)
    api_.FreeFindData(panel_, items, count);
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "FreeFindData(%d items)", count);
    AddLine(line);
  }
}

void Host::ReadListing(bool keepSelection) {
  if (!panel_)
    return;
  std::set<std::string> selected;
  std::string cursorName;
  int cursorIndex = model_.cursor;
  for (const PanelEntry &e : model_.entries)
    if (e.Selected())
      selected.insert(e.Name());
  if (cursorIndex >= 0 && cursorIndex < static_cast<int>(model_.entries.size()))
    cursorName = model_.entries[cursorIndex].Name();
  FreeListing();
  farapi::PluginPanelItem *items = nullptr;
  int count = 0;
  int result = 0;
  if (api_.GetFindData)
    result = api_.GetFindData(panel_, &items, &count, 0);
  if (count < 0 || (count > 0 && !items)) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("GetFindData gave a count without an array");
    count = 0;
  }
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (items && impl_->outstandingArrays.count(items))
      impl_->ProblemLocked("GetFindData returned an array still in use");
    if (items)
      impl_->outstandingArrays.insert(items);
    ++impl_->findDataGiven;
  }
  listing_ = items;
  listingCount_ = count;
  listingHeld_ = true;
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "GetFindData -> %d, %d items", result, count);
    AddLine(line);
  }
  model_.entries.clear();
  if (model_.flags & farapi::OPIF_ADDDOTS) {
    PanelEntry dots;
    dots.dots = true;
    dots.order = -1;
    dots.item.FindData.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    snprintf(dots.item.FindData.cFileName, sizeof dots.item.FindData.cFileName,
             "..");
    model_.entries.push_back(dots);
  }
  for (int i = 0; i < count; ++i) {
    PanelEntry e;
    e.item = items[i];
    e.order = i;
    if (keepSelection && selected.count(e.Name()))
      e.item.Flags |= farapi::PPIF_SELECTED;
    else if (keepSelection)
      e.item.Flags &= ~farapi::PPIF_SELECTED;
    model_.entries.push_back(e);
  }
  SortEntries();
  int n = static_cast<int>(model_.entries.size());
  model_.cursor = 0;
  bool found = false;
  for (int i = 0; i < n && !cursorName.empty(); ++i)
    if (model_.entries[i].Name() == cursorName) {
      model_.cursor = i;
      found = true;
      break;
    }
  if (!found)
    model_.cursor = n == 0 ? 0 : std::min(std::max(cursorIndex, 0), n - 1);
  if (model_.top >= n)
    model_.top = n > 0 ? n - 1 : 0;
}

void Host::SortEntries() {
  auto begin = model_.entries.begin();
  if (begin != model_.entries.end() && begin->dots)
    ++begin;
  int mode = model_.sortMode;
  auto key = [mode](const PanelEntry &a, const PanelEntry &b) {
    const farapi::FindData &x = a.item.FindData, &y = b.item.FindData;
    switch (mode) {
    case farapi::SM_NAME: {
      int c = _stricmp(x.cFileName, y.cFileName);
      if (c)
        return c < 0;
      break;
    }
    case farapi::SM_EXT: {
      const char *ex = strrchr(x.cFileName, '.'),
                 *ey = strrchr(y.cFileName, '.');
      int c = _stricmp(ex ? ex : "", ey ? ey : "");
      if (!c)
        c = _stricmp(x.cFileName, y.cFileName);
      if (c)
        return c < 0;
      break;
    }
    case farapi::SM_MTIME: {
      int c = CompareFileTime(&x.ftLastWriteTime, &y.ftLastWriteTime);
      if (c)
        return c < 0;
      break;
    }
    case farapi::SM_SIZE:
      if (x.nFileSizeLow != y.nFileSizeLow)
        return x.nFileSizeLow < y.nFileSizeLow;
      break;
    default:
      break;
    }
    return a.order < b.order;
  };
  std::stable_sort(begin, model_.entries.end(), key);
}

void Host::Refresh(bool keepSelection) {
  CallGetOpenPluginInfo();
  ReadListing(keepSelection);
  CallGetOpenPluginInfo();
}

bool Host::SetSortMode(int mode) {
  if (mode < farapi::SM_UNSORTED || mode > 11)
    return false;
  std::string cursorName;
  if (model_.cursor < static_cast<int>(model_.entries.size()))
    cursorName = model_.entries[model_.cursor].Name();
  model_.sortMode = mode;
  SortEntries();
  for (size_t i = 0; i < model_.entries.size(); ++i)
    if (model_.entries[i].Name() == cursorName)
      model_.cursor = static_cast<int>(i);
  return true;
}

// --- panel model ------------------------------------------------------------

bool Host::SetCursor(const std::string &name) {
  for (size_t i = 0; i < model_.entries.size(); ++i)
    if (model_.entries[i].Name() == name) {
      model_.cursor = static_cast<int>(i);
      return true;
    }
  return false;
}

bool Host::SetCursorIndex(int index) {
  if (index < 0 || index >= static_cast<int>(model_.entries.size()))
    return false;
  model_.cursor = index;
  return true;
}

bool Host::SelectIndex(int index, bool on) {
  if (index < 0 || index >= static_cast<int>(model_.entries.size()))
    return false;
  PanelEntry &e = model_.entries[index];
  if (e.dots)
    return false; // FAR never selects the parent entry
  if (on)
    e.item.Flags |= farapi::PPIF_SELECTED;
  else
    e.item.Flags &= ~farapi::PPIF_SELECTED;
  return true;
}

bool Host::Select(const std::string &name, bool on) {
  for (size_t i = 0; i < model_.entries.size(); ++i)
    if (model_.entries[i].Name() == name)
      return SelectIndex(static_cast<int>(i), on);
  return false;
}

void Host::SelectAll(bool on) {
  for (size_t i = 0; i < model_.entries.size(); ++i)
    SelectIndex(static_cast<int>(i), on);
}

std::vector<farapi::PluginPanelItem> Host::SelectedItems() const {
  std::vector<farapi::PluginPanelItem> items;
  CurrentOrSelected(&items);
  return items;
}

// FAR's rule: the selected items, or the item under the cursor when nothing
// is selected (never the parent entry).
int Host::CurrentOrSelected(std::vector<farapi::PluginPanelItem> *items) const {
  items->clear();
  for (const PanelEntry &e : model_.entries)
    if (e.Selected() && !e.dots)
      items->push_back(e.item);
  if (items->empty() && model_.cursor >= 0 &&
      model_.cursor < static_cast<int>(model_.entries.size()) &&
      !model_.entries[model_.cursor].dots)
    items->push_back(model_.entries[model_.cursor].item);
  return static_cast<int>(items->size());
}

std::string
Host::ItemsSummary(const std::vector<farapi::PluginPanelItem> &items) const {
  std::string out;
  char head[32];
  snprintf(head, sizeof head, "%u item%s", static_cast<unsigned>(items.size()),
           items.size() == 1 ? "" : "s");
  out = head;
  for (size_t i = 0; i < items.size() && i < 8; ++i)
    out += (i ? ", " : ": ") + Printable(ItemName(items[i]));
  if (items.size() > 8)
    out += ", ...";
  return out;
}

// --- the PC panel -----------------------------------------------------------

bool Host::SetPcFolder(const std::string &folder) {
  char full[MAX_PATH] = {};
  if (!GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr))
    return false;
  DWORD attributes = GetFileAttributesA(full);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  std::string path = full;
  while (path.size() > 3 && path.back() == '\\')
    path.pop_back();
  pc_.folder = path;
  RereadPc();
  return true;
}

void Host::RereadPc() {
  std::set<std::string> selected;
  for (size_t i = 0; i < pc_.items.size(); ++i)
    if (pc_.selected[i])
      selected.insert(ItemName(pc_.items[i]));
  pc_.items.clear();
  pc_.selected.clear();
  if (pc_.folder.empty())
    return;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((WithSlash(pc_.folder) + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE)
    return;
  std::vector<farapi::PluginPanelItem> found;
  do {
    if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0)
      continue;
    found.push_back(FromFindData(data));
  } while (FindNextFileA(search, &data));
  FindClose(search);
  // Folders first, then by name: a stable order for the transcript.
  std::sort(
      found.begin(), found.end(),
      [](const farapi::PluginPanelItem &a, const farapi::PluginPanelItem &b) {
        bool da = a.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        bool db = b.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (da != db)
          return da;
        return strcmp(a.FindData.cFileName, b.FindData.cFileName) < 0;
      });
  for (const farapi::PluginPanelItem &item : found) {
    pc_.items.push_back(item);
    pc_.selected.push_back(selected.count(ItemName(item)) > 0);
  }
}

bool Host::SelectPc(const std::string &name, bool on) {
  for (size_t i = 0; i < pc_.items.size(); ++i)
    if (ItemName(pc_.items[i]) == name) {
      pc_.selected[i] = on;
      return true;
    }
  return false;
}

void Host::SelectAllPc(bool on) {
  for (size_t i = 0; i < pc_.selected.size(); ++i)
    pc_.selected[i] = on;
}

// --- operations -------------------------------------------------------------

int Host::CallGetFiles(std::vector<farapi::PluginPanelItem> items, bool move,
                       const std::string &dest, int opMode) {
  if (!api_.GetFiles)
    return -2;
  char path[4096];
  snprintf(path, sizeof path, "%s", dest.c_str());
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "GetFiles(move=%d, opmode=%d) with ",
             move ? 1 : 0, opMode);
    AddLine(line + ItemsSummary(items));
  }
  std::string before = CurrentFolder();
  RememberTransferItems(items, &transferFlagsGiven_);
  int result =
      api_.GetFiles(panel_, items.empty() ? nullptr : items.data(),
                    static_cast<int>(items.size()), move ? 1 : 0, path, opMode);
  transferItems_ = items;
  if (CurrentFolder() != before) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("GetFiles left another current folder");
  }
  char line[48];
  snprintf(line, sizeof line, "GetFiles -> %d", result);
  AddLine(line);
  AfterOperation("GetFiles");
  return result;
}

int Host::CallPutFiles(std::vector<farapi::PluginPanelItem> items, bool move,
                       int opMode) {
  if (!api_.PutFiles)
    return -2;
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "PutFiles(move=%d, opmode=%d) with ",
             move ? 1 : 0, opMode);
    AddLine(line + ItemsSummary(items));
  }
  std::string before = CurrentFolder();
  RememberTransferItems(items, &transferFlagsGiven_);
  int result =
      api_.PutFiles(panel_, items.empty() ? nullptr : items.data(),
                    static_cast<int>(items.size()), move ? 1 : 0, opMode);
  transferItems_ = items;
  if (CurrentFolder() != before) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("PutFiles left another current folder");
  }
  char line[48];
  snprintf(line, sizeof line, "PutFiles -> %d", result);
  AddLine(line);
  AfterOperation("PutFiles");
  return result;
}

int Host::CallDeleteFiles(std::vector<farapi::PluginPanelItem> items,
                          int opMode) {
  if (!api_.DeleteFiles)
    return -2;
  if (options_.echoCalls) {
    char line[48];
    snprintf(line, sizeof line, "DeleteFiles(opmode=%d) with ", opMode);
    AddLine(line + ItemsSummary(items));
  }
  RememberTransferItems(items, &transferFlagsGiven_);
  int result = api_.DeleteFiles(panel_, items.empty() ? nullptr : items.data(),
                                static_cast<int>(items.size()), opMode);
  transferItems_ = items;
  char line[48];
  snprintf(line, sizeof line, "DeleteFiles -> %d", result);
  AddLine(line);
  AfterOperation("DeleteFiles");
  return result;
}

int Host::CallProcessKey(int key, unsigned controlState) {
  if (!api_.ProcessKey)
    return -2;
  if (options_.echoCalls)
    AddLine("ProcessKey(" + KeyName(key, controlState) + ")");
  int result = api_.ProcessKey(panel_, key, controlState);
  if (options_.echoCalls) {
    char line[48];
    snprintf(line, sizeof line, "ProcessKey -> %d", result);
    AddLine(line);
  }
  AfterOperation("ProcessKey");
  return result;
}

int Host::Configure(int itemNumber) {
  if (!api_.Configure)
    return -2;
  char line[48];
  snprintf(line, sizeof line, "Configure(%d)", itemNumber);
  AddLine(line);
  int result = api_.Configure(itemNumber);
  snprintf(line, sizeof line, "Configure -> %d", result);
  AddLine(line);
  AfterOperation("Configure");
  return result;
}

int Host::CopyToPc(bool move, int opMode) {
  if (!api_.GetFiles)
    return -2;
  std::vector<farapi::PluginPanelItem> items;
  CurrentOrSelected(&items);
  int result = CallGetFiles(items, move, pc_.folder, opMode);
  DeselectAfterTransfer(result, false);
  Refresh(true);
  RereadPc();
  return result;
}

void Host::DeselectAfterTransfer(int result, bool pcPanel) {
  std::set<std::string> cleared;
  for (size_t i = 0;
       i < transferItems_.size() && i < transferFlagsGiven_.size(); ++i)
    if ((transferFlagsGiven_[i] & farapi::PPIF_SELECTED) &&
        !(transferItems_[i].Flags & farapi::PPIF_SELECTED))
      cleared.insert(ItemName(transferItems_[i]));
  if (pcPanel) {
    for (size_t i = 0; i < pc_.items.size(); ++i)
      if (result == 1 || cleared.count(ItemName(pc_.items[i])))
        pc_.selected[i] = false;
    return;
  }
  for (PanelEntry &e : model_.entries)
    if (result == 1 || cleared.count(e.Name()))
      e.item.Flags &= ~farapi::PPIF_SELECTED;
}

int Host::CopyFromPc(bool move, int opMode) {
  if (!api_.PutFiles)
    return -2;
  std::vector<farapi::PluginPanelItem> items;
  for (size_t i = 0; i < pc_.items.size(); ++i)
    if (pc_.selected[i]) {
      // FAR hands over its selected items with their selection flag.
      items.push_back(pc_.items[i]);
      items.back().Flags |= farapi::PPIF_SELECTED;
    }
  // FAR works in the source panel's folder.
  if (!pc_.folder.empty() && !SetCurrentDirectoryA(pc_.folder.c_str())) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("cannot make the PC folder current: " + pc_.folder);
  }
  int result = CallPutFiles(items, move, opMode);
  DeselectAfterTransfer(result, true);
  Refresh(true);
  RereadPc();
  return result;
}

int Host::DeleteSelected(int opMode) {
  if (!api_.DeleteFiles)
    return -2;
  std::vector<farapi::PluginPanelItem> items;
  CurrentOrSelected(&items);
  int result = CallDeleteFiles(items, opMode);
  DeselectAfterTransfer(result, false);
  Refresh(true);
  return result;
}

int Host::PressKey(int key, unsigned controlState) {
  int result = CallProcessKey(key, controlState);
  if (result != 0)
    return result; // taken by the plug-in, or no ProcessKey (-2)
  if (controlState == 0 && key == VK_F5)
    CopyToPc(false);
  else if (controlState == 0 && key == VK_F6)
    CopyToPc(true);
  else if (controlState == 0 && key == VK_F8)
    DeleteSelected();
  else if (controlState == farapi::PKF_CONTROL && key == 'R')
    Refresh(true);
  else
    AddLine("(the host does nothing with " + KeyName(key, controlState) + ")");
  return result;
}

// --- Control ----------------------------------------------------------------

int ControlService(HANDLE panel, int command, void *param) {
  Host::Impl *impl = g_active;
  if (!impl)
    return 0;
  Host *host = impl->host;
  ControlRecord r;
  r.handle = panel;
  r.command = command;
  const char *name = CommandName(command);
  char summary[128] = "";
  bool knownHandle = panel == host->panel_ || panel == INVALID_HANDLE_VALUE;
  {
    std::lock_guard<std::mutex> lock(impl->mutex);
    if (impl->OtherThread())
      impl->ProblemLocked("Control called from another thread");
    if (!knownHandle)
      impl->ProblemLocked("Control called with a handle that is not the "
                          "panel's");
  }
  int result = 1;
  switch (command) {
  case farapi::FCTL_GETPANELINFO:
  case farapi::FCTL_GETANOTHERPANELINFO: {
    farapi::PanelInfo *info = static_cast<farapi::PanelInfo *>(param);
    if (!info) {
      result = 0;
      snprintf(summary, sizeof summary, "null");
      break;
    }
    memset(info, 0, sizeof *info);
    info->Visible = 1;
    info->ViewMode = 2;
    if (command == farapi::FCTL_GETPANELINFO) {
      const PanelModel &m = host->model_;
      impl->infoItems.clear();
      for (const PanelEntry &e : m.entries)
        impl->infoItems.push_back(e.item);
      host->CurrentOrSelected(&impl->infoSelected);
      info->PanelType = farapi::PTYPE_FILEPANEL;
      info->Plugin = 1;
      info->PanelRect = RECT{0, 1, 39, 22};
      info->PanelItems =
          impl->infoItems.empty() ? nullptr : impl->infoItems.data();
      info->ItemsNumber = static_cast<int>(impl->infoItems.size());
      info->SelectedItems =
          impl->infoSelected.empty() ? nullptr : impl->infoSelected.data();
      info->SelectedItemsNumber = static_cast<int>(impl->infoSelected.size());
      info->CurrentItem = m.cursor;
      info->TopPanelItem = m.top;
      info->Focus = 1;
      snprintf(info->CurDir, sizeof info->CurDir, "%s", m.curDir.c_str());
      info->SortMode = m.sortMode;
      snprintf(summary, sizeof summary,
               "-> %d items, cursor %d, top %d, sort %s", info->ItemsNumber,
               info->CurrentItem, info->TopPanelItem, SortName(m.sortMode));
    } else {
      host->RereadPc();
      const PcPanel &pc = host->pc_;
      impl->otherItems.clear();
      impl->otherSelected.clear();
      for (size_t i = 0; i < pc.items.size(); ++i) {
        farapi::PluginPanelItem item = pc.items[i];
        if (pc.selected[i]) {
          item.Flags |= farapi::PPIF_SELECTED;
          impl->otherSelected.push_back(item);
        }
        impl->otherItems.push_back(item);
      }
      info->PanelType = farapi::PTYPE_FILEPANEL;
      info->Plugin = 0;
      info->PanelRect = RECT{40, 1, 79, 22};
      info->PanelItems =
          impl->otherItems.empty() ? nullptr : impl->otherItems.data();
      info->ItemsNumber = static_cast<int>(impl->otherItems.size());
      info->SelectedItems =
          impl->otherSelected.empty() ? nullptr : impl->otherSelected.data();
      info->SelectedItemsNumber = static_cast<int>(impl->otherSelected.size());
      snprintf(info->CurDir, sizeof info->CurDir, "%s", pc.folder.c_str());
      info->SortMode = farapi::SM_NAME;
      snprintf(summary, sizeof summary, "-> PC folder, %d items",
               info->ItemsNumber);
    }
    break;
  }
  case farapi::FCTL_UPDATEPANEL:
    snprintf(summary, sizeof summary, "%s",
             param ? "keep selection" : "reset selection");
    host->AddLine(std::string("control UPDATEPANEL ") + summary);
    host->CallGetOpenPluginInfo();
    host->ReadListing(param != nullptr);
    break;
  case farapi::FCTL_UPDATEANOTHERPANEL:
    host->RereadPc();
    break;
  case farapi::FCTL_REDRAWPANEL: {
    const farapi::PanelRedrawInfo *redraw =
        static_cast<const farapi::PanelRedrawInfo *>(param);
    host->CallGetOpenPluginInfo();
    if (redraw) {
      int n = static_cast<int>(host->model_.entries.size());
      int cursor =
          std::min(std::max(redraw->CurrentItem, 0), n > 0 ? n - 1 : 0);
      int top = std::min(std::max(redraw->TopPanelItem, 0), n > 0 ? n - 1 : 0);
      host->model_.cursor = cursor;
      host->model_.top = top;
      snprintf(summary, sizeof summary, "cursor %d, top %d",
               redraw->CurrentItem, redraw->TopPanelItem);
    } else {
      snprintf(summary, sizeof summary, "null");
    }
    break;
  }
  case farapi::FCTL_REDRAWANOTHERPANEL:
    snprintf(summary, sizeof summary, "%s", param ? "with info" : "null");
    break;
  case farapi::FCTL_SETSORTMODE: {
    const int *mode = static_cast<const int *>(param);
    if (!mode || !host->SetSortMode(*mode)) {
      result = 0;
      snprintf(summary, sizeof summary, "%s", mode ? "bad mode" : "null");
    } else {
      snprintf(summary, sizeof summary, "%s", SortName(*mode));
    }
    break;
  }
  default:
    result = 0;
    break;
  }
  r.param = summary;
  r.result = result;
  std::lock_guard<std::mutex> lock(impl->mutex);
  impl->controls.push_back(r);
  if (command == farapi::FCTL_UPDATEPANEL)
    return result;
  if (name) {
    impl->AddLineLocked(std::string("control ") + name +
                        (summary[0] ? std::string(" ") + summary : ""));
  } else {
    char text[64];
    snprintf(text, sizeof text, "Control command %d is not supported", command);
    impl->ProblemLocked(text);
  }
  return result;
}

// --- text forms -------------------------------------------------------------

std::string Host::FormatPanel() const {
  const PanelModel &m = model_;
  std::string out;
  if (!panel_)
    return "panel: not open\n";
  int files = 0;
  for (const PanelEntry &e : m.entries)
    files += e.dots ? 0 : 1;
  char head[160];
  snprintf(head, sizeof head, "panel \"%s\" format \"%s\", sort %s, %d files",
           Printable(m.title).c_str(), Printable(m.format).c_str(),
           SortName(m.sortMode), files);
  out = head;
  out += "\n";
  char desc[320];
  snprintf(desc, sizeof desc, "  flags %lu (%s), dir \"%s\", start sort %s\n",
           static_cast<unsigned long>(m.flags), PanelFlagNames(m.flags).c_str(),
           Printable(m.curDir).c_str(), SortName(m.startSortMode));
  out += desc;
  for (size_t i = 0; i < m.entries.size(); ++i) {
    const PanelEntry &e = m.entries[i];
    char line[400];
    if (e.dots) {
      snprintf(line, sizeof line, "  %c   ..\n",
               static_cast<int>(i) == m.cursor ? '>' : ' ');
    } else {
      const farapi::FindData &f = e.item.FindData;
      snprintf(line, sizeof line, "  %c%c  %-24s %10lu  %s  #%lu\n",
               static_cast<int>(i) == m.cursor ? '>' : ' ',
               e.Selected() ? '*' : ' ', Printable(e.Name()).c_str(),
               static_cast<unsigned long>(f.nFileSizeLow),
               FormatTime(f.ftLastWriteTime).c_str(),
               static_cast<unsigned long>(e.item.UserData));
    }
    out += line;
  }
  return out;
}

std::string Host::FormatInfo() const {
  std::string out = "info panel:\n";
  for (const PanelModel::InfoLine &l : model_.infoLines) {
    char line[256];
    if (l.separator)
      snprintf(line, sizeof line, "  -- %s --%s%s\n", Printable(l.text).c_str(),
               l.data.empty() ? "" : " ", Printable(l.data).c_str());
    else
      snprintf(line, sizeof line, "  %-28s %s\n", Printable(l.text).c_str(),
               Printable(l.data).c_str());
    out += line;
  }
  return out;
}

std::string Host::FormatKeyBar() const {
  static const unsigned states[7] = {0,
                                     farapi::PKF_CONTROL,
                                     farapi::PKF_ALT,
                                     farapi::PKF_SHIFT,
                                     farapi::PKF_CONTROL | farapi::PKF_SHIFT,
                                     farapi::PKF_ALT | farapi::PKF_SHIFT,
                                     farapi::PKF_CONTROL | farapi::PKF_ALT};
  std::string out = "key bar:\n";
  for (int g = 0; g < 7; ++g)
    for (int k = 0; k < 12; ++k)
      if (model_.keyBar[g][k].set)
        out += "  " + KeyName(VK_F1 + k, states[g]) + " \"" +
               Printable(model_.keyBar[g][k].text) + "\"\n";
  return out;
}

std::string Host::FormatPc() const {
  std::string out = "PC panel: " + Printable(pc_.folder) + "\n";
  for (size_t i = 0; i < pc_.items.size(); ++i) {
    const farapi::FindData &f = pc_.items[i].FindData;
    char line[400];
    bool dir = f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    char size[16];
    if (dir)
      snprintf(size, sizeof size, "%10s", "<DIR>");
    else
      snprintf(size, sizeof size, "%10lu",
               static_cast<unsigned long>(f.nFileSizeLow));
    snprintf(line, sizeof line, "  %c  %-24s %s  %s%s\n",
             pc_.selected[i] ? '*' : ' ', Printable(f.cFileName).c_str(), size,
             // A folder's time changes with its contents: not shown.
             dir ? "-" : FormatTime(f.ftLastWriteTime).c_str(),
             (f.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? "  R" : "");
    out += line;
  }
  return out;
}

std::string Host::FormatMenus(const PluginMenus &m) const {
  std::string out;
  char line[96];
  snprintf(line, sizeof line, "plugin info: StructSize %d, flags %lu\n",
           m.structSize, static_cast<unsigned long>(m.flags));
  out += line;
  for (size_t i = 0; i < m.diskMenu.size(); ++i) {
    out += "  disk menu: \"" + Printable(m.diskMenu[i]) + "\"";
    if (i < m.diskNumbers.size()) {
      snprintf(line, sizeof line, " hot key %d", m.diskNumbers[i]);
      out += line;
    } else {
      out += " no hot key";
    }
    out += "\n";
  }
  if (m.diskMenu.empty())
    out += "  disk menu: none\n";
  for (const std::string &s : m.pluginMenu)
    out += "  plug-ins menu: \"" + Printable(s) + "\"\n";
  for (const std::string &s : m.configMenu)
    out += "  configuration menu: \"" + Printable(s) + "\"\n";
  out += m.hasPrefix ? "  command prefix: \"" + Printable(m.prefix) + "\"\n"
                     : "  command prefix: none\n";
  return out;
}

// --- helpers for tests ------------------------------------------------------

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path);
  return full.substr(0, full.find_last_of('\\') + 1);
}

bool MakePluginFolder(const std::string &dest, const std::string &library,
                      const std::string &buildPluginFolder) {
  std::string to = WithSlash(dest);
  CreateDirectoryA(to.c_str(), nullptr);
  std::string from = WithSlash(buildPluginFolder);
  bool ok = CopyFileA((from + "DAVUman.dll").c_str(),
                      (to + "DAVUman.dll").c_str(), FALSE) != 0;
  for (const char *mask : {"*.lng", "*.hlf"}) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((from + mask).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
      continue;
    do {
      ok = CopyFileA((from + data.cFileName).c_str(),
                     (to + data.cFileName).c_str(), FALSE) != 0 &&
           ok;
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  if (!library.empty())
    ok = CopyFileA(library.c_str(), (to + "USBCTRL.dll").c_str(), FALSE) != 0 &&
         ok;
  return ok;
}

namespace {
struct OwnedHandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~OwnedHandle() {
    if (h != INVALID_HANDLE_VALUE && h != nullptr)
      CloseHandle(h);
  }
};

std::string TempFileName(const char *prefix) {
  char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  GetTempFileNameA(folder, prefix, 0, name);
  return name;
}

HANDLE OpenInheritable(const std::string &path, DWORD access, DWORD create) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &sa, create, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

std::string ReadWhole(const std::string &path) {
  std::string out;
  FILE *f = fopen(path.c_str(), "rb");
  if (!f)
    return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
    out.append(buffer, n);
  fclose(f);
  return out;
}
} // namespace

bool RunProgram(const std::string &commandLine, const std::string &input,
                ProgramRun *run) {
  // Files rather than pipes: nothing can block on a full pipe.
  std::string inPath = TempFileName("fin"), outPath = TempFileName("fout"),
              errPath = TempFileName("ferr");
  {
    FILE *f = fopen(inPath.c_str(), "wb");
    if (!f)
      return false;
    fwrite(input.data(), 1, input.size(), f);
    fclose(f);
  }
  bool started = false;
  {
    OwnedHandle in{OpenInheritable(inPath, GENERIC_READ, OPEN_EXISTING)};
    OwnedHandle out{OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS)};
    OwnedHandle err{OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS)};
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.h;
    si.hStdOutput = out.h;
    si.hStdError = err.h;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &si, &pi) != 0;
    if (started) {
      OwnedHandle process{pi.hProcess}, thread{pi.hThread};
      WaitForSingleObject(pi.hProcess, INFINITE);
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      run->exitCode = static_cast<int>(code);
    }
  }
  if (started) {
    run->out = ReadWhole(outPath);
    run->err = ReadWhole(errPath);
  }
  DeleteFileA(inPath.c_str());
  DeleteFileA(outPath.c_str());
  DeleteFileA(errPath.c_str());
  return started;
}

} // namespace farhost
