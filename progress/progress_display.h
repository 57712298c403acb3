// The progress box: eight 180-byte lines, the figures computed from the
// device link's counters on every progress message, and the Escape poll.
#pragma once

#include <cstdint>

namespace davu {

constexpr int kProgressLineCount = 8;
constexpr int kProgressLineSize = 180;
constexpr int kProgressItemLimit = 66; // characters of the current-item line

// Line 1 is the title, line 2 the current item, lines 3 to 8 are written by
// UpdateProgress. Index 0 holds line 1.
extern char ProgressText[kProgressLineCount][kProgressLineSize];

// Written by the operations on the host's thread.
void SetProgressTitle(const char *title);
// Formats line 2 like sprintf(format, number, count, name) and cuts it to
// its first 66 characters.
void SetProgressItem(const char *format, int number, int count,
                     const char *name);

// Line 2 of a delete: "Deleting(n of m): name".
void SetDeletingItem(int number, int count, const char *name);

// One progress message (wParam of message 1034), on the progress thread.
void UpdateProgress(uint32_t progressValue);
// The same with the tick count given, so the figures can be checked.
void UpdateProgressAt(uint32_t progressValue, uint32_t now);

// True when a press of Escape was among the pending console input events;
// consumes them all.
bool PollEscape();

} // namespace davu
