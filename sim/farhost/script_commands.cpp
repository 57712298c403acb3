// The script commands: a table of names and handlers. Each handler checks
// what FAR would refuse (no panel, no export, nothing to copy) before it
// acts on the host.
#include "sim/farhost/script_commands.h"

#include "sim/farhost/script_far_keys.h"
#include "sim/farhost/script_words.h"

#include <algorithm>
#include <cstring>

namespace farhost {

namespace {

using Words = std::vector<std::string>;

struct NamedValue {
  const char *name;
  int value;
};

const NamedValue kOpenSources[] = {{"diskmenu", farapi::OPEN_DISKMENU},
                                   {"pluginsmenu", farapi::OPEN_PLUGINSMENU},
                                   {"findlist", farapi::OPEN_FINDLIST},
                                   {"shortcut", farapi::OPEN_SHORTCUT},
                                   {"commandline", farapi::OPEN_COMMANDLINE},
                                   {"editor", farapi::OPEN_EDITOR},
                                   {"viewer", farapi::OPEN_VIEWER}};

const NamedValue kSortModes[] = {{"default", 0}, {"unsorted", 1}, {"name", 2},
                                 {"ext", 3},     {"mtime", 4},    {"ctime", 5},
                                 {"atime", 6},   {"size", 7}};

// The value of a name from the table, else the word read as a number.
template <size_t N>
int NamedOrNumber(const NamedValue (&table)[N], const std::string &word,
                  const char *what) {
  for (const NamedValue &v : table)
    if (word == v.name)
      return v.value;
  return Number(word, what);
}

class Runner {
public:
  explicit Runner(Host &host) : host_(host) {}
  void Run(const Words &w);

private:
  using Handler = void (Runner::*)(const Words &w);
  struct Command {
    const char *name;
    Handler handle;
    bool userAction; // FAR redraws its screen after it
  };
  static const Command kCommands[];

  void NeedPanel() {
    if (!host_.PanelOpen())
      throw ScriptError{"no panel is open"};
  }
  void NeedItems(const std::string &what);
  void NeedExport(const void *fn, const char *name) {
    if (!fn)
      throw ScriptError{std::string("the plug-in has no ") + name + " export"};
  }
  void NeedPcFolder() {
    if (host_.Pc().folder.empty())
      throw ScriptError{"set the PC folder first (pc folder PATH)"};
  }
  int OpModes(const Words &w, size_t from);

  void Open(const Words &w);
  void Show(const Words &w);
  void ShowProblems();
  void Cursor(const Words &w);
  void Select(const Words &w);
  void Key(const Words &w);
  void Copy(const Words &w);
  void Delete(const Words &w);
  void Pc(const Words &w);
  void PcSelect(const Words &w);
  void PcCopy(const Words &w);
  void Answer(const Words &w);
  void Dialog(const Words &w);
  void Escape(const Words &w);
  void Configure(const Words &w);
  void Sort(const Words &w);
  void Update(const Words &w);
  void Redraw(const Words &w);
  void Note(const Words &w);
  void Help(const Words &w);
  void FarKey(const Words &w);

  Host &host_;
};

const Runner::Command Runner::kCommands[] = {
    {"open", &Runner::Open, true},
    {"show", &Runner::Show, false},
    {"cursor", &Runner::Cursor, true},
    {"select", &Runner::Select, true},
    {"unselect", &Runner::Select, true},
    {"key", &Runner::Key, false}, // PressKey redraws itself
    {"copy", &Runner::Copy, true},
    {"move", &Runner::Copy, true},
    {"delete", &Runner::Delete, true},
    {"pc", &Runner::Pc, true},
    {"answer", &Runner::Answer, false},
    {"dialog", &Runner::Dialog, false},
    {"escape", &Runner::Escape, false},
    {"configure", &Runner::Configure, true},
    {"sort", &Runner::Sort, true},
    {"update", &Runner::Update, true},
    {"redraw", &Runner::Redraw, false},
    {"note", &Runner::Note, false},
    {"help", &Runner::Help, false},
    {"quickview", &Runner::FarKey, true},
    {"find", &Runner::FarKey, true},
    {"edit", &Runner::FarKey, true},
};

void Runner::Run(const Words &w) {
  for (const Command &c : kCommands)
    if (w[0] == c.name) {
      (this->*c.handle)(w);
      if (c.userAction)
        host_.RedrawScreen();
      return;
    }
  throw ScriptError{"unknown command \"" + w[0] + "\""};
}

// F5, F6 and F8 with no selection and the cursor on ".." do nothing in
// FAR; a script that asks for it is wrong.
void Runner::NeedItems(const std::string &what) {
  const PanelModel &m = host_.Model();
  bool any = false;
  for (const PanelEntry &e : m.entries)
    any |= e.Selected() && !e.dots;
  if (!any && (m.cursor < 0 || m.cursor >= static_cast<int>(m.entries.size()) ||
               m.entries[m.cursor].dots))
    throw ScriptError{"nothing to " + what +
                      ": no selection and the cursor is on .."};
}

int Runner::OpModes(const Words &w, size_t from) {
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

void Runner::Open(const Words &w) {
  host_.EnsureLoaded();
  NeedExport(reinterpret_cast<const void *>(host_.Api().OpenPlugin),
             "OpenPlugin");
  if (w.size() < 2 || w.size() > 3)
    throw ScriptError{"open needs a source and an optional item"};
  int from = NamedOrNumber(kOpenSources, w[1], "an open source");
  int item = w.size() == 3 ? Number(w[2], "an item") : 0;
  host_.OpenPlugin(from, item);
}

void Runner::Show(const Words &w) {
  if (w.size() != 2)
    throw ScriptError{"show what?"};
  const std::string &what = w[1];
  if (what == "panel" || what == "info" || what == "keybar") {
    NeedPanel();
    host_.Redraw();
    host_.Note(what == "panel"  ? host_.FormatPanel()
               : what == "info" ? host_.FormatInfo()
                                : host_.FormatKeyBar());
  } else if (what == "pc") {
    host_.RereadPc();
    host_.Note(host_.FormatPc());
  } else if (what == "plugininfo") {
    host_.EnsureLoaded();
    PluginMenus menus;
    if (!host_.GetPluginInfo(&menus))
      throw ScriptError{"the plug-in has no GetPluginInfo export"};
    host_.Note(host_.FormatMenus(menus));
  } else if (what == "problems") {
    ShowProblems();
  } else {
    throw ScriptError{"cannot show \"" + what + "\""};
  }
}

void Runner::ShowProblems() {
  std::vector<std::string> problems = host_.Problems();
  std::string text = "problems: " + std::to_string(problems.size());
  for (const std::string &p : problems)
    text += "\n  " + p;
  host_.Note(text);
}

void Runner::Cursor(const Words &w) {
  NeedPanel();
  if (w.size() != 2)
    throw ScriptError{"cursor needs one name or #index"};
  bool ok = w[1][0] == '#'
                ? host_.SetCursorIndex(Number(w[1].substr(1), "an index"))
                : host_.SetCursor(w[1]);
  if (!ok)
    throw ScriptError{"no item " + w[1] + " in the panel"};
}

void Runner::Select(const Words &w) {
  bool on = w[0] == "select";
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

void Runner::Key(const Words &w) {
  NeedPanel();
  if (w.size() != 2)
    throw ScriptError{"key needs one key, e.g. shift+F7"};
  int key = 0;
  unsigned state = 0;
  if (!ParseKey(w[1], &key, &state))
    throw ScriptError{"unknown key \"" + w[1] + "\""};
  NeedExport(reinterpret_cast<const void *>(host_.Api().ProcessKey),
             "ProcessKey");
  host_.PressKey(key, state);
}

void Runner::Copy(const Words &w) {
  NeedPanel();
  NeedExport(reinterpret_cast<const void *>(host_.Api().GetFiles), "GetFiles");
  NeedPcFolder();
  NeedItems(w[0]);
  host_.CopyToPc(w[0] == "move", OpModes(w, 1));
}

void Runner::Delete(const Words &w) {
  NeedPanel();
  NeedExport(reinterpret_cast<const void *>(host_.Api().DeleteFiles),
             "DeleteFiles");
  NeedItems(w[0]);
  host_.DeleteSelected(OpModes(w, 1));
}

void Runner::Pc(const Words &w) {
  if (w.size() < 2)
    throw ScriptError{"pc needs a command"};
  const std::string &c = w[1];
  if (c == "folder") {
    if (w.size() != 3)
      throw ScriptError{"pc folder needs one path"};
    if (!host_.SetPcFolder(w[2]))
      throw ScriptError{"no folder " + w[2]};
  } else if (c == "select" || c == "unselect") {
    PcSelect(w);
  } else if (c == "copy" || c == "move") {
    PcCopy(w);
  } else if (c == "show") {
    host_.RereadPc();
    host_.Note(host_.FormatPc());
  } else {
    throw ScriptError{"unknown pc command \"" + c + "\""};
  }
}

void Runner::PcSelect(const Words &w) {
  const std::string &c = w[1];
  if (w.size() < 3)
    throw ScriptError{"name what to " + c};
  for (size_t i = 2; i < w.size(); ++i) {
    if (w[i] == "all")
      host_.SelectAllPc(c == "select");
    else if (!host_.SelectPc(w[i], c == "select"))
      throw ScriptError{"no item \"" + w[i] + "\" in the PC folder"};
  }
}

void Runner::PcCopy(const Words &w) {
  NeedPanel();
  NeedExport(reinterpret_cast<const void *>(host_.Api().PutFiles), "PutFiles");
  NeedPcFolder();
  Words modes(w.begin(), w.end());
  auto cancel = std::find(modes.begin() + 2, modes.end(), "cancel");
  if (cancel != modes.end()) {
    modes.erase(cancel);
    host_.CancelNextCopyDialog();
  }
  host_.CopyFromPc(w[1] == "move", OpModes(modes, 2));
}

void Runner::Answer(const Words &w) {
  if (w.size() < 2)
    throw ScriptError{"answer needs at least one button number or esc"};
  for (size_t i = 1; i < w.size(); ++i)
    host_.QueueAnswer(farhost::Answer(w[i]));
}

void Runner::Dialog(const Words &w) {
  if (w.size() < 2)
    throw ScriptError{"dialog needs a result"};
  DialogAnswer answer;
  answer.result = farhost::Answer(w[1]);
  for (size_t i = 2; i < w.size(); ++i)
    answer.edits.push_back(ParseDialogEdit(w[i]));
  host_.QueueDialog(answer);
}

void Runner::Escape(const Words &w) {
  if (w.size() == 2 && w[1] == "now")
    host_.PressEscapeAtProgress(0);
  else if (w.size() == 3 && w[1] == "at")
    host_.PressEscapeAtProgress(Number(w[2], "a progress box number"));
  else
    throw ScriptError{"escape at N, or escape now"};
}

void Runner::Configure(const Words &w) {
  host_.EnsureLoaded();
  NeedExport(reinterpret_cast<const void *>(host_.Api().Configure),
             "Configure");
  host_.Configure(w.size() > 1 ? Number(w[1], "a menu item") : 0);
}

void Runner::Sort(const Words &w) {
  NeedPanel();
  if (w.size() != 2)
    throw ScriptError{"sort needs a mode"};
  if (!host_.SetSortMode(NamedOrNumber(kSortModes, w[1], "a sort mode")))
    throw ScriptError{"sort mode " + w[1] + " is not accepted"};
}

void Runner::Update(const Words &w) {
  NeedPanel();
  host_.Refresh(w.size() > 1 && w[1] == "keep");
}

void Runner::Redraw(const Words &) {
  NeedPanel();
  host_.Redraw();
}

void Runner::Note(const Words &w) {
  std::string text;
  for (size_t i = 1; i < w.size(); ++i)
    text += (i > 1 ? " " : "") + w[i];
  host_.Note(text);
}

void Runner::Help(const Words &) {
  host_.Note(kScriptCommands);
}

// FAR's keys that copy a file of the panel for FAR itself.
void Runner::FarKey(const Words &w) {
  NeedPanel();
  NeedExport(reinterpret_cast<const void *>(host_.Api().GetFiles), "GetFiles");
  RunFarKeyCommand(host_, w);
}

} // namespace

void RunScriptCommand(Host &host, const std::vector<std::string> &words) {
  Runner runner(host);
  runner.Run(words);
}

} // namespace farhost
