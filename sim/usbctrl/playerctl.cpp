// playerctl: sets up and inspects a simulated player's store.
#include "sim/usbctrl/playerctl_commands.h"

#include <cstdio>
#include <string>

namespace {

using playerctl::Args;

struct Command {
  const char *name;
  playerctl::CommandHandler *run;
};

const Command kCommands[] = {
    {"init", playerctl::Init},     {"create", playerctl::Init},
    {"add", playerctl::Add},       {"put", playerctl::Put},
    {"list", playerctl::List},     {"get", playerctl::Get},
    {"remove", playerctl::Remove}, {"move", playerctl::Move},
    {"format", playerctl::Format}, {"capacity", playerctl::Capacity},
    {"set", playerctl::Set},       {"fail", playerctl::Fail},
    {"log", playerctl::Log},
};

} // namespace

int main(int argc, char **argv) {
  if (argc < 2)
    return playerctl::UsageError("no command");
  std::string command = argv[1];
  if (command == "help" || command == "--help" || command == "-h") {
    fputs(playerctl::kUsage, stdout);
    return 0;
  }
  Args args;
  std::string error;
  if (!playerctl::SplitArgs(
          argc, argv, 2,
          {"--internal", "--external", "--version", "--size", "--from",
           "--date", "--name", "--hex-name", "--nth", "--index", "--result"},
          {"--hex", "--clear", "--unplug", "--card-out"}, &args, &error))
    return playerctl::UsageError(error);
  if (args.positional.empty())
    return playerctl::UsageError("no store FOLDER");
  for (const Command &c : kCommands)
    if (command == c.name)
      return c.run(args.positional[0], args);
  return playerctl::UsageError("unknown command " + command);
}
