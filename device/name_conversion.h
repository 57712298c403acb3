// File names between the PC's code page and the player's. Only the part
// after the last backslash is converted; bytes below 0x80 never change.
// The destination may be the source itself.
#pragma once

namespace davu {

void ToDeviceName(const char *source, char *destination);
void ToPcName(const char *source, char *destination);

} // namespace davu
