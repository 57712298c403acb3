// The host's picture of its two panels: the plug-in's panel as FAR keeps
// it, and the other panel, a folder of the PC.
#pragma once

#include "host/far_api.h"

#include <windows.h>

#include <string>
#include <vector>

namespace farhost {

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
  int startSortMode = 0; // as the latest GetOpenPluginInfo gave it, if taken
  int panelModes = 0;    // PanelModesNumber, 0 when there is no array
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

// The modifiers of the key bar's seven groups, in KeyBarTitles' order.
constexpr unsigned kKeyBarStates[7] = {0,
                                       farapi::PKF_CONTROL,
                                       farapi::PKF_ALT,
                                       farapi::PKF_SHIFT,
                                       farapi::PKF_CONTROL | farapi::PKF_SHIFT,
                                       farapi::PKF_ALT | farapi::PKF_SHIFT,
                                       farapi::PKF_CONTROL | farapi::PKF_ALT};

// The other panel: a folder of the PC.
struct PcPanel {
  std::string folder; // with no trailing backslash unless a root
  std::vector<farapi::PluginPanelItem> items; // FindData from FindFirstFileA
  std::vector<bool> selected;
};

} // namespace farhost
