// The start-up benchmark's baselines: the least a Win32 program does to show one empty window.
// Built with MINIMAL_WITH_UTILITY_PLATFORM_WORK it also does the platform's share of the utility's
// start: the same system DLLs (the spooler's, which imports the system's printers, and the
// visual-style controls of the manifest) and the same one read of PrinterPorts' key names.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#if defined(MINIMAL_WITH_UTILITY_PLATFORM_WORK)
#include <commctrl.h>
#include <winspool.h>

#include <string>

#include "printerlist/PrinterListLoading.h"
#endif

namespace {

LRESULT CALLBACK MinimalProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
#if defined(MINIMAL_WITH_UTILITY_PLATFORM_WORK)
    const INITCOMMONCONTROLSEX commonControls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&commonControls);
    char printer[256];
    DWORD size = sizeof printer;
    ::GetDefaultPrinterA(printer, &size);
    std::string keyNames(tavrelonim::printerlist::kKeyBlockFirstReadSize, ' ');
    ::GetProfileStringA("PrinterPorts", nullptr, "", keyNames.data(), static_cast<DWORD>(keyNames.size()));
#endif
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MinimalProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"TavrelonimBenchMinimal";
    if (::RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                          CW_USEDEFAULT, 640, 320, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
