#include "sim/usbctrl/library_call.h"

#include "sim/usbctrl/fault_rules.h"
#include "sim/usbctrl/library_answers.h"

#include <windows.h>

#include <cstdio>

namespace simstore {

namespace {

std::string ModuleFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ModuleFolder), &self);
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  std::string full(path, n < MAX_PATH ? n : 0);
  return full.substr(0, full.find_last_of('\\') + 1);
}

} // namespace

std::string StoreFolder() {
  std::string named = simlibrary::FolderFromEnvironment();
  if (!named.empty())
    return named;
  std::string dir = ModuleFolder();
  char buffer[4096];
  DWORD n =
      GetPrivateProfileStringA("Player", "Folder", "", buffer, sizeof buffer,
                               (dir + "USBCTRL.ini").c_str());
  if (n > 0 && n < sizeof buffer - 1) {
    std::string folder(buffer, n);
    bool absolute = folder[0] == '\\' || folder[0] == '/' ||
                    (folder.size() > 1 && folder[1] == ':');
    return simplayer::WithTrailingBackslash(absolute ? folder : dir + folder);
  }
  return dir + "player\\";
}

int Call::Finish(int result) const {
  simplayer::CallRecord record;
  record.method = method;
  record.args = args;
  record.result = std::to_string(result);
  simplayer::AppendCallLog(folder, record);
  return result;
}

bool Admit(const Call &call, int index, int unreadable,
           simplayer::PlayerStore *store, int *answer) {
  if (!simplayer::LoadStore(call.folder, store, nullptr)) {
    *answer = unreadable;
    return false;
  }
  return !FailRuleHits(store, call.method, index, answer);
}

std::string Number(long long value) {
  return std::to_string(value);
}

std::string Pointer(const void *p) {
  char text[32];
  snprintf(text, sizeof text, "%p", p);
  return text;
}

} // namespace simstore
