// Folder and playlist walks over PC files, and the two name tests that
// decide which files a copy to the player takes.
#include "operations/pc_source_walk.h"

#include "host/unique_handle.h"
#include "operations/copy_to_device.h"
#include "operations/working_folder.h"
#include "services/plugin_state.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace davu {

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

UniqueFind StartSearch(const std::string &pattern, WIN32_FIND_DATAA *data) {
  return UniqueFind(FindFirstFileA(pattern.c_str(), data));
}

// Longest playlist read; a bigger file is no playlist.
constexpr DWORD kPlaylistSizeLimit = 16u * 1024 * 1024;

struct FolderEntry {
  std::string Name;
  DWORD Attributes;
  uint32_t Size;
};

// The whole folder is read before anything is done with its entries: a send
// renames files for a moment and a move deletes them, and neither must
// disturb the enumeration.
std::vector<FolderEntry> ReadFolder(const std::string &folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAA data;
  UniqueFind search = StartSearch(folder + "\\*.*", &data);
  if (!search)
    return entries;
  do {
    data.cFileName[sizeof data.cFileName - 1] = 0;
    entries.push_back({data.cFileName, data.dwFileAttributes,
                       static_cast<uint32_t>(data.nFileSizeLow)});
  } while (FindNextFileA(search.Get(), &data));
  return entries;
}

bool IsCancelled(const SourceWalk &walk) {
  return walk.Cancelled && walk.Cancelled(walk.Context);
}

void ReportFailed(const SourceWalk &walk, const std::string &name,
                  FailReason reason) {
  if (walk.OnFailed)
    walk.OnFailed(walk.Context, name, reason);
}

// The whole playlist through the file APIs, whose code page is the host's;
// false when it cannot be opened or read.
bool ReadPlaylist(const std::string &path, std::string *text) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return false;
  HANDLE opened = file.Get();
  DWORD high = 0;
  DWORD size = GetFileSize(opened, &high);
  if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high ||
      size > kPlaylistSizeLimit)
    return false;
  text->assign(size, '\0');
  DWORD got = 0;
  if (size &&
      (!ReadFile(opened, &(*text)[0], size, &got, nullptr) || got != size))
    return false;
  return true;
}

enum class LineRead { Line, Overlong, End };

// One line without its end, from `*at` on; a line longer than the limit is
// reported as overlong, and its tail is never taken for more lines.
LineRead NextPlaylistLine(const std::string &text, size_t *at,
                          std::string *line) {
  line->clear();
  if (*at >= text.size())
    return LineRead::End;
  size_t end = text.find('\n', *at);
  if (end == std::string::npos)
    end = text.size();
  line->assign(text, *at, end - *at);
  *at = end + 1;
  while (!line->empty() && line->back() == '\r')
    line->pop_back();
  return line->size() > kPlaylistLineLimit ? LineRead::Overlong
                                           : LineRead::Line;
}

// Lines that name nothing on purpose: blank ones and comments.
bool IsEmptyOrComment(const std::string &line) {
  return line.find_first_not_of(" \t") == std::string::npos || line[0] == '#';
}

// The line as text of the ANSI code page, in the OEM code page the host's
// file APIs use; empty when some character has no OEM form.
std::string AnsiToOem(const std::string &line) {
  int wide = MultiByteToWideChar(CP_ACP, 0, line.data(),
                                 static_cast<int>(line.size()), nullptr, 0);
  if (wide <= 0)
    return std::string();
  std::vector<wchar_t> chars(wide);
  MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()),
                      chars.data(), wide);
  BOOL lossy = FALSE;
  int bytes = WideCharToMultiByte(CP_OEMCP, 0, chars.data(), wide, nullptr, 0,
                                  nullptr, &lossy);
  if (bytes <= 0 || lossy)
    return std::string();
  std::string oem(bytes, '\0');
  WideCharToMultiByte(CP_OEMCP, 0, chars.data(), wide, &oem[0], bytes, nullptr,
                      &lossy);
  return lossy ? std::string() : oem;
}

// True for lines that cannot name one file: wildcards, zero bytes.
bool NamesNoFile(const std::string &line) {
  return line.find_first_of(std::string("*?\0", 3)) != std::string::npos;
}

// The line resolved against the current folder (the playlist's), with the
// file's own name as the search reports it. Empty when the line names no
// file or names a folder.
std::string ResolvePlaylistEntry(const std::string &line,
                                 WIN32_FIND_DATAA *found) {
  if (line.empty() || NamesNoFile(line))
    return std::string();
  std::vector<char> full(kWalkPathLimit);
  char *namePart = nullptr;
  DWORD length = GetFullPathNameA(line.c_str(), static_cast<DWORD>(full.size()),
                                  full.data(), &namePart);
  if (length == 0 || length >= full.size())
    return std::string();
  std::string resolved(full.data(), length);
  UniqueFind search = StartSearch(resolved, found);
  if (!search || (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::string();
  found->cFileName[sizeof found->cFileName - 1] = 0;
  size_t slash = resolved.find_last_of('\\');
  if (slash == std::string::npos)
    return std::string();
  std::string path = resolved.substr(0, slash + 1) + found->cFileName;
  return path.size() < kWalkPathLimit ? path : std::string();
}

} // namespace

std::string UpperAsciiLetters(const std::string &text) {
  std::string upper(text);
  for (char &c : upper)
    if (c >= 'a' && c <= 'z')
      c = c - 'a' + 'A';
  return upper;
}

bool IsPlaylistFile(const char *path) {
  if (!path)
    return false;
  const char *dot = strrchr(path, '.');
  if (!dot || strlen(dot + 1) != 3)
    return false;
  return LowerAscii(dot[1]) == 'm' && dot[2] == '3' &&
         LowerAscii(dot[3]) == 'u';
}

bool ExtensionPasses(const char *list, const char *path) {
  if (!list || !path)
    return false;
  if (strstr(list, ".*;"))
    return true;
  const char *dot = strrchr(path, '.');
  if (!dot)
    return false;
  std::string extension(dot);
  for (char &c : extension)
    c = LowerAscii(c);
  extension += ';';
  return strstr(list, extension.c_str()) != nullptr;
}

bool DeleteSourceFile(const std::string &path, uint32_t options) {
  if (!(options & PSO_KEEPEXISTING))
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  return DeleteFileA(path.c_str()) != 0;
}

uint32_t WalkFolder(const SourceWalk &walk, const std::string &folder) {
  if (folder.size() + kNameRoom > kWalkPathLimit)
    return 0;
  std::vector<FolderEntry> entries = ReadFolder(folder);
  uint32_t sum = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && IsCancelled(walk))
      return 0;
    const FolderEntry &entry = entries[i];
    std::string path = folder + "\\" + entry.Name;
    if (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (entry.Name == "." || entry.Name == "..")
        continue;
      sum += WalkFolder(walk, path);
      if (walk.Mode == WALK_DELETE_SOURCE)
        RemoveDirectoryA(path.c_str()); // stays unless it is empty now
    } else if (walk.Options & PSO_PLAYLISTS) {
      if (IsPlaylistFile(path.c_str()))
        sum += WalkPlaylist(walk, path);
    } else if (ExtensionPasses(walk.SubDirExt, path.c_str())) {
      sum += entry.Size;
      walk.OnFile(walk.Context, path, entry.Size,
                  path.c_str() + std::min(walk.NameFrom, path.size()));
    }
  }
  return sum;
}

namespace {

// One line that names a file: the file goes to the walk's action, or the
// line is reported. True when the file was dealt with.
bool WalkPlaylistEntry(const SourceWalk &walk, LineRead read,
                       const std::string &line, uint32_t *sum) {
  WIN32_FIND_DATAA found;
  std::string path;
  if (read == LineRead::Line) {
    path = ResolvePlaylistEntry(line, &found);
    // Common players write their playlists in the ANSI code page.
    if (path.empty()) {
      std::string oem = AnsiToOem(line);
      if (!oem.empty() && oem != line)
        path = ResolvePlaylistEntry(oem, &found);
    }
  }
  if (path.empty()) {
    ReportFailed(walk,
                 read == LineRead::Overlong ? line.substr(0, kSummaryLineLimit)
                                            : line,
                 FailReason::EntryNotFound);
    return false;
  }
  uint32_t size = static_cast<uint32_t>(found.nFileSizeLow);
  *sum += size;
  return walk.OnFile(walk.Context, path, size, found.cFileName);
}

} // namespace

uint32_t WalkPlaylist(const SourceWalk &walk, const std::string &playlist) {
  size_t slash = playlist.find_last_of('\\');
  if (slash == std::string::npos)
    return 0;
  std::string text;
  if (!ReadPlaylist(playlist, &text)) {
    ReportFailed(walk, playlist.substr(slash + 1), FailReason::InUse);
    return 0;
  }
  // Lines are relative to the playlist's folder; without a way back to the
  // caller's folder, or into the playlist's, nothing is looked up at all.
  WorkingFolderGuard workingFolder(kWalkPathLimit);
  if (!workingFolder.Remembered())
    return 0;
  if (!SetCurrentDirectoryA(playlist.substr(0, slash + 1).c_str())) {
    ReportFailed(walk, playlist.substr(slash + 1), FailReason::InUse);
    return 0;
  }

  uint32_t sum = 0;
  // A move keeps the playlist while any file it names stays on the PC.
  bool everyEntryDealtWith = true;
  size_t at = 0;
  // A byte-order mark of a UTF-8 playlist is not part of its first line.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    at = 3;
  std::string line;
  for (LineRead read;
       (read = NextPlaylistLine(text, &at, &line)) != LineRead::End;) {
    if ((read == LineRead::Overlong || !IsEmptyOrComment(line)) &&
        !WalkPlaylistEntry(walk, read, line, &sum))
      everyEntryDealtWith = false;
    if (IsCancelled(walk))
      return 0;
  }
  if (walk.Mode == WALK_DELETE_SOURCE && everyEntryDealtWith)
    DeleteSourceFile(playlist, walk.Options);
  return sum;
}

} // namespace davu
