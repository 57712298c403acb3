// Inside farhost --interactive: the console, the panels' rows and the
// Interactive host that draws them. Shared by the interactive_*.cpp files
// only; the outside sees interactive.h.
#pragma once

#include "sim/farhost/interactive.h"
#include "sim/farhost/screen_model.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace farhost {
namespace ui {

// Console text is OEM; the screen model holds wide characters.
std::wstring Wide(const std::string &oem);
std::string Narrow(const std::wstring &text);
std::string NameOf(const farapi::FindData &f);
bool IsFolder(const farapi::FindData &f);

// --- keys and the console ---------------------------------------------------

struct Key {
  int vk = 0;
  unsigned state = 0; // PKF_*
  wchar_t ch = 0;
  bool click = false; // a left click at (x, y)
  int x = 0, y = 0;
  bool resize = false;
  bool Is(int k, unsigned s = 0) const {
    return !click && vk == k && state == s;
  }
};

class Console {
public:
  bool Open();
  void Close();
  void Size(int *width, int *height);
  void Write(const ScreenModel &s, int cursorX, int cursorY);
  // Waits for the next key press, click or resize.
  Key Read();
  bool Gone() const { return gone_; }

private:
  bool gone_ = false;
  HANDLE out_ = INVALID_HANDLE_VALUE, in_ = INVALID_HANDLE_VALUE;
  DWORD oldMode_ = 0;
  int height_ = 0;
};

// --- panels -----------------------------------------------------------------

struct PcItem {
  farapi::FindData data{};
  bool dots = false;
};

struct Side {
  bool plugin = false;
  std::string folder; // the PC folder (kept while the plug-in is shown)
  std::vector<PcItem> items;
  std::set<std::string> selected;
  int cursor = 0, top = 0;
  // FAR's view of a panel without modes of a plug-in's own: Medium (names
  // in two columns) as FAR starts, or Full (name, size, date, time).
  bool fullView = false;
};

void ReadPcSide(Side *side);

// One row of a panel as the drawing needs it.
struct Row {
  std::string name;
  bool folder = false, dots = false, selected = false;
  unsigned long long size = 0;
  FILETIME time{};
};

// The text at the right of the command line.
extern const char kHint[];

// --- the interactive host ---------------------------------------------------

class Interactive : public HostUi {
public:
  Interactive(Host &host, const InteractiveOptions &options)
      : host_(host), options_(options) {}
  int Run();

  // HostUi
  int ShowMessage(const MessageRecord &box) override;
  int ShowDialog(int x1, int y1, int x2, int y2, const char *help,
                 farapi::FarDialogItem *items, int count) override;
  void SaveScreen(int number) override;
  void RestoreScreen(int number) override;
  void Text(int x, int y, int color, const char *text) override;
  void Flush() override { Output(); }
  void ViewFile(const std::string &path) override;

private:
  friend class ModalDialog;
  struct MessageView;
  struct KeyCommand;
  static const KeyCommand kKeyCommands[];

  // Drawing
  void Output();
  void DrawAll();
  void DrawPanel(int index);
  void DrawColumns(const Rect &r, const wchar_t *const *heads, const int *cols,
                   const int *widths, int count, int statusSep);
  void DrawRow(const int *cols, const int *widths, int y, const Row &row,
               uint16_t attr);
  void DrawFullView(int index, const Rect &r);
  void DrawMediumView(int index, const Rect &r);
  uint16_t RowAttr(int index, int item, const Row &row) const;
  int ShownColumns(int index) const { return sides_[index].fullView ? 1 : 2; }
  void DrawStatus(const Rect &r, const Row &row);
  void DrawPanelTitle(int index, const std::vector<Row> &rows);
  void DrawKeyBar();
  std::vector<Row> Rows(int index) const;
  std::wstring Title(int index) const;
  int ListHeight() const { return screen_.Height() - 7; }
  Rect PanelRect(int index) const {
    int half = screen_.Width() / 2;
    return index == 0
               ? Rect{0, 0, half - 1, screen_.Height() - 3}
               : Rect{half, 0, screen_.Width() - 1, screen_.Height() - 3};
  }
  void Resize();

  // Boxes of the host's own
  void DrawMessage(const MessageView &view, int focus);
  int MessageKeys(const MessageView &view, const MessageRecord &box);
  int Menu(const std::wstring &title, const std::vector<std::wstring> &items,
           int x, int selected);
  void DrawMenu(const std::wstring &title,
                const std::vector<std::wstring> &items, const Rect &box,
                int cursor);
  int Ask(const std::wstring &title, const std::wstring &text,
          const std::vector<std::wstring> &buttons, bool warning);
  void Help(const std::string &topic);
  struct HelpView;
  enum class HelpMove { Stay, Topic, Close };
  bool HelpPage(const std::string &file, std::string *topicName,
                std::vector<std::string> *history, const ScreenModel &under);
  void DrawHelp(const HelpView &v);
  void DrawHelpLine(const HelpView &v, const HelpLine &l, int y);
  HelpMove HelpKey(const Key &k, HelpView *v, std::string *topicName,
                   std::vector<std::string> *history);
  static void ShowLink(HelpView *v);

  // Panels
  int Cursor(int index) const;
  int Count(int index) const;
  void SetCursor(int index, int cursor);
  void Move(const Key &key);
  void ToggleSelection(int index, int row, int mode); // 0 off 1 on 2 flip
  void Enter();
  void DiskMenu(int index);
  void ChangeDrive(int index, const std::string &drive);
  void PluginsMenu();
  void OpenPluginOn(int index, int openFrom, int item);
  void ClosePluginSide(int index);
  void SyncPc(bool *tempSelected);
  void AfterCall(bool tempSelected);
  bool PluginHasItems() const;
  void Transfer(bool move);
  void Delete();
  void RereadAll();

  // Keys
  bool Dispatch(const Key &key); // false: quit
  Key KeyBarClick(const Key &click) const;
  void ClickPanels(const Key &click);
  bool OfferToPlugin(const Key &key);
  bool ToggleBarKey(const Key &key);
  bool ViewModeKey(const Key &key);
  bool QuitKey(const Key &key);
  bool SwitchPanelKey(const Key &key);
  bool DiskMenuKey(const Key &key);
  bool PluginsMenuKey(const Key &key);
  bool ConfigureKey(const Key &key);
  bool HelpKey(const Key &key);
  bool CopyKey(const Key &key);
  bool ViewKey(const Key &key);
  bool DeleteKey(const Key &key);
  bool RereadKey(const Key &key);
  bool MoveKey(const Key &key);
  bool InsertKey(const Key &key);
  bool SelectAllKey(const Key &key);
  bool UnselectAllKey(const Key &key);
  bool InvertSelectionKey(const Key &key);
  bool EnterKey(const Key &key);

  Host &host_;
  InteractiveOptions options_;
  Console console_;
  std::recursive_mutex draw_;
  ScreenModel screen_;
  std::map<int, ScreenModel> saved_;
  Side sides_[2];
  int active_ = 0;
  int topPlugin_ = 0;              // first row shown of the plug-in's panel
  int barGroup_ = 0;               // 0 plain, 3 Shift (as KeyBarTitles groups)
  ScreenModel progressBase_{1, 1}; // the screen under a progress box
};

} // namespace ui
} // namespace farhost
