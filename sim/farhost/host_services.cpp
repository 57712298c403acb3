// The host services the plug-in calls through its PluginStartupInfo, and
// the text forms of what they record.
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace farhost {

Host::Impl *g_active = nullptr;

namespace {

constexpr int kMaxMessageItems = 15;

// Screen numbers travel as handles that are never null or -1.
HANDLE ScreenHandle(int number) {
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5C000000u) +
                                  static_cast<uintptr_t>(number) * 4);
}
int ScreenNumber(HANDLE handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value < 0x5C000000u || (value & 3) != 0)
    return 0;
  return static_cast<int>((value - 0x5C000000u) / 4);
}

bool IsTimeLine(const std::string &line) {
  std::string lower = line;
  for (char &c : lower)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower.find("remaining time") != std::string::npos;
}

// Times and rates depend on the tick count: their digits become '#', and
// the rate, whose width grows with its value, is shown as one fixed field.
std::string MaskDigits(const std::string &line) {
  std::string out = line;
  size_t unit = out.rfind(" b/sec");
  if (unit != std::string::npos) {
    size_t start = unit;
    while (start > 0 && out[start - 1] >= '0' && out[start - 1] <= '9')
      --start;
    while (start > 0 && out[start - 1] == ' ')
      --start;
    if (start < unit)
      out.replace(start, unit - start, " #######");
  }
  for (char &c : out)
    if (c >= '0' && c <= '9')
      c = '#';
  return out;
}

std::string TypeName(int type) {
  static const char *const names[] = {
      "TEXT",    "VTEXT",  "SINGLEBOX", "DOUBLEBOX",   "EDIT",     "PSWEDIT",
      "FIXEDIT", "BUTTON", "CHECKBOX",  "RADIOBUTTON", "COMBOBOX", "LISTBOX"};
  if (type >= 0 && type < static_cast<int>(sizeof names / sizeof names[0]))
    return names[type];
  char buffer[24];
  snprintf(buffer, sizeof buffer, "TYPE%d", type);
  return buffer;
}

std::string DialogFlagNames(DWORD flags) {
  static const NamedBit names[] = {
      {0x200, "BOXCOLOR"},       {0x400, "GROUP"},
      {0x800, "LEFTTEXT"},       {0x1000, "MOVESELECT"},
      {0x2000, "SHOWAMPERSAND"}, {0x4000, "CENTERGROUP"},
      {0x8000, "NOBRACKETS"},    {0x10000, "SEPARATOR"},
      {0x20000, "EDITOR"},       {0x40000, "HISTORY"},
      {0x400000, "MASKEDIT"},    {0x10000000, "HIDDEN"},
      {0x20000000, "READONLY"},  {0x80000000, "DISABLE"}};
  return BitNames(flags, names);
}

DialogItemRecord RecordItem(const farapi::FarDialogItem &item) {
  DialogItemRecord r;
  r.type = item.Type;
  r.x1 = item.X1;
  r.y1 = item.Y1;
  r.x2 = item.X2;
  r.y2 = item.Y2;
  r.focus = item.Focus;
  r.flags = item.Flags;
  r.defaultButton = item.DefaultButton;
  bool maskParam = item.Type == farapi::DI_FIXEDIT && (item.Flags & 0x400000);
  bool historyParam = item.Type == farapi::DI_EDIT && (item.Flags & 0x40000);
  if (maskParam || historyParam) {
    if (item.Param.Mask)
      r.mask = item.Param.Mask;
  } else {
    r.selected = item.Param.Selected;
  }
  r.data.assign(item.Data, strnlen(item.Data, sizeof item.Data));
  return r;
}

} // namespace

std::string Printable(const std::string &text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 32 || c == 127) {
      char buffer[8];
      snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string BitNames(DWORD flags, const NamedBit *names, size_t count) {
  std::string out;
  DWORD rest = flags;
  for (size_t i = 0; i < count; ++i)
    if (flags & names[i].bit) {
      out += out.empty() ? "" : "|";
      out += names[i].name;
      rest &= ~names[i].bit;
    }
  if (rest) {
    char buffer[24];
    snprintf(buffer, sizeof buffer, "%s0x%lX", out.empty() ? "" : "|",
             static_cast<unsigned long>(rest));
    out += buffer;
  }
  return out;
}

std::string FlagNames(DWORD flags) {
  static const NamedBit names[] = {
      {farapi::FMSG_WARNING, "WARNING"},
      {farapi::FMSG_ERRORTYPE, "ERRORTYPE"},
      {farapi::FMSG_KEEPBACKGROUND, "KEEPBACKGROUND"},
      {farapi::FMSG_DOWN, "DOWN"},
      {farapi::FMSG_LEFTALIGN, "LEFTALIGN"},
      {farapi::FMSG_ALLINONE, "ALLINONE"}};
  if (flags == 0)
    return "0";
  return BitNames(flags, names);
}

std::string FormatBox(const MessageRecord &box, bool rawTimes) {
  std::string out = box.progress ? "progress box" : "box";
  out += " flags=" + FlagNames(box.flags);
  out += box.hasHelp ? " help=\"" + Printable(box.helpTopic) + "\"" : "";
  if (box.otherThread)
    out += " (other thread)";
  if (box.buttons == 0) {
    out += box.progress ? "" : " (no buttons, stays on screen)";
  } else {
    char buffer[32];
    if (box.answer < 0)
      snprintf(buffer, sizeof buffer, " -> esc");
    else
      snprintf(buffer, sizeof buffer, " -> %d", box.answer);
    out += buffer;
    int first = static_cast<int>(box.items.size()) - box.buttons;
    if (box.answer >= 0 && first + box.answer >= 0 &&
        first + box.answer < static_cast<int>(box.items.size()))
      out += " \"" + Printable(box.items[first + box.answer]) + "\"";
    if (!box.scripted)
      out += " (default)";
  }
  out += "\n";
  int first = static_cast<int>(box.items.size()) - box.buttons;
  for (int i = 0; i < static_cast<int>(box.items.size()); ++i) {
    const std::string &text = box.items[i];
    if (i >= first && box.buttons > 0) {
      out += "  [" + Printable(text) + "]\n";
    } else if (text == "\x01") {
      out += "  |----\n";
    } else if (box.progress && !rawTimes && IsTimeLine(text)) {
      out += "  | " + Printable(MaskDigits(text)) + "\n";
    } else {
      out += "  | " + Printable(text) + "\n";
    }
  }
  return out;
}

std::string FormatDialog(const DialogRecord &d) {
  char head[96];
  snprintf(head, sizeof head, "dialog (%d,%d,%d,%d)", d.x1, d.y1, d.x2, d.y2);
  std::string out = head;
  out += d.hasHelp ? " help=\"" + Printable(d.helpTopic) + "\"" : "";
  char result[48];
  if (d.result < 0)
    snprintf(result, sizeof result, " -> esc");
  else
    snprintf(result, sizeof result, " -> %d", d.result);
  out += result;
  if (!d.scripted)
    out += " (no scripted answer)";
  out += "\n";
  for (size_t i = 0; i < d.in.size(); ++i) {
    const DialogItemRecord &a = d.in[i];
    char line[128];
    snprintf(line, sizeof line, "  [%u] %s %d,%d,%d,%d",
             static_cast<unsigned>(i), TypeName(a.type).c_str(), a.x1, a.y1,
             a.x2, a.y2);
    out += line;
    if (a.focus)
      out += " focus";
    if (a.defaultButton)
      out += " default";
    if (a.flags)
      out += " " + DialogFlagNames(a.flags);
    bool maskParam = !a.mask.empty() ||
                     (a.type == farapi::DI_FIXEDIT && (a.flags & 0x400000));
    if (maskParam)
      out += " mask=\"" + Printable(a.mask) + "\"";
    else if (a.selected || a.type == farapi::DI_CHECKBOX ||
             a.type == farapi::DI_RADIOBUTTON) {
      snprintf(line, sizeof line, " selected=%d", a.selected);
      out += line;
    }
    out += " \"" + Printable(a.data) + "\"";
    if (i < d.out.size()) {
      const DialogItemRecord &b = d.out[i];
      if (!maskParam && b.selected != a.selected) {
        snprintf(line, sizeof line, " -> selected=%d", b.selected);
        out += line;
      }
      if (b.data != a.data)
        out += " -> \"" + Printable(b.data) + "\"";
    }
    out += "\n";
  }
  return out;
}

std::string FormatTime(const FILETIME &time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0)
    return "-";
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&time, &local) ||
      !FileTimeToSystemTime(&local, &st))
    return "?";
  char buffer[32];
  snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear,
           st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
  return buffer;
}

// --- Impl ------------------------------------------------------------------

void Host::Impl::AddLineLocked(const std::string &line) {
  FlushProgressLocked();
  transcript += line;
  if (line.empty() || line.back() != '\n')
    transcript += '\n';
}

void Host::Impl::FlushProgressLocked() {
  if (heldProgress == 0)
    return;
  char head[160];
  snprintf(head, sizeof head,
           "progress boxes: %d (from another thread: %d, each followed by "
           "Text(0,0,0,NULL): %s); the last one:\n",
           heldProgress, heldOtherThread,
           heldFlushes == heldProgress ? "yes" : "no");
  transcript += head;
  transcript += FormatBox(lastProgress, host->options_.rawProgressTimes);
  heldProgress = heldOtherThread = heldFlushes = 0;
}

void Host::Impl::ProblemLocked(const std::string &text) {
  problems.push_back(text);
  AddLineLocked("!! " + text);
}

void Host::Impl::CheckNumber(const char *service, int number) {
  if (number != kModuleNumber) {
    char text[128];
    snprintf(text, sizeof text, "%s called with plug-in number %d, not %d",
             service, number, kModuleNumber);
    ProblemLocked(text);
  }
}

void Host::Impl::CheckHelp(const char *service, const char *help) {
  if (!help || !*help || help[0] == ':' || help[0] == '<' ||
      host->helpFile_.empty())
    return;
  const std::vector<std::string> &topics = host->helpTopics_;
  bool found =
      std::any_of(topics.begin(), topics.end(), [help](const std::string &t) {
        return _stricmp(t.c_str(), help) == 0;
      });
  if (!found)
    ProblemLocked(std::string(service) + ": help topic \"" + help +
                  "\" is not in the help file");
}

void Host::Impl::Unexpected(const char *service) {
  std::lock_guard<std::mutex> lock(mutex);
  ProblemLocked(std::string("unexpected call of the service ") + service);
}

int Host::Impl::Message(int number, DWORD flags, const char *help,
                        const char *const *items, int count, int buttons) {
  std::lock_guard<std::mutex> lock(mutex);
  CheckNumber("Message", number);
  MessageRecord r;
  r.flags = flags;
  r.hasHelp = help != nullptr;
  r.helpTopic = help ? help : "";
  r.buttons = buttons;
  r.otherThread = OtherThread();
  r.progress = (flags & farapi::FMSG_LEFTALIGN) && buttons == 0;
  if (flags & farapi::FMSG_ALLINONE) {
    std::string all = items ? reinterpret_cast<const char *>(items) : "";
    size_t start = 0;
    for (;;) {
      size_t nl = all.find('\n', start);
      r.items.push_back(all.substr(start, nl - start));
      if (nl == std::string::npos)
        break;
      start = nl + 1;
    }
  } else if (items) {
    for (int i = 0; i < count && i < 64; ++i)
      r.items.push_back(items[i] ? items[i] : "(null)");
  }
  bool shapeOk = true;
  if (!(flags & (farapi::FMSG_ALLINONE | farapi::FMSG_ERRORTYPE)) && count < 2)
    shapeOk = false;
  if (count > kMaxMessageItems || buttons < 0 ||
      buttons > static_cast<int>(r.items.size()) - 1)
    shapeOk = false;
  if (!shapeOk) {
    char text[128];
    snprintf(text, sizeof text,
             "Message with %d items and %d buttons is not a valid box", count,
             buttons);
    ProblemLocked(text);
    if (buttons < 0 || buttons > static_cast<int>(r.items.size()))
      r.buttons = buttons = 0;
  }
  CheckHelp("Message", help);
  if (buttons == 0) {
    r.answer = -1;
    if (ui)
      ui->ShowMessage(r);
  } else if (ui) {
    r.answer = ui->ShowMessage(r);
    r.scripted = true;
  } else if (!answers.empty()) {
    r.answer = answers.front();
    answers.pop_front();
    r.scripted = true;
    if (r.answer >= buttons)
      ProblemLocked("scripted answer is beyond the box's buttons");
  } else {
    r.answer = 0;
  }
  if (buttons > 0 && r.otherThread)
    ProblemLocked("a box with buttons was shown from another thread");
  if (!r.progress || host->options_.keepProgressRecords)
    messages.push_back(r);
  if (r.progress) {
    flushesSinceBox = 0;
    if (escapeAt > 0 && ++escapeCounter == escapeAt) {
      escapeAt = -1;
      if (!InjectEscape())
        ProblemLocked("cannot write Escape into the console input");
    }
    if (host->options_.progress == ProgressMode::Last) {
      // Settle the previous box's Text count before holding this one.
      ++heldProgress;
      if (r.otherThread)
        ++heldOtherThread;
      lastProgress = r;
      return r.answer;
    }
  }
  AddLineLocked(FormatBox(r, host->options_.rawProgressTimes));
  return r.answer;
}

const char *Host::Impl::GetMsg(int number, int id) {
  std::lock_guard<std::mutex> lock(mutex);
  CheckNumber("GetMsg", number);
  const std::vector<std::string> &all = host->lang_.messages;
  if (id < 0 || id >= static_cast<int>(all.size())) {
    char text[96];
    snprintf(text, sizeof text, "GetMsg: message %d not found", id);
    ProblemLocked(text);
    return "";
  }
  return all[id].c_str();
}

int Host::Impl::Dialog(int number, int x1, int y1, int x2, int y2,
                       const char *help, farapi::FarDialogItem *items,
                       int count) {
  std::lock_guard<std::mutex> lock(mutex);
  CheckNumber("Dialog", number);
  CheckHelp("Dialog", help);
  if (OtherThread())
    ProblemLocked("Dialog called from another thread");
  DialogRecord r;
  r.x1 = x1;
  r.y1 = y1;
  r.x2 = x2;
  r.y2 = y2;
  r.hasHelp = help != nullptr;
  r.helpTopic = help ? help : "";
  for (int i = 0; items && i < count; ++i)
    r.in.push_back(RecordItem(items[i]));
  if (ui) {
    r.result = ui->ShowDialog(x1, y1, x2, y2, help, items, count);
    r.scripted = true;
  } else if (!dialogAnswers.empty()) {
    DialogAnswer answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    r.scripted = true;
    r.result = answer.result;
    for (const DialogEdit &edit : answer.edits) {
      if (edit.item < 0 || edit.item >= count) {
        ProblemLocked("scripted dialog edit names a missing item");
        continue;
      }
      farapi::FarDialogItem &item = items[edit.item];
      if (edit.setSelected)
        item.Param.Selected = edit.selected;
      if (edit.setData)
        snprintf(item.Data, sizeof item.Data, "%s", edit.data.c_str());
    }
  } else {
    r.result = -1;
  }
  for (int i = 0; items && i < count; ++i)
    r.out.push_back(RecordItem(items[i]));
  dialogs.push_back(r);
  AddLineLocked(FormatDialog(r));
  return r.result;
}

HANDLE Host::Impl::SaveScreen(int x1, int y1, int x2, int y2) {
  std::lock_guard<std::mutex> lock(mutex);
  if (OtherThread())
    ProblemLocked("SaveScreen called from another thread");
  ScreenRecord r;
  r.save = true;
  r.x1 = x1;
  r.y1 = y1;
  r.x2 = x2;
  r.y2 = y2;
  r.handle = nextScreen++;
  openScreens.insert(r.handle);
  screens.push_back(r);
  if (ui)
    ui->SaveScreen(r.handle);
  char line[80];
  snprintf(line, sizeof line, "save screen #%d (%d,%d,%d,%d)", r.handle, x1, y1,
           x2, y2);
  AddLineLocked(line);
  return ScreenHandle(r.handle);
}

void Host::Impl::RestoreScreen(HANDLE screen) {
  std::lock_guard<std::mutex> lock(mutex);
  if (OtherThread())
    ProblemLocked("RestoreScreen called from another thread");
  ScreenRecord r;
  r.save = false;
  r.handle = screen ? ScreenNumber(screen) : 0;
  char line[96];
  if (!screen) {
    AddLineLocked("restore screen (null: screen re-read)");
    if (ui)
      ui->RestoreScreen(0);
  } else if (openScreens.erase(r.handle)) {
    restoredScreens.insert(r.handle);
    if (ui)
      ui->RestoreScreen(r.handle);
    snprintf(line, sizeof line, "restore screen #%d", r.handle);
    AddLineLocked(line);
  } else {
    r.ok = false;
    if (restoredScreens.count(r.handle))
      snprintf(line, sizeof line,
               "RestoreScreen of screen #%d, which was already restored",
               r.handle);
    else
      snprintf(line, sizeof line, "RestoreScreen of an unknown handle %p",
               screen);
    ProblemLocked(line);
  }
  screens.push_back(r);
}

void Host::Impl::Text(int x, int y, int color, const char *text) {
  std::lock_guard<std::mutex> lock(mutex);
  TextRecord r;
  r.x = x;
  r.y = y;
  r.color = color;
  r.null = text == nullptr;
  r.text = text ? text : "";
  r.otherThread = OtherThread();
  if (!r.null || host->options_.keepProgressRecords)
    texts.push_back(r);
  if (ui) {
    if (r.null)
      ui->Flush();
    else
      ui->Text(x, y, color, text);
  }
  if (r.null) {
    // Counts as the flush of the progress box just drawn.
    if (heldProgress > 0 && flushesSinceBox == 0)
      ++heldFlushes;
    ++flushesSinceBox;
    if (host->options_.progress == ProgressMode::Last && heldProgress > 0)
      return;
    if (host->options_.progress == ProgressMode::All && !messages.empty() &&
        messages.back().progress && flushesSinceBox == 1)
      return; // the usual flush after a progress box needs no line
    AddLineLocked("text flush (null)");
    return;
  }
  char line[64];
  snprintf(line, sizeof line, "text (%d,%d) color=%d ", x, y, color);
  AddLineLocked(line + ("\"" + Printable(r.text) + "\""));
}

// --- trampolines -----------------------------------------------------------

namespace {

Host::Impl *Active() {
  return g_active;
}

int WINAPI SvcMessage(int number, DWORD flags, const char *help,
                      const char *const *items, int count, int buttons) {
  return Active()
             ? Active()->Message(number, flags, help, items, count, buttons)
             : -1;
}
const char *WINAPI SvcGetMsg(int number, int id) {
  return Active() ? Active()->GetMsg(number, id) : "";
}
int WINAPI SvcDialog(int number, int x1, int y1, int x2, int y2,
                     const char *help, farapi::FarDialogItem *items,
                     int count) {
  return Active() ? Active()->Dialog(number, x1, y1, x2, y2, help, items, count)
                  : -1;
}
HANDLE WINAPI SvcSaveScreen(int x1, int y1, int x2, int y2) {
  return Active() ? Active()->SaveScreen(x1, y1, x2, y2) : nullptr;
}
void WINAPI SvcRestoreScreen(HANDLE screen) {
  if (Active())
    Active()->RestoreScreen(screen);
}
void WINAPI SvcText(int x, int y, int color, const char *text) {
  if (Active())
    Active()->Text(x, y, color, text);
}
int WINAPI SvcControl(HANDLE panel, int command, void *param);

void Unexpected(const char *name) {
  if (Active())
    Active()->Unexpected(name);
}

// Stubs with the services' real argument sizes, so that a call cleans the
// stack as the plug-in expects.
int WINAPI SvcMenu(int, int, int, int, DWORD, const char *, const char *,
                   const char *, const int *, int *,
                   const farapi::FarMenuItem *, int) {
  Unexpected("Menu");
  return -1;
}
int WINAPI SvcGetDirList(const char *, farapi::PluginPanelItem **, int *) {
  Unexpected("GetDirList");
  return 0;
}
int WINAPI SvcGetPluginDirList(int, HANDLE, const char *,
                               farapi::PluginPanelItem **, int *) {
  Unexpected("GetPluginDirList");
  return 0;
}
void WINAPI SvcFreeDirList(const farapi::PluginPanelItem *) {
  Unexpected("FreeDirList");
}
int WINAPI SvcViewer(const char *, const char *, int, int, int, int, DWORD) {
  Unexpected("Viewer");
  return 0;
}
int WINAPI SvcEditor(const char *, const char *, int, int, int, int, DWORD, int,
                     int) {
  Unexpected("Editor");
  return 0;
}
int WINAPI SvcCmpName(const char *, const char *, int) {
  Unexpected("CmpName");
  return 0;
}
int WINAPI SvcCharTable(int, char *, int) {
  Unexpected("CharTable");
  return -1;
}
int WINAPI SvcEditorControl(int, void *) {
  Unexpected("EditorControl");
  return 0;
}
BOOL WINAPI SvcShowHelp(const char *, const char *, DWORD) {
  Unexpected("ShowHelp");
  return FALSE;
}
int WINAPI SvcAdvControl(int, int, void *) {
  Unexpected("AdvControl");
  return 0;
}
int WINAPI SvcInputBox(const char *, const char *, const char *, const char *,
                       char *, int, const char *, DWORD) {
  Unexpected("InputBox");
  return 0;
}
int WINAPI SvcDialogEx(int, int, int, int, int, const char *,
                       farapi::FarDialogItem *, int, DWORD, DWORD, void *,
                       long) {
  Unexpected("DialogEx");
  return -1;
}
long WINAPI SvcSendDlgMessage(HANDLE, int, int, long) {
  Unexpected("SendDlgMessage");
  return 0;
}
long WINAPI SvcDefDlgProc(HANDLE, int, int, long) {
  Unexpected("DefDlgProc");
  return 0;
}

// Standard functions have many signatures; each slot records its number.
template <int N> int __cdecl FsfStub() {
  char name[32];
  snprintf(name, sizeof name, "FSF function %d", N);
  Unexpected(name);
  return 0;
}
template <int... N> struct FsfTable {
  static void Fill(void **slots) {
    void *all[] = {reinterpret_cast<void *>(&FsfStub<N>)...};
    for (size_t i = 0; i < sizeof...(N); ++i)
      slots[i] = all[i];
  }
};
template <int Count, int... N>
struct MakeFsf : MakeFsf<Count - 1, Count - 1, N...> {};
template <int... N> struct MakeFsf<0, N...> : FsfTable<N...> {};

template <typename F> void *Ptr(F f) {
  return reinterpret_cast<void *>(f);
}

} // namespace

void FillServices(farapi::PluginStartupInfo *info,
                  farapi::FarStandardFunctions *fsf) {
  info->Menu = SvcMenu;
  info->Dialog = SvcDialog;
  info->Message = SvcMessage;
  info->GetMsg = SvcGetMsg;
  info->Control = SvcControl;
  info->SaveScreen = SvcSaveScreen;
  info->RestoreScreen = SvcRestoreScreen;
  info->GetDirList = Ptr(SvcGetDirList);
  info->GetPluginDirList = Ptr(SvcGetPluginDirList);
  info->FreeDirList = Ptr(SvcFreeDirList);
  info->Viewer = Ptr(SvcViewer);
  info->Editor = Ptr(SvcEditor);
  info->CmpName = Ptr(SvcCmpName);
  info->CharTable = Ptr(SvcCharTable);
  info->Text = SvcText;
  info->EditorControl = Ptr(SvcEditorControl);
  info->ShowHelp = Ptr(SvcShowHelp);
  info->AdvControl = Ptr(SvcAdvControl);
  info->InputBox = Ptr(SvcInputBox);
  info->DialogEx = Ptr(SvcDialogEx);
  info->SendDlgMessage = Ptr(SvcSendDlgMessage);
  info->DefDlgProc = Ptr(SvcDefDlgProc);
  fsf->StructSize = sizeof(farapi::FarStandardFunctions);
  MakeFsf<56>::Fill(fsf->Functions);
}

// Control needs the panel model, which lives in host_core.cpp.
int ControlService(HANDLE panel, int command, void *param);

namespace {
int WINAPI SvcControl(HANDLE panel, int command, void *param) {
  return ControlService(panel, command, param);
}
} // namespace

} // namespace farhost
