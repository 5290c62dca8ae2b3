// The platform bound to the real Win32 profile, spooler and window system.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/BackgroundBroadcast.h"
#include "platform/Platform.h"

namespace tavrelonim::platform {

class Win32Platform final : public Platform {
public:
    // Message boxes are owned by this window, so they are modal to it.
    void SetMessageBoxOwner(HWND owner) noexcept { messageBoxOwner_ = owner; }
    // From now on broadcasts go out from a worker thread and the call returns at once (result 0);
    // a window's thread sends them so, to keep answering while slow windows elsewhere take their
    // time. This object then lives until they have gone out, or BackgroundBroadcast's bound.
    // Where the system cannot give it a thread's events, broadcasts stay on the caller's thread.
    void SendBroadcastsInBackground() noexcept;

    std::uint32_t GetProfileStringA(const std::string& section, const std::optional<std::string>& key,
                                    const std::string& defaultValue, std::span<char> buffer) override;
    bool WriteProfileStringA(const std::string& section, const std::string& key, const std::string& value) override;
    bool GetVersionExA(OsVersionInfo& info) override;
    std::optional<std::uint32_t> RegGetValueA(const std::string& subKey, const std::string& valueName) override;
    bool RegSetKeyValueA(const std::string& subKey, const std::string& valueName, std::uint32_t value) override;
    int CompareStringOrdinal(const std::string& first, const std::string& second, bool ignoreCase) override;
    bool OpenPrinterA(const std::string& printerName, PrinterHandle& handle, const PrinterDefaults& defaults) override;
    bool GetPrinterA(PrinterHandle handle, std::uint32_t level, std::span<std::byte> buffer,
                     std::uint32_t& needed) override;
    bool SetPrinterA(PrinterHandle handle, std::uint32_t level, const PrinterInfo5& record,
                     std::uint32_t command) override;
    bool ClosePrinter(PrinterHandle handle) override;
    std::uint32_t GetLastError() override;
    std::uintptr_t SendMessageTimeoutA(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                       const std::string& textArgument, std::uint32_t flags,
                                       std::uint32_t timeoutMilliseconds) override;
    void MessageBoxA(const std::string& text) override;
    std::vector<std::string> EnumPrinterNames() override;
    std::optional<std::string> GetDefaultPrinterA() override;

private:
    HWND messageBoxOwner_ = nullptr;
    std::unique_ptr<BackgroundBroadcast> background_;
};

// Texts between the system's 8-bit code page and the wide characters of the window functions.
[[nodiscard]] std::wstring WidenFromCodePage(std::string_view text);
[[nodiscard]] std::string NarrowToCodePage(std::wstring_view text);

// How many values a key of the current user's holds, asked in one query; nothing where it cannot
// be opened.
[[nodiscard]] std::optional<std::uint32_t> UserKeyValueCount(const char* subKey) noexcept;

}  // namespace tavrelonim::platform
