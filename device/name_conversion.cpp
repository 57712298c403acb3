// File names between the PC's code page and the player's, through the two
// 128-byte tables of the language file.
#include "device/name_conversion.h"

#include "host/host_table.h"

#include <cstring>

namespace davu {

namespace {

void Convert(const char *source, char *destination, int tableId) {
  const char *table = MsgText(tableId);
  // A table cut short leaves the bytes it has no entry for unchanged.
  size_t tableLength = strnlen(table, 128);
  size_t length = strlen(source);
  if (destination != source)
    memmove(destination, source, length + 1);
  // Only the name after the last backslash is converted; walking back from
  // the end stops there, so folder bytes stay as copied.
  size_t start = length;
  while (start > 0 && source[start - 1] != '\\')
    --start;
  for (size_t p = start; p < length; ++p) {
    unsigned char byte = static_cast<unsigned char>(destination[p]);
    if (byte >= 0x80 && byte - 0x80u < tableLength)
      destination[p] = table[byte - 0x80];
  }
}

} // namespace

void ToDeviceName(const char *source, char *destination) {
  Convert(source, destination, kTableToDeviceMessage);
}

void ToPcName(const char *source, char *destination) {
  Convert(source, destination, kTableToPcMessage);
}

} // namespace davu
