#include "sim/usbctrl/playerctl_args.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace playerctl {

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
    "       [--card-out]                 the card is taken out at that call\n"
    "  fail FOLDER --clear               make a library method fail, or not;\n"
    "                                    --unplug: the player stops answering\n"
    "                                    at that call (--clear plugs it in)\n"
    "  log FOLDER [--clear]              show or clear the call log\n"
    "MEMORY is internal (0) or external (1, card); an INDEX may be 0x-hex.\n";

namespace {

bool Listed(const std::vector<std::string> &names, const std::string &name) {
  for (const std::string &n : names)
    if (n == name)
      return true;
  return false;
}

bool NeedsShowEscape(unsigned char c) {
  return c < 0x20 || c >= 0x7f || c == '"';
}

} // namespace

bool SplitArgs(int argc, char **argv, int from,
               const std::vector<std::string> &valued,
               const std::vector<std::string> &flagNames, Args *args,
               std::string *error) {
  for (int i = from; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() <= 2 || a.compare(0, 2, "--") != 0) {
      args->positional.push_back(a);
    } else if (Listed(flagNames, a)) {
      args->flags.push_back(a);
    } else if (!Listed(valued, a)) {
      *error = "unknown option " + a;
      return false;
    } else if (i + 1 >= argc) {
      *error = a + " needs a value";
      return false;
    } else {
      args->options.emplace_back(a, argv[++i]);
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
  return Listed(args.flags, name);
}

int UsageError(const std::string &text) {
  fprintf(stderr, "playerctl: %s\n\n%s", text.c_str(), kUsage);
  return 2;
}

int OnlyFolder(const Args &args, const std::string &command) {
  return args.positional.size() == 1
             ? 0
             : UsageError(command + " takes only FOLDER");
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

bool ParseInt(const std::string &text, int *value) {
  long long v;
  if (!ParseNumber(text, INT32_MIN, INT32_MAX, &v))
    return false;
  *value = static_cast<int>(v);
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

bool ParseIndex(const std::string &text, uint16_t *index) {
  long long v;
  if (!ParseNumber(text, 0, 0xffff, &v))
    return false;
  *index = static_cast<uint16_t>(v);
  return true;
}

std::string FormatStamp(const simplayer::DosStamp &s) {
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d",
           1980 + (s.date >> 9), (s.date >> 5) & 15, s.date & 31, s.time >> 11,
           (s.time >> 5) & 63, (s.time & 31) * 2);
  return text;
}

std::string ShowName(const std::string &name) {
  return simplayer::EscapeBytes(name, NeedsShowEscape, "\\x%02x");
}

const char *MemoryName(int memory) {
  return memory == simplayer::kInternal ? "internal" : "external";
}

bool Load(const std::string &folder, simplayer::PlayerStore *store) {
  std::string error;
  if (simplayer::LoadStore(folder, store, &error))
    return true;
  fprintf(stderr, "playerctl: %s\n", error.c_str());
  return false;
}

int LoadOnlyFolder(const std::string &folder, const Args &args,
                   const std::string &command, simplayer::PlayerStore *store) {
  if (int wrong = OnlyFolder(args, command))
    return wrong;
  return Load(folder, store) ? 0 : 1;
}

int Save(const simplayer::PlayerStore &store) {
  std::string error;
  return simplayer::SaveStore(store, &error) ? 0 : Failure(error);
}

} // namespace playerctl
