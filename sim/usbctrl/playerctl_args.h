// What every playerctl command shares: its split arguments, the parsers of
// numbers, memories and dates, the way names and times are shown, and the
// messages for a bad command line or a failure.
#pragma once

#include "sim/usbctrl/player_store.h"

#include <string>
#include <utility>
#include <vector>

namespace playerctl {

extern const char kUsage[];

struct Args {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options; // --key value
  std::vector<std::string> flags;                           // --key
};

// Splits the arguments from `from` on; `valued` lists the options that take
// a value, `flagNames` those that stand alone.
bool SplitArgs(int argc, char **argv, int from,
               const std::vector<std::string> &valued,
               const std::vector<std::string> &flagNames, Args *args,
               std::string *error);
// The value of the option's last use, or null.
const std::string *Option(const Args &args, const std::string &name);
bool HasFlag(const Args &args, const std::string &name);

// Prints the reason and the usage; the exit code for a bad command line.
int UsageError(const std::string &text);
// 0 when the command was given only FOLDER, else the usage error's code.
int OnlyFolder(const Args &args, const std::string &command);
// Prints the reason; the exit code for a failure.
int Failure(const std::string &text);

bool ParseNumber(const std::string &text, long long low, long long high,
                 long long *value);
bool ParseInt(const std::string &text, int *value);
bool ParseMemory(const std::string &text, int *memory);
bool ParseSwitch(const std::string &text, bool *on);
bool ParseDate(const std::string &text, simplayer::DosStamp *stamp);
// A file index, decimal or 0x-hex.
bool ParseIndex(const std::string &text, uint16_t *index);

std::string FormatStamp(const simplayer::DosStamp &s);
// A name as printable text: bytes outside 0x20..0x7e as \xNN.
std::string ShowName(const std::string &name);
const char *MemoryName(int memory);

// Reads the store; false after saying why.
bool Load(const std::string &folder, simplayer::PlayerStore *store);
// Reads the store for a command given only FOLDER; 0, or the exit code.
int LoadOnlyFolder(const std::string &folder, const Args &args,
                   const std::string &command, simplayer::PlayerStore *store);
// Writes the store; the command's exit code.
int Save(const simplayer::PlayerStore &store);

} // namespace playerctl
