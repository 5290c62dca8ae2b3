// Which row of the list names the system's default printer, and when to look again.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/Platform.h"
#include "printerlist/PrinterList.h"

namespace tavrelonim::defaulting {

// The row naming the system default printer: the first entry equal to its name, ordinally and
// without regard to letter case, as the spooler compares printer names; -1 with no default or
// no such entry.
[[nodiscard]] int DefaultPrinterRow(platform::Platform& platform, const printerlist::PrinterList& list);
// The same over the list's entries as the load has them in hand, without asking the list.
[[nodiscard]] int DefaultPrinterRow(platform::Platform& platform, std::span<const std::string_view> entries);

// A settings-change notice's argument as the window receives it: the address of the section's
// wide name, or an integer (null among them) that names no section.
struct NoticeSection {
    std::uintptr_t value;
};
// Below this no argument is an address (IS_INTRESOURCE): the system passes integers so.
inline constexpr std::uintptr_t kLargestIntegerArgument = 0xFFFF;

// Whether a settings-change notice may mean a new default printer: one naming the windows
// section in any letter case, or naming none (other choosers send both). Reads no more of the
// name than "windows" and its terminator, and allocates nothing.
[[nodiscard]] bool NoticeMayChangeDefaultPrinter(const NoticeSection& section) noexcept;

}  // namespace tavrelonim::defaulting
