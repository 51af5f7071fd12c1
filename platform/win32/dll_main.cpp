// The library's load routine: it only stores the module instance handle.
#include <windows.h>

#include "platform/platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) zar::platform::SetModuleInstance(instance);
  return TRUE;
}
