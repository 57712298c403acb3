// The player's DOS dates and times as Windows file times.
#pragma once

#include <windows.h>

#include <cstdint>

namespace davu {

// The pair is read as local time and returned as UTC. A pair that is not a
// calendar time gives the zero file time. Named apart from the Windows API
// DosDateTimeToFileTime: with a FILETIME argument, argument-dependent lookup
// would let that one (no local-to-UTC step) win an unqualified call.
void DosDateTimeToUtcFileTime(uint32_t dosDate, uint32_t dosTime,
                              FILETIME *out);
// Sets an existing file's last-write time; creates nothing.
void SetLastWriteTime(const char *path, const FILETIME &writeTime);

} // namespace davu
