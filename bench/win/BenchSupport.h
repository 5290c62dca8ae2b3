// What the Windows-side benchmark's measures share: the clock, medians and their noise, the
// profile read and filled as the utility reads it, and the utility's window found.
#pragma once

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
#include "ui/contract/InspectAsker.h"
#include "ui/contract/PhaseEnds.h"
#include "ui/contract/WindowContract.h"
#include "ui/window/MainWindow.h"

namespace bench {

using tavrelonim::ui::ControlId;
using tavrelonim::ui::kWindowClass;

using tavrelonim::ui::ControlId;

using tavrelonim::ui::kWindowClass;
inline constexpr const wchar_t* kMinimalClass = L"TavrelonimBenchMinimal";
inline constexpr DWORD kShownWithinMilliseconds = 120'000;
inline constexpr int kRequestRounds = 200;
inline constexpr int kSlowRequestRounds = 30;
inline constexpr DWORD kSlowRequestPauseMilliseconds = 100;  // a user stepping through the list
inline constexpr DWORD kSettleMilliseconds = 250;

inline double Now() {
    static const double ticksPerSecond = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerSecond;
}

inline double Median(std::vector<double> samples) {
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
inline std::pair<double, double> RatioOfMediansSpread(const std::vector<double>& numerator,
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
inline std::string ReadProfile(const char* section, const char* key) {
    tavrelonim::platform::Win32Platform platform;
    return key != nullptr ? tavrelonim::printerlist::ReadWholeProfileString(platform, section, key,
                                                                            tavrelonim::printerlist::kValueBufferSize)
                          : tavrelonim::printerlist::ReadWholeProfileString(
                                platform, section, std::nullopt, tavrelonim::printerlist::kKeyBlockFirstReadSize);
}

inline std::vector<std::string> KeyNames(const char* section) {
    const std::string block = ReadProfile(section, nullptr);
    std::vector<std::string> names;
    for (const std::string_view name : tavrelonim::printerlist::SplitKeyBlock(block)) {
        names.emplace_back(name);
    }
    return names;
}

inline void Broadcast() {
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

inline HWND FindProcessWindow(const wchar_t* windowClass, DWORD processId) {
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

inline void PrintMilliseconds(const char* what, const std::vector<double>& seconds, std::size_t runs) {
    if (seconds.size() < runs) {
        std::printf("  %-40s  failed in %zu of %zu runs\n", what, runs - seconds.size(), runs);
    }
    if (!seconds.empty()) {
        std::printf("  %-40s %9.1f ms median, %9.1f min\n", what, Median(seconds) * 1000.0,
                    *std::min_element(seconds.begin(), seconds.end()) * 1000.0);
    }
}

// The start-up: the utility against a minimal window and one doing the platform's work.
void BenchStartUp(const std::wstring& utility, const std::wstring& minimal, const std::wstring& minimalPlatformWork,
                  std::size_t runs);
// One default request: its handler against the bare calls it makes, and its stall.
void BenchRequest(HINSTANCE instance);

}  // namespace bench
