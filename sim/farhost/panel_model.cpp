// The plug-in's panel as FAR keeps it: the description from
// GetOpenPluginInfo, the listing with its ledger of find-data arrays, the
// sort order, the cursor and the selection.
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace farhost {

std::string ItemName(const farapi::PluginPanelItem &item) {
  return std::string(
      item.FindData.cFileName,
      strnlen(item.FindData.cFileName, sizeof item.FindData.cFileName));
}

void Host::CallGetOpenPluginInfo() {
  if (!panel_ || !api_.GetOpenPluginInfo)
    return;
  farapi::OpenPluginInfo info{};
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    ++impl_->openInfoCalls;
  }
  api_.GetOpenPluginInfo(panel_, &info);
  model_.flags = info.Flags;
  model_.title = info.PanelTitle ? info.PanelTitle : "";
  model_.format = info.Format ? info.Format : "";
  model_.curDir = info.CurDir ? info.CurDir : "";
  model_.panelModes = info.PanelModesArray && info.PanelModesNumber > 0
                          ? info.PanelModesNumber
                          : 0;
  // FAR 3's wrapper drops the start sort of an old plug-in without modes.
  bool takesStart =
      model_.panelModes > 0 || options_.profile == HostProfile::Far170;
  model_.startSortMode = takesStart ? info.StartSortMode : 0;
  for (int i = 0; i < model_.panelModes && i < 10; ++i) {
    const farapi::PanelMode &mode = info.PanelModesArray[i];
    // FAR takes a mode's columns only when types and widths are both there.
    if ((mode.ColumnTypes == nullptr) != (mode.ColumnWidths == nullptr)) {
      std::lock_guard<std::mutex> lock(impl_->mutex);
      impl_->ProblemLocked("panel mode " + std::to_string(i) +
                           " has column types or widths, not both");
    }
  }
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

void Host::RedrawScreen() {
  if (!panel_)
    return;
  CallGetOpenPluginInfo(); // the panel
  CallGetOpenPluginInfo(); // its title and key bar
}

int Host::OpenInfoCalls() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openInfoCalls;
}

void Host::ReadListing(bool keepSelection) {
  if (!panel_)
    return;
  std::set<std::string> selected;
  for (const PanelEntry &e : model_.entries)
    if (e.Selected())
      selected.insert(e.Name());
  int cursorIndex = model_.cursor;
  std::string cursorName;
  if (cursorIndex >= 0 && cursorIndex < static_cast<int>(model_.entries.size()))
    cursorName = model_.entries[cursorIndex].Name();
  listing_ = TakeListing(0);
  FillEntries(keepSelection ? &selected : nullptr);
  SortEntries();
  PlaceCursor(cursorName, cursorIndex);
}

// GetFindData, the host's copy of the items, and FreeFindData at once, as
// FAR does; the array stays in the ledger only between the two calls.
std::vector<farapi::PluginPanelItem> Host::TakeListing(int opMode) {
  farapi::PluginPanelItem *items = nullptr;
  int count = 0;
  int result = 0;
  if (api_.GetFindData)
    result = api_.GetFindData(panel_, &items, &count, opMode);
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (count < 0 || (count > 0 && !items)) {
      impl_->ProblemLocked("GetFindData gave a count without an array");
      count = 0;
    }
    if (items && impl_->outstandingArrays.count(items))
      impl_->ProblemLocked("GetFindData returned an array still in use");
    if (items)
      impl_->outstandingArrays.insert(items);
    ++impl_->findDataGiven;
  }
  std::vector<farapi::PluginPanelItem> listing(items, items + count);
  // The strings belong to the plug-in and go with FreeFindData.
  for (farapi::PluginPanelItem &item : listing) {
    item.Description = nullptr;
    item.Owner = nullptr;
    item.CustomColumnData = nullptr;
    item.CustomColumnNumber = 0;
  }
  if (options_.echoCalls) {
    char line[64];
    snprintf(line, sizeof line, "GetFindData%s -> %d, %d items",
             opMode & farapi::OPM_FIND ? "(OPM_FIND)" : "", result, count);
    AddLine(line);
  }
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
  return listing;
}

// The panel's entries from the listing: ".." first when asked for; with
// `keep`, the selection is kept by name instead of the plug-in's flags.
void Host::FillEntries(const std::set<std::string> *keep) {
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
  for (size_t i = 0; i < listing_.size(); ++i) {
    PanelEntry e;
    e.item = listing_[i];
    e.order = static_cast<int>(i);
    if (keep && keep->count(e.Name()))
      e.item.Flags |= farapi::PPIF_SELECTED;
    else if (keep)
      e.item.Flags &= ~farapi::PPIF_SELECTED;
    model_.entries.push_back(e);
  }
}

// The cursor stays on the item of that name, else near its old place.
void Host::PlaceCursor(const std::string &name, int index) {
  int n = static_cast<int>(model_.entries.size());
  model_.cursor = 0;
  bool found = false;
  for (int i = 0; i < n && !name.empty(); ++i)
    if (model_.entries[i].Name() == name) {
      model_.cursor = i;
      found = true;
      break;
    }
  if (!found)
    model_.cursor = n == 0 ? 0 : std::min(std::max(index, 0), n - 1);
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

} // namespace farhost
