// A stand-in USBCTRL.dll for the binding and opening tests: it answers the
// connect with the result named by SPINE_CONNECT_RESULT (default 0) and the
// memory sizes with SPINE_MEMORY ("total,free,total,free"), and has no
// files. Built twice: with all seventeen exports and without
// FindNextExternal.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int EnvInt(const char *name, int fallback) {
  char text[64] = {};
  DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
  if (length == 0 || length >= sizeof text)
    return fallback;
  return atoi(text);
}

} // namespace

extern "C" {

void *__fastcall FakeCtor(void *self, void *) {
  return self;
}
int __fastcall FakeSetProgressWindow(void *, void *, HWND) {
  return 0;
}
int __fastcall FakeDumpUsbConfig(void *, void *) {
  return EnvInt("SPINE_NOT_READY", 0);
}
int __fastcall FakeCheckSMCCard(void *, void *) {
  return 0;
}
int __fastcall FakeGetVersionInfo(void *, void *, unsigned char *text) {
  snprintf(reinterpret_cast<char *>(text), 64, "Spine fake player 2.1");
  return EnvInt("SPINE_CONNECT_RESULT", 0);
}
int __fastcall FakeGetAvailMemory(void *, void *, int *a, int *b, int *c,
                                  int *d) {
  unsigned values[4] = {16777216u, 1048576u, 33554432u, 2097152u};
  char text[128] = {};
  if (GetEnvironmentVariableA("SPINE_MEMORY", text, sizeof text) > 0)
    sscanf(text, "%u,%u,%u,%u", &values[0], &values[1], &values[2], &values[3]);
  *a = static_cast<int>(values[0]);
  *b = static_cast<int>(values[1]);
  *c = static_cast<int>(values[2]);
  *d = static_cast<int>(values[3]);
  return 0;
}
int __fastcall FakeNoArg(void *, void *) {
  return 0;
}
int __fastcall FakeFind(void *, void *, void *) {
  return -1;
}
int __fastcall FakeDownload(void *, void *, int, const char *) {
  return 1;
}
int __fastcall FakeDelete(void *, void *, int, int) {
  return 1;
}
int __fastcall FakeUpload(void *, void *, int, int, const char *) {
  return 1;
}
int __fastcall FakeChangeOrder(void *, void *, int, int, int) {
  return 0;
}
void __fastcall FakeSetCancelFlag(void *, void *) {}

} // extern "C"
