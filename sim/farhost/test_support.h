// Helpers for tests that drive a plug-in folder through the host.
#pragma once

#include <string>

namespace farhost {

// The whole contents of a file; empty when it cannot be read.
std::string ReadWhole(const std::string &path);

// Folder of the running program, with a trailing backslash.
std::string ProgramFolder();
// Builds a plug-in folder in `dest` from the build's plug-in folder
// (<bin>\..\plugin\DAVUman\: DAVUman.dll, *.lng, *.hlf) and, unless
// `library` is empty, the file `library` copied as USBCTRL.dll. Default
// library: <bin>\USBCTRL.dll. Returns false when a copy fails.
bool MakePluginFolder(
    const std::string &dest,
    const std::string &library = ProgramFolder() + "USBCTRL.dll",
    const std::string &buildPluginFolder = ProgramFolder() +
                                           "..\\plugin\\DAVUman\\");

// Runs a program to its end with `input` as its standard input; its
// output and error output are collected. False when it cannot start.
struct ProgramRun {
  int exitCode = -1;
  std::string out, err;
};
bool RunProgram(const std::string &commandLine, const std::string &input,
                ProgramRun *run);

} // namespace farhost
