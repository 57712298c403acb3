// playerctl's commands on files and memories.
#include "sim/usbctrl/playerctl_commands.h"

#include <cstdio>

namespace playerctl {

namespace {

using simplayer::PlayerStore;

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

// A store capacity option, or the default when it is not given.
bool CapacityOption(const Args &args, const char *name, long long *bytes) {
  const std::string *v = Option(args, name);
  return !v || ParseNumber(*v, 0, 0x7fffffff, bytes);
}

// The memory a command names as its first argument after the folder, with
// the count of arguments it takes (at least `count` when `more`).
bool MemoryArguments(const Args &args, size_t count, bool more, int *memory) {
  size_t n = args.positional.size();
  return (more ? n >= count : n == count) &&
         ParseMemory(args.positional[1], memory);
}

} // namespace

int Init(const std::string &folder, const Args &args) {
  if (int wrong = OnlyFolder(args, "init"))
    return wrong;
  long long internal = simplayer::kDefaultInternalCapacity;
  long long external = simplayer::kDefaultExternalCapacity;
  if (!CapacityOption(args, "--internal", &internal))
    return UsageError("bad --internal size " + *Option(args, "--internal"));
  if (!CapacityOption(args, "--external", &external))
    return UsageError("bad --external size " + *Option(args, "--external"));
  std::string error;
  if (!simplayer::CreateStore(folder, static_cast<uint32_t>(internal),
                              static_cast<uint32_t>(external), &error))
    return Failure(error);
  if (const std::string *v = Option(args, "--version")) {
    PlayerStore store;
    if (!Load(folder, &store))
      return 1;
    store.config.versionText = *v;
    if (int failed = Save(store))
      return failed;
  }
  printf("created %s\n", folder.c_str());
  return 0;
}

int Add(const std::string &folder, const Args &args) {
  int memory;
  if (!MemoryArguments(args, 3, false, &memory))
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
  long long bytes = 0;
  if (!from && size && !ParseNumber(*size, 0, 0x7fffffff, &bytes))
    return UsageError("bad --size " + *size);
  std::string error;
  simplayer::PutResult result =
      from ? simplayer::PutPcFile(&store, memory, *from, name,
                                  timesGiven ? &times : nullptr, &index, &error)
           : simplayer::PutBytes(&store, memory, name,
                                 Filler(static_cast<size_t>(bytes), name),
                                 times, &index, &error);
  if (result != simplayer::PutResult::Done)
    return Failure(std::string(PutError(result)) + ": " + error);
  printf("%s 0x%04x %s\n", MemoryName(memory), index, ShowName(name).c_str());
  return 0;
}

int Put(const std::string &folder, const Args &args) {
  int memory;
  if (!MemoryArguments(args, 3, true, &memory))
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

int Get(const std::string &folder, const Args &args) {
  int memory;
  uint16_t index;
  if (!MemoryArguments(args, 4, false, &memory) ||
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
  if (!MemoryArguments(args, 3, true, &memory))
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
  if (!MemoryArguments(args, 4, false, &memory) ||
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
  if (!MemoryArguments(args, 2, false, &memory))
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
  if (!MemoryArguments(args, 3, false, &memory) ||
      !ParseNumber(args.positional[2], 0, 0x7fffffff, &bytes))
    return UsageError("capacity needs FOLDER MEMORY BYTES");
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  store.memories[memory].capacity = static_cast<uint32_t>(bytes);
  return Save(store);
}

} // namespace playerctl
