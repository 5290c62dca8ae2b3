#include "defaulting/DefaultPrinterMark.h"

#include <algorithm>

namespace tavrelonim::defaulting {

int DefaultPrinterRow(platform::Platform& platform, const printerlist::PrinterList& list) {
    const std::optional<std::string> defaultPrinter = platform.GetDefaultPrinterA();
    if (!defaultPrinter || defaultPrinter->empty()) {
        return -1;
    }
    const int count = list.Count();
    for (int row = 0; row < count; ++row) {
        if (platform.lstrcmpiA(list.EntryAt(row), *defaultPrinter) == 0) {
            return row;
        }
    }
    return -1;
}

bool NoticeMayChangeDefaultPrinter(std::optional<std::string_view> section) noexcept {
    constexpr std::string_view kWindows = "windows";
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return !section || std::equal(section->begin(), section->end(), kWindows.begin(), kWindows.end(),
                                  [&lower](char a, char b) { return lower(a) == b; });
}

}  // namespace tavrelonim::defaulting
