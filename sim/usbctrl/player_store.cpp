// The player store's operations on files and memories, and its times.
#include "sim/usbctrl/player_store.h"
#include "sim/usbctrl/store_io.h"

#include <cstdio>

namespace simplayer {

bool ValidMemory(int memory) {
  return memory == kInternal || memory == kExternal;
}

std::string WithTrailingBackslash(const std::string &folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
    return folder + '\\';
  return folder;
}

std::string HexEncode(const std::string &bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool HexDecode(const std::string &hex, std::string *bytes) {
  if (hex.size() % 2)
    return false;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int value = 0;
    for (size_t k = i; k < i + 2; ++k) {
      char c = hex[k];
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
      if (digit < 0)
        return false;
      value = value * 16 + digit;
    }
    out += static_cast<char>(value);
  }
  *bytes = out;
  return true;
}

std::string EscapeBytes(const std::string &bytes,
                        bool (*escaped)(unsigned char), const char *format) {
  std::string out;
  for (unsigned char c : bytes) {
    if (escaped(c)) {
      char text[8];
      snprintf(text, sizeof text, format, static_cast<unsigned>(c));
      out += text;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool MemoryPresent(const PlayerStore &store, int memory) {
  if (memory == kInternal)
    return true;
  return memory == kExternal && !store.config.cardAbsent &&
         store.memories[kExternal].capacity > 0;
}

uint32_t UsedSpace(const PlayerStore &store, int memory) {
  if (!ValidMemory(memory))
    return 0;
  uint64_t used = 0;
  for (const StoredFile &f : store.memories[memory].files)
    used += f.size;
  return used > 0xffffffffull ? 0xffffffffu : static_cast<uint32_t>(used);
}

uint32_t FreeSpace(const PlayerStore &store, int memory) {
  if (!MemoryPresent(store, memory))
    return 0;
  uint32_t capacity = store.memories[memory].capacity;
  uint32_t used = UsedSpace(store, memory);
  return used >= capacity ? 0 : capacity - used;
}

const StoredFile *FindFile(const PlayerStore &store, int memory,
                           uint16_t index) {
  if (!ValidMemory(memory))
    return nullptr;
  for (const StoredFile &f : store.memories[memory].files)
    if (f.index == index)
      return &f;
  return nullptr;
}

int PlayPosition(const PlayerStore &store, int memory, uint16_t index) {
  if (!ValidMemory(memory))
    return -1;
  const std::vector<StoredFile> &files = store.memories[memory].files;
  for (size_t i = 0; i < files.size(); ++i)
    if (files[i].index == index)
      return static_cast<int>(i);
  return -1;
}

std::string ContentPath(const PlayerStore &store, int memory, uint16_t index) {
  char name[32];
  snprintf(name, sizeof name, "m%d-%04x.dat", memory, index);
  return store.folder + name;
}

bool AllocateIndex(PlayerStore *store, int memory, uint16_t *index) {
  if (!ValidMemory(memory))
    return false;
  MemoryState &state = store->memories[memory];
  // Indexes are handed out in rising order and come round again only after
  // 65535 more files, so a deleted file's index is not soon reused.
  for (unsigned tries = 0; tries < 0xffff; ++tries) {
    uint16_t candidate = state.nextIndex == 0 ? 1 : state.nextIndex;
    state.nextIndex =
        static_cast<uint16_t>(candidate == 0xffff ? 1 : candidate + 1);
    if (!FindFile(*store, memory, candidate)) {
      *index = candidate;
      return true;
    }
  }
  return false;
}

bool AddEntry(PlayerStore *store, int memory, const StoredFile &file,
              std::string *error) {
  if (!ValidMemory(memory) || FindFile(*store, memory, file.index)) {
    SetError(error, "the file index is taken");
    return false;
  }
  store->memories[memory].files.push_back(file);
  return SaveStore(*store, error);
}

PutResult PutBytes(PlayerStore *store, int memory, const std::string &name,
                   const std::string &bytes, const FileTimes &times,
                   uint16_t *index, std::string *error) {
  if (name.empty() || name.size() > kMaxNameLength ||
      name.find('\0') != std::string::npos) {
    SetError(error, "a player file name has 1 to 1026 bytes and no zero byte");
    return PutResult::BadName;
  }
  if (!MemoryPresent(*store, memory)) {
    SetError(error, "no card in the player");
    return PutResult::NoCard;
  }
  if (bytes.size() > FreeSpace(*store, memory)) {
    SetError(error, "the memory is full");
    return PutResult::MemoryFull;
  }
  StoredFile file;
  if (!AllocateIndex(store, memory, &file.index)) {
    SetError(error, "no free file index");
    return PutResult::MemoryFull;
  }
  file.name = name;
  file.size = static_cast<uint32_t>(bytes.size());
  file.times = times;
  std::string path = ContentPath(*store, memory, file.index);
  if (!WriteWholeFile(path, bytes)) {
    DeleteFileA(path.c_str());
    SetError(error, "cannot write " + path);
    return PutResult::IoError;
  }
  if (!AddEntry(store, memory, file, error)) {
    DeleteFileA(path.c_str());
    return PutResult::IoError;
  }
  if (index)
    *index = file.index;
  return PutResult::Done;
}

PutResult PutPcFile(PlayerStore *store, int memory, const std::string &pcPath,
                    const std::string &name, const FileTimes *times,
                    uint16_t *index, std::string *error) {
  std::string bytes;
  if (!ReadWholeFile(pcPath, &bytes)) {
    SetError(error, "cannot read " + pcPath);
    return PutResult::IoError;
  }
  std::string storedName = name;
  if (storedName.empty()) {
    size_t slash = pcPath.find_last_of("\\/:");
    storedName = slash == std::string::npos ? pcPath : pcPath.substr(slash + 1);
  }
  FileTimes fileTimes = times ? *times : CurrentTimes();
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!times &&
      GetFileAttributesExA(pcPath.c_str(), GetFileExInfoStandard, &data))
    fileTimes = PcFileTimes(data.ftCreationTime, data.ftLastAccessTime,
                            data.ftLastWriteTime);
  return PutBytes(store, memory, storedName, bytes, fileTimes, index, error);
}

namespace {

// The file's play position, or -1 after saying that it is unknown.
int KnownPosition(const PlayerStore &store, int memory, uint16_t index,
                  std::string *error) {
  int position = PlayPosition(store, memory, index);
  if (position < 0)
    SetError(error, "no file with index " + std::to_string(index));
  return position;
}

} // namespace

bool RemoveFile(PlayerStore *store, int memory, uint16_t index,
                std::string *error) {
  int position = KnownPosition(*store, memory, index, error);
  if (position < 0)
    return false;
  std::vector<StoredFile> &files = store->memories[memory].files;
  files.erase(files.begin() + position);
  if (!SaveStore(*store, error))
    return false;
  DeleteFileA(ContentPath(*store, memory, index).c_str());
  return true;
}

bool MoveInOrder(PlayerStore *store, int memory, uint16_t index, int position,
                 std::string *error) {
  int from = KnownPosition(*store, memory, index, error);
  if (from < 0)
    return false;
  std::vector<StoredFile> &files = store->memories[memory].files;
  int count = static_cast<int>(files.size());
  if (position < 0)
    position = 0;
  if (position > count)
    position = count;
  // Positions count in the order before the move; taking the file out first
  // shifts the ones after it by one.
  StoredFile moving = files[from];
  files.erase(files.begin() + from);
  int to = position > from ? position - 1 : position;
  files.insert(files.begin() + to, moving);
  return SaveStore(*store, error);
}

bool ClearMemory(PlayerStore *store, int memory, std::string *error) {
  if (!ValidMemory(memory))
    return false;
  std::vector<StoredFile> files;
  files.swap(store->memories[memory].files);
  if (!SaveStore(*store, error))
    return false;
  for (const StoredFile &f : files)
    DeleteFileA(ContentPath(*store, memory, f.index).c_str());
  return true;
}

bool ReadContents(const PlayerStore &store, int memory, uint16_t index,
                  std::string *bytes) {
  return FindFile(store, memory, index) &&
         ReadWholeFile(ContentPath(store, memory, index), bytes);
}

DosStamp MakeDosStamp(int year, int month, int day, int hour, int minute,
                      int second) {
  DosStamp stamp;
  stamp.date = static_cast<uint16_t>(((year - 1980) & 0x7f) << 9 |
                                     (month & 15) << 5 | (day & 31));
  stamp.time = static_cast<uint16_t>((hour & 31) << 11 | (minute & 63) << 5 |
                                     ((second / 2) & 31));
  return stamp;
}

bool DosStampFromFileTime(const FILETIME &utc, DosStamp *stamp) {
  FILETIME local;
  WORD date, time;
  if (!FileTimeToLocalFileTime(&utc, &local) ||
      !FileTimeToDosDateTime(&local, &date, &time))
    return false;
  stamp->date = date;
  stamp->time = time;
  return true;
}

FileTimes SameTimes(const DosStamp &stamp) {
  FileTimes times;
  times.creation = times.lastAccess = times.lastWrite = stamp;
  return times;
}

FileTimes CurrentTimes() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return SameTimes(MakeDosStamp(now.wYear, now.wMonth, now.wDay, now.wHour,
                                now.wMinute, now.wSecond));
}

FileTimes PcFileTimes(const FILETIME &created, const FILETIME &accessed,
                      const FILETIME &written) {
  FileTimes times = CurrentTimes();
  if (DosStampFromFileTime(written, &times.lastWrite)) {
    if (!DosStampFromFileTime(created, &times.creation))
      times.creation = times.lastWrite;
    if (!DosStampFromFileTime(accessed, &times.lastAccess))
      times.lastAccess = times.lastWrite;
  }
  return times;
}

} // namespace simplayer
