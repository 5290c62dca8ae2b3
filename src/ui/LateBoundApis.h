// The system functions that newer versions of Windows add, looked up when first needed so that
// the program still starts where they are missing. Each gives false or 0 where it is missing.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tavrelonim::ui {

// kernel32 SetDefaultDllDirectories.
bool SetDefaultDllDirectoriesIfAny(DWORD directoryFlags) noexcept;
// user32 GetDpiForWindow.
[[nodiscard]] UINT GetDpiForWindowIfAny(HWND window) noexcept;
// user32 GetDpiForSystem.
[[nodiscard]] UINT GetDpiForSystemIfAny() noexcept;
// user32 AdjustWindowRectExForDpi.
bool AdjustWindowRectExForDpiIfAny(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) noexcept;

}  // namespace tavrelonim::ui
