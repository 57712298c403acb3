// The progress box: eight 180-byte lines, the figures computed from the
// device link's counters on every progress message, and the Escape poll.
#pragma once

#include <cstdint>

namespace davu {

constexpr int kProgressLineCount = 8;
constexpr int kProgressLineSize = 180;
constexpr int kProgressItemLimit = 66; // characters of the current-item line

// The box's own texts in the interface language: catalogue ids after the
// plug-in's other messages.
enum ProgressMessage : int {
  kProgressTitleUpload = 68,   // player to PC
  kProgressTitleDownload = 69, // PC to player
  kProgressTitleDelete = 70,
  kProgressTitleFormat = 71,
  kProgressItemUpload = 72, // "Uploading(%d of %d): ", the name follows
  kProgressItemDownload = 73,
  kProgressItemDelete = 74,
  kProgressFormatInternal = 75, // the item line of a format
  kProgressFormatExternal = 76,
  kProgressFileSizeLabel = 77, // labels of the four figure lines
  kProgressFileTimeLabel = 78,
  kProgressTotalSizeLabel = 79,
  kProgressTotalTimeLabel = 80,
  kProgressRateUnit = 81, // "b/sec"
};
constexpr int kProgressLastMessage = kProgressRateUnit;

// Line 1 is the title, line 2 the current item, lines 3 to 8 are written by
// UpdateProgress. Index 0 holds line 1.
extern char ProgressText[kProgressLineCount][kProgressLineSize];

// Written by the operations on the host's thread. The title is a catalogue
// message; setting it also takes the figure labels from the catalogue, so
// the progress thread never asks the host for a text.
void SetProgressTitle(int titleMessage);
// Line 2: the catalogue's item text with its two numbers filled in (the
// first two %d or %i; any other % stands as it is), then at most
// `nameLimit` characters of the name, all cut to 66 characters.
void SetProgressItem(int itemMessage, int number, int count, const char *name,
                     int nameLimit);
// Line 2 as one catalogue text.
void SetProgressNote(int noteMessage);

// Line 2 of a delete: "Deleting(n of m): name".
void SetDeletingItem(int number, int count, const char *name);

// One progress message (wParam of message 1034), on the progress thread.
void UpdateProgress(uint32_t progressValue);
// The same with the tick count given, so the figures can be checked.
void UpdateProgressAt(uint32_t progressValue, uint32_t now);

// True when a press of Escape was among the pending console input events;
// takes the Escape events out and leaves every other event where it was.
bool PollEscape();

} // namespace davu
