// One default request: the stall it causes, with and without a slow program on the desktop, and
// its handler against the bare calls it makes and against SetDefaultPrinterA.
#include "BenchSupport.h"

namespace bench {

namespace {

// A window of another thread that takes this long over every settings notice, as a slow (not
// hung) program does; it lives until the process ends.
constexpr DWORD kSlowNoticeMilliseconds = 20'000;

LRESULT CALLBACK SlowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_WININICHANGE) {
        ::Sleep(kSlowNoticeMilliseconds);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI RunSlowWindow(LPVOID ready) noexcept {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SlowProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavrelonimBenchSlow";
    ::RegisterClassW(&windowClass);
    ::CreateWindowExW(0, windowClass.lpszClassName, L"slow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 400, 200, 100,
                      nullptr, nullptr, windowClass.hInstance, nullptr);
    ::SetEvent(static_cast<HANDLE>(ready));
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
    return 0;
}

void StartSlowWindow() {
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread = ::CreateThread(nullptr, 0, RunSlowWindow, ready, 0, nullptr);
    if (thread != nullptr) {
        ::WaitForSingleObject(ready, 10'000);
        ::CloseHandle(thread);
    }
    ::CloseHandle(ready);
}

// Selects the printer in the list and times the handler of the selection change, as the window
// stalls for it: from the event to the handler's return.
double TimeHandler(HWND window, HWND list, const std::string& printer) {
    const LRESULT index =
        ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(printer.c_str()));
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    const double start = Now();
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<int>(ControlId::List1), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
    return Now() - start;
}

// The window's own thread answers the notices that reach it between requests, as its loop would.
void AnswerSentMessages() {
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

struct BareCall {
    const char* name;
    std::function<void(const std::string& printer)> call;
    std::vector<double> seconds;
};

}  // namespace

void BenchRequest(HINSTANCE instance) {
    const std::string originalDevice = ReadProfile("windows", "device");
    std::vector<std::string> printers;
    for (auto name : KeyNames("PrinterPorts")) {
        HANDLE printer = nullptr;
        if (::OpenPrinterA(name.data(), &printer, nullptr) != FALSE) {
            ::ClosePrinter(printer);
            printers.push_back(name);
        }
    }
    if (printers.size() < 2) {
        std::printf("== one request: skipped, it needs two installed printers (found %zu)\n", printers.size());
        return;
    }
    const std::string pair[2] = {printers[0], printers[1]};
    std::printf("== one request: median of %d, alternating %s and %s\n", kRequestRounds, pair[0].c_str(),
                pair[1].c_str());

    tavrelonim::ui::MainWindow utility(instance);
    if (!utility.Show(SW_SHOWNOACTIVATE)) {
        std::printf("  the utility's window could not be created\n");
        return;
    }
    const HWND window = FindProcessWindow(kWindowClass, ::GetCurrentProcessId());
    const HWND list =
        ::GetDlgItem(::GetDlgItem(window, static_cast<int>(ControlId::Frame1)), static_cast<int>(ControlId::List1));
    std::string portsValue;
    std::vector<BareCall> bare{
        {"GetVersionExA",
         [](const std::string&) {
             OSVERSIONINFOA version{};
             version.dwOSVersionInfoSize = sizeof version;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // deprecated, yet it is the call the handler makes
#endif
             ::GetVersionExA(&version);
         },
         {}},
        {"GetProfileStringA PrinterPorts",
         [&portsValue](const std::string& printer) {
             char value[1024];
             ::GetProfileStringA("PrinterPorts", printer.c_str(), "", value, sizeof value);
             portsValue = value;
         },
         {}},
        {"WriteProfileStringA windows Device",
         [&portsValue](const std::string& printer) {
             // The value's first two fields, driver and port, follow the name.
             const std::size_t driverEnd = portsValue.find(',');
             const std::size_t portEnd =
                 driverEnd == std::string::npos ? driverEnd : portsValue.find(',', driverEnd + 1);
             const std::string line = printer + "," + portsValue.substr(0, portEnd);
             ::WriteProfileStringA("windows", "Device", line.c_str());
         },
         {}},
        {"SendMessageTimeoutA broadcast", [](const std::string&) { Broadcast(); }, {}},
        {"EnumPrintersA level 4",
         [](const std::string&) {
             DWORD needed = 0;
             DWORD returned = 0;
             constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
             ::EnumPrintersA(kFlags, nullptr, 4, nullptr, 0, &needed, &returned);
             std::vector<BYTE> records(needed);
             ::EnumPrintersA(kFlags, nullptr, 4, records.data(), needed, &needed, &returned);
         },
         {}},
    };
    // Each round makes one change by each way, every one a real change of the default, so that
    // all three meet the same system.
    std::vector<double> handlerSeconds;
    std::vector<double> bareSeconds;
    std::vector<double> setDefaultSeconds;
    for (int round = 0; round < kRequestRounds; ++round) {
        handlerSeconds.push_back(TimeHandler(window, list, pair[round % 2]));
        AnswerSentMessages();

        double total = 0.0;
        for (auto& call : bare) {
            double start = Now();
            call.call(pair[(round + 1) % 2]);
            call.seconds.push_back(Now() - start);
            total += call.seconds.back();
        }
        bareSeconds.push_back(total);

        const double start = Now();
        ::SetDefaultPrinterA(pair[round % 2].c_str());
        setDefaultSeconds.push_back(Now() - start);
    }

    const auto microseconds = [](const char* what, const std::vector<double>& seconds) {
        std::printf("  %-40s %9.1f us\n", what, Median(seconds) * 1e6);
    };
    microseconds("handler (selection change to return)", handlerSeconds);
    microseconds("bare calls it makes, together", bareSeconds);
    for (const auto& call : bare) {
        microseconds((std::string("  ") + call.name).c_str(), call.seconds);
    }
    microseconds("SetDefaultPrinterA", setDefaultSeconds);
    std::printf("  ratio handler / bare calls                %6.2f   target <= 1.50\n",
                Median(handlerSeconds) / Median(bareSeconds));
    std::printf("  ratio handler / SetDefaultPrinterA        %6.2f\n",
                Median(handlerSeconds) / Median(setDefaultSeconds));

    // The longest the window stalls in a request, with and without a slow program on the desktop:
    // the notice it sends must not hold the window.
    std::vector<double> slowSeconds;
    StartSlowWindow();
    for (int round = 0; round < kSlowRequestRounds; ++round) {
        slowSeconds.push_back(TimeHandler(window, list, pair[round % 2]));
        AnswerSentMessages();
        ::Sleep(kSlowRequestPauseMilliseconds);
    }
    std::printf("  stall in a request, longest of %3d                   %9.1f ms   (median %.1f)\n", kRequestRounds,
                *std::max_element(handlerSeconds.begin(), handlerSeconds.end()) * 1000.0,
                Median(handlerSeconds) * 1000.0);
    std::printf("  stall, a slow program on the desktop, longest of %3d %9.1f ms   (median %.1f)   target < 50\n",
                kSlowRequestRounds, *std::max_element(slowSeconds.begin(), slowSeconds.end()) * 1000.0,
                Median(slowSeconds) * 1000.0);

    ::WriteProfileStringA("windows", "Device", originalDevice.empty() ? nullptr : originalDevice.c_str());
    Broadcast();
}

}  // namespace bench
