#include "defaulting/DefaultRequest.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "printerlist/PrinterListLoading.h"
#include "printerlist/ProfileText.h"

namespace tavrelonim::defaulting {

namespace {

using platform::PrinterInfo5Layout;

bool LiesWithin(const char* address, std::span<const std::byte> buffer) noexcept {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    return at >= begin && at - begin < buffer.size();
}

// The spooler places the record's strings behind it in the same buffer; a string pointer that
// is neither null nor inside it means the record is not one this program can trust.
bool StringsLieWithin(const PrinterInfo5Layout& info, std::span<const std::byte> buffer) noexcept {
    return (info.pPrinterName == nullptr || LiesWithin(info.pPrinterName, buffer)) &&
           (info.pPortName == nullptr || LiesWithin(info.pPortName, buffer));
}

// Tells every top-level window that the windows section changed, bounded so that a hung window
// elsewhere on the desktop cannot hang this one.
void AnnounceWindowsSectionChanged(platform::Platform& platform) {
    platform.SendMessageTimeoutA(platform::kHwndBroadcast, platform::kWmWininichange, 0, "windows",
                                 platform::kSmtoAbortIfHung, kBroadcastTimeoutMilliseconds);
}

}  // namespace

void MakeSelectedPrinterDefault(const DefaultingContext& context) {
    platform::OsVersionInfo version;
    version.dwOSVersionInfoSize = sizeof(platform::OsVersionInfo);
    std::fill(std::begin(version.szCSDVersion), std::end(version.szCSDVersion), ' ');
    context.platform.GetVersionExA(version);
    if (version.dwPlatformId == platform::kVerPlatformWin32Windows) {
        MarkDefaultBySpooler(context);
    } else {
        MarkDefaultByProfile(context, version.dwMajorVersion);
    }
}

void MarkDefaultByProfile(const DefaultingContext& context, std::uint32_t majorVersion) {
    if (context.list.SelectedIndex() <= -1) {
        return;
    }
    // Read once: a message box runs a message loop in which the selection may move, and one
    // request must write, announce and follow one printer.
    const std::string printerName = context.list.CurrentText();
    const std::string value = printerlist::ReadWholeProfileString(context.platform, "PrinterPorts", printerName,
                                                                  printerlist::kValueBufferSize);
    const auto [driver, port] = printerlist::SplitDriverAndPort(value);
    if (port.empty() || driver.empty()) {
        return;
    }
    const DeviceLineOutcome outcome =
        WriteDefaultDeviceLine(context.platform, printerName, std::string(driver), std::string(port), majorVersion);
    if (outcome.written) {
        FollowWithApplicationPrinter(context.platform, context.applicationPrinter, printerName);
    }
    if (outcome.failure) {
        // Told once the request's state is settled: the box runs a message loop.
        context.platform.MessageBoxA(*outcome.failure);
    }
}

bool MustKeepUserChoice(std::uint32_t majorVersion, std::optional<std::uint32_t> legacyMode) noexcept {
    return majorVersion >= kFirstVersionManagingDefault && legacyMode.value_or(0) == 0;
}

DeviceLineOutcome WriteDefaultDeviceLine(platform::Platform& platform, const std::string& printerName,
                                         const std::string& driver, const std::string& port,
                                         std::uint32_t majorVersion) {
    if (!platform.WriteProfileStringA("windows", "Device", printerlist::ComposeDeviceLine(printerName, driver, port))) {
        // Nothing changed: no program is told of a change, and the user's settings stay.
        return {false, FailedCallMessage("WriteProfileString", platform.GetLastError())};
    }
    DeviceLineOutcome outcome{true, std::nullopt};
    // Only once the line is written, so that a failed write leaves the user's setting as it was;
    // before the notice, so that the notice announces both. Older systems are not asked at all.
    if (majorVersion >= kFirstVersionManagingDefault &&
        MustKeepUserChoice(majorVersion,
                           platform.RegGetValueA(platform::kWindowsSectionKey, platform::kLegacyDefaultPrinterMode)) &&
        !platform.RegSetKeyValueA(platform::kWindowsSectionKey, platform::kLegacyDefaultPrinterMode, 1)) {
        // The choice is still made, but Windows may replace it later: the user is told so.
        outcome.failure = FailedCallMessage("RegSetKeyValue", platform.GetLastError());
    }
    AnnounceWindowsSectionChanged(platform);
    return outcome;
}

void MarkDefaultBySpooler(const DefaultingContext& context) {
    // Read once, for the same reason as the profile strategy's.
    const std::string printerName = context.list.EntryAt(context.list.SelectedIndex());
    if (printerName.empty()) {
        return;
    }
    platform::PrinterHandle opened = nullptr;
    const platform::PrinterDefaults defaults{nullptr, nullptr, platform::kPrinterAllAccess};
    if (!context.platform.OpenPrinterA(printerName, opened, defaults)) {
        return;
    }
    const platform::ScopedPrinterHandle printer(context.platform, opened);

    std::uint32_t needed = 0;
    context.platform.GetPrinterA(printer.get(), 5, {}, needed);
    if (needed < sizeof(PrinterInfo5Layout) || needed > kPrinterInfoSizeLimit) {
        return;
    }
    std::vector<std::byte> buffer(needed);
    if (!context.platform.GetPrinterA(printer.get(), 5, buffer, needed)) {
        return;
    }
    PrinterInfo5Layout info{};
    std::memcpy(&info, buffer.data(), sizeof info);
    if (!StringsLieWithin(info, buffer)) {
        return;
    }

    std::optional<std::string> name = ReadAnsiStringAt(info.pPrinterName, buffer);
    std::optional<std::string> port = ReadAnsiStringAt(info.pPortName, buffer);
    if (!name || !port) {
        return;  // written back, a cut string would blank the printer's name or port
    }
    const platform::PrinterInfo5 record{
        std::move(*name),
        std::move(*port),
        // The default flag joins the printer's other attributes; clearing them would change its setup.
        info.Attributes | platform::kPrinterAttributeDefault,
        info.DeviceNotSelectedTimeout,
        info.TransmissionRetryTimeout,
    };
    if (context.platform.SetPrinterA(printer.get(), 5, record, 0)) {
        FollowWithApplicationPrinter(context.platform, context.applicationPrinter, printerName);
    } else {
        const std::uint32_t lastError = context.platform.GetLastError();
        context.platform.MessageBoxA(FailedCallMessage("SetPrinter", lastError));
    }
}

std::optional<std::string> ReadAnsiStringAt(const char* address, std::span<const std::byte> buffer) {
    if (address == nullptr) {
        return std::string();
    }
    if (!LiesWithin(address, buffer)) {
        return std::nullopt;
    }
    const auto offset = static_cast<std::size_t>(reinterpret_cast<const std::byte*>(address) - buffer.data());
    const void* nul = std::memchr(address, '\0', buffer.size() - offset);
    if (nul == nullptr) {
        return std::nullopt;
    }
    return std::string(address, static_cast<const char*>(nul));
}

std::string FailedCallMessage(std::string_view call, std::uint32_t lastError) {
    return std::string(call) + " Failed. Error code: " + std::to_string(static_cast<std::int32_t>(lastError));
}

}  // namespace tavrelonim::defaulting
