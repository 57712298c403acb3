// Language and help files of a plug-in folder, read as FAR 1.70 reads them.
#pragma once

#include <string>
#include <vector>

namespace farhost {

struct LangFile {
  std::string path;     // full path of the chosen file
  std::string language; // text of ".Language=" up to the first comma
  std::vector<std::string> messages;
  std::vector<std::string> warnings; // e.g. over-long lines
};

// Reads one .lng file as FAR does: only lines whose first character is a
// double quote count; escapes \\ \" \n \r \b \t and "" are resolved.
bool ParseLangFile(const std::string &path, LangFile *out, std::string *error);
// One message line (with its leading quote) turned into the message text.
std::string ParseLangLine(const std::string &line);
// The ".Language=" name of a .lng or .hlf file, "" when it has none.
std::string FileLanguage(const std::string &path);
// Picks among the folder's files matching mask (e.g. "*.lng") the one whose
// language is `language`, else "English", else the last one found. "" when
// the folder has none.
std::string ChooseLanguageFile(const std::string &folder,
                               const std::string &mask,
                               const std::string &language);
// Topic names ("@Name" lines) of a help file.
std::vector<std::string> HelpTopics(const std::string &path);

} // namespace farhost
