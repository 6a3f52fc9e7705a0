// Stays alive, doing nothing, so that Wine's services stay up between tests.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::GetDesktopWindow();
    ::Sleep(INFINITE);
    return 0;
}
