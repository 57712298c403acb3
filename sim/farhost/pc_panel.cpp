// The other panel: a folder of the PC read from disk, with its selection.
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace farhost {

namespace {

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

} // namespace

std::string WithSlash(const std::string &folder) {
  if (!folder.empty() && folder.back() != '\\')
    return folder + '\\';
  return folder;
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

} // namespace farhost
