// The steps of a copy to the player around its sending: the source folder,
// the confirmation, the free-space warning, and which items went.
#pragma once

#include "device/device_link.h"
#include "device/panel_session.h"

#include <cstdint>
#include <string>
#include <vector>

namespace davu {

// The source folder with a backslash at its end; empty when it is too long.
std::string SourceFolder();
// The 5-button confirmation; false when declined. Sets the option bits.
bool ConfirmPut(PanelSession &session, bool move);
// The free-space warning when the total does not fit, or the notice that
// there is no card to send to; false when the copy is not to go on.
bool CheckFreeSpace(PanelSession &session, DeviceLink &link, uint64_t total);
// Which items went as a whole: those the sending pass reached without a
// failure. The item during which the user cancelled did not go; a
// cancelled move deletes no source, so none of its items went.
std::vector<char> ItemsThatWent(std::vector<char> failed, int reached,
                                bool cancelled, bool move);

} // namespace davu
