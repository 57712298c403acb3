// Small helpers shared by the test programs: where the built binaries are,
// temporary folders and files, loaded modules and registry clean-up.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Folder of the running test program, with a trailing backslash. The build
// puts every program and USBCTRL.dll there.
std::string ExeDir();
// The plug-in folder the build assembles: DAVUman.dll, .lng and .hlf files.
std::string PluginBuildDir();
// Full path of a file beside the test program.
std::string BesideExe(const std::string &name);

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  // The folder with a trailing backslash.
  const std::string &Path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + name; }

private:
  std::string path_;
};

void RemoveTree(const std::string &folder);
bool WriteFileBytes(const std::string &path, const std::string &bytes);
bool ReadFileBytes(const std::string &path, std::string *bytes);
bool FileExists(const std::string &path);
bool CopyFileTo(const std::string &from, const std::string &to);
// Names in a folder (files and folders, without "." and "..").
std::vector<std::string> ListFolder(const std::string &folder);
// Reads through CreateFileA, which follows the file functions' code page
// (the C library's fopen does not).
bool ReadThroughFileApis(const std::string &path, std::string *bytes);
// Writes through CreateFileA, in the code page the host set for the file
// functions, as the plug-in names its files.
bool WriteThroughFileApis(const std::string &path, const std::string &bytes);

int ThreadsOfThisProcess();
// Threads of this process that started in code of the given module (the
// plug-in's own threads, whatever threads Wine itself keeps).
int ThreadsStartedIn(HMODULE module);
// Top-level windows of the given class that belong to this process; other
// processes on the same desktop (tests running in parallel) don't count.
int WindowsOfThisProcess(const char *className);
std::string CurrentFolder();

// A module loaded for the length of a scope.
class LoadedModule {
public:
  explicit LoadedModule(const std::string &path)
      : module_(LoadLibraryA(path.c_str())) {}
  ~LoadedModule() {
    if (module_)
      FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule &) = delete;
  LoadedModule &operator=(const LoadedModule &) = delete;
  HMODULE get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }
  template <typename Fn> Fn Proc(const char *name) const {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void *>(GetProcAddress(module_, name)));
  }

private:
  HMODULE module_;
};

// Deletes a registry key below HKEY_CURRENT_USER with all its subkeys.
void DeleteRegistryTree(const std::string &path);
// A registry root path unique to this process and call, for settings that
// must not be shared between tests.
std::string UniqueRegistryRoot(const std::string &prefix);
// Stores a value under HKEY_CURRENT_USER\keyPath, creating the key; false
// when the key cannot be created.
bool WriteRegistryValue(const std::string &keyPath, const char *name,
                        const std::string &value, DWORD type = REG_SZ,
                        bool withZero = true);

} // namespace testing_support
