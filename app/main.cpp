#include <windows.h>

#include "app/SweepApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    twinsweep::SweepApp app;
    return app.Run();
}
