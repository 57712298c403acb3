// Numbers the plug-in shares between its layers, named once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace davu {

// Paths: the longest path handled at all, the longest folder a name is
// appended to, and the room kept for one name (the player's names are at
// most 1024 bytes).
constexpr size_t kPathLimit = 4096;
constexpr size_t kNameRoom = 1025;
constexpr size_t kFolderLimit = kPathLimit - kNameRoom; // 3071

// The library's progress message to the window given to SetProgressWindow:
// wParam = bytes moved since the previous message, or kFileComplete.
constexpr UINT kProgressMessage = WM_USER + 10;
constexpr WPARAM kFileComplete = static_cast<WPARAM>(-1);

// The file index is the low word of a directory record's FileIndex.
constexpr uint32_t kFileIndexMask = 0xFFFF;

} // namespace davu
