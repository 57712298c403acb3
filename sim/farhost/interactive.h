// farhost --interactive: the substitute host as a FAR-like two-panel screen
// in the console it runs in, for a person at the keyboard.
#pragma once

#include "sim/farhost/host_core.h"

#include <string>
#include <vector>

namespace farhost {

struct InteractiveOptions {
  std::string pcFolder; // the left panel's folder; "" = the current one
};

// Runs until the user quits with F10; returns the process exit code.
int RunInteractive(Host &host, const InteractiveOptions &options);

// One topic of a help file as lines of cells: '#' marks toggle the
// highlight, "~text~@Topic@" is a link, "~~", "##" and "@@" are the
// characters themselves, '^' centres a line, '$' lines form the header.
struct HelpLine {
  std::string text;       // the line as shown
  std::vector<bool> bold; // per character: highlighted
  std::vector<int> link;  // per character: link number or -1
  bool centred = false, header = false;
};
struct HelpTopic {
  bool found = false;
  std::string name;
  std::vector<HelpLine> lines;
  std::vector<std::string> links; // link targets by number
  std::string pluginContents;     // the file's name for the help title
};
// Reads a topic; with formatting on, lines not starting with a blank are
// joined to the paragraph before them.
HelpTopic ReadHelpTopic(const std::string &path, const std::string &topic);
// The paragraphs wrapped at blanks to `width` characters.
std::vector<HelpLine> WrapHelp(const HelpTopic &topic, int width);

} // namespace farhost
