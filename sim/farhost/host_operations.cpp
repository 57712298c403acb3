// What a user does on the panel, as FAR turns it into calls of the
// plug-in's exports: opening, copying both ways, deleting and keys.
#include "sim/farhost/host_impl.h"

#include <cstdio>
#include <set>

namespace farhost {

namespace {

std::string CurrentFolder() {
  char buffer[4096] = {};
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer) : std::string();
}

void RememberTransferItems(const std::vector<farapi::PluginPanelItem> &items,
                           std::vector<DWORD> *flags) {
  flags->clear();
  for (const farapi::PluginPanelItem &item : items)
    flags->push_back(item.Flags);
}

} // namespace

HANDLE Host::OpenPlugin(int openFrom, int item) {
  if (!EnsureLoaded() || !api_.OpenPlugin)
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
  panel_ = handle; // the new panel replaces the old one
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

// --- operations -------------------------------------------------------------

// The call line, the items' selection flags before and after, the current
// folder (a transfer that keeps it must find it unchanged afterwards) and
// the result line.
int Host::CallTransfer(
    const char *name, const std::string &arguments,
    std::vector<farapi::PluginPanelItem> &items, bool keepsFolder,
    const std::function<int(farapi::PluginPanelItem *, int)> &call) {
  if (options_.echoCalls)
    AddLine(std::string(name) + "(" + arguments + ") with " +
            ItemsSummary(items));
  std::string before = keepsFolder ? CurrentFolder() : std::string();
  RememberTransferItems(items, &transferFlagsGiven_);
  int result = call(items.empty() ? nullptr : items.data(),
                    static_cast<int>(items.size()));
  transferItems_ = items;
  if (keepsFolder && CurrentFolder() != before) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked(std::string(name) + " left another current folder");
  }
  AddLine(std::string(name) + " -> " + std::to_string(result));
  AfterOperation(name);
  return result;
}

int Host::CallGetFiles(std::vector<farapi::PluginPanelItem> items, bool move,
                       const std::string &dest, int opMode) {
  if (!api_.GetFiles)
    return -2;
  char path[4096];
  snprintf(path, sizeof path, "%s", dest.c_str());
  return CallTransfer(
      "GetFiles",
      "move=" + std::to_string(move ? 1 : 0) +
          ", opmode=" + std::to_string(opMode),
      items, true, [&](farapi::PluginPanelItem *array, int count) {
        return api_.GetFiles(panel_, array, count, move ? 1 : 0, path, opMode);
      });
}

int Host::CallPutFiles(std::vector<farapi::PluginPanelItem> items, bool move,
                       int opMode) {
  if (!api_.PutFiles)
    return -2;
  return CallTransfer(
      "PutFiles",
      "move=" + std::to_string(move ? 1 : 0) +
          ", opmode=" + std::to_string(opMode),
      items, true, [&](farapi::PluginPanelItem *array, int count) {
        return api_.PutFiles(panel_, array, count, move ? 1 : 0, opMode);
      });
}

int Host::CallDeleteFiles(std::vector<farapi::PluginPanelItem> items,
                          int opMode) {
  if (!api_.DeleteFiles)
    return -2;
  return CallTransfer("DeleteFiles", "opmode=" + std::to_string(opMode), items,
                      false, [&](farapi::PluginPanelItem *array, int count) {
                        return api_.DeleteFiles(panel_, array, count, opMode);
                      });
}

// The call and its result on one line when the plug-in showed nothing in
// between, as for most of the pre-processed and idle keys.
int Host::CallProcessKey(int key, unsigned controlState) {
  if (!api_.ProcessKey)
    return -2;
  std::string name = (key & kPreprocessKey) ? "PREPROCESS " : "";
  int plain = key & ~kPreprocessKey;
  name += plain == kKeyNone ? "KEY_NONE" : KeyName(plain, controlState);
  size_t mark = 0;
  if (options_.echoCalls) {
    AddLine("ProcessKey(" + name + ")");
    std::lock_guard<std::mutex> lock(impl_->mutex);
    mark = impl_->transcript.size();
  }
  int result = api_.ProcessKey(panel_, key, controlState);
  if (options_.echoCalls) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    std::string &t = impl_->transcript;
    if (t.size() == mark && impl_->heldProgress == 0) {
      t.pop_back();
      t += " -> " + std::to_string(result) + "\n";
    } else {
      impl_->AddLineLocked("ProcessKey -> " + std::to_string(result));
    }
  }
  AfterOperation("ProcessKey", !(key & kPreprocessKey) && plain != kKeyNone);
  return result;
}

int Host::SendKey(int key, unsigned controlState) {
  int result = CallProcessKey(key | kPreprocessKey, controlState);
  if (result != 0)
    return result;
  return CallProcessKey(key, controlState);
}

void Host::SendIdleKey() {
  if (panel_)
    SendKey(kKeyNone, 0);
}

int Host::Configure(int itemNumber) {
  if (!EnsureLoaded() || !api_.Configure)
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
  if (opMode == 0 && !CopyDialog(move, items))
    return -1;
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

// FAR's Copy dialog towards a plug-in's panel: the target is the panel's
// format with a colon. False when cancelled.
bool Host::CopyDialog(bool move,
                      const std::vector<farapi::PluginPanelItem> &items) {
  std::string what;
  if (items.size() == 1) {
    what = std::string(move ? "Rename or move" : "Copy") + " \"" +
           ItemName(items[0]) + "\"";
  } else {
    what = std::string(move ? "Rename or move " : "Copy ") +
           std::to_string(items.size()) + " items";
  }
  MessageRecord box;
  box.items = {move ? "Rename/Move" : "Copy",
               what + " to:", model_.format + ":", move ? "Rename" : "Copy",
               "Cancel"};
  box.buttons = 2;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->ui) {
      box.answer = impl_->ui->ShowMessage(box);
      box.scripted = true;
    }
  }
  if (!impl_->ui && cancelCopyDialog_) {
    box.answer = 1;
    box.scripted = true;
  }
  cancelCopyDialog_ = false;
  AddLine("host dialog " + FormatBox(box, false));
  return box.answer == 0;
}

int Host::PressKey(int key, unsigned controlState) {
  int result = SendKey(key, controlState);
  if (result == 0)
    HostKey(key, controlState);
  RedrawScreen();
  SendIdleKey();
  return result;
}

// The keys FAR itself handles on a plug-in's panel.
void Host::HostKey(int key, unsigned controlState) {
  if (controlState == 0 && key == VK_F3)
    ViewCurrent();
  else if (controlState == 0 && key == VK_F5)
    CopyToPc(false);
  else if (controlState == 0 && key == VK_F6)
    CopyToPc(true);
  else if (controlState == 0 && key == VK_F8)
    DeleteSelected();
  else if (controlState == farapi::PKF_CONTROL && key == 'R')
    Refresh(true);
  else
    AddLine("(the host does nothing with " + KeyName(key, controlState) + ")");
}

// FAR's temporary folder for a file to view: %TEMP%\FTMPxxxx.
std::string MakeViewFolder() {
  char temp[MAX_PATH] = {};
  DWORD n = GetTempPathA(sizeof temp, temp);
  if (n == 0 || n >= sizeof temp)
    return std::string();
  for (unsigned i = 0; i < 0x10000; ++i) {
    char folder[MAX_PATH + 16];
    snprintf(folder, sizeof folder, "%sFTMP%04X", temp,
             static_cast<unsigned>((GetTickCount() + i) & 0xFFFF));
    if (CreateDirectoryA(folder, nullptr))
      return folder;
  }
  return std::string();
}

unsigned long long FileSize(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return ~0ull;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
         data.nFileSizeLow;
}

int Host::ViewCurrent() {
  const PanelModel &m = model_;
  if (!api_.GetFiles || m.cursor < 0 ||
      m.cursor >= static_cast<int>(m.entries.size()) ||
      m.entries[m.cursor].dots ||
      (m.entries[m.cursor].item.FindData.dwFileAttributes &
       FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  std::string folder = MakeViewFolder();
  if (folder.empty()) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("cannot make a temporary folder to view a file");
    return 0;
  }
  std::vector<farapi::PluginPanelItem> items{m.entries[m.cursor].item};
  int result =
      CallGetFiles(items, false, folder, farapi::OPM_SILENT | farapi::OPM_VIEW);
  std::string path = folder + "\\" + ItemName(items[0]);
  unsigned long long size = FileSize(path);
  if (result == 1 && size != ~0ull) {
    AddLine("viewer: " + ItemName(items[0]) + ", " + std::to_string(size) +
            " bytes, in %TEMP%\\FTMPxxxx");
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->ui)
      impl_->ui->ViewFile(path);
  } else if (result == 1) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->ProblemLocked("GetFiles for the viewer gave 1 but no file");
  }
  // FAR removes the copy and its folder when the viewer closes.
  DeleteFileA(path.c_str());
  RemoveDirectoryA(folder.c_str());
  return result;
}

} // namespace farhost
