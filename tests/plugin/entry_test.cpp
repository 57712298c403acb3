// The pieces of the play-order and configuration commands that need no
// player: reading the "Move item to" field, the target position, and the
// widening of the compact dialog table.
#include "host/far_api.h"
#include "operations/play_order.h"
#include "plugin/config_dialog.h"
#include "services/plugin_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

using davu::EntryKind;
using davu::MoveEntry;
using davu::ReadMoveEntry;

namespace {

struct ReadCase {
  const char *text;
  EntryKind kind;
  int number;
  bool relative;
};

TEST(MoveEntryReading, ReadsLikePercentI) {
  const ReadCase cases[] = {
      {"1", EntryKind::Number, 1, false},
      {"0", EntryKind::Number, 0, false},
      {"+2", EntryKind::Number, 2, true},
      {"-2", EntryKind::Number, -2, false},
      {"010", EntryKind::Number, 8, false},
      {"0x1F", EntryKind::Number, 31, false},
      {"0X1f", EntryKind::Number, 31, false},
      {"   7", EntryKind::Number, 7, false},
      {"\t-3", EntryKind::Number, -3, false},
      {"12abc", EntryKind::Number, 12, false},
      {"5+", EntryKind::Number, 5, true},
      {"09", EntryKind::Number, 0, false}, // octal stops at 9
      {"0x", EntryKind::Number, 0, false}, // the 0 alone is the number
      {"-0x10", EntryKind::Number, -16, false},
      {"abc", EntryKind::NotANumber, 0, false},
      {"+", EntryKind::NotANumber, 0, true},
      {"- 3", EntryKind::NotANumber, 0, false},
      {"", EntryKind::Blank, 0, false},
      {"   ", EntryKind::Blank, 0, false},
  };
  for (const ReadCase &c : cases) {
    MoveEntry entry = ReadMoveEntry(c.text);
    EXPECT_EQ(entry.Kind, c.kind) << '"' << c.text << '"';
    EXPECT_EQ(entry.Relative, c.relative) << '"' << c.text << '"';
    if (c.kind == EntryKind::Number) {
      EXPECT_EQ(entry.Number, c.number) << '"' << c.text << '"';
    }
  }
}

TEST(MoveEntryReading, HugeNumbersSaturate) {
  EXPECT_EQ(ReadMoveEntry("99999999999999999999").Number, INT_MAX);
  EXPECT_EQ(ReadMoveEntry("-99999999999999999999").Number, INT_MIN);
  EXPECT_EQ(ReadMoveEntry(nullptr).Kind, EntryKind::Blank);
}

int Target(const char *text, int itemsNumber, int entryIndex) {
  return davu::MoveToTarget(ReadMoveEntry(text), itemsNumber, entryIndex);
}

// Panel of ".." and five files: n = 6, files at panel indexes 1 to 5.
TEST(MoveToTarget, PositionsFollowThePlaceTyped) {
  // Becoming file 1: in front of the file at play position 0.
  EXPECT_EQ(Target("1", 6, 3), 0);
  // File 1 typed on file 1: stays (p = e - 1).
  EXPECT_EQ(Target("1", 6, 1), 0);
  // Further down: in front of the file at that position.
  EXPECT_EQ(Target("4", 6, 2), 4);
  EXPECT_EQ(Target("0", 6, 2), 5);  // last
  EXPECT_EQ(Target("+2", 6, 2), 4); // two down
  EXPECT_EQ(Target("-2", 6, 4), 1); // two up
  EXPECT_EQ(Target("99", 6, 2), 5); // beyond the count: last
  EXPECT_EQ(Target("-9", 6, 4), 0); // past the top: first
  EXPECT_EQ(Target("+99", 6, 4), 5);
  EXPECT_EQ(Target("0x7fffffff", 6, 4), 5);
  EXPECT_EQ(Target("-2147483648", 6, 4), 0);
}

// A catalogue of its own for the widening.
const char *WINAPI CatalogueText(int, int id) {
  static std::string texts[64];
  texts[id & 63] = "message " + std::to_string(id);
  return texts[id & 63].c_str();
}

TEST(CompactDialogTable, WidensWithoutSignAndCopiesTexts) {
  davu::HostInfo.GetMsg = CatalogueText;
  static const char own[] = "own text";
  const davu::CompactDialogItem compact[] = {
      {farapi::DI_DOUBLEBOX, 3, 1, 200, 250, 0, 0, 0, 0, 7},
      {farapi::DI_BUTTON, 0, 9, 0, 0, 255, 0xFFFFFFFFu, farapi::DIF_CENTERGROUP,
       1, reinterpret_cast<uintptr_t>(own)},
  };
  farapi::FarDialogItem items[2];
  memset(items, 0x5A, sizeof items);
  davu::WidenDialogItems(compact, 2, items);

  EXPECT_EQ(items[0].Type, farapi::DI_DOUBLEBOX);
  EXPECT_EQ(items[0].X1, 3);
  EXPECT_EQ(items[0].Y1, 1);
  EXPECT_EQ(items[0].X2, 200); // 8-bit values above 127 stay positive
  EXPECT_EQ(items[0].Y2, 250);
  EXPECT_STREQ(items[0].Data, "message 7");
  EXPECT_EQ(items[0].DefaultButton, 0);
  EXPECT_EQ(items[1].Focus, 255);
  EXPECT_EQ(static_cast<unsigned>(items[1].Param.Selected), 0xFFFFFFFFu);
  EXPECT_EQ(items[1].Flags, static_cast<DWORD>(farapi::DIF_CENTERGROUP));
  EXPECT_EQ(items[1].DefaultButton, 1);
  EXPECT_STREQ(items[1].Data, "own text");
  // Nothing of what was there before shows through the text's tail.
  EXPECT_EQ(items[1].Data[sizeof items[1].Data - 1], 0);
  davu::HostInfo.GetMsg = nullptr;
}

TEST(CompactDialogTable, LongTextIsCutToTheField) {
  static std::string longText(700, 'x');
  const davu::CompactDialogItem compact[] = {
      {farapi::DI_TEXT, 0, 0, 0, 0, 0, 0, 0, 0,
       reinterpret_cast<uintptr_t>(longText.c_str())},
  };
  farapi::FarDialogItem item;
  davu::WidenDialogItems(compact, 1, &item);
  EXPECT_EQ(strlen(item.Data), sizeof item.Data - 1);
}

} // namespace
