// The transcript and the records: what the host keeps of every call, the
// scripted answers waiting for boxes, and the checks after an operation.
#include "sim/farhost/host_impl.h"

#include <cstdio>

namespace farhost {

// --- transcript and records -------------------------------------------------

void Host::AddLine(const std::string &line) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->AddLineLocked(line);
}

void Host::Note(const std::string &line) {
  AddLine(line);
}

std::string Host::Transcript() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const_cast<Impl *>(impl_.get())->FlushProgressLocked();
  return impl_->transcript;
}

void Host::ClearTranscript() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->transcript.clear();
  impl_->heldProgress = impl_->heldOtherThread = impl_->heldFlushes = 0;
}

void Host::FlushProgress() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->FlushProgressLocked();
}

std::vector<MessageRecord> Host::Messages() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->messages;
}

std::vector<MessageRecord> Host::Boxes() const {
  std::vector<MessageRecord> out;
  for (const MessageRecord &m : Messages())
    if (!m.progress)
      out.push_back(m);
  return out;
}

std::vector<MessageRecord> Host::ProgressBoxes() const {
  std::vector<MessageRecord> out;
  for (const MessageRecord &m : Messages())
    if (m.progress)
      out.push_back(m);
  return out;
}

std::vector<DialogRecord> Host::Dialogs() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->dialogs;
}
std::vector<ControlRecord> Host::Controls() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->controls;
}
std::vector<ScreenRecord> Host::Screens() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->screens;
}
std::vector<TextRecord> Host::Texts() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->texts;
}
std::vector<std::string> Host::Problems() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->problems;
}
int Host::OpenScreens() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return static_cast<int>(impl_->openScreens.size());
}
int Host::FindDataOutstanding() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->findDataGiven - impl_->findDataFreed;
}
int Host::FindDataFreed() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->findDataFreed;
}

void Host::ClearRecords() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->messages.clear();
  impl_->dialogs.clear();
  impl_->controls.clear();
  impl_->screens.clear();
  impl_->texts.clear();
  impl_->problems.clear();
}

void Host::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->answers.push_back(answer);
}
void Host::QueueDialog(const DialogAnswer &answer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->dialogAnswers.push_back(answer);
}
size_t Host::PendingAnswers() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->answers.size();
}
size_t Host::PendingDialogs() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->dialogAnswers.size();
}

void Host::SetUi(HostUi *ui) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->ui = ui;
}

void Host::PressEscapeAtProgress(int n) {
  ConsoleInput();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->escapeCounter = 0;
  if (n <= 0) {
    impl_->escapeAt = -1;
    if (!InjectEscape())
      impl_->ProblemLocked("cannot write Escape into the console input");
  } else {
    impl_->escapeAt = n;
  }
}

// Checks that follow every call that may draw: held progress boxes go out,
// screens saved during the call must be restored, unread console input is
// taken away as FAR reads its keyboard after an operation.
void Host::AfterOperation(const char *what, bool settles) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->FlushProgressLocked();
  for (int screen : impl_->openScreens) {
    char text[128];
    snprintf(text, sizeof text, "screen #%d saved and not restored by %s",
             screen, what);
    impl_->ProblemLocked(text);
    impl_->restoredScreens.insert(screen);
  }
  impl_->openScreens.clear();
  if (settles && impl_->escapeAt > 0) {
    char text[128];
    snprintf(text, sizeof text,
             "escape at progress box %d not reached (%d drawn)",
             impl_->escapeAt, impl_->escapeCounter);
    impl_->AddLineLocked(text);
    impl_->escapeAt = -1;
  }
  // FAR reads its keyboard after each call: the keys typed meanwhile and
  // left there by the plug-in are the host's.
  HANDLE in = ConsoleInput();
  DWORD pending = 0;
  impl_->keysLeft.clear();
  if (options_.drainInput && in != INVALID_HANDLE_VALUE &&
      GetNumberOfConsoleInputEvents(in, &pending) && pending > 0) {
    INPUT_RECORD records[64];
    DWORD count = 0;
    std::string names;
    while (PeekConsoleInputA(in, records, 64, &count) && count > 0 &&
           ReadConsoleInputA(in, records, count, &count) && count > 0)
      for (DWORD i = 0; i < count; ++i)
        if (records[i].EventType == KEY_EVENT &&
            records[i].Event.KeyEvent.bKeyDown) {
          int key = records[i].Event.KeyEvent.wVirtualKeyCode;
          impl_->keysLeft.push_back(key);
          names += " " + KeyName(key, 0);
        }
    if (!names.empty())
      impl_->AddLineLocked("keys left for the host:" + names);
  }
}

std::vector<int> Host::TakeKeysLeft() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  std::vector<int> keys;
  keys.swap(impl_->keysLeft);
  return keys;
}

// --- the transcript itself, with the mutex held ---------------------------

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

} // namespace farhost
