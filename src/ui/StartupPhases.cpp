#include "ui/StartupPhases.h"

#include <array>

namespace tavrelonim::ui {

namespace {

std::array<LONGLONG, kStartupPhaseNames.size()> stamps{};

}  // namespace

void StampStartupPhase(StartupPhase phase) noexcept {
    LONGLONG& stamp = stamps[static_cast<std::size_t>(phase)];
    if (stamp == 0) {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        stamp = now.QuadPart;
    }
}

std::string StartupPhasesAnswer() {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::string answer = std::to_string(frequency.QuadPart);
    for (const LONGLONG stamp : stamps) {
        answer.push_back('|');
        answer.append(std::to_string(stamp));
    }
    return answer;
}

}  // namespace tavrelonim::ui
