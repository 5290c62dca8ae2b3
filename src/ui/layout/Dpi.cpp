#include "ui/layout/Dpi.h"

#include "ui/layout/DpiSources.h"
#include "ui/win32/LateBoundApis.h"
#include "ui/win32/Win32Handles.h"

namespace tavrelonim::ui {

int SystemDpi() noexcept {
    // Asked without a device context where the system can: under Wine readying one costs the
    // window several server round trips.
    if (const UINT dpi = GetDpiForSystemIfAny(); dpi != 0) {
        return static_cast<int>(dpi);
    }
    const WindowDc screen(nullptr);
    const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int DpiForWindow(HWND window) noexcept {
    // A window opened on a monitor of another scaling is laid out for that monitor's, also
    // where the window's own DPI cannot be asked (Windows 8.1 to 10 1511).
    return FirstKnownDpi([window] { return GetDpiForWindowIfAny(window); },
                         [window] {
                             return GetDpiForMonitorIfAny(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
                         },
                         [] { return SystemDpi(); });
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) noexcept {
    RECT rect{0, 0, clientWidth, clientHeight};
    if (!AdjustWindowRectExForDpiIfAny(rect, style, exStyle, static_cast<UINT>(dpi))) {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace tavrelonim::ui
