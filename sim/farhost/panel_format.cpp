// Text forms of the panels and the plug-in's menus for the transcript.
#include "sim/farhost/host_impl.h"

#include <cstdio>

namespace farhost {

namespace {

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

} // namespace

const char *SortName(int mode) {
  static const char *const names[] = {
      "default", "unsorted", "name",  "ext",   "mtime",           "ctime",
      "atime",   "size",     "descr", "owner", "compressed size", "links"};
  return mode >= 0 && mode < 12 ? names[mode] : "?";
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
  std::string out = "key bar:\n";
  for (int g = 0; g < 7; ++g)
    for (int k = 0; k < 12; ++k)
      if (model_.keyBar[g][k].set)
        out += "  " + KeyName(VK_F1 + k, kKeyBarStates[g]) + " \"" +
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
      snprintf(line, sizeof line, " hot key %d%s", m.diskNumbers[i],
               m.diskNumbersIgnored ? ", not used by this host" : "");
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

} // namespace farhost
