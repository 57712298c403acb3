// Help topics read from the plug-in's .hlf file for the interactive host.
#include "sim/farhost/interactive.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace farhost {

namespace {

bool SameName(const std::string &a, const std::string &b) {
  return _stricmp(a.c_str(), b.c_str()) == 0;
}

// Parses the marks of one source line into the paragraph.
void AppendMarked(const std::string &src, HelpLine *para,
                  std::vector<std::string> *links, bool *bold) {
  size_t i = 0;
  while (i < src.size()) {
    char c = src[i];
    char next = i + 1 < src.size() ? src[i + 1] : 0;
    if ((c == '~' || c == '#' || c == '@') && next == c) {
      para->text += c;
      para->bold.push_back(*bold);
      para->link.push_back(-1);
      i += 2;
      continue;
    }
    if (c == '#') {
      *bold = !*bold;
      ++i;
      continue;
    }
    if (c == '~') {
      size_t close = src.find('~', i + 1);
      size_t at1 = close == std::string::npos ? close : src.find('@', close);
      size_t at2 = at1 == std::string::npos ? at1 : src.find('@', at1 + 1);
      if (close != std::string::npos && at1 == close + 1 &&
          at2 != std::string::npos) {
        int number = static_cast<int>(links->size());
        links->push_back(src.substr(at1 + 1, at2 - at1 - 1));
        for (size_t k = i + 1; k < close; ++k) {
          para->text += src[k];
          para->bold.push_back(false);
          para->link.push_back(number);
        }
        i = at2 + 1;
        continue;
      }
    }
    para->text += c;
    para->bold.push_back(*bold);
    para->link.push_back(-1);
    ++i;
  }
}

// A new paragraph, or the last one continued after a blank.
HelpLine *Paragraph(HelpTopic *topic, bool fresh, bool header, bool centred,
                    bool *bold) {
  if (fresh || topic->lines.empty()) {
    topic->lines.push_back(HelpLine());
    HelpLine *para = &topic->lines.back();
    para->header = header;
    para->centred = centred;
    *bold = false;
    return para;
  }
  HelpLine *para = &topic->lines.back();
  para->text += ' ';
  para->bold.push_back(false);
  para->link.push_back(-1);
  return para;
}

} // namespace

HelpTopic ReadHelpTopic(const std::string &path, const std::string &topic) {
  HelpTopic out;
  out.name = topic;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  bool inside = false, formatting = true, bold = false;
  bool startParagraph = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    const char kContents[] = ".PluginContents=";
    if (line.compare(0, sizeof kContents - 1, kContents) == 0)
      out.pluginContents = line.substr(sizeof kContents - 1);
    if (!inside) {
      if (line.size() > 1 && line[0] == '@' && line[1] != '-' &&
          line[1] != '+' && SameName(line.substr(1), topic))
        inside = out.found = true;
      continue;
    }
    if (line == "@-") {
      formatting = false;
      continue;
    }
    if (line == "@+") {
      formatting = true;
      continue;
    }
    if (!line.empty() && line[0] == '@')
      break;
    bool header = !line.empty() && line[0] == '$';
    std::string body = header ? line.substr(1) : line;
    bool centred = !body.empty() && body[0] == '^';
    if (centred)
      body = body.substr(1);
    bool fresh = header || centred || !formatting || startParagraph ||
                 body.empty() || body[0] == ' ';
    HelpLine *para = Paragraph(&out, fresh, header, centred, &bold);
    AppendMarked(body, para, &out.links, &bold);
    // An empty line stands alone; the next text starts a new paragraph.
    startParagraph = body.empty() || header;
  }
  while (!out.lines.empty() && out.lines.back().text.empty())
    out.lines.pop_back();
  return out;
}

std::vector<HelpLine> WrapHelp(const HelpTopic &topic, int width) {
  std::vector<HelpLine> out;
  if (width < 8)
    width = 8;
  for (const HelpLine &p : topic.lines) {
    size_t start = 0;
    do {
      size_t end = p.text.size();
      if (end - start > static_cast<size_t>(width)) {
        end = start + width;
        size_t blank = p.text.rfind(' ', end);
        if (blank != std::string::npos && blank > start)
          end = blank;
      }
      HelpLine l;
      l.header = p.header;
      l.centred = p.centred;
      l.text = p.text.substr(start, end - start);
      l.bold.assign(p.bold.begin() + start, p.bold.begin() + end);
      l.link.assign(p.link.begin() + start, p.link.begin() + end);
      out.push_back(l);
      start = end;
      while (start < p.text.size() && p.text[start] == ' ' && start != 0 &&
             end != p.text.size())
        ++start;
    } while (start < p.text.size());
  }
  return out;
}

} // namespace farhost
