// Filling the printer list from the profile's PrinterPorts section.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "printerlist/PrinterList.h"

namespace tavrelonim::printerlist {

// Each read of a section costs about as much as listing the whole section, cut short or not, so
// the first read of the key names is sized for thousands of printers rather than grown into.
inline constexpr std::size_t kKeyBlockFirstReadSize = std::size_t{256} * 1024;
inline constexpr std::size_t kValueBufferSize = 1024;
// Reads never grow past this; a section or value larger still is taken as far as it fits.
inline constexpr std::size_t kProfileReadLimit = std::size_t{64} * 1024 * 1024;

// Reads a profile string whole: starts with initialSize characters and, while the platform reports
// that the result filled the buffer, reads again into one twice as large. With a null key the
// result is the key block: every name followed by its NUL. The text is only what the read delivered.
[[nodiscard]] std::string ReadWholeProfileString(platform::Platform& platform, const std::string& section,
                                                 const std::optional<std::string>& key, std::size_t initialSize);

// PrinterPorts' key block, read whole: what the list is filled from.
[[nodiscard]] std::string ReadPrinterPortsKeyNames(platform::Platform& platform);

// Adds every name of the key block to the list, in order, as it is found.
void FillListFromKeyBlock(PrinterList& list, std::string_view keyBlock);

// The work of the window's load: the key names of PrinterPorts into the list. Gives the key block
// the names came from, for whatever else the load wants to know of them without asking the list.
std::string LoadPrinterList(platform::Platform& platform, PrinterList& list);

}  // namespace tavrelonim::printerlist
