// Stands in for the suite's workbench.exe and for CoDeSys.exe in tests and the demo world:
// a program that does nothing but carry a version resource.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
