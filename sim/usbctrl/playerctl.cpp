// playerctl: sets up and inspects a simulated player's store.
#include "sim/usbctrl/player_store.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using simplayer::PlayerStore;

const char kUsage[] =
    "usage: playerctl COMMAND FOLDER [ARGUMENTS]\n"
    "  init FOLDER [--internal BYTES] [--external BYTES] [--version TEXT]\n"
    "      create an empty store (external 0: no card)\n"
    "  add FOLDER MEMORY NAME [--size BYTES | --from PCFILE] [--hex]\n"
    "      [--date YYYY-MM-DD[THH:MM:SS]]   add a file under NAME\n"
    "  put FOLDER MEMORY PCFILE... [--name NAME | --hex-name HEX] [--date D]\n"
    "      copy PC files onto the memory\n"
    "  list FOLDER                       both memories and the configuration\n"
    "  get FOLDER MEMORY INDEX PCFILE    copy a file's contents to the PC\n"
    "  remove FOLDER MEMORY INDEX...     remove files\n"
    "  move FOLDER MEMORY INDEX POSITION put the file before play position\n"
    "  format FOLDER MEMORY              remove every file of the memory\n"
    "  capacity FOLDER MEMORY BYTES      set a memory's size\n"
    "  set FOLDER KEY VALUE              configuration and faults:\n"
    "      version TEXT | connect-result N | not-ready off|on|N |\n"
    "      check-card N | card present|absent | memory-full on|off |\n"
    "      index-high-bits HEX | unterminated-names on|off |\n"
    "      chunk-size BYTES | delivery send|post | rate BYTES-PER-SECOND\n"
    "  fail FOLDER METHOD [--nth N] [--index I] [--result R] [--unplug]\n"
    "  fail FOLDER --clear               make a library method fail, or not;\n"
    "                                    --unplug: the player stops answering\n"
    "                                    at that call (--clear plugs it in)\n"
    "  log FOLDER [--clear]              show or clear the call log\n"
    "MEMORY is internal (0) or external (1, card); an INDEX may be 0x-hex.\n";

int UsageError(const std::string &text) {
  fprintf(stderr, "playerctl: %s\n\n%s", text.c_str(), kUsage);
  return 2;
}

int Failure(const std::string &text) {
  fprintf(stderr, "playerctl: %s\n", text.c_str());
  return 1;
}

bool ParseNumber(const std::string &text, long long low, long long high,
                 long long *value) {
  if (text.empty())
    return false;
  char *end = nullptr;
  errno = 0;
  long long v = strtoll(text.c_str(), &end, 0);
  if (errno || *end || v < low || v > high)
    return false;
  *value = v;
  return true;
}

bool ParseMemory(const std::string &text, int *memory) {
  if (text == "internal" || text == "0" || text == "int") {
    *memory = simplayer::kInternal;
    return true;
  }
  if (text == "external" || text == "1" || text == "card" || text == "ext") {
    *memory = simplayer::kExternal;
    return true;
  }
  return false;
}

bool ParseSwitch(const std::string &text, bool *on) {
  if (text == "on" || text == "1" || text == "yes") {
    *on = true;
    return true;
  }
  if (text == "off" || text == "0" || text == "no") {
    *on = false;
    return true;
  }
  return false;
}

bool ParseDate(const std::string &text, simplayer::DosStamp *stamp) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char sep = 0, tail = 0;
  int n = sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &y, &mo, &d, &sep,
                 &h, &mi, &s, &tail);
  if (!(n == 3 || (n == 7 && (sep == 'T' || sep == ' '))))
    return false;
  if (y < 1980 || y > 2107 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 ||
      mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
    return false;
  *stamp = simplayer::MakeDosStamp(y, mo, d, h, mi, s);
  return true;
}

std::string FormatStamp(const simplayer::DosStamp &s) {
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d",
           1980 + (s.date >> 9), (s.date >> 5) & 15, s.date & 31, s.time >> 11,
           (s.time >> 5) & 63, (s.time & 31) * 2);
  return text;
}

// A name as printable text: bytes outside 0x20..0x7e as \xNN.
std::string ShowName(const std::string &name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c >= 0x7f || c == '"') {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

const char *MemoryName(int memory) {
  return memory == simplayer::kInternal ? "internal" : "external";
}

const char *PutError(simplayer::PutResult result) {
  switch (result) {
  case simplayer::PutResult::MemoryFull:
    return "memory full";
  case simplayer::PutResult::NoCard:
    return "no card";
  case simplayer::PutResult::BadName:
    return "bad name";
  default:
    return "cannot write the store";
  }
}

// Deterministic contents for a file given only by its size.
std::string Filler(size_t size, const std::string &name) {
  std::string bytes(size, '\0');
  unsigned state = 2166136261u;
  for (unsigned char c : name)
    state = (state ^ c) * 16777619u;
  for (char &c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

struct Args {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options; // --key value
  std::vector<std::string> flags;                           // --key
};

// Splits the arguments; `valued` lists the options that take a value.
bool SplitArgs(int argc, char **argv, int from,
               const std::vector<std::string> &valued,
               const std::vector<std::string> &flagNames, Args *args,
               std::string *error) {
  for (int i = from; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      bool isValued = false, isFlag = false;
      for (const std::string &v : valued)
        isValued |= v == a;
      for (const std::string &f : flagNames)
        isFlag |= f == a;
      if (isFlag) {
        args->flags.push_back(a);
      } else if (isValued) {
        if (i + 1 >= argc) {
          *error = a + " needs a value";
          return false;
        }
        args->options.emplace_back(a, argv[++i]);
      } else {
        *error = "unknown option " + a;
        return false;
      }
    } else {
      args->positional.push_back(a);
    }
  }
  return true;
}

const std::string *Option(const Args &args, const std::string &name) {
  const std::string *found = nullptr;
  for (const auto &o : args.options)
    if (o.first == name)
      found = &o.second;
  return found;
}

bool HasFlag(const Args &args, const std::string &name) {
  for (const std::string &f : args.flags)
    if (f == name)
      return true;
  return false;
}

bool Load(const std::string &folder, PlayerStore *store) {
  std::string error;
  if (simplayer::LoadStore(folder, store, &error))
    return true;
  fprintf(stderr, "playerctl: %s\n", error.c_str());
  return false;
}

int Init(const std::string &folder, const Args &args) {
  long long internal = simplayer::kDefaultInternalCapacity;
  long long external = simplayer::kDefaultExternalCapacity;
  if (const std::string *v = Option(args, "--internal"))
    if (!ParseNumber(*v, 0, 0x7fffffff, &internal))
      return UsageError("bad --internal size " + *v);
  if (const std::string *v = Option(args, "--external"))
    if (!ParseNumber(*v, 0, 0x7fffffff, &external))
      return UsageError("bad --external size " + *v);
  std::string error;
  if (!simplayer::CreateStore(folder, static_cast<uint32_t>(internal),
                              static_cast<uint32_t>(external), &error))
    return Failure(error);
  if (const std::string *v = Option(args, "--version")) {
    PlayerStore store;
    if (!Load(folder, &store))
      return 1;
    store.config.versionText = *v;
    if (!simplayer::SaveStore(store, &error))
      return Failure(error);
  }
  printf("created %s\n", folder.c_str());
  return 0;
}

bool TimesOption(const Args &args, simplayer::FileTimes *times, bool *given) {
  *given = false;
  const std::string *v = Option(args, "--date");
  if (!v)
    return true;
  simplayer::DosStamp stamp;
  if (!ParseDate(*v, &stamp))
    return false;
  *times = simplayer::SameTimes(stamp);
  *given = true;
  return true;
}

int Add(const std::string &folder, const Args &args) {
  int memory;
  if (args.positional.size() != 3 || !ParseMemory(args.positional[1], &memory))
    return UsageError("add needs FOLDER MEMORY NAME");
  std::string name = args.positional[2];
  if (HasFlag(args, "--hex") && !simplayer::HexDecode(name, &name))
    return UsageError("NAME is not hex: " + args.positional[2]);
  simplayer::FileTimes times = simplayer::CurrentTimes();
  bool timesGiven;
  if (!TimesOption(args, &times, &timesGiven))
    return UsageError("bad --date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS, 1980 "
                      "to 2107)");
  const std::string *size = Option(args, "--size");
  const std::string *from = Option(args, "--from");
  if (size && from)
    return UsageError("give --size or --from, not both");
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  uint16_t index = 0;
  std::string error;
  simplayer::PutResult result;
  if (from) {
    result =
        simplayer::PutPcFile(&store, memory, *from, name,
                             timesGiven ? &times : nullptr, &index, &error);
  } else {
    long long bytes = 0;
    if (size && !ParseNumber(*size, 0, 0x7fffffff, &bytes))
      return UsageError("bad --size " + *size);
    result = simplayer::PutBytes(&store, memory, name,
                                 Filler(static_cast<size_t>(bytes), name),
                                 times, &index, &error);
  }
  if (result != simplayer::PutResult::Done)
    return Failure(std::string(PutError(result)) + ": " + error);
  printf("%s 0x%04x %s\n", MemoryName(memory), index, ShowName(name).c_str());
  return 0;
}

int Put(const std::string &folder, const Args &args) {
  int memory;
  if (args.positional.size() < 3 || !ParseMemory(args.positional[1], &memory))
    return UsageError("put needs FOLDER MEMORY PCFILE...");
  std::string name;
  if (const std::string *v = Option(args, "--name"))
    name = *v;
  if (const std::string *v = Option(args, "--hex-name"))
    if (!simplayer::HexDecode(*v, &name) || name.empty())
      return UsageError("--hex-name is not hex: " + *v);
  if (!name.empty() && args.positional.size() > 3)
    return UsageError("a name can be given for one PC file only");
  simplayer::FileTimes times;
  bool timesGiven;
  if (!TimesOption(args, &times, &timesGiven))
    return UsageError("bad --date");
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  for (size_t i = 2; i < args.positional.size(); ++i) {
    uint16_t index = 0;
    std::string error;
    simplayer::PutResult result =
        simplayer::PutPcFile(&store, memory, args.positional[i], name,
                             timesGiven ? &times : nullptr, &index, &error);
    if (result != simplayer::PutResult::Done)
      return Failure(args.positional[i] + ": " + error);
    printf("%s 0x%04x %s\n", MemoryName(memory), index,
           ShowName(simplayer::FindFile(store, memory, index)->name).c_str());
  }
  return 0;
}

int List(const std::string &folder) {
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  for (int m = 0; m < simplayer::kMemoryCount; ++m) {
    const simplayer::MemoryState &memory = store.memories[m];
    if (!simplayer::MemoryPresent(store, m)) {
      printf("%s: no card (capacity %u, %zu files kept)\n", MemoryName(m),
             memory.capacity, memory.files.size());
      continue;
    }
    printf("%s: %u bytes, %u free, %zu files\n", MemoryName(m), memory.capacity,
           simplayer::FreeSpace(store, m), memory.files.size());
    if (memory.files.empty())
      continue;
    printf("  %-4s %-6s %10s  %-19s  %-19s  %-19s  %s\n", "pos", "index",
           "size", "written", "created", "accessed", "name");
    for (size_t i = 0; i < memory.files.size(); ++i) {
      const simplayer::StoredFile &f = memory.files[i];
      printf("  %-4zu 0x%04x %10u  %s  %s  %s  \"%s\"\n", i, f.index, f.size,
             FormatStamp(f.times.lastWrite).c_str(),
             FormatStamp(f.times.creation).c_str(),
             FormatStamp(f.times.lastAccess).c_str(), ShowName(f.name).c_str());
    }
  }
  const simplayer::PlayerConfig &c = store.config;
  printf("version: \"%s\", connect result %d\n",
         ShowName(c.versionText).c_str(), c.connectResult);
  printf("ready: %s, check-card %d, memory-full %s\n",
         c.notReady ? ("no (" + std::to_string(c.notReadyResult) + ")").c_str()
                    : "yes",
         c.checkCardResult, c.memoryFull ? "on" : "off");
  printf("records: index-high-bits 0x%08x, unterminated-names %s\n",
         c.indexHighBits, c.unterminatedNames ? "on" : "off");
  printf("progress: chunk %u, %s, rate %u bytes/s\n", c.chunkSize,
         c.postMessages ? "post" : "send", c.bytesPerSecond);
  for (const simplayer::FailRule &r : c.failRules)
    printf("fail: %s nth %d index %d result %d%s (seen %d)\n", r.method.c_str(),
           r.nth, r.index, r.result, r.unplug ? " unplug" : "", r.seen);
  if (c.unplugged)
    printf("unplugged: the player answers no call\n");
  return 0;
}

bool ParseIndex(const std::string &text, uint16_t *index) {
  long long v;
  if (!ParseNumber(text, 0, 0xffff, &v))
    return false;
  *index = static_cast<uint16_t>(v);
  return true;
}

int Get(const std::string &folder, const Args &args) {
  int memory;
  uint16_t index;
  if (args.positional.size() != 4 ||
      !ParseMemory(args.positional[1], &memory) ||
      !ParseIndex(args.positional[2], &index))
    return UsageError("get needs FOLDER MEMORY INDEX PCFILE");
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  std::string bytes;
  if (!simplayer::ReadContents(store, memory, index, &bytes))
    return Failure("no readable file " + args.positional[2]);
  FILE *f = fopen(args.positional[3].c_str(), "wb");
  if (!f)
    return Failure("cannot write " + args.positional[3]);
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = fclose(f) == 0 && ok;
  return ok ? 0 : Failure("cannot write " + args.positional[3]);
}

int Remove(const std::string &folder, const Args &args) {
  int memory;
  if (args.positional.size() < 3 || !ParseMemory(args.positional[1], &memory))
    return UsageError("remove needs FOLDER MEMORY INDEX...");
  std::vector<uint16_t> indexes;
  for (size_t i = 2; i < args.positional.size(); ++i) {
    uint16_t index;
    if (!ParseIndex(args.positional[i], &index))
      return UsageError("bad index " + args.positional[i]);
    indexes.push_back(index);
  }
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  for (uint16_t index : indexes) {
    std::string error;
    if (!simplayer::RemoveFile(&store, memory, index, &error))
      return Failure(error);
  }
  return 0;
}

int Move(const std::string &folder, const Args &args) {
  int memory;
  uint16_t index;
  long long position;
  if (args.positional.size() != 4 ||
      !ParseMemory(args.positional[1], &memory) ||
      !ParseIndex(args.positional[2], &index) ||
      !ParseNumber(args.positional[3], -0x7fffffffLL, 0x7fffffffLL, &position))
    return UsageError("move needs FOLDER MEMORY INDEX POSITION");
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  std::string error;
  if (!simplayer::MoveInOrder(&store, memory, index, static_cast<int>(position),
                              &error))
    return Failure(error);
  return 0;
}

int Format(const std::string &folder, const Args &args) {
  int memory;
  if (args.positional.size() != 2 || !ParseMemory(args.positional[1], &memory))
    return UsageError("format needs FOLDER MEMORY");
  PlayerStore store;
  std::string error;
  if (!Load(folder, &store))
    return 1;
  return simplayer::ClearMemory(&store, memory, &error) ? 0 : Failure(error);
}

int Capacity(const std::string &folder, const Args &args) {
  int memory;
  long long bytes;
  if (args.positional.size() != 3 ||
      !ParseMemory(args.positional[1], &memory) ||
      !ParseNumber(args.positional[2], 0, 0x7fffffff, &bytes))
    return UsageError("capacity needs FOLDER MEMORY BYTES");
  PlayerStore store;
  std::string error;
  if (!Load(folder, &store))
    return 1;
  store.memories[memory].capacity = static_cast<uint32_t>(bytes);
  return simplayer::SaveStore(store, &error) ? 0 : Failure(error);
}

int Set(const std::string &folder, const Args &args) {
  if (args.positional.size() != 3)
    return UsageError("set needs FOLDER KEY VALUE");
  const std::string &key = args.positional[1];
  const std::string &value = args.positional[2];
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  simplayer::PlayerConfig &c = store.config;
  long long n = 0;
  bool on = false;
  bool ok = true;
  if (key == "version") {
    c.versionText = value;
  } else if (key == "connect-result") {
    ok = ParseNumber(value, INT32_MIN, INT32_MAX, &n);
    c.connectResult = static_cast<int>(n);
  } else if (key == "not-ready") {
    if (ParseSwitch(value, &on)) {
      c.notReady = on;
    } else if ((ok = ParseNumber(value, INT32_MIN, INT32_MAX, &n) && n != 0)) {
      c.notReady = true;
      c.notReadyResult = static_cast<int>(n);
    }
  } else if (key == "check-card") {
    ok = ParseNumber(value, INT32_MIN, INT32_MAX, &n);
    c.checkCardResult = static_cast<int>(n);
  } else if (key == "card") {
    ok = value == "present" || value == "absent";
    c.cardAbsent = value == "absent";
  } else if (key == "memory-full") {
    ok = ParseSwitch(value, &c.memoryFull);
  } else if (key == "index-high-bits") {
    std::string hex = value.compare(0, 2, "0x") == 0 ? value : "0x" + value;
    ok = ParseNumber(hex, 0, 0xffffffffLL, &n) && (n & 0xffff) == 0;
    c.indexHighBits = static_cast<uint32_t>(n);
  } else if (key == "unterminated-names") {
    ok = ParseSwitch(value, &c.unterminatedNames);
  } else if (key == "chunk-size") {
    ok = ParseNumber(value, 1, 0x7fffffff, &n);
    c.chunkSize = static_cast<uint32_t>(n);
  } else if (key == "delivery") {
    ok = value == "send" || value == "post";
    c.postMessages = value == "post";
  } else if (key == "rate") {
    ok = ParseNumber(value, 0, 0x7fffffff, &n);
    c.bytesPerSecond = static_cast<uint32_t>(n);
  } else {
    return UsageError("unknown setting " + key);
  }
  if (!ok)
    return UsageError("bad value for " + key + ": " + value);
  std::string error;
  return simplayer::SaveStore(store, &error) ? 0 : Failure(error);
}

int Fail(const std::string &folder, const Args &args) {
  PlayerStore store;
  std::string error;
  if (HasFlag(args, "--clear")) {
    if (args.positional.size() != 1)
      return UsageError("fail --clear takes only FOLDER");
    if (!Load(folder, &store))
      return 1;
    store.config.failRules.clear();
    store.config.unplugged = false;
    return simplayer::SaveStore(store, &error) ? 0 : Failure(error);
  }
  if (args.positional.size() != 2)
    return UsageError("fail needs FOLDER METHOD");
  simplayer::FailRule rule;
  rule.method = args.positional[1];
  static const char *const methods[] = {"CUSBCTRL",
                                        "SetProgressWindow",
                                        "dumpUsbConfig",
                                        "CheckSMCCard",
                                        "GetVersionInfo",
                                        "GetAvailMemory",
                                        "FormatInternal",
                                        "FormatExternal",
                                        "FindFirstInternal",
                                        "FindNextInternal",
                                        "FindFirstExternal",
                                        "FindNextExternal",
                                        "Download",
                                        "Delete",
                                        "Upload",
                                        "ChangeOrder"};
  bool known = false;
  for (const char *m : methods)
    known |= rule.method == m;
  if (!known)
    return UsageError("no library method " + rule.method +
                      " can be made to fail");
  long long n;
  if (const std::string *v = Option(args, "--nth")) {
    if (!ParseNumber(*v, 1, 0x7fffffff, &n))
      return UsageError("bad --nth " + *v);
    rule.nth = static_cast<int>(n);
  }
  if (const std::string *v = Option(args, "--index")) {
    if (!ParseNumber(*v, 0, 0xffff, &n))
      return UsageError("bad --index " + *v);
    rule.index = static_cast<int>(n);
  }
  if (const std::string *v = Option(args, "--result")) {
    if (!ParseNumber(*v, INT32_MIN, INT32_MAX, &n))
      return UsageError("bad --result " + *v);
    rule.result = static_cast<int>(n);
  }
  rule.unplug = HasFlag(args, "--unplug");
  if (!Load(folder, &store))
    return 1;
  store.config.failRules.push_back(rule);
  return simplayer::SaveStore(store, &error) ? 0 : Failure(error);
}

int Log(const std::string &folder, const Args &args) {
  if (args.positional.size() != 1)
    return UsageError("log takes only FOLDER");
  if (HasFlag(args, "--clear"))
    return simplayer::ClearCallLog(folder) ? 0
                                           : Failure("cannot clear the log");
  std::vector<simplayer::CallRecord> records;
  if (!simplayer::ReadCallLog(folder, &records))
    return Failure("cannot read the call log in " + folder);
  for (const simplayer::CallRecord &r : records) {
    std::string line = r.method + "(";
    for (size_t i = 0; i < r.args.size(); ++i)
      line += (i ? ", " : "") + ShowName(r.args[i]);
    printf("%s) = %s\n", line.c_str(), r.result.c_str());
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2)
    return UsageError("no command");
  std::string command = argv[1];
  if (command == "help" || command == "--help" || command == "-h") {
    fputs(kUsage, stdout);
    return 0;
  }
  Args args;
  std::string error;
  if (!SplitArgs(argc, argv, 2,
                 {"--internal", "--external", "--version", "--size", "--from",
                  "--date", "--name", "--hex-name", "--nth", "--index",
                  "--result"},
                 {"--hex", "--clear"}, &args, &error))
    return UsageError(error);
  if (args.positional.empty())
    return UsageError("no store FOLDER");
  const std::string folder = args.positional[0];
  if (command == "init" || command == "create")
    return args.positional.size() == 1 ? Init(folder, args)
                                       : UsageError("init takes only FOLDER");
  if (command == "add")
    return Add(folder, args);
  if (command == "put")
    return Put(folder, args);
  if (command == "list")
    return args.positional.size() == 1 ? List(folder)
                                       : UsageError("list takes only FOLDER");
  if (command == "get")
    return Get(folder, args);
  if (command == "remove")
    return Remove(folder, args);
  if (command == "move")
    return Move(folder, args);
  if (command == "format")
    return Format(folder, args);
  if (command == "capacity")
    return Capacity(folder, args);
  if (command == "set")
    return Set(folder, args);
  if (command == "fail")
    return Fail(folder, args);
  if (command == "log")
    return Log(folder, args);
  return UsageError("unknown command " + command);
}
