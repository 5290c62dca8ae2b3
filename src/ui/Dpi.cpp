#include "ui/Dpi.h"

#include "ui/LateBoundApis.h"
#include "ui/Win32Handles.h"

namespace tavrelonim::ui {

int SystemDpi() noexcept {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int DpiForWindow(HWND window) noexcept {
    const UINT dpi = GetDpiForWindowIfAny(window);
    return dpi != 0 ? static_cast<int>(dpi) : SystemDpi();
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) noexcept {
    RECT rect{0, 0, clientWidth, clientHeight};
    if (!AdjustWindowRectExForDpiIfAny(rect, style, exStyle, static_cast<UINT>(dpi))) {
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace tavrelonim::ui
