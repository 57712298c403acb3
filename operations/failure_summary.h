// The one account of what did not go in a transfer, copy, move or delete:
// every failed item with its reason, shown in a single warning box at the
// end of the operation.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace davu {

enum class FailReason {
  Unknown,
  MemoryFull,     // the player's memory took no more
  NoAnswer,       // the library reported a failure
  InUse,          // a PC file could not be opened, moved or deleted
  NameNotAllowed, // a name that cannot be used on the PC
  EntryNotFound,  // a playlist line that names no file
  NotInCodePage,  // a PC name the host could give only with '?' in it
};

// The most names the box lists; the count line tells how many there were.
constexpr size_t kSummaryNames = 8;
// Longest name line, so that the box fits an 80-column screen.
constexpr size_t kSummaryLineLimit = 70;

class FailureSummary {
public:
  // One more file that the operation handled, gone or not.
  void Handled(size_t files = 1) { handled_ += files; }
  // `oldRemoved`: the player's file of that name was deleted before the
  // send that failed, and is gone.
  void Failed(const std::string &name, FailReason reason,
              bool oldRemoved = false);
  // The failures of a later pass over files already counted here.
  void TakeFailures(const FailureSummary &other);
  size_t FailedCount() const { return failed_.size(); }
  size_t HandledCount() const { return handled_; }
  // The warning box, when anything failed, unless the host asked for
  // silence (OPM_SILENT) or called from its file search (OPM_FIND).
  void Show(int opMode) const;

private:
  struct Failure {
    std::string Name;
    FailReason Reason;
    bool OldRemoved;
  };
  std::vector<Failure> failed_;
  size_t handled_ = 0;
};

// The count line: the catalogue text with its two %d filled in; a text that
// holds anything else after a '%' gives "failed/handled" instead.
std::string FailedCountLine(const char *format, size_t failed, size_t handled);
// One name line: the name cut to fit, then the reason in brackets.
std::string FailedNameLine(const std::string &name, const char *reason);

} // namespace davu
