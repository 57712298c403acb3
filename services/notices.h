// The host's message boxes in the shapes the plug-in uses: notices,
// confirmations and the connecting box, all built from catalogue ids.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace davu {

// Shows a box whose items are catalogue texts: the first is the title, the
// last `buttons` are buttons. Returns the chosen button, -1 on Escape.
int ShowMessageBox(DWORD flags, const char *helpTopic,
                   std::initializer_list<int> ids, int buttons);

void ShowDeviceNotReady();           // [7, 10, 44]
void ShowLoadFailure(int loadStage); // [7, 7 + stage, 44]
void ShowHostTooOld();               // [11, 23, 44]
void ShowConnectWarning();           // [11, 12, 44]
void ShowNoCard();                   // [7, 85, 44]
void ShowConnectingBox();            // [24, 25], no buttons, stays on screen
// [7, "DAVU Manager: the operation stopped: <reason>", 44]; never throws.
void ShowOperationStopped(int reasonId);

// The whole screen saved for the length of a scope (or until Restore).
class SavedScreen {
public:
  SavedScreen();
  ~SavedScreen() { Restore(); }
  SavedScreen(const SavedScreen &) = delete;
  SavedScreen &operator=(const SavedScreen &) = delete;
  void Restore();

private:
  HANDLE screen_;
  bool saved_;
};

} // namespace davu
