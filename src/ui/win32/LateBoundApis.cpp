#include "ui/win32/LateBoundApis.h"

#include "platform/ModuleFunction.h"

namespace tavrelonim::ui {

namespace {

// A function of a DLL the program has loaded already; null where the system lacks it.
template <class Function>
Function LoadedFunction(const wchar_t* module, const char* name) noexcept {
    return platform::FunctionOf<Function>(::GetModuleHandleW(module), name);
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
    if (const HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); module != nullptr) {
        return module;
    }
    if (::GetLastError() != ERROR_INVALID_PARAMETER) {
        return nullptr;  // the flag was understood: the DLL is not there
    }
    wchar_t path[MAX_PATH];
    const UINT folder = ::GetSystemDirectoryW(path, MAX_PATH);
    const int nameLength = ::lstrlenW(name);
    if (folder == 0 || folder + 1 + static_cast<UINT>(nameLength) >= MAX_PATH) {
        return nullptr;
    }
    path[folder] = L'\\';
    ::lstrcpynW(path + folder + 1, name, nameLength + 1);
    return ::LoadLibraryW(path);
}

bool SetDefaultDllDirectoriesIfAny(DWORD directoryFlags) noexcept {
    using Function = BOOL(WINAPI*)(DWORD);
    static const auto function = LoadedFunction<Function>(L"kernel32.dll", "SetDefaultDllDirectories");
    return function != nullptr && function(directoryFlags) != FALSE;
}

UINT GetDpiForWindowIfAny(HWND window) noexcept {
    using Function = UINT(WINAPI*)(HWND);
    static const auto function = LoadedFunction<Function>(L"user32.dll", "GetDpiForWindow");
    return function != nullptr ? function(window) : 0;
}

UINT GetDpiForMonitorIfAny(HMONITOR monitor) noexcept {
    // MONITOR_DPI_TYPE's MDT_EFFECTIVE_DPI, which older headers lack.
    constexpr int kEffectiveDpi = 0;
    using Function = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    // Kept loaded for the process's life, as its functions are.
    static const auto function = platform::FunctionOf<Function>(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    return function != nullptr && monitor != nullptr && SUCCEEDED(function(monitor, kEffectiveDpi, &x, &y)) ? y : 0;
}

UINT GetDpiForSystemIfAny() noexcept {
    using Function = UINT(WINAPI*)();
    static const auto function = LoadedFunction<Function>(L"user32.dll", "GetDpiForSystem");
    return function != nullptr ? function() : 0;
}

bool AdjustWindowRectExForDpiIfAny(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) noexcept {
    using Function = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto function = LoadedFunction<Function>(L"user32.dll", "AdjustWindowRectExForDpi");
    return function != nullptr && function(&rect, style, FALSE, exStyle, dpi) != FALSE;
}

}  // namespace tavrelonim::ui
