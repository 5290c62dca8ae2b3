// A request to make the printer selected in the list the system default, and its two strategies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "defaulting/ApplicationPrinter.h"
#include "platform/Platform.h"
#include "printerlist/PrinterList.h"

namespace tavrelonim::defaulting {

// How long the settings-change notice may wait on any one window before going on to the next.
inline constexpr std::uint32_t kBroadcastTimeoutMilliseconds = 3000;
// The first major version of Windows that may manage the default printer by itself.
inline constexpr std::uint32_t kFirstVersionManagingDefault = 10;
// An information size past this is not a printer record; the request ends as if the call failed.
inline constexpr std::uint32_t kPrinterInfoSizeLimit = 1024 * 1024;

// What a request works on: the platform, the list it reads the selection from, and the
// application printer that follows the new default.
struct DefaultingContext {
    platform::Platform& platform;
    const printerlist::PrinterList& list;
    ApplicationPrinter& applicationPrinter;
};

// Asks the platform identifier afresh and runs the spooler strategy on identifier 1, the profile
// strategy on every other (also the 0 a failed query leaves).
void MakeSelectedPrinterDefault(const DefaultingContext& context);

// The profile strategy: rewrites windows/Device from the printer's PrinterPorts entry and tells
// every top-level window that the windows section changed. On a system of majorVersion 10 or
// later, once the line is written and before the notice, it also turns off Windows' own
// management of the default, so that the choice lasts. The printer's name is read from the list
// once; a failure is told only after everything else the request does is done.
void MarkDefaultByProfile(const DefaultingContext& context, std::uint32_t majorVersion);

// Whether a request about to write the default must set LegacyDefaultPrinterMode to 1: on
// Windows 10 and later, while the value is absent or 0 (Windows replaces the default by itself).
[[nodiscard]] bool MustKeepUserChoice(std::uint32_t majorVersion, std::optional<std::uint32_t> legacyMode) noexcept;
// What writing the Device line came to: whether it is written (and every window told), and
// what the user must be told once the request is done.
struct DeviceLineOutcome {
    bool written = false;
    std::optional<std::string> failure;
};
// Writes the Device line; once it is written, turns off Windows' own management where
// MustKeepUserChoice says so, then tells every top-level window. A failed write changes nothing
// and tells nobody.
[[nodiscard]] DeviceLineOutcome WriteDefaultDeviceLine(platform::Platform& platform, const std::string& printerName,
                                                       const std::string& driver, const std::string& port,
                                                       std::uint32_t majorVersion);

// The spooler strategy: sets the default flag in the printer's level-5 attributes.
void MarkDefaultBySpooler(const DefaultingContext& context);

// The text at address, read only within the bytes that remain of the buffer it lies in; empty
// for a null address. None when it does not end before the buffer does, or lies outside it: such
// a record cannot be written back without losing what the spooler holds.
[[nodiscard]] std::optional<std::string> ReadAnsiStringAt(const char* address, std::span<const std::byte> buffer);

// What the user is told of a system call that failed: "SetPrinter Failed. Error code: 122".
[[nodiscard]] std::string FailedCallMessage(std::string_view call, std::uint32_t lastError);

}  // namespace tavrelonim::defaulting
