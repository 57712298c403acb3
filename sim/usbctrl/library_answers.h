// What both players of the stand-in library write back to the plug-in
// alike: a file's record, the sizes of the memories, progress messages.
#pragma once

#include "device/usbctrl_contract.h"
#include "sim/usbctrl/player_store.h"

#include <windows.h>

#include <cstdint>

namespace simlibrary {

// The record the find methods return for the file. `highBits` are ORed into
// the index word; with `unterminated` the name fills the whole field.
void FillRecord(const simplayer::StoredFile &file, uint32_t highBits,
                bool unterminated, usbctrl::tagFILE_ENTRY *record);

// Total and free bytes of the internal memory and the card, in the order of
// GetAvailMemory's arguments.
struct MemorySizes {
  uint32_t values[4] = {0, 0, 0, 0};
};

// Writes the sizes, clamped to int, into the slots the caller gave.
void WriteMemorySizes(const MemorySizes &sizes, int *internalTotal,
                      int *internalFree, int *externalTotal, int *externalFree);

// Sends (or posts, as the store says) one progress message to the window;
// nothing without a window.
void DeliverProgress(HWND window, const simplayer::PlayerConfig &config,
                     WPARAM bytes);

// How many bytes a transfer reports at a time.
uint32_t ChunkSize(const simplayer::PlayerConfig &config);

// Whether a PC file may go to the memory under `name`: kDone, or the
// library's result for a download that cannot.
int CheckDownloadTarget(const simplayer::PlayerStore &store, int memory,
                        const std::string &name);

// The store folder DAVU_PLAYER names, with a trailing backslash, or "".
std::string FolderFromEnvironment();

} // namespace simlibrary
