// DPI services that newer systems offer, with the system-wide figures where they are missing.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tavrelonim::ui {

[[nodiscard]] int DpiForWindow(HWND window) noexcept;
[[nodiscard]] int SystemDpi() noexcept;
// The outer size of a window whose client area is clientWidth x clientHeight pixels.
[[nodiscard]] SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) noexcept;

}  // namespace tavrelonim::ui
