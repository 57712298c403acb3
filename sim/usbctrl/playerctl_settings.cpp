// playerctl's commands on the player's configuration, its faults and the
// call log, and the listing of the whole store.
#include "sim/usbctrl/playerctl_commands.h"

#include <cstdint>
#include <cstdio>

namespace playerctl {

namespace {

using simplayer::PlayerConfig;
using simplayer::PlayerStore;

void ListMemory(const PlayerStore &store, int m) {
  const simplayer::MemoryState &memory = store.memories[m];
  if (!simplayer::MemoryPresent(store, m)) {
    printf("%s: no card (capacity %u, %zu files kept)\n", MemoryName(m),
           memory.capacity, memory.files.size());
    return;
  }
  printf("%s: %u bytes, %u free, %zu files\n", MemoryName(m), memory.capacity,
         simplayer::FreeSpace(store, m), memory.files.size());
  if (memory.files.empty())
    return;
  printf("  %-4s %-6s %10s  %-19s  %-19s  %-19s  %s\n", "pos", "index", "size",
         "written", "created", "accessed", "name");
  for (size_t i = 0; i < memory.files.size(); ++i) {
    const simplayer::StoredFile &f = memory.files[i];
    printf("  %-4zu 0x%04x %10u  %s  %s  %s  \"%s\"\n", i, f.index, f.size,
           FormatStamp(f.times.lastWrite).c_str(),
           FormatStamp(f.times.creation).c_str(),
           FormatStamp(f.times.lastAccess).c_str(), ShowName(f.name).c_str());
  }
}

void ListConfig(const PlayerConfig &c) {
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
           r.nth, r.index, r.result,
           r.unplug    ? " unplug"
           : r.cardOut ? " card-out"
                       : "",
           r.seen);
  if (c.unplugged)
    printf("unplugged: the player answers no call\n");
}

// Setters of one `set` key each; false for a bad value.
bool SetVersion(const std::string &value, PlayerConfig *c) {
  c->versionText = value;
  return true;
}

bool SetConnectResult(const std::string &value, PlayerConfig *c) {
  return ParseInt(value, &c->connectResult);
}

// on|off, or the nonzero result a player that is not ready gives.
bool SetNotReady(const std::string &value, PlayerConfig *c) {
  if (ParseSwitch(value, &c->notReady))
    return true;
  int result;
  if (!ParseInt(value, &result) || result == 0)
    return false;
  c->notReady = true;
  c->notReadyResult = result;
  return true;
}

bool SetCheckCard(const std::string &value, PlayerConfig *c) {
  return ParseInt(value, &c->checkCardResult);
}

bool SetCard(const std::string &value, PlayerConfig *c) {
  c->cardAbsent = value == "absent";
  return value == "present" || value == "absent";
}

bool SetMemoryFull(const std::string &value, PlayerConfig *c) {
  return ParseSwitch(value, &c->memoryFull);
}

// Hex, with or without 0x; the low word is the index's own.
bool SetIndexHighBits(const std::string &value, PlayerConfig *c) {
  std::string hex = value.compare(0, 2, "0x") == 0 ? value : "0x" + value;
  long long n;
  if (!ParseNumber(hex, 0, 0xffffffffLL, &n) || (n & 0xffff) != 0)
    return false;
  c->indexHighBits = static_cast<uint32_t>(n);
  return true;
}

bool SetUnterminatedNames(const std::string &value, PlayerConfig *c) {
  return ParseSwitch(value, &c->unterminatedNames);
}

bool SetCount(const std::string &value, long long low, uint32_t *field) {
  long long n;
  if (!ParseNumber(value, low, 0x7fffffff, &n))
    return false;
  *field = static_cast<uint32_t>(n);
  return true;
}

bool SetChunkSize(const std::string &value, PlayerConfig *c) {
  return SetCount(value, 1, &c->chunkSize);
}

bool SetDelivery(const std::string &value, PlayerConfig *c) {
  c->postMessages = value == "post";
  return value == "send" || value == "post";
}

bool SetRate(const std::string &value, PlayerConfig *c) {
  return SetCount(value, 0, &c->bytesPerSecond);
}

struct Setting {
  const char *key;
  bool (*apply)(const std::string &value, PlayerConfig *c);
};

const Setting kSettings[] = {
    {"version", SetVersion},
    {"connect-result", SetConnectResult},
    {"not-ready", SetNotReady},
    {"check-card", SetCheckCard},
    {"card", SetCard},
    {"memory-full", SetMemoryFull},
    {"index-high-bits", SetIndexHighBits},
    {"unterminated-names", SetUnterminatedNames},
    {"chunk-size", SetChunkSize},
    {"delivery", SetDelivery},
    {"rate", SetRate},
};

// The library methods a fail rule can name.
const char *const kFailingMethods[] = {"CUSBCTRL",
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

bool CanFail(const std::string &method) {
  for (const char *m : kFailingMethods)
    if (method == m)
      return true;
  return false;
}

// The numbers a fail rule takes from options.
struct RuleOption {
  const char *name;
  long long low, high;
  int simplayer::FailRule::*field;
};

const RuleOption kRuleOptions[] = {
    {"--nth", 1, 0x7fffffff, &simplayer::FailRule::nth},
    {"--index", 0, 0xffff, &simplayer::FailRule::index},
    {"--result", INT32_MIN, INT32_MAX, &simplayer::FailRule::result},
};

int ClearFaults(const std::string &folder, const Args &args) {
  PlayerStore store;
  if (int failed = LoadOnlyFolder(folder, args, "fail --clear", &store))
    return failed;
  store.config.failRules.clear();
  store.config.unplugged = false;
  return Save(store);
}

} // namespace

int List(const std::string &folder, const Args &args) {
  PlayerStore store;
  if (int failed = LoadOnlyFolder(folder, args, "list", &store))
    return failed;
  for (int m = 0; m < simplayer::kMemoryCount; ++m)
    ListMemory(store, m);
  ListConfig(store.config);
  return 0;
}

int Set(const std::string &folder, const Args &args) {
  if (args.positional.size() != 3)
    return UsageError("set needs FOLDER KEY VALUE");
  const std::string &key = args.positional[1];
  const std::string &value = args.positional[2];
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  for (const Setting &setting : kSettings) {
    if (key != setting.key)
      continue;
    if (!setting.apply(value, &store.config))
      return UsageError("bad value for " + key + ": " + value);
    return Save(store);
  }
  return UsageError("unknown setting " + key);
}

int Fail(const std::string &folder, const Args &args) {
  if (HasFlag(args, "--clear"))
    return ClearFaults(folder, args);
  if (args.positional.size() != 2)
    return UsageError("fail needs FOLDER METHOD");
  simplayer::FailRule rule;
  rule.method = args.positional[1];
  if (!CanFail(rule.method))
    return UsageError("no library method " + rule.method +
                      " can be made to fail");
  for (const RuleOption &option : kRuleOptions) {
    const std::string *v = Option(args, option.name);
    long long n;
    if (v && !ParseNumber(*v, option.low, option.high, &n))
      return UsageError(std::string("bad ") + option.name + " " + *v);
    if (v)
      rule.*option.field = static_cast<int>(n);
  }
  rule.unplug = HasFlag(args, "--unplug");
  rule.cardOut = HasFlag(args, "--card-out");
  PlayerStore store;
  if (!Load(folder, &store))
    return 1;
  store.config.failRules.push_back(rule);
  return Save(store);
}

int Log(const std::string &folder, const Args &args) {
  if (int wrong = OnlyFolder(args, "log"))
    return wrong;
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

} // namespace playerctl
