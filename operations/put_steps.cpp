// The steps of a copy to the player around its sending.
#include "operations/put_steps.h"

#include "host/far_api.h"
#include "operations/pc_source_walk.h"
#include "services/messages.h"
#include "services/notices.h"

#include <windows.h>

namespace davu {

namespace {
constexpr const char *kHelpTopic = "Downloading";
} // namespace

// The source folder with a backslash at its end; empty when it is too long.
std::string SourceFolder() {
  std::vector<char> buffer(kWalkFolderLimit);
  DWORD length =
      GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size())
    return std::string();
  std::string folder(buffer.data(), length);
  if (folder.back() != '\\')
    folder += '\\';
  return folder;
}

// The 5-button confirmation; false when declined.
bool ConfirmPut(PanelSession &session, bool move) {
  int choice =
      move ? ShowMessageBox(farapi::FMSG_WARNING, kHelpTopic,
                            {MSG_WARNING_TITLE, MSG_MOVE_TO_PLAYER,
                             MSG_BTN_MOVE, MSG_BTN_MOVE_KEEP, MSG_BTN_PLAYLISTS,
                             MSG_BTN_PLAYLISTS_KEEP, MSG_CANCEL},
                            5)
           : ShowMessageBox(0, kHelpTopic,
                            {MSG_WARNING_TITLE, MSG_COPY_TO_PLAYER,
                             MSG_BTN_COPY, MSG_BTN_COPY_KEEP, MSG_BTN_PLAYLISTS,
                             MSG_BTN_PLAYLISTS_KEEP, MSG_CANCEL},
                            5);
  switch (choice) {
  case 0:
    return true;
  case 1:
    session.Options |= PSO_KEEPEXISTING;
    return true;
  case 2:
    session.Options |= PSO_PLAYLISTS;
    return true;
  case 3:
    session.Options |= PSO_KEEPEXISTING | PSO_PLAYLISTS;
    return true;
  default:
    return false;
  }
}

// The free-space warning when the total does not fit; false when declined.
bool CheckFreeSpace(PanelSession &session, DeviceLink &link, uint64_t total) {
  int internalTotal = 0, internalFree = 0, externalTotal = 0, externalFree = 0;
  link.GetMemorySizes(&internalTotal, &internalFree, &externalTotal,
                      &externalFree);
  // No card is no room on it: that, not the free space, is what to say.
  if (session.Memory == MEM_EXTERNAL && externalTotal == 0) {
    ShowNoCard();
    return false;
  }
  uint32_t freeBytes = static_cast<uint32_t>(
      session.Memory == MEM_INTERNAL ? internalFree : externalFree);
  if (total <= freeBytes)
    return true;
  int choice =
      ShowMessageBox(farapi::FMSG_WARNING, kHelpTopic,
                     {MSG_WARNING_TITLE, MSG_NOT_ENOUGH_SPACE, MSG_BTN_CONTINUE,
                      MSG_BTN_SWITCH_WHEN_FULL, MSG_CANCEL},
                     3);
  if (choice == 1)
    session.Options |= PSO_SWITCHWHENFULL;
  return choice == 0 || choice == 1;
}

// Which items went as a whole: those the sending pass reached without a
// failure. The item during which the user cancelled did not go; a
// cancelled move deletes no source, so none of its items went.
std::vector<char> ItemsThatWent(std::vector<char> failed, int reached,
                                bool cancelled, bool move) {
  if (cancelled) {
    if (reached > 0)
      failed[reached - 1] = 1;
    if (move)
      reached = 0;
  }
  std::vector<char> went(failed.size(), 0);
  for (int i = 0; i < reached; ++i)
    went[i] = failed[i] ? 0 : 1;
  return went;
}

} // namespace davu
