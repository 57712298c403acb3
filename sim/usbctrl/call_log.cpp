// The store's log of library calls: one line per call, fields separated by
// tabs, the result after a lone "=", bytes that would break a line escaped
// as %XX.
#include "sim/usbctrl/player_store.h"
#include "sim/usbctrl/store_io.h"

#include <sstream>

namespace simplayer {

namespace {

bool NeedsLogEscape(unsigned char c) {
  return c < 0x20 || c == '%' || c == '=' || c >= 0x7f;
}

std::string LogEscape(const std::string &text) {
  return EscapeBytes(text, NeedsLogEscape, "%%%02X");
}

std::string LogUnescape(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    std::string byte;
    if (text[i] == '%' && i + 2 < text.size() &&
        HexDecode(text.substr(i + 1, 2), &byte)) {
      out += byte;
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string &line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(
        start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos)
      return fields;
    start = tab + 1;
  }
}

CallRecord ParseLogLine(const std::string &line) {
  std::vector<std::string> fields = SplitTabs(line);
  CallRecord record;
  record.method = LogUnescape(fields[0]);
  size_t equals = fields.size();
  for (size_t i = 1; i < fields.size() && equals == fields.size(); ++i)
    if (fields[i] == "=")
      equals = i;
  for (size_t i = 1; i < equals; ++i)
    record.args.push_back(LogUnescape(fields[i]));
  if (equals + 1 < fields.size())
    record.result = LogUnescape(fields[equals + 1]);
  return record;
}

} // namespace

bool AppendCallLog(const std::string &folder, const CallRecord &record) {
  std::string line = LogEscape(record.method);
  for (const std::string &arg : record.args)
    line += '\t' + LogEscape(arg);
  line += "\t=\t" + LogEscape(record.result) + "\r\n";
  // One write per line in append mode keeps lines whole even when the
  // progress thread's SetCancelFlag logs during a transfer.
  HANDLE file =
      CreateFileA((WithTrailingBackslash(folder) + kLogName).c_str(),
                  FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()),
                      &written, nullptr);
  CloseHandle(file);
  return ok && written == line.size();
}

bool ReadCallLog(const std::string &folder, std::vector<CallRecord> *records) {
  records->clear();
  std::string text;
  std::string path = WithTrailingBackslash(folder) + kLogName;
  if (!ReadWholeFile(path, &text))
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    DropCarriageReturn(&line);
    if (!line.empty())
      records->push_back(ParseLogLine(line));
  }
  return true;
}

bool ClearCallLog(const std::string &folder) {
  std::string path = WithTrailingBackslash(folder) + kLogName;
  return DeleteFileA(path.c_str()) ||
         GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

} // namespace simplayer
