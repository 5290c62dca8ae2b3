// The program is its window: it starts by showing it and ends when it closes.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commctrl.h>

#include "ui/MainWindow.h"

namespace {

// DLLs loaded later on demand come only from the system folder, never from the current or the
// program's folder. Systems without the call keep their default search.
void RestrictDllSearchToSystem() noexcept {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories =
        kernel32 != nullptr ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                  reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                            : nullptr;
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearchToSystem();
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
