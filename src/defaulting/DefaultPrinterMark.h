// Which row of the list names the system's default printer, and when to look again.
#pragma once

#include <optional>
#include <string_view>

#include "platform/Platform.h"
#include "printerlist/PrinterList.h"

namespace tavrelonim::defaulting {

// The row naming the system default printer: the first entry equal to its name without regard
// to letter case, as the spooler compares printer names; -1 with no default or no such entry.
[[nodiscard]] int DefaultPrinterRow(platform::Platform& platform, const printerlist::PrinterList& list);

// Whether a settings-change notice may mean a new default printer: one naming the windows
// section, or naming none (other choosers send both).
[[nodiscard]] bool NoticeMayChangeDefaultPrinter(std::optional<std::string_view> section) noexcept;

}  // namespace tavrelonim::defaulting
