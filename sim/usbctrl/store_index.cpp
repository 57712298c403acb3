// The store's index file: "index.txt", one line per setting, fail rule and
// file, names hex-coded, files in play order; written whole through a
// temporary file.
#include "sim/usbctrl/player_store.h"
#include "sim/usbctrl/store_io.h"

#include <memory>
#include <sstream>

namespace simplayer {

namespace {

const char kIndexName[] = "index.txt";
const char kIndexTemp[] = "index.tmp";
const char kMagic[] = "DAVU-PLAYER-STORE";
const int kFormatVersion = 1;

using Words = std::vector<std::string>;

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

Words SplitWords(const std::string &line) {
  Words words;
  std::istringstream in(line);
  std::string word;
  while (in >> word)
    words.push_back(word);
  return words;
}

void WriteSettings(const PlayerConfig &c, std::ostringstream &out) {
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
        << r.result << ' ' << r.seen
        << (r.unplug    ? " unplug"
            : r.cardOut ? " card-out"
                        : "")
        << '\n';
  out << "unplugged " << c.unplugged << '\n';
}

std::string IndexText(const PlayerStore &store) {
  std::ostringstream out;
  out << kMagic << ' ' << kFormatVersion << '\n';
  for (int m = 0; m < kMemoryCount; ++m)
    out << "memory " << m << ' ' << store.memories[m].capacity << ' '
        << store.memories[m].nextIndex << '\n';
  WriteSettings(store.config, out);
  for (int m = 0; m < kMemoryCount; ++m)
    for (const StoredFile &f : store.memories[m].files)
      out << "file " << m << ' ' << f.index << ' ' << f.size << ' '
          << f.times.creation.date << ' ' << f.times.creation.time << ' '
          << f.times.lastAccess.date << ' ' << f.times.lastAccess.time << ' '
          << f.times.lastWrite.date << ' ' << f.times.lastWrite.time << ' '
          << HexEncode(f.name) << '\n';
  return out.str();
}

// Readers of one index line each; false when the line is damaged.
template <bool PlayerConfig::*Field>
bool ReadFlag(const Words &w, PlayerStore *store) {
  return ParseBool(w[1], &(store->config.*Field));
}

template <int PlayerConfig::*Field>
bool ReadNumber(const Words &w, PlayerStore *store) {
  return ParseSigned(w[1], &(store->config.*Field));
}

template <uint32_t PlayerConfig::*Field>
bool ReadCount(const Words &w, PlayerStore *store) {
  return ParseU32(w[1], &(store->config.*Field));
}

bool ReadMemory(const Words &w, PlayerStore *store) {
  int m;
  if (!ParseSigned(w[1], &m) || !ValidMemory(m))
    return false;
  return ParseU32(w[2], &store->memories[m].capacity) &&
         ParseU16(w[3], &store->memories[m].nextIndex);
}

bool ReadVersion(const Words &w, PlayerStore *store) {
  std::string &text = store->config.versionText;
  return w[1] == "-" ? (text.clear(), true) : HexDecode(w[1], &text);
}

bool ReadNotReady(const Words &w, PlayerStore *store) {
  return ParseBool(w[1], &store->config.notReady) &&
         ParseSigned(w[2], &store->config.notReadyResult);
}

bool ReadFailRule(const Words &w, PlayerStore *store) {
  FailRule r;
  r.method = w[1];
  r.unplug = w.size() == 7 && w[6] == "unplug";
  r.cardOut = w.size() == 7 && w[6] == "card-out";
  if ((w.size() == 7 && !r.unplug && !r.cardOut) ||
      !ParseSigned(w[2], &r.nth) || !ParseSigned(w[3], &r.index) ||
      !ParseSigned(w[4], &r.result) || !ParseSigned(w[5], &r.seen))
    return false;
  store->config.failRules.push_back(r);
  return true;
}

bool ReadFileLine(const Words &w, PlayerStore *store) {
  int m;
  StoredFile f;
  if (!ParseSigned(w[1], &m) || !ValidMemory(m) || !ParseU16(w[2], &f.index) ||
      !ParseU32(w[3], &f.size) || !ParseU16(w[4], &f.times.creation.date) ||
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

struct IndexLine {
  const char *key;
  size_t words; // with the key
  bool (*read)(const Words &w, PlayerStore *store);
};

const IndexLine kIndexLines[] = {
    {"memory", 4, ReadMemory},
    {"version", 2, ReadVersion},
    {"connect-result", 2, ReadNumber<&PlayerConfig::connectResult>},
    {"not-ready", 3, ReadNotReady},
    {"check-card", 2, ReadNumber<&PlayerConfig::checkCardResult>},
    {"card-absent", 2, ReadFlag<&PlayerConfig::cardAbsent>},
    {"memory-full", 2, ReadFlag<&PlayerConfig::memoryFull>},
    {"index-high-bits", 2, ReadCount<&PlayerConfig::indexHighBits>},
    {"unterminated-names", 2, ReadFlag<&PlayerConfig::unterminatedNames>},
    {"chunk-size", 2, ReadCount<&PlayerConfig::chunkSize>},
    {"post-messages", 2, ReadFlag<&PlayerConfig::postMessages>},
    {"bytes-per-second", 2, ReadCount<&PlayerConfig::bytesPerSecond>},
    {"unplugged", 2, ReadFlag<&PlayerConfig::unplugged>},
    {"fail", 6, ReadFailRule},
    {"fail", 7, ReadFailRule},
    {"file", 11, ReadFileLine},
};

// Reads one line of the index into the store; false when it is damaged.
bool ParseIndexLine(const Words &w, PlayerStore *store) {
  for (const IndexLine &line : kIndexLines)
    if (w[0] == line.key && w.size() == line.words)
      return line.read(w, store);
  return false;
}

// Reads the index's text into the store; false with the reason when it is
// not an index or a line is damaged.
bool ParseIndexText(const std::string &text, const std::string &path,
                    PlayerStore *store, std::string *error) {
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    DropCarriageReturn(&line);
    Words words = SplitWords(line);
    if (lineNumber == 1) {
      if (words.size() != 2 || words[0] != kMagic ||
          words[1] != std::to_string(kFormatVersion)) {
        SetError(error, path + " is not a player store index");
        return false;
      }
    } else if (!words.empty() && !ParseIndexLine(words, store)) {
      SetError(error,
               path + " line " + std::to_string(lineNumber) + " is damaged");
      return false;
    }
  }
  if (lineNumber == 0) {
    SetError(error, path + " is empty");
    return false;
  }
  return true;
}

void InitEmpty(PlayerStore *store, const std::string &folder,
               uint32_t internalCapacity, uint32_t externalCapacity) {
  *store = PlayerStore();
  store->folder = WithTrailingBackslash(folder);
  store->memories[kInternal].capacity = internalCapacity;
  store->memories[kExternal].capacity = externalCapacity;
}

struct FindCloser {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE)
      FindClose(h);
  }
};

// Removes the content files and the call log an earlier store left.
void ClearOldStore(const std::string &folder) {
  WIN32_FIND_DATAA data;
  std::unique_ptr<void, FindCloser> search(
      FindFirstFileA((folder + "m?-????.dat").c_str(), &data));
  if (search.get() != INVALID_HANDLE_VALUE) {
    do
      DeleteFileA((folder + data.cFileName).c_str());
    while (FindNextFileA(search.get(), &data));
  }
  DeleteFileA((folder + kLogName).c_str());
}

} // namespace

bool CreateStore(const std::string &folder, uint32_t internalCapacity,
                 uint32_t externalCapacity, std::string *error) {
  if (folder.empty() || !MakeFolders(folder)) {
    SetError(error, "cannot create the folder " + folder);
    return false;
  }
  PlayerStore store;
  InitEmpty(&store, folder, internalCapacity, externalCapacity);
  ClearOldStore(store.folder);
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
  return ParseIndexText(text, dir + kIndexName, store, error);
}

bool SaveStore(const PlayerStore &store, std::string *error) {
  std::string temp = store.folder + kIndexTemp;
  std::string index = store.folder + kIndexName;
  // A reader (playerctl, a virus scanner) holds the index for moments
  // only, and the rename over it fails meanwhile: wait a little for it.
  bool saved = WriteWholeFile(temp, IndexText(store));
  for (int attempt = 0; saved && attempt < 40; ++attempt) {
    if (MoveFileExA(temp.c_str(), index.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    Sleep(25);
  }
  DeleteFileA(temp.c_str());
  SetError(error, "cannot write " + index);
  return false;
}

} // namespace simplayer
