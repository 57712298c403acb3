// farhost.exe: runs a plug-in folder in the substitute host, driven by a
// script of user actions, and prints the transcript of what it showed.
//
//   farhost [--lang NAME] [--root KEY] [--struct-size N]
//           [--progress all|last] [--raw-times] [--dll NAME]
//           PLUGIN_FOLDER [SCRIPT]
//   farhost --interactive [--pc FOLDER] [--lang NAME] [--root KEY]
//           PLUGIN_FOLDER
//
// The script (stdin when none is given) has one command per line; `help`
// lists them. ${NAME} in a line is replaced by the environment variable.
#include "sim/farhost/host_core.h"
#include "sim/farhost/interactive.h"

#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

using farhost::Host;

namespace {

const char kUsage[] =
    "usage: farhost [--lang NAME] [--root KEY] [--struct-size N]\n"
    "               [--progress all|last] [--raw-times] [--dll NAME]\n"
    "               PLUGIN_FOLDER [SCRIPT]\n"
    "       farhost --interactive [--pc FOLDER] [--lang NAME] [--root KEY]\n"
    "               PLUGIN_FOLDER   (two panels in this console)\n";

const char kCommands[] =
    "commands (one per line, # starts a comment):\n"
    "  open diskmenu|pluginsmenu|findlist|shortcut|commandline|editor|viewer"
    " [ITEM]\n"
    "  open N [ITEM]              OpenPlugin with a raw OpenFrom\n"
    "  show panel|info|keybar|pc|plugininfo|problems\n"
    "  cursor NAME|#INDEX         select NAME|#INDEX...|all\n"
    "  unselect NAME|#INDEX...|all\n"
    "  key [ctrl+][alt+][shift+]KEY   ProcessKey, then the host's own keys\n"
    "  copy|move [silent] [find]  GetFiles of the selection to the PC "
    "folder\n"
    "  delete [silent]            DeleteFiles of the selection\n"
    "  pc folder PATH             pc select|unselect NAME...|all\n"
    "  pc copy|pc move [silent]   PutFiles of the PC selection\n"
    "  answer N|esc ...           answers for the next boxes\n"
    "  dialog N|esc [I:selected=V] [I:data=TEXT]   answer for the next "
    "dialog\n"
    "  escape at N                Escape at the N-th progress box from now\n"
    "  escape now                 Escape into the console input at once\n"
    "  configure [N]              sort unsorted|name|ext|mtime|size|N\n"
    "  update [keep]              redraw            note TEXT\n";

struct ScriptError {
  std::string text;
};

std::string Expand(const std::string &line) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '$' && i + 1 < line.size() && line[i + 1] == '{') {
      size_t end = line.find('}', i + 2);
      if (end == std::string::npos)
        throw ScriptError{"unclosed ${ in the line"};
      std::string name = line.substr(i + 2, end - i - 2);
      const char *value = getenv(name.c_str());
      if (!value)
        throw ScriptError{"environment variable " + name + " is not set"};
      out += value;
      i = end;
    } else {
      out += line[i];
    }
  }
  return out;
}

// Words separated by blanks; "double quotes" keep blanks, \" a quote.
std::vector<std::string> Split(const std::string &line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
        word += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      if (inWord)
        words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted)
    throw ScriptError{"unclosed quote"};
  if (inWord)
    words.push_back(word);
  return words;
}

int Number(const std::string &text, const char *what) {
  char *end = nullptr;
  long value = strtol(text.c_str(), &end, 0);
  if (text.empty() || *end)
    throw ScriptError{std::string("expected ") + what + ", got \"" + text +
                      "\""};
  return static_cast<int>(value);
}

int Answer(const std::string &text) {
  if (_stricmp(text.c_str(), "esc") == 0)
    return -1;
  return Number(text, "a button number or esc");
}

class Runner {
public:
  explicit Runner(Host &host) : host_(host) {}
  void Run(const std::vector<std::string> &words);

private:
  void NeedPanel() {
    if (!host_.PanelOpen())
      throw ScriptError{"no panel is open"};
  }
  // F5, F6 and F8 with no selection and the cursor on ".." do nothing in
  // FAR; a script that asks for it is wrong.
  void NeedItems(const std::string &what) {
    const farhost::PanelModel &m = host_.Model();
    bool any = false;
    for (const farhost::PanelEntry &e : m.entries)
      any |= e.Selected() && !e.dots;
    if (!any &&
        (m.cursor < 0 || m.cursor >= static_cast<int>(m.entries.size()) ||
         m.entries[m.cursor].dots))
      throw ScriptError{"nothing to " + what +
                        ": no selection and the cursor is on .."};
  }
  void NeedExport(const void *fn, const char *name) {
    if (!fn)
      throw ScriptError{std::string("the plug-in has no ") + name + " export"};
  }
  void Select(const std::vector<std::string> &w, bool on);
  void PcCommand(const std::vector<std::string> &w);
  void Dialog(const std::vector<std::string> &w);
  int OpModes(const std::vector<std::string> &w, size_t from);

  Host &host_;
};

int Runner::OpModes(const std::vector<std::string> &w, size_t from) {
  int mode = 0;
  for (size_t i = from; i < w.size(); ++i) {
    if (w[i] == "silent")
      mode |= farapi::OPM_SILENT;
    else if (w[i] == "find")
      mode |= farapi::OPM_FIND;
    else
      throw ScriptError{"unknown operation mode \"" + w[i] + "\""};
  }
  return mode;
}

void Runner::Select(const std::vector<std::string> &w, bool on) {
  NeedPanel();
  if (w.size() < 2)
    throw ScriptError{"name what to " + w[0]};
  for (size_t i = 1; i < w.size(); ++i) {
    if (w[i] == "all") {
      host_.SelectAll(on);
    } else if (w[i][0] == '#') {
      if (!host_.SelectIndex(Number(w[i].substr(1), "an item index"), on))
        throw ScriptError{"no selectable item " + w[i]};
    } else if (!host_.Select(w[i], on)) {
      throw ScriptError{"no item \"" + w[i] + "\" in the panel"};
    }
  }
}

void Runner::PcCommand(const std::vector<std::string> &w) {
  if (w.size() < 2)
    throw ScriptError{"pc needs a command"};
  const std::string &c = w[1];
  if (c == "folder") {
    if (w.size() != 3)
      throw ScriptError{"pc folder needs one path"};
    if (!host_.SetPcFolder(w[2]))
      throw ScriptError{"no folder " + w[2]};
  } else if (c == "select" || c == "unselect") {
    if (w.size() < 3)
      throw ScriptError{"name what to " + c};
    for (size_t i = 2; i < w.size(); ++i) {
      if (w[i] == "all")
        host_.SelectAllPc(c == "select");
      else if (!host_.SelectPc(w[i], c == "select"))
        throw ScriptError{"no item \"" + w[i] + "\" in the PC folder"};
    }
  } else if (c == "copy" || c == "move") {
    NeedPanel();
    NeedExport(reinterpret_cast<const void *>(host_.Api().PutFiles),
               "PutFiles");
    if (host_.Pc().folder.empty())
      throw ScriptError{"set the PC folder first (pc folder PATH)"};
    host_.CopyFromPc(c == "move", OpModes(w, 2));
  } else if (c == "show") {
    host_.RereadPc();
    host_.Note(host_.FormatPc());
  } else {
    throw ScriptError{"unknown pc command \"" + c + "\""};
  }
}

void Runner::Dialog(const std::vector<std::string> &w) {
  if (w.size() < 2)
    throw ScriptError{"dialog needs a result"};
  farhost::DialogAnswer answer;
  answer.result = Answer(w[1]);
  for (size_t i = 2; i < w.size(); ++i) {
    const std::string &edit = w[i];
    size_t colon = edit.find(':');
    size_t equals = edit.find('=');
    if (colon == std::string::npos || equals == std::string::npos ||
        equals < colon)
      throw ScriptError{"dialog edit \"" + edit +
                        "\" is not ITEM:selected=V or ITEM:data=TEXT"};
    farhost::DialogEdit e;
    e.item = Number(edit.substr(0, colon), "an item number");
    std::string field = edit.substr(colon + 1, equals - colon - 1);
    std::string value = edit.substr(equals + 1);
    if (field == "selected") {
      e.setSelected = true;
      e.selected = Number(value, "a number");
    } else if (field == "data") {
      e.setData = true;
      e.data = value;
    } else {
      throw ScriptError{"unknown dialog field \"" + field + "\""};
    }
    answer.edits.push_back(e);
  }
  host_.QueueDialog(answer);
}

struct OpenSource {
  const char *name;
  int value;
};
const OpenSource kOpenSources[] = {{"diskmenu", farapi::OPEN_DISKMENU},
                                   {"pluginsmenu", farapi::OPEN_PLUGINSMENU},
                                   {"findlist", farapi::OPEN_FINDLIST},
                                   {"shortcut", farapi::OPEN_SHORTCUT},
                                   {"commandline", farapi::OPEN_COMMANDLINE},
                                   {"editor", farapi::OPEN_EDITOR},
                                   {"viewer", farapi::OPEN_VIEWER}};

void Runner::Run(const std::vector<std::string> &w) {
  const std::string &c = w[0];
  if (c == "open") {
    NeedExport(reinterpret_cast<const void *>(host_.Api().OpenPlugin),
               "OpenPlugin");
    if (w.size() < 2 || w.size() > 3)
      throw ScriptError{"open needs a source and an optional item"};
    int from = -1;
    for (const OpenSource &s : kOpenSources)
      if (w[1] == s.name)
        from = s.value;
    if (from < 0)
      from = Number(w[1], "an open source");
    int item = w.size() == 3 ? Number(w[2], "an item") : 0;
    host_.OpenPlugin(from, item);
  } else if (c == "show") {
    if (w.size() != 2)
      throw ScriptError{"show what?"};
    if (w[1] == "panel") {
      NeedPanel();
      host_.Redraw();
      host_.Note(host_.FormatPanel());
    } else if (w[1] == "info") {
      NeedPanel();
      host_.Redraw();
      host_.Note(host_.FormatInfo());
    } else if (w[1] == "keybar") {
      NeedPanel();
      host_.Redraw();
      host_.Note(host_.FormatKeyBar());
    } else if (w[1] == "pc") {
      host_.RereadPc();
      host_.Note(host_.FormatPc());
    } else if (w[1] == "plugininfo") {
      farhost::PluginMenus menus;
      if (!host_.GetPluginInfo(&menus))
        throw ScriptError{"the plug-in has no GetPluginInfo export"};
      host_.Note(host_.FormatMenus(menus));
    } else if (w[1] == "problems") {
      std::vector<std::string> problems = host_.Problems();
      std::string text = "problems: " + std::to_string(problems.size());
      for (const std::string &p : problems)
        text += "\n  " + p;
      host_.Note(text);
    } else {
      throw ScriptError{"cannot show \"" + w[1] + "\""};
    }
  } else if (c == "cursor") {
    NeedPanel();
    if (w.size() != 2)
      throw ScriptError{"cursor needs one name or #index"};
    bool ok = w[1][0] == '#'
                  ? host_.SetCursorIndex(Number(w[1].substr(1), "an index"))
                  : host_.SetCursor(w[1]);
    if (!ok)
      throw ScriptError{"no item " + w[1] + " in the panel"};
  } else if (c == "select" || c == "unselect") {
    Select(w, c == "select");
  } else if (c == "key") {
    NeedPanel();
    if (w.size() != 2)
      throw ScriptError{"key needs one key, e.g. shift+F7"};
    int key = 0;
    unsigned state = 0;
    if (!farhost::ParseKey(w[1], &key, &state))
      throw ScriptError{"unknown key \"" + w[1] + "\""};
    NeedExport(reinterpret_cast<const void *>(host_.Api().ProcessKey),
               "ProcessKey");
    host_.PressKey(key, state);
  } else if (c == "copy" || c == "move") {
    NeedPanel();
    NeedExport(reinterpret_cast<const void *>(host_.Api().GetFiles),
               "GetFiles");
    if (host_.Pc().folder.empty())
      throw ScriptError{"set the PC folder first (pc folder PATH)"};
    NeedItems(c);
    host_.CopyToPc(c == "move", OpModes(w, 1));
  } else if (c == "delete") {
    NeedPanel();
    NeedExport(reinterpret_cast<const void *>(host_.Api().DeleteFiles),
               "DeleteFiles");
    NeedItems(c);
    host_.DeleteSelected(OpModes(w, 1));
  } else if (c == "pc") {
    PcCommand(w);
  } else if (c == "answer") {
    if (w.size() < 2)
      throw ScriptError{"answer needs at least one button number or esc"};
    for (size_t i = 1; i < w.size(); ++i)
      host_.QueueAnswer(Answer(w[i]));
  } else if (c == "dialog") {
    Dialog(w);
  } else if (c == "escape") {
    if (w.size() == 2 && w[1] == "now")
      host_.PressEscapeAtProgress(0);
    else if (w.size() == 3 && w[1] == "at")
      host_.PressEscapeAtProgress(Number(w[2], "a progress box number"));
    else
      throw ScriptError{"escape at N, or escape now"};
  } else if (c == "configure") {
    NeedExport(reinterpret_cast<const void *>(host_.Api().Configure),
               "Configure");
    host_.Configure(w.size() > 1 ? Number(w[1], "a menu item") : 0);
  } else if (c == "sort") {
    NeedPanel();
    if (w.size() != 2)
      throw ScriptError{"sort needs a mode"};
    static const char *const modes[] = {"default", "unsorted", "name",  "ext",
                                        "mtime",   "ctime",    "atime", "size"};
    int mode = -1;
    for (int i = 0; i < 8; ++i)
      if (w[1] == modes[i])
        mode = i;
    if (mode < 0)
      mode = Number(w[1], "a sort mode");
    if (!host_.SetSortMode(mode))
      throw ScriptError{"sort mode " + w[1] + " is not accepted"};
  } else if (c == "update") {
    NeedPanel();
    host_.Refresh(w.size() > 1 && w[1] == "keep");
  } else if (c == "redraw") {
    NeedPanel();
    host_.Redraw();
  } else if (c == "note") {
    std::string text;
    for (size_t i = 1; i < w.size(); ++i)
      text += (i > 1 ? " " : "") + w[i];
    host_.Note(text);
  } else if (c == "help") {
    host_.Note(kCommands);
  } else {
    throw ScriptError{"unknown command \"" + c + "\""};
  }
}

bool ReadScript(std::istream &in, std::vector<std::string> *lines) {
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines->push_back(line);
  }
  return !in.bad();
}

} // namespace

int main(int argc, char **argv) {
  // The transcript is bytes in the PC code page with LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
  farhost::HostOptions options;
  std::string folder, scriptPath, dllName = "DAVUman.dll";
  bool interactive = false;
  farhost::InteractiveOptions screen;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char *name) -> std::string {
      if (i + 1 >= argc) {
        fprintf(stderr, "farhost: %s needs a value\n%s", name, kUsage);
        exit(2);
      }
      return argv[++i];
    };
    if (a == "--lang") {
      options.language = value("--lang");
    } else if (a == "--root") {
      options.rootKey = value("--root");
    } else if (a == "--struct-size") {
      std::string n = value("--struct-size");
      char *end = nullptr;
      long size = strtol(n.c_str(), &end, 0);
      if (n.empty() || *end || size <= 0 || size > 372) {
        fprintf(stderr, "farhost: bad --struct-size %s\n", n.c_str());
        return 2;
      }
      options.structSize = static_cast<int>(size);
    } else if (a == "--progress") {
      std::string mode = value("--progress");
      if (mode == "all")
        options.progress = farhost::ProgressMode::All;
      else if (mode == "last")
        options.progress = farhost::ProgressMode::Last;
      else {
        fprintf(stderr, "farhost: --progress is all or last\n");
        return 2;
      }
    } else if (a == "--dll") {
      dllName = value("--dll");
    } else if (a == "--interactive") {
      interactive = true;
    } else if (a == "--pc") {
      screen.pcFolder = value("--pc");
    } else if (a == "--raw-times") {
      options.rawProgressTimes = true;
    } else if (a == "--help" || a == "-h") {
      printf("%s\n%s", kUsage, kCommands);
      return 0;
    } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
      fprintf(stderr, "farhost: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else if (folder.empty()) {
      folder = a;
    } else if (scriptPath.empty()) {
      scriptPath = a;
    } else {
      fprintf(stderr, "farhost: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (folder.empty()) {
    fprintf(stderr, "%s", kUsage);
    return 2;
  }
  if (interactive) {
    if (!scriptPath.empty()) {
      fprintf(stderr, "farhost: --interactive takes no script\n%s", kUsage);
      return 2;
    }
    // A person's keys typed ahead stay in the console input.
    options.drainInput = false;
    options.echoCalls = false;
    Host host(options);
    std::string error;
    if (!host.Load(folder, &error, dllName)) {
      fprintf(stderr, "farhost: %s\n", error.c_str());
      return 1;
    }
    return farhost::RunInteractive(host, screen);
  }
  // The whole script is read first: the host takes standard input over
  // for the console that the plug-in polls.
  std::vector<std::string> lines;
  if (scriptPath.empty()) {
    ReadScript(std::cin, &lines);
  } else {
    std::ifstream file(scriptPath, std::ios::binary);
    if (!file) {
      fprintf(stderr, "farhost: cannot read the script %s\n",
              scriptPath.c_str());
      return 2;
    }
    ReadScript(file, &lines);
  }

  Host host(options);
  std::string error;
  if (!host.Load(folder, &error, dllName)) {
    fprintf(stderr, "farhost: %s\n", error.c_str());
    return 1;
  }
  Runner runner(host);
  int exitCode = 0;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string &raw = lines[n];
    size_t first = raw.find_first_not_of(" \t");
    if (first == std::string::npos || raw[first] == '#')
      continue;
    try {
      std::vector<std::string> words = Split(Expand(raw));
      host.Note("> " + raw.substr(first));
      runner.Run(words);
    } catch (const ScriptError &e) {
      host.FlushProgress();
      fwrite(host.Transcript().data(), 1, host.Transcript().size(), stdout);
      fflush(stdout);
      fprintf(stderr, "farhost: script line %u: %s\n",
              static_cast<unsigned>(n + 1), e.text.c_str());
      exitCode = 1;
      break;
    }
  }
  if (exitCode == 0) {
    host.ClosePanel();
    char end[128];
    snprintf(end, sizeof end,
             "end: %d listing(s) freed, %d not freed, %u problem(s)",
             host.FindDataFreed(), host.FindDataOutstanding(),
             static_cast<unsigned>(host.Problems().size()));
    host.Note(end);
    std::string t = host.Transcript();
    fwrite(t.data(), 1, t.size(), stdout);
    fflush(stdout);
  }
  return exitCode;
}
