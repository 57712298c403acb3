// The host services the plug-in calls through its PluginStartupInfo:
// Message, GetMsg, Dialog, SaveScreen, RestoreScreen and Text.
#include "sim/farhost/host_impl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace farhost {

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

// The box's lines: one string cut at '\n' with FMSG_ALLINONE, else the
// array (at most 64).
std::vector<std::string> MessageItems(DWORD flags, const char *const *items,
                                      int count) {
  std::vector<std::string> out;
  if (flags & farapi::FMSG_ALLINONE) {
    std::string all = items ? reinterpret_cast<const char *>(items) : "";
    size_t start = 0;
    for (;;) {
      size_t nl = all.find('\n', start);
      out.push_back(all.substr(start, nl - start));
      if (nl == std::string::npos)
        break;
      start = nl + 1;
    }
  } else if (items) {
    for (int i = 0; i < count && i < 64; ++i)
      out.push_back(items[i] ? items[i] : "(null)");
  }
  return out;
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

Host::Impl *g_active = nullptr;

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

void Host::Impl::OverHostBox(const char *service) {
  if (!hostBox.empty())
    ProblemLocked(std::string(service) + " while FAR's \"" + hostBox +
                  "\" is on the screen");
}

int Host::Impl::Message(int number, DWORD flags, const char *help,
                        const char *const *items, int count, int buttons) {
  std::lock_guard<std::mutex> lock(mutex);
  CheckNumber("Message", number);
  OverHostBox("Message");
  MessageRecord r;
  r.flags = flags;
  r.hasHelp = help != nullptr;
  r.helpTopic = help ? help : "";
  r.buttons = buttons;
  r.otherThread = OtherThread();
  r.progress = (flags & farapi::FMSG_LEFTALIGN) && buttons == 0;
  r.items = MessageItems(flags, items, count);
  CheckMessageShape(&r, count);
  CheckHelp("Message", help);
  AnswerMessage(&r);
  if (r.buttons > 0 && r.otherThread)
    ProblemLocked("a box with buttons was shown from another thread");
  if (!r.progress || host->options_.keepProgressRecords)
    messages.push_back(r);
  if (r.progress && HoldProgress(r))
    return r.answer;
  AddLineLocked(FormatBox(r, host->options_.rawProgressTimes));
  return r.answer;
}

void Host::Impl::CheckMessageShape(MessageRecord *r, int count) {
  int buttons = r->buttons;
  bool shapeOk = true;
  if (!(r->flags & (farapi::FMSG_ALLINONE | farapi::FMSG_ERRORTYPE)) &&
      count < 2)
    shapeOk = false;
  if (count > kMaxMessageItems || buttons < 0 ||
      buttons > static_cast<int>(r->items.size()) - 1)
    shapeOk = false;
  if (shapeOk)
    return;
  char text[128];
  snprintf(text, sizeof text,
           "Message with %d items and %d buttons is not a valid box", count,
           buttons);
  ProblemLocked(text);
  if (buttons < 0 || buttons > static_cast<int>(r->items.size()))
    r->buttons = 0;
}

// The answer comes from the screen, else from the script's queue, else
// the first button.
void Host::Impl::AnswerMessage(MessageRecord *r) {
  if (r->buttons == 0) {
    r->answer = 0; // FAR's Message returns 0 for a box it only draws
    if (ui)
      ui->ShowMessage(*r);
  } else if (ui) {
    r->answer = ui->ShowMessage(*r);
    r->scripted = true;
  } else if (!answers.empty()) {
    r->answer = answers.front();
    answers.pop_front();
    r->scripted = true;
    if (r->answer >= r->buttons)
      ProblemLocked("scripted answer is beyond the box's buttons");
  } else {
    r->answer = 0;
  }
}

// A progress box may press Escape; in ProgressMode::Last it is held back
// (true) instead of going into the transcript.
bool Host::Impl::HoldProgress(const MessageRecord &r) {
  flushesSinceBox = 0;
  if (escapeAt > 0 && ++escapeCounter == escapeAt) {
    escapeAt = -1;
    if (!InjectEscape())
      ProblemLocked("cannot write Escape into the console input");
  }
  if (host->options_.progress != ProgressMode::Last)
    return false;
  // Settle the previous box's Text count before holding this one.
  ++heldProgress;
  if (r.otherThread)
    ++heldOtherThread;
  lastProgress = r;
  return true;
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
  OverHostBox("SaveScreen");
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
  OverHostBox("RestoreScreen");
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
  OverHostBox("Text");
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

} // namespace farhost
