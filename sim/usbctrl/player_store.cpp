#include "sim/usbctrl/player_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

namespace simplayer {

namespace {

const char kIndexName[] = "index.txt";
const char kIndexTemp[] = "index.tmp";
const char kLogName[] = "calls.log";
const char kMagic[] = "DAVU-PLAYER-STORE";
const int kFormatVersion = 1;

struct FileCloser {
  void operator()(FILE *f) const {
    if (f)
      fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

struct FindCloser {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE)
      FindClose(h);
  }
};

void SetError(std::string *error, const std::string &text) {
  if (error)
    *error = text;
}

bool ValidMemory(int memory) {
  return memory == kInternal || memory == kExternal;
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

bool ParseUnsigned(const std::string &text, unsigned long long limit,
                   unsigned long long *value) {
  if (text.empty() || text.size() > 20)
    return false;
  unsigned long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
    if (v > limit)
      return false;
  }
  *value = v;
  return true;
}

bool ParseSigned(const std::string &text, int *value) {
  if (text.empty())
    return false;
  bool negative = text[0] == '-';
  unsigned long long v;
  if (!ParseUnsigned(negative ? text.substr(1) : text, 0x80000000ull, &v))
    return false;
  if (!negative && v > 0x7fffffffull)
    return false;
  *value = negative ? static_cast<int>(-static_cast<long long>(v))
                    : static_cast<int>(v);
  return true;
}

bool ParseU32(const std::string &text, uint32_t *value) {
  unsigned long long v;
  if (!ParseUnsigned(text, 0xffffffffull, &v))
    return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

bool ParseU16(const std::string &text, uint16_t *value) {
  unsigned long long v;
  if (!ParseUnsigned(text, 0xffffull, &v))
    return false;
  *value = static_cast<uint16_t>(v);
  return true;
}

bool ParseBool(const std::string &text, bool *value) {
  if (text != "0" && text != "1")
    return false;
  *value = text == "1";
  return true;
}

std::vector<std::string> SplitWords(const std::string &line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> word)
    words.push_back(word);
  return words;
}

std::string IndexText(const PlayerStore &store) {
  const PlayerConfig &c = store.config;
  std::ostringstream out;
  out << kMagic << ' ' << kFormatVersion << '\n';
  for (int m = 0; m < kMemoryCount; ++m)
    out << "memory " << m << ' ' << store.memories[m].capacity << ' '
        << store.memories[m].nextIndex << '\n';
  // An empty text still needs a word on the line.
  out << "version " << (c.versionText.empty() ? "-" : HexEncode(c.versionText))
      << '\n';
  out << "connect-result " << c.connectResult << '\n';
  out << "not-ready " << c.notReady << ' ' << c.notReadyResult << '\n';
  out << "check-card " << c.checkCardResult << '\n';
  out << "card-absent " << c.cardAbsent << '\n';
  out << "memory-full " << c.memoryFull << '\n';
  out << "index-high-bits " << c.indexHighBits << '\n';
  out << "unterminated-names " << c.unterminatedNames << '\n';
  out << "chunk-size " << c.chunkSize << '\n';
  out << "post-messages " << c.postMessages << '\n';
  out << "bytes-per-second " << c.bytesPerSecond << '\n';
  for (const FailRule &r : c.failRules)
    out << "fail " << r.method << ' ' << r.nth << ' ' << r.index << ' '
        << r.result << ' ' << r.seen << (r.unplug ? " unplug" : "") << '\n';
  out << "unplugged " << c.unplugged << '\n';
  for (int m = 0; m < kMemoryCount; ++m)
    for (const StoredFile &f : store.memories[m].files)
      out << "file " << m << ' ' << f.index << ' ' << f.size << ' '
          << f.times.creation.date << ' ' << f.times.creation.time << ' '
          << f.times.lastAccess.date << ' ' << f.times.lastAccess.time << ' '
          << f.times.lastWrite.date << ' ' << f.times.lastWrite.time << ' '
          << HexEncode(f.name) << '\n';
  return out.str();
}

// Reads one line of the index into the store; false when it is damaged.
bool ParseIndexLine(const std::vector<std::string> &w, PlayerStore *store) {
  PlayerConfig &c = store->config;
  const std::string &key = w[0];
  size_t n = w.size();
  if (key == "memory" && n == 4) {
    int m;
    if (!ParseSigned(w[1], &m) || !ValidMemory(m))
      return false;
    return ParseU32(w[2], &store->memories[m].capacity) &&
           ParseU16(w[3], &store->memories[m].nextIndex);
  }
  if (key == "version" && n == 2)
    return w[1] == "-" ? (c.versionText.clear(), true)
                       : HexDecode(w[1], &c.versionText);
  if (key == "connect-result" && n == 2)
    return ParseSigned(w[1], &c.connectResult);
  if (key == "not-ready" && n == 3)
    return ParseBool(w[1], &c.notReady) && ParseSigned(w[2], &c.notReadyResult);
  if (key == "check-card" && n == 2)
    return ParseSigned(w[1], &c.checkCardResult);
  if (key == "card-absent" && n == 2)
    return ParseBool(w[1], &c.cardAbsent);
  if (key == "memory-full" && n == 2)
    return ParseBool(w[1], &c.memoryFull);
  if (key == "index-high-bits" && n == 2)
    return ParseU32(w[1], &c.indexHighBits);
  if (key == "unterminated-names" && n == 2)
    return ParseBool(w[1], &c.unterminatedNames);
  if (key == "chunk-size" && n == 2)
    return ParseU32(w[1], &c.chunkSize);
  if (key == "post-messages" && n == 2)
    return ParseBool(w[1], &c.postMessages);
  if (key == "bytes-per-second" && n == 2)
    return ParseU32(w[1], &c.bytesPerSecond);
  if (key == "unplugged" && n == 2)
    return ParseBool(w[1], &c.unplugged);
  if (key == "fail" && (n == 6 || (n == 7 && w[6] == "unplug"))) {
    FailRule r;
    r.method = w[1];
    r.unplug = n == 7;
    if (!ParseSigned(w[2], &r.nth) || !ParseSigned(w[3], &r.index) ||
        !ParseSigned(w[4], &r.result) || !ParseSigned(w[5], &r.seen))
      return false;
    c.failRules.push_back(r);
    return true;
  }
  if (key == "file" && n == 11) {
    int m;
    StoredFile f;
    if (!ParseSigned(w[1], &m) || !ValidMemory(m) ||
        !ParseU16(w[2], &f.index) || !ParseU32(w[3], &f.size) ||
        !ParseU16(w[4], &f.times.creation.date) ||
        !ParseU16(w[5], &f.times.creation.time) ||
        !ParseU16(w[6], &f.times.lastAccess.date) ||
        !ParseU16(w[7], &f.times.lastAccess.time) ||
        !ParseU16(w[8], &f.times.lastWrite.date) ||
        !ParseU16(w[9], &f.times.lastWrite.time) || !HexDecode(w[10], &f.name))
      return false;
    if (FindFile(*store, m, f.index))
      return false; // an index is unique in its memory
    store->memories[m].files.push_back(f);
    return true;
  }
  return false;
}

void InitEmpty(PlayerStore *store, const std::string &folder,
               uint32_t internalCapacity, uint32_t externalCapacity) {
  *store = PlayerStore();
  store->folder = WithTrailingBackslash(folder);
  store->memories[kInternal].capacity = internalCapacity;
  store->memories[kExternal].capacity = externalCapacity;
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

std::string LogEscape(const std::string &text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == '%' || c == '=' || c >= 0x7f) {
      char hex[4];
      snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string LogUnescape(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    std::string byte;
    if (text[i] == '%' && i + 2 < text.size() &&
        HexDecode(text.substr(i + 1, 2), &byte)) {
      out += byte;
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

} // namespace

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

bool CreateStore(const std::string &folder, uint32_t internalCapacity,
                 uint32_t externalCapacity, std::string *error) {
  if (folder.empty() || !MakeFolders(folder)) {
    SetError(error, "cannot create the folder " + folder);
    return false;
  }
  PlayerStore store;
  InitEmpty(&store, folder, internalCapacity, externalCapacity);
  // Clear what an earlier store left there.
  WIN32_FIND_DATAA data;
  std::unique_ptr<void, FindCloser> search(
      FindFirstFileA((store.folder + "m?-????.dat").c_str(), &data));
  if (search.get() != INVALID_HANDLE_VALUE) {
    do
      DeleteFileA((store.folder + data.cFileName).c_str());
    while (FindNextFileA(search.get(), &data));
  }
  DeleteFileA((store.folder + kLogName).c_str());
  return SaveStore(store, error);
}

bool LoadStore(const std::string &folder, PlayerStore *store,
               std::string *error) {
  std::string dir = WithTrailingBackslash(folder);
  if (dir.empty() || !FolderExists(dir)) {
    SetError(error, "no store folder " + folder);
    return false;
  }
  InitEmpty(store, dir, kDefaultInternalCapacity, kDefaultExternalCapacity);
  std::string text;
  if (!ReadWholeFile(dir + kIndexName, &text)) {
    if (GetFileAttributesA((dir + kIndexName).c_str()) ==
        INVALID_FILE_ATTRIBUTES)
      return true; // a fresh folder is an empty player
    SetError(error, "cannot read " + dir + kIndexName);
    return false;
  }
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::vector<std::string> words = SplitWords(line);
    if (lineNumber == 1) {
      if (words.size() != 2 || words[0] != kMagic ||
          words[1] != std::to_string(kFormatVersion)) {
        SetError(error, dir + kIndexName + " is not a player store index");
        return false;
      }
      continue;
    }
    if (words.empty())
      continue;
    if (!ParseIndexLine(words, store)) {
      SetError(error, dir + kIndexName + " line " + std::to_string(lineNumber) +
                          " is damaged");
      return false;
    }
  }
  if (lineNumber == 0) {
    SetError(error, dir + kIndexName + " is empty");
    return false;
  }
  return true;
}

bool SaveStore(const PlayerStore &store, std::string *error) {
  std::string temp = store.folder + kIndexTemp;
  std::string index = store.folder + kIndexName;
  if (!WriteWholeFile(temp, IndexText(store)) ||
      !MoveFileExA(temp.c_str(), index.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temp.c_str());
    SetError(error, "cannot write " + index);
    return false;
  }
  return true;
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
  if (!times) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(pcPath.c_str(), GetFileExInfoStandard, &data) &&
        DosStampFromFileTime(data.ftLastWriteTime, &fileTimes.lastWrite)) {
      if (!DosStampFromFileTime(data.ftCreationTime, &fileTimes.creation))
        fileTimes.creation = fileTimes.lastWrite;
      if (!DosStampFromFileTime(data.ftLastAccessTime, &fileTimes.lastAccess))
        fileTimes.lastAccess = fileTimes.lastWrite;
    }
  }
  return PutBytes(store, memory, storedName, bytes, fileTimes, index, error);
}

bool RemoveFile(PlayerStore *store, int memory, uint16_t index,
                std::string *error) {
  int position = PlayPosition(*store, memory, index);
  if (position < 0) {
    SetError(error, "no file with index " + std::to_string(index));
    return false;
  }
  std::vector<StoredFile> &files = store->memories[memory].files;
  files.erase(files.begin() + position);
  if (!SaveStore(*store, error))
    return false;
  DeleteFileA(ContentPath(*store, memory, index).c_str());
  return true;
}

bool MoveInOrder(PlayerStore *store, int memory, uint16_t index, int position,
                 std::string *error) {
  int from = PlayPosition(*store, memory, index);
  if (from < 0) {
    SetError(error, "no file with index " + std::to_string(index));
    return false;
  }
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

bool AppendCallLog(const std::string &folder, const CallRecord &record) {
  std::string line = LogEscape(record.method);
  for (const std::string &arg : record.args)
    line += '\t' + LogEscape(arg);
  line += "\t=\t" + LogEscape(record.result) + "\r\n";
  // One write per line in append mode keeps lines whole even when the
  // progress thread's SetCancelFlag logs during a transfer.
  HANDLE file =
      CreateFileA((WithTrailingBackslash(folder) + kLogName).c_str(),
                  FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()),
                      &written, nullptr);
  CloseHandle(file);
  return ok && written == line.size();
}

bool ReadCallLog(const std::string &folder, std::vector<CallRecord> *records) {
  records->clear();
  std::string text;
  std::string path = WithTrailingBackslash(folder) + kLogName;
  if (!ReadWholeFile(path, &text))
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty())
      continue;
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      fields.push_back(line.substr(
          start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos)
        break;
      start = tab + 1;
    }
    CallRecord record;
    record.method = LogUnescape(fields[0]);
    size_t equals = fields.size();
    for (size_t i = 1; i < fields.size() && equals == fields.size(); ++i)
      if (fields[i] == "=")
        equals = i;
    for (size_t i = 1; i < equals; ++i)
      record.args.push_back(LogUnescape(fields[i]));
    if (equals + 1 < fields.size())
      record.result = LogUnescape(fields[equals + 1]);
    records->push_back(record);
  }
  return true;
}

bool ClearCallLog(const std::string &folder) {
  std::string path = WithTrailingBackslash(folder) + kLogName;
  return DeleteFileA(path.c_str()) ||
         GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

} // namespace simplayer
