// Text forms of the recorded boxes and dialogs, as the transcript shows
// them.
#include "sim/farhost/host_impl.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace farhost {

namespace {

bool IsTimeLine(const std::string &line) {
  std::string lower = line;
  for (char &c : lower)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower.find("remaining time") != std::string::npos;
}

// Times and rates depend on the tick count: their digits become '#', and
// the rate, whose width grows with its value, is shown as one fixed field.
std::string MaskDigits(const std::string &line) {
  std::string out = line;
  size_t unit = out.rfind(" b/sec");
  if (unit != std::string::npos) {
    size_t start = unit;
    while (start > 0 && out[start - 1] >= '0' && out[start - 1] <= '9')
      --start;
    while (start > 0 && out[start - 1] == ' ')
      --start;
    if (start < unit)
      out.replace(start, unit - start, " #######");
  }
  for (char &c : out)
    if (c >= '0' && c <= '9')
      c = '#';
  return out;
}

std::string TypeName(int type) {
  static const char *const names[] = {
      "TEXT",    "VTEXT",  "SINGLEBOX", "DOUBLEBOX",   "EDIT",     "PSWEDIT",
      "FIXEDIT", "BUTTON", "CHECKBOX",  "RADIOBUTTON", "COMBOBOX", "LISTBOX"};
  if (type >= 0 && type < static_cast<int>(sizeof names / sizeof names[0]))
    return names[type];
  char buffer[24];
  snprintf(buffer, sizeof buffer, "TYPE%d", type);
  return buffer;
}

std::string DialogFlagNames(DWORD flags) {
  static const NamedBit names[] = {
      {0x200, "BOXCOLOR"},       {0x400, "GROUP"},
      {0x800, "LEFTTEXT"},       {0x1000, "MOVESELECT"},
      {0x2000, "SHOWAMPERSAND"}, {0x4000, "CENTERGROUP"},
      {0x8000, "NOBRACKETS"},    {0x10000, "SEPARATOR"},
      {0x20000, "EDITOR"},       {0x40000, "HISTORY"},
      {0x400000, "MASKEDIT"},    {0x10000000, "HIDDEN"},
      {0x20000000, "READONLY"},  {0x80000000, "DISABLE"}};
  return BitNames(flags, names);
}

} // namespace

std::string Printable(const std::string &text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 32 || c == 127) {
      char buffer[8];
      snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string BitNames(DWORD flags, const NamedBit *names, size_t count) {
  std::string out;
  DWORD rest = flags;
  for (size_t i = 0; i < count; ++i)
    if (flags & names[i].bit) {
      out += out.empty() ? "" : "|";
      out += names[i].name;
      rest &= ~names[i].bit;
    }
  if (rest) {
    char buffer[24];
    snprintf(buffer, sizeof buffer, "%s0x%lX", out.empty() ? "" : "|",
             static_cast<unsigned long>(rest));
    out += buffer;
  }
  return out;
}

std::string FlagNames(DWORD flags) {
  static const NamedBit names[] = {
      {farapi::FMSG_WARNING, "WARNING"},
      {farapi::FMSG_ERRORTYPE, "ERRORTYPE"},
      {farapi::FMSG_KEEPBACKGROUND, "KEEPBACKGROUND"},
      {farapi::FMSG_DOWN, "DOWN"},
      {farapi::FMSG_LEFTALIGN, "LEFTALIGN"},
      {farapi::FMSG_ALLINONE, "ALLINONE"}};
  if (flags == 0)
    return "0";
  return BitNames(flags, names);
}

std::string FormatBox(const MessageRecord &box, bool rawTimes) {
  std::string out = box.progress ? "progress box" : "box";
  out += " flags=" + FlagNames(box.flags);
  out += box.hasHelp ? " help=\"" + Printable(box.helpTopic) + "\"" : "";
  if (box.otherThread)
    out += " (other thread)";
  if (box.buttons == 0) {
    out += box.progress ? "" : " (no buttons, stays on screen)";
  } else {
    char buffer[32];
    if (box.answer < 0)
      snprintf(buffer, sizeof buffer, " -> esc");
    else
      snprintf(buffer, sizeof buffer, " -> %d", box.answer);
    out += buffer;
    int first = static_cast<int>(box.items.size()) - box.buttons;
    if (box.answer >= 0 && first + box.answer >= 0 &&
        first + box.answer < static_cast<int>(box.items.size()))
      out += " \"" + Printable(box.items[first + box.answer]) + "\"";
    if (!box.scripted)
      out += " (default)";
  }
  out += "\n";
  int first = static_cast<int>(box.items.size()) - box.buttons;
  for (int i = 0; i < static_cast<int>(box.items.size()); ++i) {
    const std::string &text = box.items[i];
    if (i >= first && box.buttons > 0) {
      out += "  [" + Printable(text) + "]\n";
    } else if (text == "\x01") {
      out += "  |----\n";
    } else if (box.progress && !rawTimes && IsTimeLine(text)) {
      out += "  | " + Printable(MaskDigits(text)) + "\n";
    } else {
      out += "  | " + Printable(text) + "\n";
    }
  }
  return out;
}

std::string FormatDialog(const DialogRecord &d) {
  char head[96];
  snprintf(head, sizeof head, "dialog (%d,%d,%d,%d)", d.x1, d.y1, d.x2, d.y2);
  std::string out = head;
  out += d.hasHelp ? " help=\"" + Printable(d.helpTopic) + "\"" : "";
  char result[48];
  if (d.result < 0)
    snprintf(result, sizeof result, " -> esc");
  else
    snprintf(result, sizeof result, " -> %d", d.result);
  out += result;
  if (!d.scripted)
    out += " (no scripted answer)";
  out += "\n";
  for (size_t i = 0; i < d.in.size(); ++i) {
    const DialogItemRecord &a = d.in[i];
    char line[128];
    snprintf(line, sizeof line, "  [%u] %s %d,%d,%d,%d",
             static_cast<unsigned>(i), TypeName(a.type).c_str(), a.x1, a.y1,
             a.x2, a.y2);
    out += line;
    if (a.focus)
      out += " focus";
    if (a.defaultButton)
      out += " default";
    if (a.flags)
      out += " " + DialogFlagNames(a.flags);
    bool maskParam = !a.mask.empty() ||
                     (a.type == farapi::DI_FIXEDIT && (a.flags & 0x400000));
    if (maskParam)
      out += " mask=\"" + Printable(a.mask) + "\"";
    else if (a.selected || a.type == farapi::DI_CHECKBOX ||
             a.type == farapi::DI_RADIOBUTTON) {
      snprintf(line, sizeof line, " selected=%d", a.selected);
      out += line;
    }
    out += " \"" + Printable(a.data) + "\"";
    if (i < d.out.size()) {
      const DialogItemRecord &b = d.out[i];
      if (!maskParam && b.selected != a.selected) {
        snprintf(line, sizeof line, " -> selected=%d", b.selected);
        out += line;
      }
      if (b.data != a.data)
        out += " -> \"" + Printable(b.data) + "\"";
    }
    out += "\n";
  }
  return out;
}

std::string FormatTime(const FILETIME &time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0)
    return "-";
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&time, &local) ||
      !FileTimeToSystemTime(&local, &st))
    return "?";
  char buffer[32];
  snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear,
           st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
  return buffer;
}

} // namespace farhost
