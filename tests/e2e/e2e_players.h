// The players and PC files the end-to-end cases start from, and the reads
// that check them afterwards.
#pragma once

#include "tests/e2e/e2e_runner.h"

#ifdef DAVU_HAVE_PLAYER_STORE
#include "sim/usbctrl/player_store.h"

#include <string>
#include <vector>

namespace e2e {

// A name with bytes from 0x80 up, in the player's code page, and the same
// name through table 57 of the English language file: what the panel shows
// and what a copy gets on the PC.
extern const char kHighName[];
extern const char kHighPcName[];

// Bytes of a file that tell where each came from.
std::string Pattern(char seed, size_t size);

// Three files on the internal memory (one with kHighName) and one on the
// card; Connect answers connectResult.
void SamplePlayer(const Case &c, int connectResult = 0);
// For the operations: four files on the internal memory, two on the card,
// in 16 KB progress steps (one progress box per step).
void OperationsPlayer(const Case &c, uint32_t internalSize = 16777216);

simplayer::PlayerStore LoadPlayer(const Case &c);
std::vector<std::string> PlayerNames(const Case &c, int memory);
// The bytes of the named file on a memory; "<none>" when it is not there.
std::string PlayerBytes(const Case &c, int memory, const std::string &name);

// A PC file with a fixed write time, so that listings of the PC folder
// come out the same on every run.
void WriteDatedFile(const std::string &path, const std::string &bytes);

// The player writes high-byte names through the file functions in the OEM
// code page, as the host made them; the checks read them the same way.
struct OemFileApis {
  OemFileApis() { SetFileApisToOEM(); }
  ~OemFileApis() { SetFileApisToANSI(); }
};
std::string ReadThroughFileApis(const std::string &path);

} // namespace e2e
#endif
