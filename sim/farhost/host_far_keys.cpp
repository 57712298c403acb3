// FAR's own keys on a plug-in's panel that copy a file of it for FAR's own
// use: Ctrl+Q (quick view), Alt+F7 (search) and F4 (edit and save).
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace farhost {

namespace {

// The file under the cursor, null when it is ".." or a folder.
const farapi::PluginPanelItem *CursorFile(const PanelModel &m) {
  if (m.cursor < 0 || m.cursor >= static_cast<int>(m.entries.size()))
    return nullptr;
  const PanelEntry &e = m.entries[m.cursor];
  if (e.dots || (e.item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return nullptr;
  return &e.item;
}

bool ContainsText(const std::string &bytes, const std::string &text) {
  auto lower = [](char c) {
    return static_cast<char>(tolower(static_cast<unsigned char>(c)));
  };
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end(),
                     [&](char a, char b) { return lower(a) == lower(b); }) !=
         bytes.end();
}

// The copy FAR made for itself goes when FAR is done with it.
void RemoveCopy(const std::string &folder, const std::string &name) {
  std::string path = folder + "\\" + name;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(folder.c_str());
}

} // namespace

int Host::QuickView(const std::vector<int> &typed) {
  const farapi::PluginPanelItem *file = CursorFile(model_);
  std::string folder = file && api_.GetFiles ? MakeViewFolder() : "";
  if (folder.empty())
    return 0;
  std::vector<farapi::PluginPanelItem> items{*file};
  std::string name = ItemName(items[0]);
  // A person goes on typing while the file comes over.
  for (int key : typed)
    InjectKey(key);
  int result = CallGetFiles(items, false, folder,
                            farapi::OPM_SILENT | farapi::OPM_VIEW |
                                farapi::OPM_QUICKVIEW);
  unsigned long long size = FileSize(folder + "\\" + name);
  if (result == 1 && size != ~0ull)
    AddLine("quick view: " + name + ", " + std::to_string(size) + " bytes");
  RemoveCopy(folder, name);
  // The cursor keys left for the host move its cursor, as in FAR.
  int cursor = model_.cursor;
  const int last = static_cast<int>(model_.entries.size()) - 1;
  for (int key : TakeKeysLeft()) {
    if (key == VK_DOWN)
      cursor = std::min(cursor + 1, last);
    else if (key == VK_UP)
      cursor = std::max(cursor - 1, 0);
    else if (key == VK_HOME)
      cursor = 0;
    else if (key == VK_END)
      cursor = last;
  }
  SetCursorIndex(cursor);
  return result;
}

std::vector<std::string> Host::Find(const std::string &text, int cancelAt) {
  std::vector<std::string> found;
  if (!panel_ || !api_.GetFiles)
    return found;
  std::vector<farapi::PluginPanelItem> listing = TakeListing(farapi::OPM_FIND);
  int copies = 0;
  for (const farapi::PluginPanelItem &item : listing) {
    if (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    std::string folder = MakeViewFolder();
    if (folder.empty())
      break;
    std::string name = ItemName(item);
    const bool question = ++copies == cancelAt;
    if (question) {
      std::lock_guard<std::mutex> lock(impl_->mutex);
      impl_->hostBox = "Do you really want to cancel it?";
      impl_->AddLineLocked("FAR asks \"" + impl_->hostBox +
                           "\" while the plug-in copies " + name);
    }
    int result = CallGetFiles({item}, false, folder,
                              farapi::OPM_SILENT | farapi::OPM_FIND);
    if (result == 1 && ContainsText(ReadWhole(folder + "\\" + name), text)) {
      found.push_back(name);
      AddLine("found: " + name);
    }
    RemoveCopy(folder, name);
    if (question) {
      std::lock_guard<std::mutex> lock(impl_->mutex);
      impl_->hostBox.clear();
      impl_->AddLineLocked("answered Yes: the search ends");
      break;
    }
  }
  return found;
}

int Host::Edit(const std::string &append) {
  const farapi::PluginPanelItem *file = CursorFile(model_);
  std::string folder =
      file && api_.GetFiles && api_.PutFiles ? MakeViewFolder() : "";
  if (folder.empty())
    return 0;
  std::vector<farapi::PluginPanelItem> items{*file};
  std::string name = ItemName(items[0]);
  std::string path = folder + "\\" + name;
  int result =
      CallGetFiles(items, false, folder, farapi::OPM_SILENT | farapi::OPM_EDIT);
  if (result != 1 || FileSize(path) == ~0ull) {
    RemoveCopy(folder, name);
    return result;
  }
  std::string bytes = ReadWhole(path) + append;
  // The substitute editor keeps the file's time, so that transcripts
  // come out the same on every run.
  WIN32_FILE_ATTRIBUTE_DATA times{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &times);
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
    SetFileTime(out, nullptr, nullptr, &times.ftLastWriteTime);
    CloseHandle(out);
  }
  AddLine("editor: " + name + " saved, " + std::to_string(bytes.size()) +
          " bytes");
  // FAR sends the saved file back from its folder, by its find data.
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof before, before);
  SetCurrentDirectoryA(folder.c_str());
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(path.c_str(), &data);
  farapi::PluginPanelItem saved{};
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
    memcpy(&saved.FindData, &data, sizeof saved.FindData);
  }
  result = CallPutFiles({saved}, false, farapi::OPM_EDIT);
  SetCurrentDirectoryA(before);
  RemoveCopy(folder, name);
  Refresh(true); // FAR reads the panel again after a save
  return result;
}

} // namespace farhost
