// A DLL whose initialisation fails, as a broken DLL in FAR's plug-ins
// folder: the host must report it and load the plug-in all the same.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  return reason != DLL_PROCESS_ATTACH;
}
