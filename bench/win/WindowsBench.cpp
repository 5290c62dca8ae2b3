// The Windows-side benchmark: the utility's start-up against a minimal window, and one default
// request against the bare calls it makes and against SetDefaultPrinterA. It prints figures and
// judges nothing; the profile is left as it was found.
//
//   windows_bench.exe UTILITY_EXE MINIMAL_EXE MINIMAL_PLATFORM_WORK_EXE [RUNS]
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "defaulting/DefaultRequest.h"
#include "platform/Win32Platform.h"
#include "printerlist/PrinterListLoading.h"
#include "printerlist/ProfileText.h"
#include "ui/InspectAsker.h"
#include "ui/MainWindow.h"
#include "ui/PhaseEnds.h"
#include "ui/WindowContract.h"

namespace {

using tavrelonim::ui::ControlId;

using tavrelonim::ui::kWindowClass;
constexpr const wchar_t* kMinimalClass = L"TavrelonimBenchMinimal";
constexpr DWORD kShownWithinMilliseconds = 120'000;
constexpr int kRequestRounds = 200;
constexpr int kSlowRequestRounds = 30;
constexpr DWORD kSlowRequestPauseMilliseconds = 100;  // a user stepping through the list
constexpr DWORD kSettleMilliseconds = 250;

double Now() {
    static const double ticksPerSecond = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerSecond;
}

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2.0;
}

// How far the ratio of two medians moves with the run's own noise: the 5th and 95th percentiles of
// that ratio over samples drawn again, with replacement, from the start-ups timed. A fixed seed
// makes the same start-ups give the same interval.
std::pair<double, double> RatioOfMediansSpread(const std::vector<double>& numerator,
                                               const std::vector<double>& denominator) {
    constexpr int kResamples = 2000;
    std::mt19937 generator(20261209);
    const auto resampledMedian = [&generator](const std::vector<double>& samples) {
        std::uniform_int_distribution<std::size_t> pick(0, samples.size() - 1);
        std::vector<double> drawn(samples.size());
        for (double& sample : drawn) {
            sample = samples[pick(generator)];
        }
        return Median(std::move(drawn));
    };
    std::vector<double> ratios;
    for (int i = 0; i < kResamples; ++i) {
        const double below = resampledMedian(denominator);
        ratios.push_back(below > 0.0 ? resampledMedian(numerator) / below : 0.0);
    }
    std::sort(ratios.begin(), ratios.end());
    return {ratios[kResamples / 20], ratios[kResamples - 1 - kResamples / 20]};
}

// The driver's own reads go through the utility's binding, so that it counts printers by the
// list's rule; only the calls measured against the utility are made bare.
std::string ReadProfile(const char* section, const char* key) {
    tavrelonim::platform::Win32Platform platform;
    return key != nullptr ? tavrelonim::printerlist::ReadWholeProfileString(platform, section, key,
                                                                            tavrelonim::printerlist::kValueBufferSize)
                          : tavrelonim::printerlist::ReadWholeProfileString(
                                platform, section, std::nullopt, tavrelonim::printerlist::kKeyBlockFirstReadSize);
}

std::vector<std::string> KeyNames(const char* section) {
    const std::string block = ReadProfile(section, nullptr);
    std::vector<std::string> names;
    for (const std::string_view name : tavrelonim::printerlist::SplitKeyBlock(block)) {
        names.emplace_back(name);
    }
    return names;
}

void Broadcast() {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_ABORTIFHUNG,
                          tavrelonim::defaulting::kBroadcastTimeoutMilliseconds, &result);
}

// Fills PrinterPorts up to a number of printers with entries of its own, and takes exactly those
// away again, whatever else the section holds.
class BenchPrinters {
public:
    explicit BenchPrinters(std::size_t total) {
        const std::size_t present = KeyNames("PrinterPorts").size();
        for (std::size_t i = present; i < total; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Bench Printer %04zu", i);
            char value[48];
            std::snprintf(value, sizeof value, "winspool,BENCH%04zu:,15,45", i);
            if (::WriteProfileStringA("PrinterPorts", name, value) != FALSE) {
                added_.emplace_back(name);
            }
        }
    }
    BenchPrinters(const BenchPrinters&) = delete;
    BenchPrinters& operator=(const BenchPrinters&) = delete;
    ~BenchPrinters() {
        for (const auto& name : added_) {
            ::WriteProfileStringA("PrinterPorts", name.c_str(), nullptr);
        }
    }

private:
    std::vector<std::string> added_;
};

HWND FindProcessWindow(const wchar_t* windowClass, DWORD processId) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, windowClass, nullptr); window != nullptr;
         window = ::FindWindowExW(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            return window;
        }
    }
    return nullptr;
}

// Whether the window's thread has come to its message loop: a sent message is answered only there,
// once the window has been shown and painted.
bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
}

// Whether the utility's list holds the expected number of entries; an absent list never does.
bool ListFilled(HWND window, std::size_t expected) {
    const HWND frame = ::GetDlgItem(window, static_cast<int>(ControlId::Frame1));
    const HWND list = frame != nullptr ? ::GetDlgItem(frame, static_cast<int>(ControlId::List1)) : nullptr;
    DWORD_PTR count = 0;
    return list != nullptr && ::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 1000, &count) != 0 &&
           count == expected;
}

// When each of the utility's start-up phases ended, in seconds after the process was created
// (its start on this clock); empty when the window gives no answer.
std::vector<std::optional<double>> ReadStartupPhases(HWND window, double start) {
    const std::optional<std::string> answer =
        tavrelonim::ui::InspectAsker::Ask(window, tavrelonim::ui::InspectQuery::StartupPhases);
    return answer ? tavrelonim::ui::PhaseEndsFromAnswer(*answer, start, tavrelonim::ui::kStartupPhaseNames.size())
                  : std::vector<std::optional<double>>{};
}

// The median of the runs that stamped the phase; none when no run did.
std::optional<double> MedianOfStamped(const std::vector<std::vector<std::optional<double>>>& runs, std::size_t phase) {
    std::vector<double> ends;
    for (const auto& run : runs) {
        if (run[phase]) {
            ends.push_back(*run[phase]);
        }
    }
    return ends.empty() ? std::nullopt : std::optional(Median(std::move(ends)));
}

// Seconds from the process's creation to its window shown and ready; nothing when it never was.
// With phases given, the utility's own phase ends are added to them.
std::optional<double> TimeStartUp(const std::wstring& exe, const wchar_t* windowClass,
                                  const std::function<bool(HWND)>& ready,
                                  std::vector<std::vector<std::optional<double>>>* phases = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    const double start = Now();
    if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process) == FALSE) {
        std::fwprintf(stderr, L"cannot start %ls (error %lu)\n", exe.c_str(), ::GetLastError());
        return std::nullopt;
    }
    std::optional<double> elapsed;
    HWND window = nullptr;
    while (Now() - start < kShownWithinMilliseconds / 1000.0) {
        window = FindProcessWindow(windowClass, process.dwProcessId);
        if (window != nullptr && ::IsWindowVisible(window) != FALSE && ready(window)) {
            elapsed = Now() - start;
            if (phases != nullptr) {
                if (auto ends = ReadStartupPhases(window, start); !ends.empty()) {
                    phases->push_back(std::move(ends));
                }
            }
            break;
        }
        if (::WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
            break;
        }
    }
    if (window != nullptr) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(process.hProcess, 10'000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, 10'000);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // The system finishes a process's end after its handle is signalled; the next start should
    // not pay for it.
    ::Sleep(kSettleMilliseconds);
    return elapsed;
}

void PrintMilliseconds(const char* what, const std::vector<double>& seconds, std::size_t runs) {
    if (seconds.size() < runs) {
        std::printf("  %-40s  failed in %zu of %zu runs\n", what, runs - seconds.size(), runs);
    }
    if (!seconds.empty()) {
        std::printf("  %-40s %9.1f ms median, %9.1f min\n", what, Median(seconds) * 1000.0,
                    *std::min_element(seconds.begin(), seconds.end()) * 1000.0);
    }
}

// The utility's start-up phase by phase: the median moment each ended after the process was
// created, and in brackets what the phase itself took, at each number of printers.
template <class AtCount>
void PrintPhases(const std::vector<AtCount>* medians) {
    if (medians == nullptr) {
        std::printf("  the utility gave no start-up phases\n");
        return;
    }
    std::printf("  phase ends, ms after process creation (the phase's own ms), medians:\n  %-18s", "");
    for (const AtCount& at : *medians) {
        std::printf("  %13zu printers", at.printers);
    }
    std::printf("\n");
    for (std::size_t phase = 0; phase < tavrelonim::ui::kStartupPhaseNames.size(); ++phase) {
        std::printf("  %-18s", tavrelonim::ui::kStartupPhaseNames[phase]);
        for (const AtCount& at : *medians) {
            if (phase < at.phaseEnds.size()) {
                // The names' read begins with the spooler loaded, beside the window's phases.
                const std::size_t previous =
                    phase == tavrelonim::ui::kBesidePhase
                        ? static_cast<std::size_t>(tavrelonim::ui::StartupPhase::SpoolerLoaded) + 1
                        : phase;
                const std::optional<double> before = previous > 0 ? at.phaseEnds[previous - 1] : 0.0;
                const std::optional<double>& end = at.phaseEnds[phase];
                if (!end) {
                    std::printf("  %10s %9s", "missing", "");  // the window never stamped it
                } else if (!before) {
                    std::printf("  %10.1f (%7s)", *end * 1000.0, "-");
                } else {
                    std::printf("  %10.1f (%7.1f)", *end * 1000.0, (*end - *before) * 1000.0);
                }
            }
        }
        std::printf("\n");
    }
    std::printf("  %-18s", "seen ready");
    for (const AtCount& at : *medians) {
        std::printf("  %10.1f          ", at.utility * 1000.0);
    }
    std::printf("\n  %-18s", "minimal+platform");
    for (const AtCount& at : *medians) {
        std::printf("  %10.1f          ", at.platformWork * 1000.0);
    }
    std::printf("\n");
}

void BenchStartUp(const std::wstring& utility, const std::wstring& minimal, const std::wstring& minimalPlatformWork,
                  std::size_t runs) {
    std::printf("== start-up: process created to window shown and answering (list filled for the utility), %zu runs\n",
                runs);
    std::vector<double> minimalSeconds;
    struct AtCount {
        std::size_t printers;
        double utility;
        double platformWork;
        std::vector<std::optional<double>> phaseEnds;  // median end of each phase; none where never stamped
        std::pair<double, double> ratioSpread;
    };
    std::vector<AtCount> medians;
    for (const std::size_t printers : {std::size_t{3}, std::size_t{300}, std::size_t{3000}}) {
        const BenchPrinters bench(printers);
        const std::size_t listed = KeyNames("PrinterPorts").size();
        std::vector<double> utilitySeconds;
        std::vector<double> platformWorkSeconds;
        std::vector<std::vector<std::optional<double>>> phaseRuns;
        const std::array<std::function<void()>, 3> starts{
            [&] {
                if (const auto seconds = TimeStartUp(minimal, kMinimalClass, Answers)) {
                    minimalSeconds.push_back(*seconds);
                }
            },
            [&] {
                if (const auto seconds = TimeStartUp(minimalPlatformWork, kMinimalClass, Answers)) {
                    platformWorkSeconds.push_back(*seconds);
                }
            },
            [&] {
                if (const auto seconds = TimeStartUp(
                        utility, kWindowClass, [listed](HWND window) { return ListFilled(window, listed); },
                        &phaseRuns)) {
                    utilitySeconds.push_back(*seconds);
                }
            }};
        for (std::size_t run = 0; run < runs; ++run) {
            // Interleaved, so that all see the same machine, and each round begun by another, so
            // that none always follows the same one.
            for (std::size_t i = 0; i < starts.size(); ++i) {
                starts[(run + i) % starts.size()]();
            }
        }
        const std::string what = "utility, " + std::to_string(listed) + " printers";
        PrintMilliseconds(what.c_str(), utilitySeconds, runs);
        PrintMilliseconds("  minimal window + the platform's work", platformWorkSeconds, runs);
        std::vector<std::optional<double>> phaseEnds;
        for (std::size_t phase = 0; !phaseRuns.empty() && phase < tavrelonim::ui::kStartupPhaseNames.size(); ++phase) {
            phaseEnds.push_back(MedianOfStamped(phaseRuns, phase));
        }
        const bool timedBoth = !utilitySeconds.empty() && !platformWorkSeconds.empty();
        medians.push_back(
            {listed, utilitySeconds.empty() ? 0.0 : Median(utilitySeconds),
             platformWorkSeconds.empty() ? 0.0 : Median(platformWorkSeconds), std::move(phaseEnds),
             timedBoth ? RatioOfMediansSpread(utilitySeconds, platformWorkSeconds) : std::pair<double, double>{}});
    }
    PrintPhases(medians.front().phaseEnds.empty() ? nullptr : &medians);
    PrintMilliseconds("minimal window", minimalSeconds, runs * medians.size());
    const AtCount& fewest = medians.front();
    const AtCount& most = medians.back();
    if (fewest.utility > 0.0 && !minimalSeconds.empty()) {
        std::printf("  ratio utility (%zu printers) / minimal window            %6.2f   target <= 1.20\n",
                    fewest.printers, fewest.utility / Median(minimalSeconds));
        std::printf("  ratio utility (%zu printers) / (%zu printers)          %6.2f   target <= 2.00\n", most.printers,
                    fewest.printers, most.utility / fewest.utility);
        for (const AtCount& at : medians) {
            if (at.platformWork > 0.0) {
                std::printf(
                    "  ratio utility / minimal + platform's work, %4zu printers %6.2f   target <= 1.10"
                    "   (90 %% of resamples: %.2f to %.2f)\n",
                    at.printers, at.utility / at.platformWork, at.ratioSpread.first, at.ratioSpread.second);
            }
        }
    }
}

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: windows_bench UTILITY_EXE MINIMAL_EXE MINIMAL_PLATFORM_WORK_EXE [RUNS]\n");
        return 2;
    }
    const std::size_t runs = argc > 4 ? std::max(1ul, std::wcstoul(argv[4], nullptr, 10)) : 5;
    try {
        const INITCOMMONCONTROLSEX commonControls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&commonControls);
        BenchStartUp(argv[1], argv[2], argv[3], runs);
        BenchRequest(::GetModuleHandleW(nullptr));
        std::fflush(stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "windows_bench: %s\n", error.what());
        return 1;
    }
}
