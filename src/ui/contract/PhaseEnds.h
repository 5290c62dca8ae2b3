// The start-up phases' answer read back: "frequency|stamp|stamp|...", performance-counter counts,
// 0 for a phase that has not ended. Pure, so that the benchmark's reading is tested on its own.
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tavrelonim::ui {

// Each phase's end in seconds after start (seconds on the same counter); none for a phase the
// window did not stamp, never a time before the process began. Empty for an answer that is not
// one frequency and exactly phases stamps.
[[nodiscard]] inline std::vector<std::optional<double>> PhaseEndsFromAnswer(std::string_view answer, double start,
                                                                            std::size_t phases) {
    const auto number = [&answer](long long& value) {
        const auto [end, error] = std::from_chars(answer.data(), answer.data() + answer.size(), value);
        answer.remove_prefix(static_cast<std::size_t>(end - answer.data()));
        return error == std::errc();
    };
    long long frequency = 0;
    if (!number(frequency) || frequency <= 0) {
        return {};
    }
    std::vector<std::optional<double>> ends;
    while (!answer.empty() && answer.front() == '|') {
        answer.remove_prefix(1);
        long long stamp = 0;
        if (!number(stamp)) {
            return {};
        }
        ends.push_back(stamp > 0 ? std::optional(static_cast<double>(stamp) / static_cast<double>(frequency) - start)
                                 : std::nullopt);
    }
    return answer.empty() && ends.size() == phases ? ends : std::vector<std::optional<double>>{};
}

}  // namespace tavrelonim::ui
