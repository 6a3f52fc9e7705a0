// A library that does nothing: the DLL search test plants a copy of it in the
// current folder, as someone could plant one in the SendTo folder.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
