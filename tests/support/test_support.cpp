#include "tests/support/test_support.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstdio>

namespace testing_support {

std::string ExeDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path);
  return full.substr(0, full.find_last_of('\\') + 1);
}

std::string PluginBuildDir() {
  return ExeDir() + "..\\plugin\\DAVUman\\";
}

std::string BesideExe(const std::string &name) {
  return ExeDir() + name;
}

namespace {
std::atomic<unsigned> temp_counter{0};
}

TempDir::TempDir() {
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  for (;;) {
    char name[64];
    snprintf(name, sizeof name, "davu-%lu-%u\\", GetCurrentProcessId(),
             temp_counter.fetch_add(1));
    path_ = std::string(base) + name;
    if (CreateDirectoryA(path_.c_str(), nullptr))
      break;
  }
}

TempDir::~TempDir() {
  RemoveTree(path_);
}

void RemoveTree(const std::string &folder) {
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '\\')
    dir += '\\';
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((dir + "*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..")
        continue;
      std::string path = dir + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}

bool WriteFileBytes(const std::string &path, const std::string &bytes) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool ReadFileBytes(const std::string &path, std::string *bytes) {
  FILE *f = fopen(path.c_str(), "rb");
  if (!f)
    return false;
  bytes->clear();
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes->append(buffer, n);
  fclose(f);
  return true;
}

bool FileExists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyFileTo(const std::string &from, const std::string &to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::vector<std::string> ListFolder(const std::string &folder) {
  std::vector<std::string> names;
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '\\')
    dir += '\\';
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((dir + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return names;
}

void DeleteRegistryTree(const std::string &path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS)
    return;
  char name[512];
  for (;;) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS)
      break;
    DeleteRegistryTree(path + "\\" + name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

std::string UniqueRegistryRoot(const std::string &prefix) {
  char name[96];
  snprintf(name, sizeof name, "Software\\DAVU Tests\\%s-%lu-%u", prefix.c_str(),
           GetCurrentProcessId(), temp_counter.fetch_add(1));
  return name;
}

bool WriteRegistryValue(const std::string &keyPath, const char *name,
                        const std::string &value, DWORD type, bool withZero) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0,
                      KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegSetValueExA(key, name, 0, type,
                 reinterpret_cast<const BYTE *>(value.c_str()),
                 static_cast<DWORD>(value.size() + (withZero ? 1 : 0)));
  RegCloseKey(key);
  return true;
}

bool ReadThroughFileApis(const std::string &path, std::string *bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  bytes->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes->append(buffer, got);
  CloseHandle(file);
  return true;
}

bool WriteThroughFileApis(const std::string &path, const std::string &bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD put = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                      &put, nullptr) &&
            put == bytes.size();
  return CloseHandle(file) && ok;
}

int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more;
       more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId())
      ++count;
  CloseHandle(snapshot);
  return count;
}

int ThreadsStartedIn(HMODULE module) {
  // ThreadQuerySetWin32StartAddress, through ntdll: no import library
  // declares it.
  using QueryThread = LONG(WINAPI *)(HANDLE, int, void *, ULONG, ULONG *);
  auto query =
      reinterpret_cast<QueryThread>(reinterpret_cast<void *>(GetProcAddress(
          GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (!query || !module || snapshot == INVALID_HANDLE_VALUE)
    return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more;
       more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId())
      continue;
    HANDLE thread =
        OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread)
      continue;
    void *start = nullptr;
    HMODULE owner = nullptr;
    if (query(thread, 9, &start, sizeof start, nullptr) == 0 && start &&
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(start), &owner) &&
        owner == module)
      ++count;
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return count;
}

namespace {
struct WindowSearch {
  const char *className;
  int count;
};

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM parameter) {
  WindowSearch *search = reinterpret_cast<WindowSearch *>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[64] = {};
  if (process == GetCurrentProcessId() &&
      GetClassNameA(window, name, sizeof name) > 0 &&
      lstrcmpA(name, search->className) == 0)
    ++search->count;
  return TRUE;
}
} // namespace

int WindowsOfThisProcess(const char *className) {
  WindowSearch search{className, 0};
  EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

std::string CurrentFolder() {
  char buffer[4096] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

} // namespace testing_support
