// Loading the plug-in: its folder, the DLL and its export table, the
// language and help files, and the host table SetStartupInfo hands over.
#include "sim/farhost/host_impl.h"

#include "host/unique_handle.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace farhost {

namespace {

// Every export the host knows, by name, with the slot it fills.
template <typename F> void Bind(HMODULE module, const char *name, F *slot) {
  *slot = reinterpret_cast<F>(
      reinterpret_cast<void *>(GetProcAddress(module, name)));
}

void BindExports(HMODULE module, Host::Exports *api) {
  Bind(module, "SetStartupInfo", &api->SetStartupInfo);
  Bind(module, "GetPluginInfo", &api->GetPluginInfo);
  Bind(module, "OpenPlugin", &api->OpenPlugin);
  Bind(module, "GetOpenPluginInfo", &api->GetOpenPluginInfo);
  Bind(module, "GetFindData", &api->GetFindData);
  Bind(module, "FreeFindData", &api->FreeFindData);
  Bind(module, "GetFiles", &api->GetFiles);
  Bind(module, "PutFiles", &api->PutFiles);
  Bind(module, "DeleteFiles", &api->DeleteFiles);
  Bind(module, "ProcessKey", &api->ProcessKey);
  Bind(module, "Configure", &api->Configure);
  Bind(module, "ClosePlugin", &api->ClosePlugin);
}

// Every *.dll under the folder, sub-folders too, in name order (a folder's
// files before its sub-folders).
void FindDlls(const std::string &folder, std::vector<std::string> *out) {
  std::vector<std::string> files, folders;
  WIN32_FIND_DATAA data;
  davu::UniqueFind search(FindFirstFileA((folder + "*").c_str(), &data));
  if (!search)
    return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..")
      continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      folders.push_back(name);
    else if (name.size() > 4 &&
             _stricmp(name.c_str() + name.size() - 4, ".dll") == 0)
      files.push_back(name);
  } while (FindNextFileA(search.Get(), &data));
  auto byName = [](const std::string &a, const std::string &b) {
    return _stricmp(a.c_str(), b.c_str()) < 0;
  };
  std::sort(files.begin(), files.end(), byName);
  std::sort(folders.begin(), folders.end(), byName);
  for (const std::string &f : files)
    out->push_back(folder + f);
  for (const std::string &f : folders)
    FindDlls(folder + f + "\\", out);
}

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
  listing_.clear();
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
  if (!FindPluginFolder(pluginFolder, dllName, &err))
    return false;
  ScanPluginFolder();
  if (!options_.cachedStart && !LoadModule(callStartup, &err))
    return false;
  ReadLanguageFiles();
  FillStartupInfo();
  if (callStartup && !options_.cachedStart) {
    CallSetStartupInfo();
    // FAR fills its plug-in cache from the menus at the first start.
    if (GetPluginInfo(nullptr) && options_.echoCalls)
      AddLine("GetPluginInfo");
  }
  return true;
}

bool Host::EnsureLoaded() {
  if (module_)
    return true;
  std::string err;
  if (!LoadModule(true, &err)) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked(err);
    return false;
  }
  return CallSetStartupInfo();
}

// FAR loads every DLL under its plug-ins folder to look for the exports of
// a plug-in; one that has none is freed. The plug-in's own DLL is loaded
// by LoadModule.
void Host::ScanPluginFolder() {
  std::vector<std::string> dlls;
  FindDlls(folder_, &dlls);
  for (const std::string &path : dlls)
    if (_stricmp(path.c_str(), modulePath_.c_str()) != 0)
      ProbeForeignDll(path);
}

void Host::ProbeForeignDll(const std::string &path) {
  std::string shown = path.substr(folder_.size());
  davu::UniqueModule module(
      LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) {
    DWORD error = GetLastError();
    // FAR passes over files that are no DLL of this machine in silence.
    if (error == ERROR_BAD_EXE_FORMAT || error == ERROR_PROC_NOT_FOUND) {
      AddLine("scan: " + shown + " is no loadable DLL, passed over");
      return;
    }
    HostBox({"Error", "Error loading plugin module", path, "Ok"}, 1,
            farapi::FMSG_WARNING);
    return;
  }
  bool plugin = GetProcAddress(module.Get(), "OpenPlugin") ||
                GetProcAddress(module.Get(), "OpenFilePlugin") ||
                GetProcAddress(module.Get(), "SetStartupInfo");
  AddLine("scan: " + shown +
          (plugin ? " is another plug-in, not hosted here: freed"
                  : " has no plug-in exports: freed"));
}

// A box of the host's own: kept for the screen, answered with its first
// button, written into the transcript.
void Host::HostBox(const std::vector<std::string> &items, int buttons,
                   DWORD flags) {
  MessageRecord box;
  box.flags = flags;
  box.items = items;
  box.buttons = buttons;
  loadingBoxes_.push_back(box);
  AddLine("host " + FormatBox(box, false));
}

bool Host::FindPluginFolder(const std::string &pluginFolder,
                            const std::string &dllName, std::string *err) {
  char full[MAX_PATH] = {};
  if (!GetFullPathNameA(pluginFolder.c_str(), sizeof full, full, nullptr)) {
    *err = "bad plug-in folder name: " + pluginFolder;
    return false;
  }
  DWORD attributes = GetFileAttributesA(full);
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *err = "plug-in folder not found: " + pluginFolder;
    return false;
  }
  folder_ = WithSlash(full);
  modulePath_ = folder_ + dllName;
  if (GetFileAttributesA(modulePath_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    *err = "no " + dllName + " in " + folder_;
    return false;
  }
  return true;
}

bool Host::LoadModule(bool callStartup, std::string *err) {
  HMODULE module = LoadLibraryA(modulePath_.c_str());
  if (!module) {
    char text[64];
    snprintf(text, sizeof text, " (error %lu)",
             static_cast<unsigned long>(GetLastError()));
    *err = "cannot load " + modulePath_ + text;
    return false;
  }
  davu::UniqueModule guard(module);
  BindExports(module, &api_);
  if (callStartup && !api_.SetStartupInfo) {
    *err = modulePath_ + " has no SetStartupInfo export";
    return false;
  }
  module_ = guard.Release();
  return true;
}

void Host::ReadLanguageFiles() {
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
}

const char *DefaultRootKey(HostProfile profile) {
  return profile == HostProfile::Far3 ? "Software\\Far Manager\\Plugins"
                                      : "Software\\Far\\Plugins";
}

void Host::FillStartupInfo() {
  startup_ = farapi::PluginStartupInfo{};
  startup_.StructSize = options_.structSize;
  snprintf(startup_.ModuleName, sizeof startup_.ModuleName, "%s",
           modulePath_.c_str());
  startup_.ModuleNumber = kModuleNumber;
  startup_.RootKey = options_.rootKey.c_str();
  FillServices(&startup_, &fsf_);
  startup_.FSF = &fsf_;
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

bool Host::GetPluginInfo(PluginMenus *menus) {
  if (!EnsureLoaded() || !api_.GetPluginInfo)
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
  m.diskNumbersIgnored = options_.profile == HostProfile::Far3;
  SaveMenuCache(m);
  if (menus)
    *menus = m;
  return true;
}

bool Host::Menus(PluginMenus *menus) {
  bool ok = (!module_ && options_.cachedStart && LoadMenuCache(menus)) ||
            GetPluginInfo(menus);
  if (ok && menus)
    menus->diskNumbersIgnored = options_.profile == HostProfile::Far3;
  return ok;
}

} // namespace farhost
