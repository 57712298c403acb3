// Copying files from the player to a PC folder.
#pragma once

#include "host/far_api.h"
#include "operations/failure_summary.h"
#include "services/plugin_state.h"

#include <windows.h>

#include <cstdint>

namespace davu {

int GetFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                 int count, int move, const char *destPath, int opMode);

// True when a name from the player can be written into a folder as it is:
// not empty, not "." or "..", none of the characters a PC file name cannot
// hold (\ / : * ? " < > | and the control characters).
bool IsSafePcName(const char *name);

enum class UploadOutcome { Copied, KeptExisting, Failed, Cancelled };

// The per-file step of every copy from the player, run with the destination
// folder current. A file it replaces is kept aside until the new one is
// complete, and put back when the upload fails or is cancelled. On Failed,
// *reason says why.
UploadOutcome UploadIntoFolder(int memory, uint32_t fileIndex, uint32_t size,
                               const char *pcName, const FILETIME &writeTime,
                               bool keepExisting, FailReason *reason);

} // namespace davu
