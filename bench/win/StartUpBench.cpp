// The start-up: process created to window shown and answering, phase by phase.
#include "BenchSupport.h"

namespace bench {

namespace {

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

}  // namespace

}  // namespace

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

}  // namespace bench
