// The settings dialog of the host's configuration menu.
#pragma once

#include "host/far_api.h"

#include <cstdint>

namespace davu {

int ConfigureImpl(int itemNumber);

// One dialog item in the compact form the dialog is written in. Data below
// kOwnTextBase is a catalogue id; any other value is the address of a text
// of the plug-in's own.
#pragma pack(push, 1)
struct CompactDialogItem {
  uint8_t Type;
  uint8_t X1, Y1, X2, Y2;
  uint8_t Focus;
  uint32_t Selected;
  uint32_t Flags;
  uint8_t DefaultButton;
  uintptr_t Data;
};
#pragma pack(pop)

constexpr uintptr_t kOwnTextBase = 2000;

// Widens compact rows into the host's records: every 8-bit field without
// sign, Selected and Flags as they are, the text copied into Data (bounded
// by its 512 bytes).
void WidenDialogItems(const CompactDialogItem *compact, int count,
                      farapi::FarDialogItem *items);

} // namespace davu
