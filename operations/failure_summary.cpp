// Collecting failed items and the box that lists them.
#include "operations/failure_summary.h"

#include "host/far_api.h"
#include "services/messages.h"
#include "services/plugin_state.h"

#include <cstdio>
#include <cstring>

namespace davu {

namespace {

int ReasonMessage(FailReason reason) {
  switch (reason) {
  case FailReason::MemoryFull:
    return MSG_REASON_MEMORY_FULL;
  case FailReason::NoAnswer:
    return MSG_REASON_NO_ANSWER;
  case FailReason::InUse:
    return MSG_REASON_IN_USE;
  case FailReason::NameNotAllowed:
    return MSG_REASON_BAD_NAME;
  case FailReason::EntryNotFound:
    return MSG_REASON_NOT_FOUND;
  case FailReason::NotInCodePage:
    return MSG_REASON_CODE_PAGE;
  case FailReason::Unknown:
    break;
  }
  return -1;
}

} // namespace

void FailureSummary::Failed(const std::string &name, FailReason reason,
                            bool oldRemoved) {
  failed_.push_back({name, reason, oldRemoved});
}

void FailureSummary::TakeFailures(const FailureSummary &other) {
  failed_.insert(failed_.end(), other.failed_.begin(), other.failed_.end());
}

std::string FailedCountLine(const char *format, size_t failed, size_t handled) {
  const size_t numbers[2] = {failed, handled};
  std::string line;
  int used = 0;
  for (const char *p = format ? format : ""; *p; ++p) {
    if (*p != '%') {
      line += *p;
      continue;
    }
    if (p[1] == '%') {
      line += '%';
      ++p;
    } else if (p[1] == 'd' && used < 2) {
      line += std::to_string(numbers[used++]);
      ++p;
    } else {
      used = -1;
      break;
    }
  }
  // The language file is not trusted with a format of its own.
  if (used != 2)
    line = std::to_string(failed) + "/" + std::to_string(handled);
  return line;
}

std::string FailedNameLine(const std::string &name, const char *reason) {
  std::string tail;
  if (reason && *reason)
    tail = std::string(" (") + reason + ")";
  if (tail.size() + 4 > kSummaryLineLimit)
    tail.clear();
  size_t room = kSummaryLineLimit - tail.size();
  std::string shown = name;
  if (shown.size() > room)
    shown = shown.substr(0, room - 3) + "...";
  return shown + tail;
}

void FailureSummary::Show(int opMode) const {
  if (failed_.empty() || !HostInfo.Message)
    return;
  if (opMode & (farapi::OPM_SILENT | farapi::OPM_FIND))
    return;
  std::vector<std::string> lines;
  lines.push_back(
      FailedCountLine(MsgText(MSG_FAILED_COUNT), failed_.size(),
                      handled_ < failed_.size() ? failed_.size() : handled_));
  for (size_t i = 0; i < failed_.size() && i < kSummaryNames; ++i) {
    int reason = ReasonMessage(failed_[i].Reason);
    std::string text = reason < 0 ? "" : MsgText(reason);
    if (failed_[i].OldRemoved)
      text += (text.empty() ? "" : "; ") +
              std::string(MsgText(MSG_REASON_OLD_REMOVED));
    lines.push_back(FailedNameLine(failed_[i].Name, text.c_str()));
  }
  std::vector<const char *> items;
  items.push_back(MsgText(MSG_FAILED_TITLE));
  for (const std::string &line : lines)
    items.push_back(line.c_str());
  items.push_back(MsgText(MSG_OK));
  HostInfo.Message(HostInfo.ModuleNumber, farapi::FMSG_WARNING, "Messages",
                   items.data(), static_cast<int>(items.size()), 1);
}

} // namespace davu
