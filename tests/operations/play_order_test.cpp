// Shift+F1, Shift+F2 and Shift+F3 through the real plug-in: the play order
// on the simulated player and the panel the host shows afterwards.
#include "tests/support/commands_fixture.h"

#include <algorithm>

namespace commands_test {
namespace {

class PlayOrderTest : public CommandsTest {
protected:
  // Files "1.mp3" to "<count>.mp3" on the internal memory, panel opened.
  void OpenWith(int count) {
    for (int i = 1; i <= count; ++i)
      Put(davu::MEM_INTERNAL, std::to_string(i) + ".mp3", "x");
    Load();
  }
  Names Order() { return OnPlayer(davu::MEM_INTERNAL); }
  int Moves() { return static_cast<int>(Calls("ChangeOrder").size()); }
  void Cursor(const char *name) { ASSERT_TRUE(host->SetCursor(name)) << name; }
  void Select(std::initializer_list<const char *> names) {
    for (const char *name : names)
      ASSERT_TRUE(host->Select(name, true)) << name;
  }
  // Shift+F3 with the text typed into the field and Enter.
  void MoveTo(const std::string &text) {
    farhost::DialogAnswer answer;
    answer.result = 0;
    farhost::DialogEdit edit;
    edit.item = 1;
    edit.setData = true;
    edit.data = text;
    answer.edits.push_back(edit);
    host->QueueDialog(answer);
    EXPECT_EQ(ShiftKey(VK_F3), 1);
  }
  std::string CursorName() {
    return host->Model().entries.at(host->Model().cursor).Name();
  }
  Names Selected() {
    Names names;
    for (const farhost::PanelEntry &entry : host->Model().entries)
      if (entry.Selected())
        names.push_back(entry.Name());
    return names;
  }
};

TEST_F(PlayOrderTest, OneFileNoCommandDoesAnything) {
  OpenWith(1);
  ASSERT_TRUE(host->SetSortMode(farapi::SM_NAME));
  Cursor("1.mp3");
  host->ClearRecords();
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(ShiftKey(VK_F3), 1);
  EXPECT_EQ(Moves(), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_SETSORTMODE), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_UPDATEPANEL), 0);
  EXPECT_TRUE(host->Dialogs().empty());
  EXPECT_EQ(host->Model().sortMode, farapi::SM_NAME);
}

TEST_F(PlayOrderTest, CursorOnParentEntryDoesNothingEvenWithSelection) {
  OpenWith(3);
  Select({"2.mp3", "3.mp3"});
  ASSERT_TRUE(host->SetCursorIndex(0));
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(ShiftKey(VK_F3), 1);
  EXPECT_EQ(Moves(), 0);
  EXPECT_TRUE(host->Dialogs().empty());
  EXPECT_EQ(Order(), (Names{"1.mp3", "2.mp3", "3.mp3"}));
}

TEST_F(PlayOrderTest, SortedPanelIsFirstSwitchedToThePlayOrder) {
  Put(davu::MEM_INTERNAL, "b.mp3", "x");
  Put(davu::MEM_INTERNAL, "a.mp3", "x");
  Put(davu::MEM_INTERNAL, "c.mp3", "x");
  Load();
  ASSERT_TRUE(host->SetSortMode(farapi::SM_NAME));
  Cursor("c.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(Moves(), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_SETSORTMODE), 1);
  EXPECT_EQ(host->Model().sortMode, farapi::SM_UNSORTED);
  EXPECT_EQ(Panel(), (Names{"..", "b.mp3", "a.mp3", "c.mp3"}));

  Cursor("c.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(Order(), (Names{"b.mp3", "c.mp3", "a.mp3"}));
  ExpectCleanHost();
}

TEST_F(PlayOrderTest, CursorFileMovesOnePlace) {
  OpenWith(4);
  Cursor("3.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(Order(), (Names{"1.mp3", "3.mp3", "2.mp3", "4.mp3"}));
  EXPECT_EQ(Panel(), (Names{"..", "1.mp3", "3.mp3", "2.mp3", "4.mp3"}));
  // The update keeps the selection, then the panel is redrawn.
  std::vector<farhost::ControlRecord> controls = host->Controls();
  ASSERT_GE(controls.size(), 2u);
  EXPECT_EQ(controls[controls.size() - 2].command, farapi::FCTL_UPDATEPANEL);
  EXPECT_EQ(controls[controls.size() - 2].param, "keep selection");
  EXPECT_EQ(controls.back().command, farapi::FCTL_REDRAWPANEL);

  Cursor("1.mp3");
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(Order(), (Names{"3.mp3", "1.mp3", "2.mp3", "4.mp3"}));
  ExpectCleanHost();
}

TEST_F(PlayOrderTest, FirstFileUpAndLastFileDownChangeNothing) {
  OpenWith(3);
  Cursor("1.mp3");
  host->ClearRecords();
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  Cursor("3.mp3");
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(Moves(), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_UPDATEPANEL), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_REDRAWPANEL), 0);
}

TEST_F(PlayOrderTest, FirstTwoSelectedUpChangePlacesAndSoDoLastTwoDown) {
  OpenWith(4);
  Select({"1.mp3", "2.mp3"});
  Cursor("3.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(Order(), (Names{"2.mp3", "1.mp3", "3.mp3", "4.mp3"}));

  host->SelectAll(false);
  Select({"3.mp3", "4.mp3"});
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(Order(), (Names{"2.mp3", "1.mp3", "4.mp3", "3.mp3"}));
}

TEST_F(PlayOrderTest, AdjacentSelectionMovesTogetherAndStaysSelected) {
  OpenWith(6);
  Select({"3.mp3", "4.mp3", "5.mp3"});
  Cursor("1.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(Order(),
            (Names{"1.mp3", "3.mp3", "4.mp3", "5.mp3", "2.mp3", "6.mp3"}));
  EXPECT_EQ(Selected(), (Names{"3.mp3", "4.mp3", "5.mp3"}));

  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(Order(),
            (Names{"1.mp3", "2.mp3", "6.mp3", "3.mp3", "4.mp3", "5.mp3"}));
  EXPECT_EQ(Selected(), (Names{"3.mp3", "4.mp3", "5.mp3"}));
  ExpectCleanHost();
}

TEST_F(PlayOrderTest, MoveToDialogShape) {
  OpenWith(3);
  Cursor("2.mp3");
  EXPECT_EQ(ShiftKey(VK_F3), 1); // unscripted: Escape
  ASSERT_EQ(host->Dialogs().size(), 1u);
  const farhost::DialogRecord dialog = host->Dialogs()[0];
  EXPECT_EQ(dialog.x1, -1);
  EXPECT_EQ(dialog.y1, -1);
  EXPECT_EQ(dialog.x2, 16);
  EXPECT_EQ(dialog.y2, 3);
  EXPECT_EQ(dialog.helpTopic, "Changing_Order");
  ASSERT_EQ(dialog.in.size(), 2u);
  EXPECT_EQ(dialog.in[0].type, farapi::DI_DOUBLEBOX);
  EXPECT_EQ(dialog.in[0].data, "Move item to");
  EXPECT_EQ(dialog.in[0].x2, 15);
  EXPECT_EQ(dialog.in[0].y2, 2);
  // Enter in the field ends the dialog with item 0.
  EXPECT_EQ(dialog.in[0].defaultButton, 1);
  EXPECT_EQ(dialog.in[1].type, farapi::DI_EDIT);
  EXPECT_EQ(dialog.in[1].data, "1");
  EXPECT_EQ(dialog.in[1].x1, 1);
  EXPECT_EQ(dialog.in[1].y1, 1);
  EXPECT_EQ(dialog.in[1].x2, 14);
  EXPECT_EQ(dialog.in[1].y2, 1);
  EXPECT_EQ(Moves(), 0);
}

TEST_F(PlayOrderTest, MoveToOneOnTheFirstFileMovesNothing) {
  OpenWith(3);
  Cursor("1.mp3");
  MoveTo("1");
  EXPECT_EQ(Moves(), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_UPDATEPANEL), 0);
}

TEST_F(PlayOrderTest, MoveToOneMakesTheFileFirstAndTheCursorFollows) {
  OpenWith(5);
  Cursor("4.mp3");
  MoveTo("1");
  EXPECT_EQ(Order(), (Names{"4.mp3", "1.mp3", "2.mp3", "3.mp3", "5.mp3"}));
  // The cursor lands on the file that followed the moved one.
  EXPECT_EQ(CursorName(), "5.mp3");
  ExpectCleanHost();
}

TEST_F(PlayOrderTest, MoveToEntries) {
  struct Case {
    const char *text;
    const char *cursor;
    Names order;
    const char *cursorAfter;
  };
  const Case cases[] = {
      {"0", "2.mp3", {"1.mp3", "3.mp3", "4.mp3", "5.mp3", "2.mp3"}, "3.mp3"},
      {"+2", "2.mp3", {"1.mp3", "3.mp3", "4.mp3", "2.mp3", "5.mp3"}, "3.mp3"},
      {"-2", "4.mp3", {"1.mp3", "4.mp3", "2.mp3", "3.mp3", "5.mp3"}, "5.mp3"},
      {"99", "1.mp3", {"2.mp3", "3.mp3", "4.mp3", "5.mp3", "1.mp3"}, "2.mp3"},
      {"-9", "4.mp3", {"4.mp3", "1.mp3", "2.mp3", "3.mp3", "5.mp3"}, "5.mp3"},
      {"4", "2.mp3", {"1.mp3", "3.mp3", "4.mp3", "2.mp3", "5.mp3"}, "3.mp3"},
      // The last file moved up: nothing follows it, the cursor keeps the
      // last row.
      {" 0x3", "5.mp3", {"1.mp3", "2.mp3", "5.mp3", "3.mp3", "4.mp3"}, "4.mp3"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    // Back to 1 to 5 through the store, then a fresh panel.
    simplayer::PlayerStore store = Store();
    std::sort(store.memories[0].files.begin(), store.memories[0].files.end(),
              [](const simplayer::StoredFile &a,
                 const simplayer::StoredFile &b) { return a.name < b.name; });
    SaveStore(store);
    if (!host)
      OpenWith(5);
    host->Refresh(false);
    Cursor(c.cursor);
    MoveTo(c.text);
    EXPECT_EQ(Order(), c.order);
    EXPECT_EQ(CursorName(), c.cursorAfter);
  }
  ExpectCleanHost();
}

TEST_F(PlayOrderTest, LeadingZeroIsOctal) {
  OpenWith(10);
  Cursor("1.mp3");
  MoveTo("010"); // eight
  EXPECT_EQ(Order().at(7), "1.mp3");
}

TEST_F(PlayOrderTest, TextThatIsNoNumberShowsTheDialogAgain) {
  OpenWith(3);
  Cursor("3.mp3");
  MoveTo("abc");
  // The dialog came back with the text as left; unscripted, it was closed.
  ASSERT_EQ(host->Dialogs().size(), 2u);
  EXPECT_EQ(host->Dialogs()[1].in[1].data, "abc");
  EXPECT_EQ(Moves(), 0);

  host->ClearRecords();
  farhost::DialogAnswer again;
  again.result = 0;
  again.edits.push_back({1, false, 0, true, "abc"});
  host->QueueDialog(again);
  MoveTo("1");
  EXPECT_EQ(host->Dialogs().size(), 2u);
  EXPECT_EQ(Order(), (Names{"3.mp3", "1.mp3", "2.mp3"}));
}

TEST_F(PlayOrderTest, EmptyOrBlankTextOrEscapeStops) {
  OpenWith(3);
  Cursor("3.mp3");
  MoveTo("");
  MoveTo("   ");
  farhost::DialogAnswer escape;
  escape.result = -1;
  host->QueueDialog(escape);
  EXPECT_EQ(ShiftKey(VK_F3), 1);
  EXPECT_EQ(host->Dialogs().size(), 3u);
  EXPECT_EQ(Moves(), 0);
  EXPECT_EQ(CountControls(farapi::FCTL_UPDATEPANEL), 0);
}

TEST_F(PlayOrderTest, ResultOtherThanZeroShowsTheDialogAgain) {
  OpenWith(3);
  Cursor("3.mp3");
  farhost::DialogAnswer other;
  other.result = 1;
  host->QueueDialog(other);
  MoveTo("1");
  EXPECT_EQ(host->Dialogs().size(), 2u);
  EXPECT_EQ(Order(), (Names{"3.mp3", "1.mp3", "2.mp3"}));
}

TEST_F(PlayOrderTest, ThreeSelectedToOneBecomeTheFirstThree) {
  OpenWith(6);
  Select({"2.mp3", "4.mp3", "6.mp3"});
  Cursor("5.mp3");
  MoveTo("1");
  EXPECT_EQ(Order(),
            (Names{"2.mp3", "4.mp3", "6.mp3", "1.mp3", "3.mp3", "5.mp3"}));
  EXPECT_TRUE(Selected().empty());
  std::vector<farhost::ControlRecord> controls = host->Controls();
  ASSERT_GE(controls.size(), 2u);
  EXPECT_EQ(controls[controls.size() - 2].param, "reset selection");
  EXPECT_EQ(controls.back().param, "null");
  ExpectCleanHost();
}

TEST_F(PlayOrderTest, SelectionMovedDownArrivesAsOneBlock) {
  OpenWith(6);
  Select({"1.mp3", "3.mp3"});
  Cursor("6.mp3");
  MoveTo("5");
  EXPECT_EQ(Order(),
            (Names{"2.mp3", "4.mp3", "5.mp3", "1.mp3", "3.mp3", "6.mp3"}));
}

TEST_F(PlayOrderTest, WorksOnTheCard) {
  Put(davu::MEM_EXTERNAL, "a.mp3", "x");
  Put(davu::MEM_EXTERNAL, "b.mp3", "x");
  Put(davu::MEM_INTERNAL, "i.mp3", "x");
  Put(davu::MEM_INTERNAL, "j.mp3", "x");
  Load();
  EXPECT_EQ(Key(VK_F7, 0), 1);
  ASSERT_EQ(session->Memory, davu::MEM_EXTERNAL);
  Cursor("b.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_EXTERNAL), (Names{"b.mp3", "a.mp3"}));
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"i.mp3", "j.mp3"}));
}

TEST_F(PlayOrderTest, PlayerNotReadyShowsTheNoticeOnly) {
  OpenWith(3);
  simplayer::PlayerStore store = Store();
  store.config.notReady = true;
  SaveStore(store);
  Cursor("3.mp3");
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(BoxTexts(), (Names{Msg(10)}));
  EXPECT_TRUE(host->Controls().empty());
  EXPECT_EQ(Moves(), 0);
}

} // namespace
} // namespace commands_test
