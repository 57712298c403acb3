// The store-backed library's transfers: copies between the PC and the
// store in chunks, each reported to the progress window, paced at the
// store's simulated rate and stopped by SetCancelFlag.
#pragma once

#include "sim/usbctrl/player_store.h"

#include <windows.h>

#include <string>

namespace simstore {

// SetCancelFlag arrives on another thread while a transfer runs.
void SetCancelRequested(bool requested);
void SetProgressWindowHandle(HWND window);
// Sends one progress message as the store says.
void Deliver(const simplayer::PlayerConfig &config, WPARAM bytes);

// The file a call names by memory and index, or the library's result for a
// call naming none.
int NamedFile(const simplayer::PlayerStore &store, int memory, int index,
              const simplayer::StoredFile **file);

// Adds the PC file at `path` to the memory under its last path component.
int DownloadInto(simplayer::PlayerStore *store, int memory,
                 const std::string &path);
// Writes the file into the current folder under its name's raw bytes.
int UploadFrom(const simplayer::PlayerStore &store, int memory, int index);
// Writes the first half of the file into the current folder, as a transfer
// that breaks off does.
void UploadHalf(const simplayer::PlayerStore &store, int memory, int index);
// Erases the file, reported like a transfer of its bytes.
int DeleteFrom(simplayer::PlayerStore *store, int memory, int index);
// Erases every file of the memory, reported over its whole capacity.
int FormatMemory(simplayer::PlayerStore *store, int memory);

} // namespace simstore
