// The operations the utility needs from the operating system, its spooler, its window system and
// its runtime. Texts cross this boundary as strings in the system's 8-bit code page. Method names
// keep the Windows operation names so that the binding reads one-to-one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrelonim::platform {

// Win32 values the portable code needs, spelled out so it compiles without <windows.h>.
inline constexpr std::uint32_t kVerPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPrinterAllAccess = 0xF000C;
inline constexpr std::uint32_t kPrinterAttributeDefault = 4;
inline constexpr std::uintptr_t kHwndBroadcast = 0xFFFF;
inline constexpr std::uint32_t kWmWininichange = 0x1A;
inline constexpr std::uint32_t kSmtoAbortIfHung = 0x0002;
inline constexpr int kCstrEqual = 2;

// The current user's key behind the profile's windows section (below HKEY_CURRENT_USER), and the
// value in it by which Windows 10 and later leave the default printer to the user's choice (1)
// or manage it themselves (0 or absent).
inline constexpr const char* kWindowsSectionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kLegacyDefaultPrinterMode = "LegacyDefaultPrinterMode";
// The current user's key behind the profile's PrinterPorts section: one value a printer.
inline constexpr const char* kPrinterPortsSectionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts";

// OSVERSIONINFOA, field for field.
struct OsVersionInfo {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

// PRINTER_DEFAULTSA.
struct PrinterDefaults {
    const char* pDatatype = nullptr;
    const void* pDevMode = nullptr;
    std::uint32_t DesiredAccess = 0;
};

// PRINTER_INFO_5A exactly as the spooler lays it out in the information buffer, on 32-bit and
// 64-bit builds alike; the binding checks that it matches the platform's own declaration.
struct PrinterInfo5Layout {
    char* pPrinterName;
    char* pPortName;
    std::uint32_t Attributes;
    std::uint32_t DeviceNotSelectedTimeout;
    std::uint32_t TransmissionRetryTimeout;
};

// A level-5 record to be written: the binding turns the texts into the pointers of PRINTER_INFO_5A.
struct PrinterInfo5 {
    std::string printerName;
    std::string portName;
    std::uint32_t attributes = 0;
    std::uint32_t deviceNotSelectedTimeout = 0;
    std::uint32_t transmissionRetryTimeout = 0;
};

using PrinterHandle = void*;

class Platform {
public:
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    virtual ~Platform() = default;

    // Profile. A null key asks for the section's key names, each NUL-terminated, then one more NUL.
    // Returns the count of characters stored before the final NUL; buffer.size() - 2 (null key) or
    // buffer.size() - 1 (named key) when the result did not fit. Positions past the result keep
    // their former content.
    virtual std::uint32_t GetProfileStringA(const std::string& section, const std::optional<std::string>& key,
                                            const std::string& defaultValue, std::span<char> buffer) = 0;
    virtual bool WriteProfileStringA(const std::string& section, const std::string& key, const std::string& value) = 0;

    virtual bool GetVersionExA(OsVersionInfo& info) = 0;

    // The current user's registry, below HKEY_CURRENT_USER. A value that is absent or not a
    // REG_DWORD reads as none.
    virtual std::optional<std::uint32_t> RegGetValueA(const std::string& subKey, const std::string& valueName) = 0;
    virtual bool RegSetKeyValueA(const std::string& subKey, const std::string& valueName, std::uint32_t value) = 0;

    // Compares two texts code unit by code unit, as the system compares printer names, without
    // regard to letter case when asked; whatever the user's locale. kCstrEqual when they are equal.
    virtual int CompareStringOrdinal(const std::string& first, const std::string& second, bool ignoreCase) = 0;

    // Spooler.
    virtual bool OpenPrinterA(const std::string& printerName, PrinterHandle& handle,
                              const PrinterDefaults& defaults) = 0;
    virtual bool GetPrinterA(PrinterHandle handle, std::uint32_t level, std::span<std::byte> buffer,
                             std::uint32_t& needed) = 0;
    virtual bool SetPrinterA(PrinterHandle handle, std::uint32_t level, const PrinterInfo5& record,
                             std::uint32_t command) = 0;
    virtual bool ClosePrinter(PrinterHandle handle) = 0;
    virtual std::uint32_t GetLastError() = 0;

    // Window system. The text argument is passed by address, as the 8-bit string it holds. A
    // binding may send a broadcast (to kHwndBroadcast) from another thread, after the call has
    // returned with result 0; it is still sent, never posted, and it follows every earlier write.
    virtual std::uintptr_t SendMessageTimeoutA(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                               const std::string& textArgument, std::uint32_t flags,
                                               std::uint32_t timeoutMilliseconds) = 0;
    // A box with the OK button only, no icon and no title argument; returns once OK is pressed.
    virtual void MessageBoxA(const std::string& text) = 0;

    // Runtime: the installed printers in enumeration order, and the system default printer.
    virtual std::vector<std::string> EnumPrinterNames() = 0;
    virtual std::optional<std::string> GetDefaultPrinterA() = 0;
};

// Owns a spooler handle for as long as one request needs it.
class ScopedPrinterHandle {
public:
    ScopedPrinterHandle(Platform& platform, PrinterHandle handle) noexcept : platform_(platform), handle_(handle) {}
    ScopedPrinterHandle(const ScopedPrinterHandle&) = delete;
    ScopedPrinterHandle& operator=(const ScopedPrinterHandle&) = delete;
    ~ScopedPrinterHandle() { platform_.ClosePrinter(handle_); }

    [[nodiscard]] PrinterHandle get() const noexcept { return handle_; }

private:
    Platform& platform_;
    PrinterHandle handle_;
};

}  // namespace tavrelonim::platform
