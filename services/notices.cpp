// Message boxes built from catalogue ids.
#include "services/notices.h"

#include "host/far_api.h"
#include "services/messages.h"
#include "services/plugin_state.h"

#include <cstdio>
#include <vector>

namespace davu {

int ShowMessageBox(DWORD flags, const char *helpTopic,
                   std::initializer_list<int> ids, int buttons) {
  if (!HostInfo.Message)
    return -1;
  std::vector<const char *> items;
  items.reserve(ids.size());
  for (int id : ids)
    items.push_back(MsgText(id));
  return HostInfo.Message(HostInfo.ModuleNumber, flags, helpTopic, items.data(),
                          static_cast<int>(items.size()), buttons);
}

void ShowDeviceNotReady() {
  ShowMessageBox(farapi::FMSG_WARNING, "Messages",
                 {MSG_ERROR_TITLE, MSG_NOT_READY, MSG_OK}, 1);
}

void ShowNoCard() {
  ShowMessageBox(farapi::FMSG_WARNING, "Messages",
                 {MSG_ERROR_TITLE, MSG_NO_CARD, MSG_OK}, 1);
}

void ShowLoadFailure(int loadStage) {
  ShowMessageBox(farapi::FMSG_WARNING, "Messages",
                 {MSG_ERROR_TITLE, MSG_ERROR_TITLE + loadStage, MSG_OK}, 1);
}

void ShowHostTooOld() {
  ShowMessageBox(farapi::FMSG_WARNING, "Messages",
                 {MSG_WARNING_TITLE, MSG_HOST_TOO_OLD, MSG_OK}, 1);
}

void ShowConnectWarning() {
  ShowMessageBox(farapi::FMSG_WARNING, "Messages",
                 {MSG_WARNING_TITLE, MSG_CONNECT_WARNING, MSG_OK}, 1);
}

void ShowConnectingBox() {
  ShowMessageBox(0, nullptr, {MSG_CONNECTING_1, MSG_CONNECTING_2}, 0);
}

void ShowOperationStopped(int reasonId) {
  if (!HostInfo.Message)
    return;
  // Cut to what a box on an 80-column console can show.
  char line[71];
  snprintf(line, sizeof line, MsgText(MSG_STOPPED), MsgText(reasonId));
  const char *items[] = {MsgText(MSG_ERROR_TITLE), line, MsgText(MSG_OK)};
  HostInfo.Message(HostInfo.ModuleNumber, farapi::FMSG_WARNING, "Messages",
                   items, 3, 1);
}

SavedScreen::SavedScreen() : screen_(nullptr), saved_(false) {
  if (HostInfo.SaveScreen) {
    screen_ = HostInfo.SaveScreen(0, 0, -1, -1);
    saved_ = true;
  }
}

void SavedScreen::Restore() {
  if (!saved_)
    return;
  saved_ = false;
  if (HostInfo.RestoreScreen)
    HostInfo.RestoreScreen(screen_);
}

} // namespace davu
