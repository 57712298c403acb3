// Inner state of the Host shared by its source files: records, queues, the
// transcript and the screen handles, all behind one mutex because the
// plug-in's progress thread calls Message and Text.
#pragma once

#include "sim/farhost/host_core.h"

#include <deque>
#include <mutex>
#include <set>

namespace farhost {

constexpr int kModuleNumber = 7;
// FAR's key codes the plug-in interface header does not name.
constexpr int kPreprocessKey = 0x80000; // PKF_PREPROCESS, or'ed into the key
constexpr int kKeyNone = 0x1001;        // KEY_NONE: no key, the idle input

struct Host::Impl {
  Host *host = nullptr;
  DWORD hostThread = 0;
  mutable std::mutex mutex;

  std::vector<MessageRecord> messages;
  std::vector<DialogRecord> dialogs;
  std::vector<ControlRecord> controls;
  std::vector<ScreenRecord> screens;
  std::vector<TextRecord> texts;
  std::vector<std::string> problems;

  std::deque<int> answers;
  std::deque<DialogAnswer> dialogAnswers;

  HostUi *ui = nullptr; // interactive screen, null when scripted

  int escapeAt = -1; // progress box number that presses Escape; -1 none
  int escapeCounter = 0;

  int nextScreen = 1;
  std::set<int> openScreens, restoredScreens;

  int findDataGiven = 0, findDataFreed = 0;
  int openInfoCalls = 0;
  std::set<const void *> outstandingArrays;

  // A box of FAR's own that is on the screen while the plug-in works (the
  // search's cancel question): nothing of the plug-in's may draw over it.
  std::string hostBox;
  // Keys typed during the latest export and left for the host.
  std::vector<int> keysLeft;

  std::string transcript;
  // Progress boxes held back in ProgressMode::Last.
  int heldProgress = 0, heldOtherThread = 0, heldFlushes = 0;
  MessageRecord lastProgress;
  int flushesSinceBox = 0;

  // Storage that PanelInfo points into until the next call.
  std::vector<farapi::PluginPanelItem> infoItems, infoSelected;
  std::vector<farapi::PluginPanelItem> otherItems, otherSelected;

  // With the mutex held.
  void AddLineLocked(const std::string &line);
  void FlushProgressLocked();
  void ProblemLocked(const std::string &text);
  bool OtherThread() const { return GetCurrentThreadId() != hostThread; }

  // Services.
  int Message(int number, DWORD flags, const char *help,
              const char *const *items, int count, int buttons);
  const char *GetMsg(int number, int id);
  int Dialog(int number, int x1, int y1, int x2, int y2, const char *help,
             farapi::FarDialogItem *items, int count);
  HANDLE SaveScreen(int x1, int y1, int x2, int y2);
  void RestoreScreen(HANDLE screen);
  void Text(int x, int y, int color, const char *text);
  void CheckMessageShape(MessageRecord *r, int count);
  void AnswerMessage(MessageRecord *r);
  bool HoldProgress(const MessageRecord &r);
  void Unexpected(const char *service);
  void OverHostBox(const char *service); // a problem while hostBox is up
  void CheckNumber(const char *service, int number);
  void CheckHelp(const char *service, const char *help);
};

extern Host::Impl *g_active;

// Text helpers shared by the formatters.
std::string Printable(const std::string &text);
std::string FlagNames(DWORD flags);
struct NamedBit {
  DWORD bit;
  const char *name;
};
// The names of the set bits joined by '|', unknown bits in hex; empty when
// no bit is set.
std::string BitNames(DWORD flags, const NamedBit *names, size_t count);
template <size_t N>
std::string BitNames(DWORD flags, const NamedBit (&names)[N]) {
  return BitNames(flags, names, N);
}
std::string FormatBox(const MessageRecord &box, bool rawTimes);
std::string FormatDialog(const DialogRecord &dialog);
std::string FormatTime(const FILETIME &time);

// FAR's temporary folder for a file it views or edits, %TEMP%\FTMPxxxx;
// empty when none could be made.
std::string MakeViewFolder();
unsigned long long FileSize(const std::string &path); // ~0 when missing

// Small helpers shared by the host's source files.
std::string WithSlash(const std::string &folder);
std::string ItemName(const farapi::PluginPanelItem &item);
const char *SortName(int mode); // SM_* by name, "?" when unknown

// The Control service on the active Host.
int ControlService(HANDLE panel, int command, void *param);

// Fills the host table's service pointers (Menu .. DefDlgProc) and the
// standard-function table with recording stubs.
void FillServices(farapi::PluginStartupInfo *info,
                  farapi::FarStandardFunctions *fsf);

} // namespace farhost
