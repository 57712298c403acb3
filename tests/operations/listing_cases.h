// The listing cases: the files a library record can describe, each case
// with the seams that can express it.
#pragma once

#include "sim/usbctrl/player_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace listing_cases {

using simplayer::DosStamp;
using simplayer::FileTimes;
using usbctrl::tagFILE_ENTRY;

enum SeamMask { kCore = 1, kDll = 2, kBoth = kCore | kDll };

// One file as the library's record describes it.
struct File {
  int memory;
  std::string name; // the record's Name field, raw player bytes
  uint32_t index;   // the scripted library's index word; the simulated
                    // player picks its own
  uint32_t size;
  FileTimes times;
};

struct Case {
  const char *title;
  int seams;
  std::vector<File> files;
  int listed = simplayer::kInternal; // the memory the panel shows
  uint32_t highBits = 0;             // ORed into every record's index word
  bool unterminated = false;         // names padded with '_' to fill the field
  bool notReady = false;             // the player answers dumpUsbConfig with 1
  int opMode = 0;
  int shownFirstByte = -1; // the first byte of the first name on the PC
};

// The times a record gets from a date and a time: each stamp a little apart.
inline FileTimes Stamps(uint16_t date, uint16_t time) {
  FileTimes t;
  t.creation = {date, time};
  t.lastAccess = {static_cast<uint16_t>(date + 1), 0};
  t.lastWrite = {static_cast<uint16_t>(date + 2),
                 static_cast<uint16_t>(time + 1)};
  return t;
}

const uint16_t kDate = (25 << 9) | (3 << 5) | 14; // 14 March 2005
const uint16_t kTime = (9 << 11) | (26 << 5) | 20;
const FileTimes kTimes = Stamps(kDate, kTime);

inline FileTimes Distinct() {
  FileTimes t;
  t.creation = simplayer::MakeDosStamp(2004, 5, 6, 7, 8, 10);
  t.lastAccess = simplayer::MakeDosStamp(2004, 6, 1, 0, 0, 0);
  t.lastWrite = simplayer::MakeDosStamp(2004, 5, 7, 23, 59, 58);
  return t;
}

inline FileTimes Invalid() {
  FileTimes t = Stamps(0, 0);
  t.lastWrite.date = (20 << 9) | (13 << 5) | 1; // month 13
  return t;
}

inline std::string LongName(char fill, size_t length, const std::string &tail) {
  std::string name(length, fill);
  name.replace(name.size() - tail.size(), tail.size(), tail);
  return name;
}

inline std::string CutName() {
  std::string name(300, 'n');
  name[259] = 'L';
  name[260] = 'X';
  return name;
}

const Case kCases[] = {
    {"EveryFieldInLibraryOrder",
     kBoth,
     {{0, "b.mp3", 7, 1234, kTimes},
      {0, "a.mp3", 3, 99, Stamps(kDate + 40, kTime + 3)},
      {0, "c\xC4.wma", 12, 0, Stamps(kDate, 0)},
      {0, "zeta.mp3", 1, 1000, Distinct()},
      {0, "alpha.wma", 2, 0,
       simplayer::SameTimes(simplayer::MakeDosStamp(2010, 8, 1, 12, 0, 0))},
      {0, "mid.mp3", 5, 3,
       simplayer::SameTimes(simplayer::MakeDosStamp(1999, 1, 2, 3, 4, 6))},
      {1, "card.mp3", 1, 1, kTimes}}},
    {"EmptyMemory", kBoth, {}},
    {"SelectedMemoryIsListed",
     kBoth,
     {{0, "inner.mp3", 1, 1, kTimes},
      {1, "card1.mp3", 1, 1, kTimes},
      {1, "card2.mp3", 2, 1, kTimes}},
     simplayer::kExternal},
    {"IndexKeepsItsLow16Bits",
     kCore,
     {{0, "x.mp3", 0x7A0012u, 1, kTimes}, {0, "y.mp3", 65536u, 1, kTimes}}},
    {"IndexAbove65535KeepsItsLow16Bits",
     kBoth,
     {{0, "a.mp3", 9, 1, kTimes}},
     simplayer::kInternal,
     0x30000},
    {"LongNamesAreCutAt260Bytes",
     kBoth,
     {{0, CutName(), 1, 1, kTimes},
      {0, LongName('q', 300, ".mp3"), 2, 1, kTimes}}},
    // The library's record is all name: no zero byte before the times.
    {"NameFillingTheWholeRecordField",
     kCore,
     {{0, std::string(1027, 'z'), 4, 5, kTimes}}},
    {"RecordNameWithoutZeroByte",
     kBoth,
     {{0, "short.mp3", 4, 1, kTimes}},
     simplayer::kInternal,
     0,
     true},
    {"InvalidDatesGiveZeroNotTheEarlierItemsTime",
     kBoth,
     {{0, "good.mp3", 1, 1, kTimes}, {0, "bad.mp3", 2, 1, Invalid()}}},
    // CP1252 0xC4 ("Ä") on the player is CP437 0x8E on the PC.
    {"PlayerNamesArriveInThePcCodePage",
     kBoth,
     {{0, "\xC4rger.mp3", 1, 1, kTimes}},
     simplayer::kInternal,
     0,
     false,
     false,
     0,
     0x8E},
    {"PlayerNotReadyShowsTheNotice",
     kBoth,
     {{0, "a.mp3", 1, 1, kTimes}},
     simplayer::kInternal,
     0,
     false,
     true},
    {"PlayerNotReadyShowsTheNoticeWhileSearching",
     kCore,
     {{0, "a.mp3", 1, 1, kTimes}},
     simplayer::kInternal,
     0,
     false,
     true,
     farapi::OPM_FIND},
    {"PlayerNotReadyShowsTheNoticeEvenWhenSilent",
     kCore,
     {{0, "a.mp3", 1, 1, kTimes}},
     simplayer::kInternal,
     0,
     false,
     true,
     farapi::OPM_SILENT},
};

struct Box {
  DWORD flags = 0;
  std::string helpTopic;
  std::vector<std::string> items;
  int buttons = 0;
};

// What one listing gave the host.
struct Listed {
  std::vector<std::string> messages; // the catalogue the plug-in used
  std::vector<farapi::PluginPanelItem> items;
  int count = 0;
  bool arrayGiven = false;
  std::vector<Box> boxes;
  std::vector<std::string> problems; // broken host rules, left-over state
};

} // namespace listing_cases
