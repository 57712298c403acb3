// Deleting selected files on the player.
#pragma once

#include "host/far_api.h"
#include "operations/failure_summary.h"
#include "services/plugin_state.h"

#include <vector>

namespace davu {

int DeleteFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                    int count, int opMode);

// The deletion that ends a move from the player: the ready check, then the
// deletions with their progress box, no question and no box of its own.
// Failures go into `summary`; (*went)[i] tells whether item i is gone (or
// is the kept "Config.dat"). 1 when done, 0 when the player was not ready,
// -1 when the user cancelled.
int DeleteMovedItems(PanelSession *session, farapi::PluginPanelItem *items,
                     int count, FailureSummary &summary,
                     std::vector<char> *went);

// Clears PPIF_SELECTED on the items that went: the host then leaves exactly
// the others selected.
void DeselectItemsThatWent(farapi::PluginPanelItem *items, int count,
                           const std::vector<char> &went);

} // namespace davu
