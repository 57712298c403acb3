// The player's DOS dates and times as Windows file times, and setting a PC
// file's last-write time.
#include "device/file_time.h"

#include "host/unique_handle.h"

namespace davu {

void DosDateTimeToUtcFileTime(uint32_t dosDate, uint32_t dosTime,
                              FILETIME *out) {
  SYSTEMTIME calendar = {};
  calendar.wYear = static_cast<WORD>(((dosDate >> 9) & 0x7F) + 1980);
  calendar.wMonth = static_cast<WORD>((dosDate >> 5) & 0x0F);
  calendar.wDay = static_cast<WORD>(dosDate & 0x1F);
  calendar.wHour = static_cast<WORD>((dosTime >> 11) & 0x1F);
  calendar.wMinute = static_cast<WORD>((dosTime >> 5) & 0x3F);
  calendar.wSecond = static_cast<WORD>((dosTime & 0x1F) * 2);

  FILETIME local = {};
  FILETIME utc = {};
  // A pair that is no calendar time (zero date, month 13, hour 25 ...) gives
  // the zero file time, the same for every such record.
  if (!SystemTimeToFileTime(&calendar, &local) ||
      !LocalFileTimeToFileTime(&local, &utc))
    utc = FILETIME{};
  *out = utc;
}

void SetLastWriteTime(const char *path, const FILETIME &writeTime) {
  UniqueFile file(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file)
    SetFileTime(file.Get(), nullptr, nullptr, &writeTime);
}

} // namespace davu
