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

} // namespace farhost
