// A hidden window that lives until the test run kills it. Once the window stands,
// Wine's desktop process runs, started by this program rather than by a test
// whose output ctest reads; the file "keepalive.ready" in the current folder says
// so to the script that waits for it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowW(L"STATIC", L"keepalive", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!window)
        return 1;
    HANDLE ready = CreateFileW(L"keepalive.ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
