// The system functions that newer versions of Windows add, looked up when first needed so that
// the program still starts where they are missing. Each gives false or 0 where it is missing.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tavrelonim::ui {

// A DLL from the system folder alone, never the program's or the current folder. Systems whose
// loader lacks the system-folder search (Windows 7 without its 2011 update) load it by its full
// path there. Null when it cannot be loaded.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;
// kernel32 SetDefaultDllDirectories.
bool SetDefaultDllDirectoriesIfAny(DWORD directoryFlags) noexcept;
// user32 GetDpiForWindow.
[[nodiscard]] UINT GetDpiForWindowIfAny(HWND window) noexcept;
// shcore GetDpiForMonitor, the effective DPI, loading shcore the first time it is asked: only
// where the window's own DPI cannot be asked.
[[nodiscard]] UINT GetDpiForMonitorIfAny(HMONITOR monitor) noexcept;
// user32 GetDpiForSystem.
[[nodiscard]] UINT GetDpiForSystemIfAny() noexcept;
// user32 AdjustWindowRectExForDpi.
bool AdjustWindowRectExForDpiIfAny(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) noexcept;

}  // namespace tavrelonim::ui
