// A DLL that nobody asked for: planted beside a program or in its current
// folder to see whether the program can be made to load it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
