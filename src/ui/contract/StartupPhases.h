// The start-up's phase stamps: a performance-counter read when each phase ends, kept in the
// process and read out only when a benchmark asks (the inspect message). Nothing is written.
#pragma once

#include <string>

#include "ui/contract/WindowContract.h"

namespace tavrelonim::ui {

// Stamps the phase the first time it ends; later calls keep the first stamp.
void StampStartupPhase(StartupPhase phase) noexcept;

// "frequency|stamp|stamp|...", one stamp a phase, in their order.
[[nodiscard]] std::string StartupPhasesAnswer();

}  // namespace tavrelonim::ui
