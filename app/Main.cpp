#include <windows.h>

#include "app/FlipdeckApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // First of all: libraries come from the system directory or from beside the program, never
    // from the current folder, where anyone could have planted one.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    flipdeck::CFlipdeckApp app;
    return app.Run();
}
