#include "ui/contract/StartupPhases.h"

#include <array>
#include <atomic>

namespace tavrelonim::ui {

namespace {

// Stamped by the window's thread and by the printers' read-ahead worker.
std::array<std::atomic<LONGLONG>, kStartupPhaseNames.size()> stamps{};

}  // namespace

void StampStartupPhase(StartupPhase phase) noexcept {
    std::atomic<LONGLONG>& stamp = stamps[static_cast<std::size_t>(phase)];
    if (stamp.load(std::memory_order_relaxed) == 0) {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        LONGLONG unstamped = 0;
        stamp.compare_exchange_strong(unstamped, now.QuadPart, std::memory_order_relaxed);
    }
}

std::string StartupPhasesAnswer() {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::string answer = std::to_string(frequency.QuadPart);
    for (const std::atomic<LONGLONG>& stamp : stamps) {
        answer.push_back('|');
        answer.append(std::to_string(stamp.load(std::memory_order_relaxed)));
    }
    return answer;
}

}  // namespace tavrelonim::ui
