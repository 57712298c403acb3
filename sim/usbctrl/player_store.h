// The simulated player's store: a folder that holds the files of both
// memories, the player's configuration and faults, and a log of the library
// calls made against it.
//
// The simulated USBCTRL.dll, playerctl.exe and tests share this API. Every
// change is written to disk at once, and the library reads the store afresh
// on each call, so a test or playerctl may change the store between calls.
//
// On disk: "index.txt" (one line per setting and per file, names hex-coded,
// files in play order), one content file per entry ("m0-002a.dat" for file
// index 0x2a of memory 0) and "calls.log".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace simplayer {

constexpr int kInternal = 0;
constexpr int kExternal = 1;
constexpr int kMemoryCount = 2;

// Library results beyond the contract's 0 (done), 3 (memory full), 6
// (connected with a warning) and -1 (no more files).
constexpr int kResultFailed = 1;       // generic failure, player absent
constexpr int kResultUnknownIndex = 2; // no file with that index
constexpr int kResultMemoryFull = 3;
constexpr int kResultCancelled = 4; // SetCancelFlag stopped the call
constexpr int kResultNoCard = 5;    // the card memory is absent
constexpr int kResultIoError = 7;   // a PC or store file could not be used

// The longest name a record can hold with its terminating zero.
constexpr size_t kMaxNameLength = 1026;

// A DOS date and time word pair.
struct DosStamp {
  uint16_t date = 0;
  uint16_t time = 0;
};

struct FileTimes {
  DosStamp creation;
  DosStamp lastAccess;
  DosStamp lastWrite;
};

struct StoredFile {
  std::string name; // raw bytes in the player's code page
  uint16_t index = 0;
  uint32_t size = 0;
  FileTimes times;
};

struct MemoryState {
  uint32_t capacity = 0;
  uint16_t nextIndex = 1;        // next index to try when a file is added
  std::vector<StoredFile> files; // in play order
};

// Makes a library method fail. `nth` 0 fails every matching call, n > 0 only
// the n-th one (counted in `seen` from when the rule was added). `index` -1
// matches any call; otherwise only calls naming that file index. A failing
// Upload writes half the file into the PC folder before it fails. With
// `unplug`, the player stops answering at that call: from then on every
// call fails (PlayerConfig's `unplugged`) until the flag is cleared. With
// `cardOut`, the memory card is taken out just before that call, which then
// goes on as the player without a card answers it (`cardAbsent`).
struct FailRule {
  std::string method; // library method name, e.g. "Download"
  int nth = 0;
  int index = -1;
  int result = kResultFailed;
  int seen = 0;
  bool unplug = false;
  bool cardOut = false;
};

struct PlayerConfig {
  std::string versionText = "DAVU simulated player 1.0";
  int connectResult = 0; // GetVersionInfo
  bool notReady = false; // dumpUsbConfig returns notReadyResult
  int notReadyResult = 1;
  int checkCardResult = 0;        // CheckSMCCard
  bool cardAbsent = false;        // the card reads as total 0, no files
  bool memoryFull = false;        // every Download returns 3
  uint32_t indexHighBits = 0;     // ORed into the record's index word
  bool unterminatedNames = false; // the record's name fills all 1027 bytes
  // Progress messages.
  uint32_t chunkSize = 16384;
  bool postMessages = false;   // PostMessage instead of SendMessage
  uint32_t bytesPerSecond = 0; // 0: no simulated rate
  std::vector<FailRule> failRules;
  bool unplugged = false; // every call fails; enumerations find nothing
};

struct PlayerStore {
  std::string folder; // with a trailing backslash
  MemoryState memories[kMemoryCount];
  PlayerConfig config;
};

// Defaults of a store created without sizes.
constexpr uint32_t kDefaultInternalCapacity = 16u * 1024 * 1024;
constexpr uint32_t kDefaultExternalCapacity = 32u * 1024 * 1024;

// Creates the folder if needed and writes an empty store with these
// capacities (external 0: no card), removing the files of any store there.
bool CreateStore(const std::string &folder, uint32_t internalCapacity,
                 uint32_t externalCapacity, std::string *error);
// Reads the store. A folder without an index is an empty store with the
// default capacities; a missing folder or a damaged index is an error.
bool LoadStore(const std::string &folder, PlayerStore *store,
               std::string *error);
// Writes the index (through a temporary file, so a reader never sees half).
bool SaveStore(const PlayerStore &store, std::string *error);

// True for the internal memory and the card.
bool ValidMemory(int memory);

// True when the memory can be used: internal always, the card when present.
bool MemoryPresent(const PlayerStore &store, int memory);
uint32_t UsedSpace(const PlayerStore &store, int memory);
uint32_t FreeSpace(const PlayerStore &store, int memory);

// The file with that index, or null.
const StoredFile *FindFile(const PlayerStore &store, int memory,
                           uint16_t index);
// 0-based play position of the file, or -1.
int PlayPosition(const PlayerStore &store, int memory, uint16_t index);
// Path of the file's contents in the store folder.
std::string ContentPath(const PlayerStore &store, int memory, uint16_t index);

// Outcome of adding a file.
enum class PutResult { Done, MemoryFull, NoCard, BadName, IoError };

// Adds a file at the end of the play order under `name` (raw bytes, 1 to
// kMaxNameLength bytes, no zero byte) and saves the store. Two files may bear
// the same name. `index` receives the new file's index.
PutResult PutBytes(PlayerStore *store, int memory, const std::string &name,
                   const std::string &bytes, const FileTimes &times,
                   uint16_t *index, std::string *error);
// Same with the contents of a PC file; an empty `name` takes the file's own
// name, and times from the PC file when `times` is null.
PutResult PutPcFile(PlayerStore *store, int memory, const std::string &pcPath,
                    const std::string &name, const FileTimes *times,
                    uint16_t *index, std::string *error);
// Finds a free index for a new file and advances nextIndex (for writers
// that fill the content file themselves); false when all 65535 are taken.
bool AllocateIndex(PlayerStore *store, int memory, uint16_t *index);
// Appends a file record whose content file is already in place; saves.
bool AddEntry(PlayerStore *store, int memory, const StoredFile &file,
              std::string *error);

// Removes the file and its contents; false for an unknown index.
bool RemoveFile(PlayerStore *store, int memory, uint16_t index,
                std::string *error);
// Puts the file in front of the one that stood at play position `position`
// before the move; `position` = file count puts it last; bad positions are
// clamped. False for an unknown index.
bool MoveInOrder(PlayerStore *store, int memory, uint16_t index, int position,
                 std::string *error);
// Removes every file of the memory.
bool ClearMemory(PlayerStore *store, int memory, std::string *error);
bool ReadContents(const PlayerStore &store, int memory, uint16_t index,
                  std::string *bytes);

// Times.
DosStamp MakeDosStamp(int year, int month, int day, int hour, int minute,
                      int second);
// A UTC file time as local DOS words; false before 1980 or after 2107.
bool DosStampFromFileTime(const FILETIME &utc, DosStamp *stamp);
FileTimes SameTimes(const DosStamp &stamp);
FileTimes CurrentTimes();
// A PC file's UTC times as a record's; the current time when the last write
// cannot be told, the last write for a creation or access that cannot.
FileTimes PcFileTimes(const FILETIME &created, const FILETIME &accessed,
                      const FILETIME &written);

// One line of the call log.
struct CallRecord {
  std::string method;
  std::vector<std::string> args; // as text; names and paths as raw bytes
  std::string result;
};

bool AppendCallLog(const std::string &folder, const CallRecord &record);
bool ReadCallLog(const std::string &folder, std::vector<CallRecord> *records);
bool ClearCallLog(const std::string &folder);

// Helpers for names given as text.
std::string HexEncode(const std::string &bytes);
bool HexDecode(const std::string &hex, std::string *bytes);
// The bytes with each one that `escaped` picks written by `format` (a printf
// format taking the byte as an unsigned int).
std::string EscapeBytes(const std::string &bytes,
                        bool (*escaped)(unsigned char), const char *format);
// A folder path with a trailing backslash.
std::string WithTrailingBackslash(const std::string &folder);

} // namespace simplayer
