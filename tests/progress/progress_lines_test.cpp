// The figures, lines and drawing of the progress box and the Escape poll.
#include "device/device_link.h"
#include "host/far_api.h"
#include "progress/progress_display.h"
#include "sim/farhost/host_core.h"
#include "tests/progress/fake_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using davu::Device;
using davu::ProgressText;
using davu::UpdateProgressAt;

namespace {

constexpr uint32_t kNow = 5000000;
constexpr uint32_t kComplete = 0xFFFFFFFFu;

class ProgressLinesTest : public ::testing::Test {
protected:
  void SetUp() override {
    record = &progress_test::InstallFakeHost();
    // An operation sets its title first; that takes the figure labels.
    davu::SetProgressTitle(davu::kProgressTitleUpload);
  }
  void TearDown() override {
    Device().OpMode = 0;
    progress_test::DrainConsole();
  }

  // One file of `fileSize` bytes of an operation of `totalSize`, begun
  // `elapsedMs` before kNow, `doneBefore` bytes of earlier files done.
  void Running(uint32_t fileSize, uint32_t totalSize, uint32_t elapsedMs,
               uint32_t doneBefore = 0, uint16_t opMode = davu::OM_UPLOAD) {
    davu::DeviceLink &link = Device();
    link.OpMode = opMode;
    link.FileSize = fileSize;
    link.FileDone = 0;
    link.FileStartTick = kNow - elapsedMs;
    link.OpStartTick = kNow - elapsedMs;
    link.TotalSize = totalSize;
    link.DoneBefore = doneBefore;
    link.TotalDone = doneBefore;
  }
  std::string Line(int number) const { return ProgressText[number - 1]; }

  progress_test::Record *record = nullptr;
};

TEST_F(ProgressLinesTest, WorkedExampleGivesTheFourFigureLines) {
  Running(1000000, 1000000, 2000);
  UpdateProgressAt(250000, kNow);

  EXPECT_EQ(Device().FileDone.load(), 250000u);
  EXPECT_EQ(Device().TotalDone.load(), 250000u);
  EXPECT_EQ(Line(3), "\x01");
  EXPECT_EQ(Line(4),
            "Elapsed/remaining size           250000 /    1000000         25%");
  EXPECT_EQ(Line(5), "Elapsed/remaining time         00:00:02 /   00:00:07 "
                     " 125000 b/sec");
  EXPECT_EQ(Line(6), "\x01");
  EXPECT_EQ(Line(7),
            "Total elapsed/remaining size     250000 /    1000000         25%");
  EXPECT_EQ(Line(8), "Total elapsed/remaining time   00:00:02 /   00:00:07 "
                     " 125000 b/sec");
  // The figures of each pair start in the same column.
  EXPECT_EQ(Line(4).compare(29, 10, "    250000"), 0);
  EXPECT_EQ(Line(7).compare(29, 10, "    250000"), 0);
  EXPECT_EQ(Line(5).find("00:"), 31u);
  EXPECT_EQ(Line(8).find("00:"), 31u);
}

TEST_F(ProgressLinesTest, BoxIsDrawnWithEightLinesAndNoButtons) {
  davu::SetProgressItem(davu::kProgressItemUpload, 3, 10, "Song.mp3", 62);
  Running(100, 100, 10);
  UpdateProgressAt(50, kNow);

  auto boxes = record->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].flags, DWORD{farapi::FMSG_LEFTALIGN});
  EXPECT_FALSE(boxes[0].hasHelp);
  EXPECT_EQ(boxes[0].buttons, 0);
  ASSERT_EQ(boxes[0].items.size(), 8u);
  EXPECT_EQ(boxes[0].items[0], "Upload");
  EXPECT_EQ(boxes[0].items[1], "Uploading(3 of 10): Song.mp3");
  EXPECT_EQ(boxes[0].items[3], Line(4));
  // Text with a null string brings the host's buffer to the console.
  EXPECT_EQ(record->texts, 1);
  EXPECT_EQ(record->nullTexts, 1);
}

TEST_F(ProgressLinesTest, MessageInTheSameMillisecondHasNoRate) {
  Running(1000, 1000, 0);
  UpdateProgressAt(10, kNow);
  EXPECT_EQ(Line(5), "Elapsed/remaining time         00:00:00 /   00:00:01 "
                     "      0 b/sec");

  Running(1000, 1000, 0);
  UpdateProgressAt(kComplete, kNow);
  EXPECT_EQ(Line(5), "Elapsed/remaining time         00:00:00 /   00:00:00 "
                     "      0 b/sec");
}

TEST_F(ProgressLinesTest, CompletionIsNotClampedToTheTotal) {
  // The total was counted smaller than the files turn out to be.
  Running(600, 1000, 100, 700);
  UpdateProgressAt(kComplete, kNow);
  EXPECT_EQ(Device().FileDone.load(), 600u);
  EXPECT_EQ(Device().TotalDone.load(), 1300u);
  EXPECT_EQ(Line(7).substr(Line(7).size() - 4), "130%");
}

TEST_F(ProgressLinesTest, BytesBeyondTheFileAreClamped) {
  Running(1000, 5000, 100, 2000);
  UpdateProgressAt(900, kNow);
  UpdateProgressAt(900, kNow);
  EXPECT_EQ(Device().FileDone.load(), 1000u);
  EXPECT_EQ(Device().TotalDone.load(), 3000u);
  EXPECT_EQ(Line(4).substr(Line(4).size() - 4), "100%");
}

TEST_F(ProgressLinesTest, TotalBeyondTheOperationIsClamped) {
  Running(1000, 2500, 100, 2000);
  UpdateProgressAt(800, kNow); // 2800 > 2500
  EXPECT_EQ(Device().FileDone.load(), 800u);
  EXPECT_EQ(Device().TotalDone.load(), 3000u);
}

TEST_F(ProgressLinesTest, EmptyFileAndEmptyOperationShowAHundredPercent) {
  Running(0, 0, 100);
  UpdateProgressAt(0, kNow);
  EXPECT_EQ(Line(4), "Elapsed/remaining size                0 /          0 "
                     "       100%");
  EXPECT_EQ(Line(7).substr(Line(7).size() - 4), "100%");
}

TEST_F(ProgressLinesTest, PercentagesRoundHalvesUp) {
  Running(8, 8, 1000);
  UpdateProgressAt(1, kNow); // 12.5 %
  EXPECT_EQ(Line(4).substr(Line(4).size() - 4), " 13%");
  Running(3, 3, 1000);
  UpdateProgressAt(1, kNow); // 33.3 %
  EXPECT_EQ(Line(4).substr(Line(4).size() - 4), " 33%");
}

TEST_F(ProgressLinesTest, LargeCountsDoNotOverflow) {
  Running(0xF0000000u, 0xF0000000u, 1000);
  UpdateProgressAt(0xE0000000u, kNow);
  EXPECT_EQ(Line(4).substr(Line(4).size() - 4), " 93%");
  EXPECT_NE(Line(5).find("3758096384 b/sec"), std::string::npos) << Line(5);
}

TEST_F(ProgressLinesTest, HoursOfThreeDigitsArePrintedInFull) {
  constexpr uint32_t kHundredHours = 100u * 3600 * 1000;
  Running(2000000000u, 2000000000u, kHundredHours);
  UpdateProgressAt(360000000u, kNow); // 1000 b/sec
  // Remaining (2e9 - 3.6e8) / 1000 + 1 = 1640001 s = 455:33:21.
  EXPECT_EQ(Line(5), "Elapsed/remaining time         100:00:00 /   455:33:21 "
                     "   1000 b/sec");
}

TEST_F(ProgressLinesTest, FormatModeShowsFiveLinesIgnoresBytesAndEscape) {
  davu::SetProgressTitle(davu::kProgressTitleFormat);
  Running(4096, 4096, 3000, 0, davu::OM_FORMAT);
  ASSERT_TRUE(progress_test::PutKey(VK_ESCAPE, true));
  UpdateProgressAt(1234, kNow);

  EXPECT_EQ(Device().OpMode.load(), davu::OM_FORMAT);
  EXPECT_EQ(record->cancelFlags, 0);
  EXPECT_EQ(Device().FileDone.load(), 0u);
  auto boxes = record->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items.size(), 5u);
  EXPECT_NE(boxes[0].items[4].find("00:00:03 /"), std::string::npos);
  // The Escape was left for the host.
  EXPECT_TRUE(davu::PollEscape());
}

TEST_F(ProgressLinesTest, QuietOperationCountsAndDrawsNothingButCancels) {
  Running(1000, 1000, 100, 0, davu::OM_UPLOAD | davu::OM_QUIET);
  UpdateProgressAt(500, kNow);
  EXPECT_EQ(Device().FileDone.load(), 0u);
  EXPECT_TRUE(record->Boxes().empty());
  EXPECT_EQ(Device().OpMode.load(), davu::OM_UPLOAD | davu::OM_QUIET);

  ASSERT_TRUE(progress_test::PutKey(VK_ESCAPE, true));
  UpdateProgressAt(500, kNow);
  EXPECT_EQ(Device().OpMode.load(), davu::OM_CANCELLED | davu::OM_QUIET);
  EXPECT_EQ(record->cancelFlags, 1);
  EXPECT_TRUE(record->Boxes().empty());
  EXPECT_EQ(record->texts, 0);
}

TEST_F(ProgressLinesTest, EscapeCancelsAndNothingIsDrawnFromThenOn) {
  Running(1000, 1000, 100);
  UpdateProgressAt(100, kNow);
  ASSERT_EQ(record->Boxes().size(), 1u);

  ASSERT_TRUE(progress_test::PutKey('A', true));
  ASSERT_TRUE(progress_test::PutKey(VK_ESCAPE, true));
  UpdateProgressAt(100, kNow);
  UpdateProgressAt(100, kNow);
  EXPECT_TRUE(Device().Cancelled());
  EXPECT_EQ(Device().OpMode.load(), davu::OM_CANCELLED | davu::OM_QUIET);
  EXPECT_EQ(record->cancelFlags, 1);
  EXPECT_EQ(record->Boxes().size(), 1u);
  EXPECT_EQ(Device().FileDone.load(), 100u);
}

TEST_F(ProgressLinesTest, PollEscapeTakesOnlyEscapeAndLeavesTheHostsKeys) {
  struct Typed {
    WORD key;
    bool down;
  };
  const struct {
    std::vector<Typed> typed;
    bool escape;
    std::vector<WORD> left; // the keys still there, in their order
  } cases[] = {
      {{}, false, {}},
      // A release alone is no press: nothing is taken.
      {{{VK_ESCAPE, false}, {'X', true}}, false, {VK_ESCAPE, 'X'}},
      {{{VK_DOWN, true}, {VK_DOWN, false}}, false, {VK_DOWN, VK_DOWN}},
      {{{VK_HOME, true},
        {VK_ESCAPE, true},
        {VK_DOWN, true},
        {VK_ESCAPE, false},
        {VK_DOWN, true}},
       true,
       {VK_HOME, VK_DOWN, VK_DOWN}},
      {{{VK_ESCAPE, true}, {VK_ESCAPE, false}}, true, {}},
  };
  HANDLE input = farhost::ConsoleInput();
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.left));
    FlushConsoleInputBuffer(input);
    for (const Typed &t : c.typed)
      ASSERT_TRUE(progress_test::PutKey(t.key, t.down));
    EXPECT_EQ(davu::PollEscape(), c.escape);
    std::vector<WORD> left;
    INPUT_RECORD records[16];
    DWORD count = 0;
    if (PeekConsoleInputA(input, records, 16, &count) && count > 0)
      ReadConsoleInputA(input, records, count, &count);
    for (DWORD i = 0; i < count; ++i)
      left.push_back(records[i].Event.KeyEvent.wVirtualKeyCode);
    EXPECT_EQ(left, c.left);
    // Polled again, what is left is still not Escape.
    EXPECT_FALSE(davu::PollEscape());
  }
  FlushConsoleInputBuffer(input);
}

TEST(ProgressItemLine, IsCutToSixtySixCharacters) {
  progress_test::InstallFakeHost();
  std::string name(200, 'n');
  davu::SetProgressItem(davu::kProgressItemUpload, 3, 10, name.c_str(), 62);
  std::string line = ProgressText[1];
  EXPECT_EQ(line.size(), 66u);
  EXPECT_EQ(line.substr(0, 20), "Uploading(3 of 10): ");

  // 18 characters before the name leave room for its first 48.
  davu::SetDeletingItem(1, 2, name.c_str());
  line = ProgressText[1];
  EXPECT_EQ(line, "Deleting(1 of 2): " + std::string(48, 'n'));

  davu::SetDeletingItem(1, 2, "Short.mp3");
  EXPECT_STREQ(ProgressText[1], "Deleting(1 of 2): Short.mp3");

  // The name's own limit applies before the line's.
  davu::SetProgressItem(davu::kProgressItemDownload, 1, 2, name.c_str(), 10);
  EXPECT_EQ(std::string(ProgressText[1]), "Downloading(1 of 2): nnnnnnnnnn");
}

// The box speaks the interface language: every text from the catalogue,
// the figures in the same columns, and no line wider than the box allows.
struct BoxLanguage {
  const char *languageFile;
  const char *title;      // message 68 as the box shows it
  const char *itemStart;  // message 72 with the numbers 3 and 10
  const char *formatNote; // message 75
  const char *rateUnit;   // message 81
};

class ProgressBoxLanguage : public ::testing::TestWithParam<BoxLanguage> {};

TEST_P(ProgressBoxLanguage, TextsComeFromTheCatalogueAndLineUp) {
  const BoxLanguage &language = GetParam();
  progress_test::Record &record =
      progress_test::InstallFakeHost(language.languageFile);
  davu::SetProgressTitle(davu::kProgressTitleUpload);
  davu::SetProgressItem(davu::kProgressItemUpload, 3, 10, "Song.mp3", 62);
  davu::DeviceLink &link = Device();
  link.OpMode = davu::OM_UPLOAD;
  link.FileSize = link.TotalSize = 1000000;
  link.FileStartTick = link.OpStartTick = kNow - 2000;
  UpdateProgressAt(250000, kNow);

  auto boxes = record.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::vector<std::string> &lines = boxes[0].items;
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], language.title);
  EXPECT_EQ(lines[1], std::string(language.itemStart) + "Song.mp3");
  for (int i : {3, 6}) {
    EXPECT_EQ(lines[i].compare(29, 10, "    250000"), 0) << lines[i];
    EXPECT_EQ(lines[i][28], ' ') << lines[i];
  }
  for (int i : {4, 7}) {
    EXPECT_EQ(lines[i].find("00:00:02"), 31u) << lines[i];
    EXPECT_EQ(lines[i].substr(lines[i].size() - strlen(language.rateUnit)),
              language.rateUnit);
  }
  for (const std::string &line : lines)
    EXPECT_LE(line.size(), 70u) << line;
  Device().OpMode = 0;

  davu::SetProgressNote(davu::kProgressFormatInternal);
  EXPECT_STREQ(ProgressText[1], language.formatNote);
}

// The Russian texts as the OEM code page 866 holds them.
const char kRussianTitle[] =
    "\x8f\xe0\xa8\xf1\xac \xe1 \xaf\xab\xa5\xa5\xe0\xa0";
const char kRussianItem[] = "\x8f\xe0\xa8\xf1\xac(3 \xa8\xa7 10): ";
const char kRussianFormat[] =
    "\x94\xae\xe0\xac\xa0\xe2\xa8\xe0\xae\xa2\xa0\xad\xa8\xa5 "
    "\xa2\xad\xe3\xe2\xe0\xa5\xad\xad\xa5\xa9 \xaf\xa0\xac\xef\xe2\xa8";
const char kRussianRate[] = "\xa1\xa0\xa9\xe2/\xe1";

INSTANTIATE_TEST_SUITE_P(
    Languages, ProgressBoxLanguage,
    ::testing::Values(BoxLanguage{"DAVUmanEng.lng", "Upload",
                                  "Uploading(3 of 10): ",
                                  "Formating Internal Memory", "b/sec"},
                      BoxLanguage{"DAVUmanRus.lng", kRussianTitle, kRussianItem,
                                  kRussianFormat, kRussianRate}));

} // namespace
