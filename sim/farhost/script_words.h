// The words of a farhost script line: ${NAME} expanded from the
// environment, blanks splitting words, numbers and answers read.
#pragma once

#include "sim/farhost/host_records.h"

#include <istream>
#include <string>
#include <vector>

namespace farhost {

// A script line that cannot be carried out; the text says why.
struct ScriptError {
  std::string text;
};

// ${NAME} replaced by the environment variable NAME.
std::string Expand(const std::string &line);
// Words separated by blanks; "double quotes" keep blanks, \" a quote.
std::vector<std::string> Split(const std::string &line);
// A number in C notation; `what` names it in the error.
int Number(const std::string &text, const char *what);
// A button number, or -1 for "esc".
int Answer(const std::string &text);
// One edit of a dialog answer: ITEM:selected=V or ITEM:data=TEXT.
DialogEdit ParseDialogEdit(const std::string &edit);
// The command list that `help` and --help print.
extern const char kScriptCommands[];
// All lines of a script, without their CR.
bool ReadScript(std::istream &in, std::vector<std::string> *lines);

} // namespace farhost
