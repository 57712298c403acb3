// What the host core tests share: a probe plug-in folder and a loaded host.
#pragma once

#include "sim/farhost/host_core.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using farhost::Host;
using farhost::HostOptions;
using testing_support::ExeDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace host_core {

const char kEnglish[] = ".Language=English,English\r\n"
                        "// comment\r\n"
                        "\"Probe plug-in\"\r\n"
                        "\"Connecting...\"   \r\n"
                        "  \"indented lines are not messages\"\r\n"
                        "\r\n"
                        "\"Say \\\"hi\\\" and \"\"bye\"\"\"\r\n";
const char kRussian[] =
    ".Language=Russian,Russian (\x90\xe3\xe1\xe1\xaa\xa8\xa9)\n"
    "\"\x8f\xe0\xae\xa1\xa0\"\n"
    "\"\x8f\xae\xa4\xaa\xab\xee\xe7\xa5\xad\xa8\xa5\"\n";
const char kHelp[] = ".Language=English,English\n@Contents\n$Probe\n@Messages\n"
                     "Text\n@Config\n@-\n";

// A plug-in folder with the probe DLL under `dll` and its language files.
struct ProbeFolder {
  TempDir dir;
  explicit ProbeFolder(const char *dll = "probe.dll",
                       const char *source = "farhost_probe.dll") {
    EXPECT_TRUE(testing_support::CopyFileTo(ExeDir() + source, dir / dll));
    EXPECT_TRUE(WriteFileBytes(dir / "ProbeEng.lng", kEnglish));
    EXPECT_TRUE(WriteFileBytes(dir / "ProbeRus.lng", kRussian));
    EXPECT_TRUE(WriteFileBytes(dir / "ProbeEng.hlf", kHelp));
  }
};

template <typename Fn> Fn Probe(const Host &host, const char *name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void *>(GetProcAddress(host.Module(), name)));
}

struct LoadedProbe {
  ProbeFolder folder;
  Host host;
  explicit LoadedProbe(const HostOptions &options = HostOptions())
      : host(options) {
    std::string error;
    EXPECT_TRUE(host.Load(folder.dir.Path(), &error, "probe.dll")) << error;
  }
  int LastResult() { return Probe<int(WINAPI *)()>(host, "ProbeLastResult")(); }
};

} // namespace host_core
