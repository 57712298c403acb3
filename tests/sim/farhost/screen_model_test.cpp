// The interactive host's drawing model: box layouts that stay on the
// screen and keep their buttons inside the frame, names cut to their
// column, help topics with links.
#include "sim/farhost/interactive.h"
#include "sim/farhost/screen_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

using farhost::LayoutMessage;
using farhost::MessageLayout;

struct BoxCase {
  const char *what;
  std::vector<std::wstring> lines, buttons;
  int width, height;
  int boxWidth; // expected, -1: the screen's width
};

TEST(ScreenModel, MessageBoxesFitTheScreenAndTheirButtons) {
  const std::wstring longLine(150, L'x');
  const BoxCase cases[] = {
      {"one button", {L"Player not ready"}, {L"OK"}, 80, 25, 26},
      {"buttons wider than the text",
       {L"Copy?"},
       {L"Copy", L"Copy, skip existing", L"Cancel"},
       80,
       25,
       45},
      {"no buttons",
       {L"Connecting to the player", L"Please wait..."},
       {},
       80,
       25,
       34},
      {"a line longer than the screen", {longLine}, {L"OK"}, 80, 25, -1},
      {"five buttons on a narrow screen",
       {L"Copy the selected files to the player?"},
       {L"Copy", L"Copy, skip existing", L"Playlists",
        L"Playlists, skip existing", L"Cancel"},
       80,
       25,
       -1},
  };
  for (const BoxCase &c : cases) {
    SCOPED_TRACE(c.what);
    MessageLayout m = LayoutMessage(c.lines, c.buttons, c.width, c.height);
    EXPECT_EQ(m.box.Width(), c.boxWidth < 0 ? c.width : c.boxWidth);
    EXPECT_GE(m.box.x1, 0);
    EXPECT_LT(m.box.x2, c.width);
    EXPECT_GE(m.box.y1, 0);
    EXPECT_LT(m.box.y2, c.height);
    EXPECT_EQ(m.textWidth, m.frame.Width() - 4);
    for (const std::wstring &l : c.lines) // whole lines when they fit
      if (static_cast<int>(l.size()) + 4 <= c.width) {
        EXPECT_GE(m.textWidth, static_cast<int>(l.size()));
      }
    ASSERT_EQ(m.buttonX.size(), c.buttons.size());
    for (size_t b = 0; b < m.buttonX.size(); ++b) {
      EXPECT_GT(m.buttonX[b], m.frame.x1);
      if (b > 0) { // one row, left to right, never overlapping
        EXPECT_GE(m.buttonX[b],
                  m.buttonX[b - 1] +
                      static_cast<int>(m.buttonText[b - 1].size()));
      }
    }
    if (!c.buttons.empty()) { // all buttons inside the frame
      EXPECT_LT(m.buttonX.back() + static_cast<int>(m.buttonText.back().size()),
                m.frame.x2);
      EXPECT_EQ(m.buttonRow, m.frame.y2 - 1);
    }
  }
}

TEST(ScreenModel, NamesAreCutToTheirColumnWithAMark) {
  const struct {
    std::wstring name;
    int width;
    std::wstring shown;
  } cases[] = {
      {L"01 Intro.mp3", 14, L"01 Intro.mp3  "},
      {L"01 Intro.mp3", 12, L"01 Intro.mp3"},
      {L"03 Long road home (live).mp3", 12, L"03 Long roa}"},
      {L"abc", 1, L"}"},
      {L"abc", 0, L""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(farhost::FitName(c.name, c.width), c.shown) << c.width;
  farhost::ScreenModel s(10, 2);
  EXPECT_EQ(s.Put(6, 0, L"too long for the row", 0x1B), 4);
  EXPECT_EQ(s.Row(0), L"      too ");
  EXPECT_EQ(s.Put(0, 1, L"abcdef", 0x1B, 3), 3);
  EXPECT_EQ(s.Row(1), L"abc       ");
}

TEST(ScreenModel, HelpTopicsKeepLinksAndJoinParagraphs) {
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  GetTempFileNameA(folder, "hlf", 0, path);
  {
    std::ofstream f(path, std::ios::binary);
    f << ".Language=English,English\r\n@Other\r\nnot this\r\n"
         "@Contents\r\n$ #Title#\r\n First line\r\njoined ~Next~@Other@ "
         "and ~~ tilde\r\n\r\n Second\r\n@Other\r\nend\r\n";
  }
  farhost::HelpTopic t = farhost::ReadHelpTopic(path, "contents");
  DeleteFileA(path);
  ASSERT_TRUE(t.found);
  ASSERT_EQ(t.lines.size(), 4u);
  EXPECT_TRUE(t.lines[0].header);
  EXPECT_EQ(t.lines[0].text, " Title");
  EXPECT_TRUE(t.lines[0].bold[1]);
  EXPECT_EQ(t.lines[1].text, " First line joined Next and ~ tilde");
  ASSERT_EQ(t.links.size(), 1u);
  EXPECT_EQ(t.links[0], "Other");
  size_t next = t.lines[1].text.find("Next");
  EXPECT_EQ(t.lines[1].link[next], 0);
  EXPECT_EQ(t.lines[1].link[next - 1], -1);
  EXPECT_EQ(t.lines[2].text, "");
  EXPECT_EQ(t.lines[3].text, " Second");
  // Wrapping keeps each character's link.
  for (const farhost::HelpLine &l : farhost::WrapHelp(t, 10)) {
    EXPECT_LE(l.text.size(), 10u);
    EXPECT_EQ(l.link.size(), l.text.size());
    size_t at = l.text.find("Next");
    if (at != std::string::npos) {
      EXPECT_EQ(l.link[at], 0);
    }
  }
}

} // namespace
