// The progress box: figures from the device link's counters, drawn through
// the host's Message on the progress thread, and the Escape poll.
#include "progress/progress_display.h"

#include "device/device_link.h"
#include "host/far_api.h"
#include "host/host_table.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace davu {

char ProgressText[kProgressLineCount][kProgressLineSize];

namespace {

constexpr char kSeparator[] = "\x01";

// Columns before the figures: the size lines' and the time lines' numbers
// line up in two pairs whatever the labels' language.
constexpr int kSizeLabelWidth = 29;
constexpr int kTimeLabelWidth = 31;

// The labels of the figure lines, padded, and the rate's unit; copied from
// the catalogue on the host's thread when an operation sets its title.
struct FigureLabels {
  char FileSize[kSizeLabelWidth + 1];
  char FileTime[kTimeLabelWidth + 1];
  char TotalSize[kSizeLabelWidth + 1];
  char TotalTime[kTimeLabelWidth + 1];
  char RateUnit[9]; // at most 8 characters: the time lines stay in the box
};
FigureLabels Labels;

// The label cut so that one blank still follows it, then padded to `width`.
template <size_t N> void PadLabel(char (&field)[N], int message, int width) {
  snprintf(field, N, "%-*.*s", width, width - 1, MsgText(message));
}

void LoadFigureLabels() {
  PadLabel(Labels.FileSize, kProgressFileSizeLabel, kSizeLabelWidth);
  PadLabel(Labels.FileTime, kProgressFileTimeLabel, kTimeLabelWidth);
  PadLabel(Labels.TotalSize, kProgressTotalSizeLabel, kSizeLabelWidth);
  PadLabel(Labels.TotalTime, kProgressTotalTimeLabel, kTimeLabelWidth);
  snprintf(Labels.RateUnit, sizeof Labels.RateUnit, "%s",
           MsgText(kProgressRateUnit));
}

// Writes `text` into `out` with its first two %d or %i replaced by `first`
// and `second`. The text comes from a language file a user may edit, so it
// is never used as a printf format.
void FillNumbers(char *out, size_t size, const char *text, int first,
                 int second) {
  const int numbers[2] = {first, second};
  int used = 0;
  size_t length = 0;
  for (const char *p = text; *p && length + 1 < size; ++p) {
    if (p[0] == '%' && (p[1] == 'd' || p[1] == 'i') && used < 2) {
      int written =
          snprintf(out + length, size - length, "%d", numbers[used++]);
      length = std::min(size - 1, length + static_cast<size_t>(written));
      ++p;
      continue;
    }
    out[length++] = *p;
  }
  out[length] = 0;
}

// Nearest integer of a * scale / b, halves going up, in 64-bit integers so
// that no product of 32-bit operands overflows.
uint32_t NearestRatio(uint32_t a, uint32_t scale, uint32_t b) {
  uint64_t numerator = 2ull * scale * a + b;
  return static_cast<uint32_t>(numerator / (2ull * b));
}

uint32_t Percentage(uint32_t done, uint32_t size) {
  return size == 0 ? 100 : NearestRatio(done, 100, size);
}

struct Clock {
  unsigned hours, minutes, seconds;
};

Clock ToClock(uint32_t seconds) {
  return {seconds / 3600, (seconds % 3600) / 60, seconds % 60};
}

// Line 5 or 8: elapsed and remaining time and the rate since `startTick`.
void FormatTimeLine(char *line, const char *label, uint32_t done, uint32_t size,
                    uint32_t startTick, uint32_t now) {
  uint32_t elapsedMs = now - startTick; // unsigned: a tick wrap is harmless
  uint32_t rate = elapsedMs == 0 ? 0 : NearestRatio(done, 1000, elapsedMs);
  uint32_t remaining = rate == 0 ? 0 : (size - done) / rate;
  if (done != size)
    remaining += 1;
  uint32_t elapsed = static_cast<uint32_t>((uint64_t{elapsedMs} + 500) / 1000);
  Clock e = ToClock(elapsed);
  Clock r = ToClock(remaining);
  snprintf(line, kProgressLineSize,
           "%s%02u:%02u:%02u /   %02u:%02u:%02u %7lu %s", label, e.hours,
           e.minutes, e.seconds, r.hours, r.minutes, r.seconds,
           static_cast<unsigned long>(rate), Labels.RateUnit);
}

void FormatSizeLine(char *line, const char *label, uint32_t done,
                    uint32_t size) {
  snprintf(line, kProgressLineSize, "%s%10lu / %10lu        %3lu%%", label,
           static_cast<unsigned long>(done), static_cast<unsigned long>(size),
           static_cast<unsigned long>(Percentage(done, size)));
}

void CountProgress(DeviceLink &link, uint32_t value) {
  uint32_t fileSize = link.FileSize.load();
  uint32_t completed = link.DoneBefore.load() + fileSize;
  if (value == kFileComplete) {
    link.FileDone.store(fileSize);
    link.TotalDone.store(completed);
    return;
  }
  uint32_t fileDone = link.FileDone.load() + value;
  uint32_t totalDone = link.TotalDone.load() + value;
  if (fileDone > fileSize) {
    fileDone = fileSize;
    totalDone = completed;
  }
  if (totalDone > link.TotalSize.load())
    totalDone = completed;
  link.FileDone.store(fileDone);
  link.TotalDone.store(totalDone);
}

} // namespace

void SetProgressTitle(int titleMessage) {
  snprintf(ProgressText[0], kProgressLineSize, "%s", MsgText(titleMessage));
  LoadFigureLabels();
}

void SetProgressItem(int itemMessage, int number, int count, const char *name,
                     int nameLimit) {
  char *line = ProgressText[1];
  FillNumbers(line, kProgressLineSize, MsgText(itemMessage), number, count);
  size_t length = strlen(line);
  snprintf(line + length, kProgressLineSize - length, "%.*s", nameLimit,
           name ? name : "");
  line[kProgressItemLimit] = 0;
}

void SetProgressNote(int noteMessage) {
  snprintf(ProgressText[1], kProgressLineSize, "%s", MsgText(noteMessage));
  ProgressText[1][kProgressItemLimit] = 0;
}

void SetDeletingItem(int number, int count, const char *name) {
  SetProgressItem(kProgressItemDelete, number, count, name, 60);
}

void UpdateProgressAt(uint32_t progressValue, uint32_t now) {
  DeviceLink &link = Device();
  int lineCount = kProgressLineCount;
  if (link.OpMode.load() & OM_FORMAT) {
    // A format cannot be cancelled and its byte counts are not counted.
    lineCount = 5;
    progressValue = 0;
  } else if (!(link.OpMode.load() & OM_UNSEEN) && PollEscape()) {
    link.CancelOperation();
  }
  if (link.OpMode.load() & (OM_QUIET | OM_UNSEEN))
    return;

  CountProgress(link, progressValue);
  uint32_t fileDone = link.FileDone.load();
  uint32_t fileSize = link.FileSize.load();
  uint32_t totalDone = link.TotalDone.load();
  uint32_t totalSize = link.TotalSize.load();

  snprintf(ProgressText[2], kProgressLineSize, "%s", kSeparator);
  snprintf(ProgressText[5], kProgressLineSize, "%s", kSeparator);
  FormatSizeLine(ProgressText[3], Labels.FileSize, fileDone, fileSize);
  FormatTimeLine(ProgressText[4], Labels.FileTime, fileDone, fileSize,
                 link.FileStartTick.load(), now);
  FormatSizeLine(ProgressText[6], Labels.TotalSize, totalDone, totalSize);
  FormatTimeLine(ProgressText[7], Labels.TotalTime, totalDone, totalSize,
                 link.OpStartTick.load(), now);

  if (!HostInfo.Message)
    return;
  const char *items[kProgressLineCount];
  for (int i = 0; i < kProgressLineCount; ++i)
    items[i] = ProgressText[i];
  HostInfo.Message(HostInfo.ModuleNumber, farapi::FMSG_LEFTALIGN, nullptr,
                   items, lineCount, 0);
  if (HostInfo.Text)
    HostInfo.Text(0, 0, 0, nullptr);
}

void UpdateProgress(uint32_t progressValue) {
  UpdateProgressAt(progressValue, GetTickCount());
}

bool PollEscape() {
  static HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  // Only Escape is the plug-in's: every other key typed meanwhile is the
  // host's, and stays in the console input for it.
  INPUT_RECORD records[256];
  DWORD count = 0;
  if (!PeekConsoleInputA(input, records, 256, &count) || count == 0)
    return false;
  auto isEscape = [](const INPUT_RECORD &r) {
    return r.EventType == KEY_EVENT &&
           r.Event.KeyEvent.wVirtualKeyCode == VK_ESCAPE;
  };
  bool found = false;
  for (DWORD i = 0; i < count; ++i)
    found |= isEscape(records[i]) && records[i].Event.KeyEvent.bKeyDown;
  if (!found)
    return false;
  // The console cannot take one event out: all are read, and all but the
  // Escape presses and releases are written back in their order.
  DWORD read = 0;
  if (!ReadConsoleInputA(input, records, count, &read))
    return true;
  DWORD kept = 0;
  for (DWORD i = 0; i < read; ++i)
    if (!isEscape(records[i]))
      records[kept++] = records[i];
  DWORD written = 0;
  if (kept)
    WriteConsoleInputA(input, records, kept, &written);
  return true;
}

} // namespace davu
