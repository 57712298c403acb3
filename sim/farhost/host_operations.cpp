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

} // namespace farhost
