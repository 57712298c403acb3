// One call of the stand-in library against the store folder: where the
// store is, the call's line in the call log, and the store read for it.
#pragma once

#include "sim/usbctrl/player_store.h"

#include <string>
#include <vector>

namespace simstore {

// The store folder: the DAVU_PLAYER environment variable, else the folder
// named by Folder= in section [Player] of USBCTRL.ini beside this DLL, else
// player\ beside this DLL. Looked up afresh on every call.
std::string StoreFolder();

// One library call: its log line is written when it returns.
struct Call {
  const char *method;
  std::string folder = StoreFolder();
  std::vector<std::string> args;
  Call(const char *name, std::vector<std::string> arguments)
      : method(name), args(std::move(arguments)) {}
  int Finish(int result) const;
};

// Reads the store for the call and applies its fail rules for file `index`
// (-1: none). False when the call ends there, with its answer in *answer:
// `unreadable` when the store cannot be read, else the fail rule's result.
bool Admit(const Call &call, int index, int unreadable,
           simplayer::PlayerStore *store, int *answer);

// Arguments as the call log shows them.
std::string Number(long long value);
std::string Pointer(const void *p);

} // namespace simstore
