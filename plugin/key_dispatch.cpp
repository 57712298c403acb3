// ProcessKey: the nine key combinations the plug-in takes for its own
// commands; every other key goes back to the host.
#include "plugin/key_dispatch.h"

#include "host/far_api.h"
#include "operations/play_order.h"
#include "operations/whole_memory.h"

#include <windows.h>

namespace davu {

namespace {

void CopyAll(PanelSession *session, HANDLE panel) {
  CopyAllToOtherPanel(session, panel, false);
}
void MoveAll(PanelSession *session, HANDLE panel) {
  CopyAllToOtherPanel(session, panel, true);
}
void DeleteAll(PanelSession *session, HANDLE panel) {
  DeleteAllFiles(session, panel, false);
}

struct KeyCommand {
  int Key;
  unsigned ControlState;
  void (*Run)(PanelSession *session, HANDLE panel);
};

const KeyCommand kKeyCommands[] = {
    {VK_F1, farapi::PKF_SHIFT, MoveUp},
    {VK_F2, farapi::PKF_SHIFT, MoveDown},
    {VK_F3, farapi::PKF_SHIFT, MoveTo},
    {VK_F5, farapi::PKF_SHIFT, CopyAll},
    {VK_F6, farapi::PKF_SHIFT, MoveAll},
    {VK_F7, 0, SwitchMemory},
    {VK_F7, farapi::PKF_SHIFT, FormatSelectedMemory},
    {VK_F8, farapi::PKF_SHIFT, DeleteAll},
    {VK_F9, farapi::PKF_SHIFT, ReconnectDevice},
};

} // namespace

int ProcessKeyImpl(PanelSession *session, int key, unsigned controlState) {
  if (!session)
    return 0;
  session->FindCancelled = 0;
  for (const KeyCommand &command : kKeyCommands) {
    // The state must match exactly: Shift with Ctrl or Alt is not Shift.
    if (command.Key == key && command.ControlState == controlState) {
      // The session is the panel's handle for the host's Control calls.
      command.Run(session, static_cast<HANDLE>(session));
      return 1;
    }
  }
  return 0;
}

} // namespace davu
