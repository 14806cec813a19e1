#include <windows.h>

#include "app/ConsoleFront.h"

int main()
{
    // First of all: libraries come from the system directory or from beside the program, never
    // from the current folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    return flipdeck::RunConsoleFront(GetCommandLineW());
}
