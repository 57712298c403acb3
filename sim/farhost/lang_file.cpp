// Language and help files read the way FAR 1.70 reads them: binary, no
// code-page conversion, only quoted lines are messages.
#include "sim/farhost/lang_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace farhost {

namespace {

// FAR reads with a 1024-byte buffer; longer lines are cut there.
constexpr size_t kLineLimit = 1023;

struct FileCloser {
  void operator()(FILE *f) const {
    if (f)
      fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

struct FindCloser {
  HANDLE handle;
  ~FindCloser() {
    if (handle != INVALID_HANDLE_VALUE)
      FindClose(handle);
  }
};

bool ReadLines(const std::string &path, std::vector<std::string> *lines) {
  File f(fopen(path.c_str(), "rb"));
  if (!f)
    return false;
  std::string line;
  int c;
  while ((c = fgetc(f.get())) != EOF) {
    if (c == '\n') {
      lines->push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty())
    lines->push_back(line);
  return true;
}

void TrimRight(std::string *s) {
  while (!s->empty() && (s->back() == ' ' || s->back() == '\t' ||
                         s->back() == '\r' || s->back() == '\n'))
    s->pop_back();
}

bool StartsWithNoCase(const std::string &s, const char *prefix) {
  size_t n = strlen(prefix);
  return s.size() >= n && _strnicmp(s.c_str(), prefix, n) == 0;
}

// The character that the escape \x stands for; 0 when x is none of them.
char Unescape(char x) {
  static const char kEscapes[][2] = {{'\\', '\\'}, {'"', '"'},  {'n', '\n'},
                                     {'r', '\r'},  {'b', '\b'}, {'t', '\t'}};
  for (const char *e : kEscapes)
    if (e[0] == x)
      return e[1];
  return 0;
}

} // namespace

std::string ParseLangLine(const std::string &raw) {
  std::string line = raw;
  TrimRight(&line);
  if (line.empty() || line[0] != '"')
    return std::string();
  line.erase(0, 1);
  if (!line.empty() && line.back() == '"')
    line.pop_back();
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    char escaped = 0;
    if (c == '\\' && i + 1 < line.size()) {
      escaped = Unescape(line[i + 1]);
      if (!escaped) {
        out += c; // other escapes keep the backslash
        continue;
      }
    } else if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      escaped = '"';
    }
    if (escaped) {
      out += escaped;
      ++i;
      continue;
    }
    out += c;
  }
  return out;
}

bool ParseLangFile(const std::string &path, LangFile *out, std::string *error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, &lines)) {
    if (error)
      *error = "cannot read " + path;
    return false;
  }
  out->path = path;
  out->messages.clear();
  out->warnings.clear();
  out->language = FileLanguage(path);
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string line = lines[n];
    if (line.size() > kLineLimit) {
      char note[96];
      snprintf(note, sizeof note, "line %u is longer than %u bytes, cut",
               static_cast<unsigned>(n + 1), static_cast<unsigned>(kLineLimit));
      out->warnings.push_back(note);
      line.resize(kLineLimit);
    }
    if (!line.empty() && line[0] == '"')
      out->messages.push_back(ParseLangLine(line));
  }
  return true;
}

std::string FileLanguage(const std::string &path) {
  std::vector<std::string> lines;
  if (!ReadLines(path, &lines))
    return std::string();
  for (std::string line : lines) {
    TrimRight(&line);
    if (StartsWithNoCase(line, ".Language=")) {
      std::string value = line.substr(strlen(".Language="));
      size_t comma = value.find(',');
      return comma == std::string::npos ? value : value.substr(0, comma);
    }
  }
  return std::string();
}

std::string ChooseLanguageFile(const std::string &folder,
                               const std::string &mask,
                               const std::string &language) {
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '\\')
    dir += '\\';
  WIN32_FIND_DATAA data;
  FindCloser search{FindFirstFileA((dir + mask).c_str(), &data)};
  if (search.handle == INVALID_HANDLE_VALUE)
    return std::string();
  std::string wanted, english, last;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    std::string path = dir + data.cFileName;
    std::string name = FileLanguage(path);
    if (wanted.empty() && _stricmp(name.c_str(), language.c_str()) == 0)
      wanted = path;
    if (english.empty() && _stricmp(name.c_str(), "English") == 0)
      english = path;
    last = path;
  } while (FindNextFileA(search.handle, &data));
  if (!wanted.empty())
    return wanted;
  if (!english.empty())
    return english;
  return last;
}

std::vector<std::string> HelpTopics(const std::string &path) {
  std::vector<std::string> lines, topics;
  if (!ReadLines(path, &lines))
    return topics;
  for (std::string line : lines) {
    TrimRight(&line);
    if (line.size() < 2 || line[0] != '@')
      continue;
    if (line == "@-" || line == "@+")
      continue;
    topics.push_back(line.substr(1));
  }
  return topics;
}

} // namespace farhost
