#include "defaulting/DefaultPrinterMark.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

namespace tavrelonim::defaulting {

namespace {

template <class EntryAt>
int FirstRowNaming(platform::Platform& platform, int count, EntryAt&& entryAt) {
    const std::optional<std::string> defaultPrinter = platform.GetDefaultPrinterA();
    if (!defaultPrinter || defaultPrinter->empty()) {
        return -1;
    }
    for (int row = 0; row < count; ++row) {
        if (platform.CompareStringOrdinal(std::string(entryAt(row)), *defaultPrinter, true) == platform::kCstrEqual) {
            return row;
        }
    }
    return -1;
}

}  // namespace

int DefaultPrinterRow(platform::Platform& platform, const printerlist::PrinterList& list) {
    return FirstRowNaming(platform, list.Count(), [&list](int row) { return list.EntryAt(row); });
}

int DefaultPrinterRow(platform::Platform& platform, std::span<const std::string_view> entries) {
    const int count = static_cast<int>(std::min<std::size_t>(entries.size(), std::numeric_limits<int>::max()));
    return FirstRowNaming(platform, count, [&entries](int row) { return entries[static_cast<std::size_t>(row)]; });
}

bool NoticeMayChangeDefaultPrinter(const NoticeSection& section) noexcept {
    if (section.value <= kLargestIntegerArgument) {
        return true;
    }
    // Character by character up to the terminator, stopping at the first difference: never more
    // than the 8 characters of "windows" and its NUL, and never past the end of a shorter text.
    const auto* text = reinterpret_cast<const wchar_t*>(section.value);  // NOLINT(performance-no-int-to-ptr)
    constexpr std::wstring_view kWindows = L"windows";
    for (std::size_t i = 0; i <= kWindows.size(); ++i) {
        const wchar_t want = i < kWindows.size() ? kWindows[i] : L'\0';
        const wchar_t got = text[i] >= L'A' && text[i] <= L'Z' ? static_cast<wchar_t>(text[i] - L'A' + L'a') : text[i];
        if (got != want) {
            return false;
        }
    }
    return true;
}

}  // namespace tavrelonim::defaulting
