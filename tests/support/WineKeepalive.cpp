// A hidden window that lives until the test run kills it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowW(L"STATIC", L"keepalive", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (window && GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
