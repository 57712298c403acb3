#include "sim/usbctrl/store_io.h"

#include "sim/usbctrl/player_store.h"

#include <cstdio>
#include <memory>

namespace simplayer {

const char kLogName[] = "calls.log";

namespace {

struct FileCloser {
  void operator()(FILE *f) const {
    if (f)
      fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

} // namespace

void SetError(std::string *error, const std::string &text) {
  if (error)
    *error = text;
}

bool ReadWholeFile(const std::string &path, std::string *bytes) {
  FilePtr f(fopen(path.c_str(), "rb"));
  if (!f)
    return false;
  bytes->clear();
  char buffer[16384];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f.get())) > 0)
    bytes->append(buffer, n);
  return !ferror(f.get());
}

bool WriteWholeFile(const std::string &path, const std::string &bytes) {
  FilePtr f(fopen(path.c_str(), "wb"));
  if (!f)
    return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  return fclose(f.release()) == 0 && ok;
}

bool FolderExists(const std::string &folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string &folder) {
  std::string path = WithTrailingBackslash(folder);
  for (size_t at = path.find('\\', 3); at != std::string::npos;
       at = path.find('\\', at + 1)) {
    std::string part = path.substr(0, at);
    if (!FolderExists(part) && !CreateDirectoryA(part.c_str(), nullptr))
      return false;
  }
  return FolderExists(path);
}

void DropCarriageReturn(std::string *line) {
  if (!line->empty() && line->back() == '\r')
    line->pop_back();
}

} // namespace simplayer
