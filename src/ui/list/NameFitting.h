// What a row shows of a printer's name in the width it has: the name itself when it fits;
// otherwise an ellipsis where it is cut, keeping the name's end in view, since the printers of one
// print server differ only there. A name with a backslash keeps its last part whole after the
// ellipsis, as Windows shows a long path; any other name keeps as much of its end as of its
// beginning. Pure rules over a measuring function, so they are tested on their own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrelonim::ui {

inline constexpr std::wstring_view kCutMark = L"\u2026";  // the ellipsis

struct FittedName {
    std::wstring shown;  // what the row draws
    bool cut = false;    // the name did not fit whole
};

namespace fitting {

inline std::wstring Joined(std::wstring_view head, std::wstring_view tail) {
    std::wstring text;
    text.reserve(head.size() + kCutMark.size() + tail.size());
    text.append(head).append(kCutMark).append(tail);
    return text;
}

// The largest count in [0, most] for which fits(count) holds, fits being true at 0 and turning
// false at most once as the count grows (a text only widens as characters are added).
template <class Fits>
std::size_t LargestFitting(std::size_t most, Fits&& fits) {
    std::size_t low = 0;
    std::size_t high = most;
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (fits(middle)) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return low;
}

}  // namespace fitting

// width(text) gives the text's width in the units of available (pixels, in the row's font).
template <class Width>
FittedName FitName(std::wstring_view name, long available, Width&& width) {
    if (name.empty() || width(name) <= available) {
        return {std::wstring(name), false};
    }
    const auto fits = [&](std::wstring_view head, std::wstring_view tail) {
        return width(fitting::Joined(head, tail)) <= available;
    };
    // A path's last part, from its backslash on, whole; as much of the beginning as fits before it.
    if (const std::size_t slash = name.rfind(L'\\'); slash != std::wstring_view::npos && slash + 1 < name.size()) {
        const std::wstring_view last = name.substr(slash);
        if (fits({}, last)) {
            const std::size_t head =
                fitting::LargestFitting(slash, [&](std::size_t count) { return fits(name.substr(0, count), last); });
            return {fitting::Joined(name.substr(0, head), last), true};
        }
    }
    // Otherwise the cut in the middle: as much of the end as of the beginning (the beginning has
    // the odd character).
    const std::size_t kept = fitting::LargestFitting(name.size() - 1, [&](std::size_t count) {
        return fits(name.substr(0, count - count / 2), name.substr(name.size() - count / 2));
    });
    return {fitting::Joined(name.substr(0, kept - kept / 2), name.substr(name.size() - kept / 2)), true};
}

}  // namespace tavrelonim::ui
