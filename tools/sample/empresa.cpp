// A company library for the sample company served by the demo: a real, tiny Windows DLL.
#include <windows.h>

extern "C" __declspec(dllexport) int NumeroDaEmpresa() { return 7; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
