// The program is its window: it starts by showing it and ends when it closes.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commctrl.h>

#include "ui/contract/StartupPhases.h"
#include "ui/win32/LateBoundApis.h"
#include "ui/window/MainWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    tavrelonim::ui::StampStartupPhase(tavrelonim::ui::StartupPhase::Entry);
    // DLLs loaded later on demand come only from the system folder, never from the current or the
    // program's folder. Systems without the call keep their default search.
    tavrelonim::ui::SetDefaultDllDirectoriesIfAny(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const INITCOMMONCONTROLSEX commonControls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    try {
        tavrelonim::ui::MainWindow window(instance);
        if (!window.Show(showCommand)) {
            return 1;
        }
        return window.RunMessageLoop();
    } catch (...) {
        ::OutputDebugStringA("Tavrelonim: the window could not be started\n");
        return 1;
    }
}
