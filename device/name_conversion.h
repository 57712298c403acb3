// File names between the PC's code page and the player's. Only the part
// after the last backslash is converted; bytes below 0x80 never change.
// The destination may be the source itself.
#pragma once

namespace davu {

// Where the language file keeps the two 128-byte tables, one byte for each
// of 0x80 to 0xFF.
constexpr int kTableToDeviceMessage = 56;
constexpr int kTableToPcMessage = 57;

void ToDeviceName(const char *source, char *destination);
void ToPcName(const char *source, char *destination);

} // namespace davu
