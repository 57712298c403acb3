// Helpers for tests: plug-in folders built from the build tree, and
// programs run to their end with their output collected.
#include "sim/farhost/host_impl.h"

#include <cstdio>

namespace farhost {

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path);
  return full.substr(0, full.find_last_of('\\') + 1);
}

bool MakePluginFolder(const std::string &dest, const std::string &library,
                      const std::string &buildPluginFolder) {
  std::string to = WithSlash(dest);
  CreateDirectoryA(to.c_str(), nullptr);
  std::string from = WithSlash(buildPluginFolder);
  bool ok = CopyFileA((from + "DAVUman.dll").c_str(),
                      (to + "DAVUman.dll").c_str(), FALSE) != 0;
  for (const char *mask : {"*.lng", "*.hlf"}) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((from + mask).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
      continue;
    do {
      ok = CopyFileA((from + data.cFileName).c_str(),
                     (to + data.cFileName).c_str(), FALSE) != 0 &&
           ok;
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  if (!library.empty())
    ok = CopyFileA(library.c_str(), (to + "USBCTRL.dll").c_str(), FALSE) != 0 &&
         ok;
  return ok;
}

namespace {
struct OwnedHandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~OwnedHandle() {
    if (h != INVALID_HANDLE_VALUE && h != nullptr)
      CloseHandle(h);
  }
};

std::string TempFileName(const char *prefix) {
  char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  GetTempFileNameA(folder, prefix, 0, name);
  return name;
}

HANDLE OpenInheritable(const std::string &path, DWORD access, DWORD create) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &sa, create, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

} // namespace

std::string ReadWhole(const std::string &path) {
  std::string out;
  FILE *f = fopen(path.c_str(), "rb");
  if (!f)
    return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
    out.append(buffer, n);
  fclose(f);
  return out;
}

bool RunProgram(const std::string &commandLine, const std::string &input,
                ProgramRun *run) {
  // Files rather than pipes: nothing can block on a full pipe.
  std::string inPath = TempFileName("fin"), outPath = TempFileName("fout"),
              errPath = TempFileName("ferr");
  {
    FILE *f = fopen(inPath.c_str(), "wb");
    if (!f)
      return false;
    fwrite(input.data(), 1, input.size(), f);
    fclose(f);
  }
  bool started = false;
  {
    OwnedHandle in{OpenInheritable(inPath, GENERIC_READ, OPEN_EXISTING)};
    OwnedHandle out{OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS)};
    OwnedHandle err{OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS)};
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.h;
    si.hStdOutput = out.h;
    si.hStdError = err.h;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &si, &pi) != 0;
    if (started) {
      OwnedHandle process{pi.hProcess}, thread{pi.hThread};
      WaitForSingleObject(pi.hProcess, INFINITE);
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      run->exitCode = static_cast<int>(code);
    }
  }
  if (started) {
    run->out = ReadWhole(outPath);
    run->err = ReadWhole(errPath);
  }
  DeleteFileA(inPath.c_str());
  DeleteFileA(outPath.c_str());
  DeleteFileA(errPath.c_str());
  return started;
}

} // namespace farhost
