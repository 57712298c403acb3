// farhost.exe: runs a plug-in folder in the substitute host, driven by a
// script of user actions, and prints the transcript of what it showed.
//
//   farhost [--host far170|far3] [--lang NAME] [--root KEY] [--struct-size N]
//           [--progress all|last] [--raw-times] [--dll NAME]
//           [--cached-start] PLUGIN_FOLDER [SCRIPT]
//   farhost --interactive [--pc FOLDER] [--lang NAME] [--root KEY]
//           [--cached-start] PLUGIN_FOLDER
//
// The script (stdin when none is given) has one command per line; `help`
// lists them. ${NAME} in a line is replaced by the environment variable.
#include "sim/farhost/host_core.h"
#include "sim/farhost/interactive.h"
#include "sim/farhost/script_commands.h"
#include "sim/farhost/script_words.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

using farhost::Host;

namespace {

const char kUsage[] =
    "usage: farhost [--host far170|far3] [--lang NAME] [--root KEY]\n"
    "               [--struct-size N]\n"
    "               [--progress all|last] [--raw-times] [--dll NAME]\n"
    "               [--cached-start] PLUGIN_FOLDER [SCRIPT]\n"
    "       farhost --interactive [--pc FOLDER] [--lang NAME] [--root KEY]\n"
    "               [--cached-start] PLUGIN_FOLDER   (two panels in this "
    "console)\n"
    "  --cached-start: as FAR with its plug-in cache filled by an earlier\n"
    "  start: the DLL is loaded when the plug-in is first used, and\n"
    "  SetStartupInfo comes without GetPluginInfo\n"
    "  --host far3: as FAR 3 runs old plug-ins: start sort and view only\n"
    "  with panel modes, no DiskMenuNumbers, settings under Far Manager\n";

struct Arguments {
  farhost::HostOptions options;
  std::string rootKey; // --root; else the profile's own
  std::string folder, scriptPath, dllName = "DAVUman.dll";
  bool interactive = false;
  farhost::InteractiveOptions screen;
};

// Each option sets its part of the arguments from its value (null for
// options without one); a non-negative result ends the program with it.
using OptionHandler = int (*)(Arguments *a, const char *value);
struct Option {
  const char *name;
  bool takesValue;
  OptionHandler handle;
};

int StructSizeOption(Arguments *a, const char *value) {
  std::string n = value;
  char *end = nullptr;
  long size = strtol(n.c_str(), &end, 0);
  if (n.empty() || *end || size <= 0 || size > 372) {
    fprintf(stderr, "farhost: bad --struct-size %s\n", n.c_str());
    return 2;
  }
  a->options.structSize = static_cast<int>(size);
  return -1;
}

int ProgressOption(Arguments *a, const char *value) {
  std::string mode = value;
  if (mode == "all") {
    a->options.progress = farhost::ProgressMode::All;
  } else if (mode == "last") {
    a->options.progress = farhost::ProgressMode::Last;
  } else {
    fprintf(stderr, "farhost: --progress is all or last\n");
    return 2;
  }
  return -1;
}

int HostOption(Arguments *a, const char *value) {
  std::string name = value;
  if (name == "far170") {
    a->options.profile = farhost::HostProfile::Far170;
  } else if (name == "far3") {
    a->options.profile = farhost::HostProfile::Far3;
  } else {
    fprintf(stderr, "farhost: --host is far170 or far3\n");
    return 2;
  }
  return -1;
}

int HelpOption(Arguments *, const char *) {
  printf("%s\n%s", kUsage, farhost::kScriptCommands);
  return 0;
}

const Option kOptions[] = {
    {"--lang", true,
     [](Arguments *a, const char *v) {
       a->options.language = v;
       return -1;
     }},
    {"--root", true,
     [](Arguments *a, const char *v) {
       a->rootKey = v;
       return -1;
     }},
    {"--host", true, HostOption},
    {"--struct-size", true, StructSizeOption},
    {"--progress", true, ProgressOption},
    {"--dll", true,
     [](Arguments *a, const char *v) {
       a->dllName = v;
       return -1;
     }},
    {"--interactive", false,
     [](Arguments *a, const char *) {
       a->interactive = true;
       return -1;
     }},
    {"--pc", true,
     [](Arguments *a, const char *v) {
       a->screen.pcFolder = v;
       return -1;
     }},
    {"--cached-start", false,
     [](Arguments *a, const char *) {
       a->options.cachedStart = true;
       return -1;
     }},
    {"--raw-times", false,
     [](Arguments *a, const char *) {
       a->options.rawProgressTimes = true;
       return -1;
     }},
    {"--help", false, HelpOption},
    {"-h", false, HelpOption},
};

// One argument that is not an option: the folder, then the script.
int PlainArgument(Arguments *a, const std::string &arg) {
  if (!arg.empty() && arg[0] == '-' && arg.size() > 1) {
    fprintf(stderr, "farhost: unknown option %s\n%s", arg.c_str(), kUsage);
    return 2;
  }
  if (a->folder.empty()) {
    a->folder = arg;
  } else if (a->scriptPath.empty()) {
    a->scriptPath = arg;
  } else {
    fprintf(stderr, "farhost: too many arguments\n%s", kUsage);
    return 2;
  }
  return -1;
}

// Reads the command line; a non-negative result is the exit code.
int ParseArguments(int argc, char **argv, Arguments *a) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const Option *option = nullptr;
    for (const Option &o : kOptions)
      if (arg == o.name)
        option = &o;
    int exitCode;
    if (!option) {
      exitCode = PlainArgument(a, arg);
    } else if (option->takesValue && i + 1 >= argc) {
      fprintf(stderr, "farhost: %s needs a value\n%s", option->name, kUsage);
      exitCode = 2;
    } else {
      exitCode = option->handle(a, option->takesValue ? argv[++i] : nullptr);
    }
    if (exitCode >= 0)
      return exitCode;
  }
  if (a->folder.empty()) {
    fprintf(stderr, "%s", kUsage);
    return 2;
  }
  a->options.rootKey = a->rootKey.empty()
                           ? farhost::DefaultRootKey(a->options.profile)
                           : a->rootKey;
  return -1;
}

int RunInteractiveMode(Arguments *a) {
  if (!a->scriptPath.empty()) {
    fprintf(stderr, "farhost: --interactive takes no script\n%s", kUsage);
    return 2;
  }
  // A person's keys typed ahead stay in the console input.
  a->options.drainInput = false;
  a->options.echoCalls = false;
  Host host(a->options);
  std::string error;
  if (!host.Load(a->folder, &error, a->dllName)) {
    fprintf(stderr, "farhost: %s\n", error.c_str());
    return 1;
  }
  return farhost::RunInteractive(host, a->screen);
}

// The whole script is read first: the host takes standard input over for
// the console that the plug-in polls.
bool ReadScriptLines(const std::string &path, std::vector<std::string> *lines) {
  if (path.empty()) {
    farhost::ReadScript(std::cin, lines);
    return true;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    fprintf(stderr, "farhost: cannot read the script %s\n", path.c_str());
    return false;
  }
  farhost::ReadScript(file, lines);
  return true;
}

void PrintTranscript(const Host &host) {
  std::string t = host.Transcript();
  fwrite(t.data(), 1, t.size(), stdout);
  fflush(stdout);
}

// Runs the lines to the end or to the first that fails (exit code 1).
int RunLines(Host &host, const std::vector<std::string> &lines) {
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string &raw = lines[n];
    size_t first = raw.find_first_not_of(" \t");
    if (first == std::string::npos || raw[first] == '#')
      continue;
    try {
      std::vector<std::string> words = farhost::Split(farhost::Expand(raw));
      host.Note("> " + raw.substr(first));
      farhost::RunScriptCommand(host, words);
    } catch (const farhost::ScriptError &e) {
      host.FlushProgress();
      PrintTranscript(host);
      fprintf(stderr, "farhost: script line %u: %s\n",
              static_cast<unsigned>(n + 1), e.text.c_str());
      return 1;
    }
  }
  return 0;
}

int RunScriptMode(const Arguments &a) {
  std::vector<std::string> lines;
  if (!ReadScriptLines(a.scriptPath, &lines))
    return 2;
  Host host(a.options);
  std::string error;
  if (!host.Load(a.folder, &error, a.dllName)) {
    fprintf(stderr, "farhost: %s\n", error.c_str());
    return 1;
  }
  if (RunLines(host, lines) != 0)
    return 1;
  host.ClosePanel();
  char end[128];
  snprintf(end, sizeof end,
           "end: %d listing(s) freed, %d not freed, %d GetOpenPluginInfo "
           "call(s), %u problem(s)",
           host.FindDataFreed(), host.FindDataOutstanding(),
           host.OpenInfoCalls(), static_cast<unsigned>(host.Problems().size()));
  host.Note(end);
  PrintTranscript(host);
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  // The transcript is bytes in the PC code page with LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
  Arguments arguments;
  int exitCode = ParseArguments(argc, argv, &arguments);
  if (exitCode >= 0)
    return exitCode;
  if (arguments.interactive)
    return RunInteractiveMode(&arguments);
  return RunScriptMode(arguments);
}
