// Reading farhost script lines into words.
#include "sim/farhost/script_words.h"

#include <cstdlib>
#include <cstring>

namespace farhost {

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

bool ReadScript(std::istream &in, std::vector<std::string> *lines) {
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines->push_back(line);
  }
  return !in.bad();
}

const char kScriptCommands[] =
    "commands (one per line, # starts a comment):\n"
    "  open diskmenu|pluginsmenu|findlist|shortcut|commandline|editor|viewer"
    " [ITEM]\n"
    "  open N [ITEM]              OpenPlugin with a raw OpenFrom\n"
    "  show panel|info|keybar|pc|plugininfo|problems\n"
    "  cursor NAME|#INDEX         select NAME|#INDEX...|all\n"
    "  unselect NAME|#INDEX...|all\n"
    "  key [ctrl+][alt+][shift+]KEY   ProcessKey (pre-processed, then "
    "plain),\n"
    "                             the host's own keys (F3 views), KEY_NONE\n"
    "  copy|move [silent] [find]  GetFiles of the selection to the PC "
    "folder\n"
    "  delete [silent]            DeleteFiles of the selection\n"
    "  pc folder PATH             pc select|unselect NAME...|all\n"
    "  pc copy|pc move [silent|cancel]  FAR's Copy dialog (cancel: Escape"
    " in it),\n"
    "                             then PutFiles of the PC selection\n"
    "  answer N|esc ...           answers for the next boxes\n"
    "  dialog N|esc [I:selected=V] [I:data=TEXT]   answer for the next "
    "dialog\n"
    "  escape at N                Escape at the N-th progress box from now\n"
    "  escape now                 Escape into the console input at once\n"
    "  configure [N]              sort unsorted|name|ext|mtime|size|N\n"
    "  update [keep]              redraw            note TEXT\n"
    "FAR's own keys that copy a file of the panel for FAR:\n"
    "  quickview [KEY...]         Ctrl+Q on the item under the cursor, KEYs\n"
    "                             typed meanwhile (the cursor keys move it)\n"
    "  find TEXT [cancel at N]    Alt+F7: every file searched for TEXT; Esc\n"
    "                             during the N-th copy, FAR's question up\n"
    "  edit TEXT                  F4: TEXT added, the editor saves\n";

// One edit of a dialog answer: ITEM:selected=V or ITEM:data=TEXT.
DialogEdit ParseDialogEdit(const std::string &edit) {
  size_t colon = edit.find(':');
  size_t equals = edit.find('=');
  if (colon == std::string::npos || equals == std::string::npos ||
      equals < colon)
    throw ScriptError{"dialog edit \"" + edit +
                      "\" is not ITEM:selected=V or ITEM:data=TEXT"};
  DialogEdit e;
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
  return e;
}

} // namespace farhost
