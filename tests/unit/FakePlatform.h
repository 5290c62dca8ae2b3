// An in-memory platform: profile sections, spooler printers and the window system's effects,
// with every call recorded in order.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace tavrelonim::testing {

struct FakePrinter {
    std::string name;
    std::string port = "LPT1:";
    std::uint32_t attributes = 0;
    std::uint32_t deviceNotSelectedTimeout = 15000;
    std::uint32_t transmissionRetryTimeout = 45000;
};

class FakePlatform final : public platform::Platform {
public:
    // Profile sections in the order their keys were first written; names compare without case.
    void SetProfileString(const std::string& section, const std::string& key, const std::string& value);
    [[nodiscard]] std::optional<std::string> ProfileString(const std::string& section, const std::string& key) const;

    bool profileWriteFails = false;
    std::uint32_t profileWriteError = 5;  // access denied
    bool registryWriteFails = false;
    std::uint32_t registryWriteError = 5;

    std::uint32_t platformId = 2;
    std::uint32_t majorVersion = 4;
    std::map<std::string, std::uint32_t> registryDwords;  // by subkey, a backslash, and value name
    bool versionQueryFails = false;

    std::vector<FakePrinter> spoolerPrinters;
    bool openFails = false;
    bool secondInformationCallFails = false;
    std::optional<std::uint32_t> reportedNeeded;  // what the sizing call reports instead of the truth
    bool acceptsAnyBuffer = false;                // the second call fills a short buffer and succeeds
    bool stringsPointOutsideBuffer = false;
    bool portUnterminated = false;  // the port runs to the buffer's end with no NUL
    bool setPrinterFails = false;
    std::uint32_t setPrinterError = 5;
    std::vector<platform::PrinterInfo5> printersWritten;
    std::set<platform::PrinterHandle> openHandles;

    std::vector<std::string> installedPrinters;
    std::optional<std::string> defaultPrinter;

    std::vector<std::string> messageBoxes;
    std::function<void()> duringMessageBox;
    std::vector<std::string> calls;  // "Operation arg|arg|..."

    std::uint32_t GetProfileStringA(const std::string& section, const std::optional<std::string>& key,
                                    const std::string& defaultValue, std::span<char> buffer) override;
    bool WriteProfileStringA(const std::string& section, const std::string& key, const std::string& value) override;
    bool GetVersionExA(platform::OsVersionInfo& info) override;
    std::optional<std::uint32_t> RegGetValueA(const std::string& subKey, const std::string& valueName) override;
    bool RegSetKeyValueA(const std::string& subKey, const std::string& valueName, std::uint32_t value) override;
    int CompareStringOrdinal(const std::string& first, const std::string& second, bool ignoreCase) override;
    bool OpenPrinterA(const std::string& printerName, platform::PrinterHandle& handle,
                      const platform::PrinterDefaults& defaults) override;
    bool GetPrinterA(platform::PrinterHandle handle, std::uint32_t level, std::span<std::byte> buffer,
                     std::uint32_t& needed) override;
    bool SetPrinterA(platform::PrinterHandle handle, std::uint32_t level, const platform::PrinterInfo5& record,
                     std::uint32_t command) override;
    bool ClosePrinter(platform::PrinterHandle handle) override;
    std::uint32_t GetLastError() override;
    std::uintptr_t SendMessageTimeoutA(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                       const std::string& textArgument, std::uint32_t flags,
                                       std::uint32_t timeoutMilliseconds) override;
    void MessageBoxA(const std::string& text) override;
    std::vector<std::string> EnumPrinterNames() override;
    std::optional<std::string> GetDefaultPrinterA() override;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    Section* FindSection(const std::string& name);
    [[nodiscard]] const Section* FindSection(const std::string& name) const;
    void Record(std::string call);
    const FakePrinter* PrinterFor(platform::PrinterHandle handle) const;

    std::vector<Section> sections_;
    std::map<platform::PrinterHandle, std::size_t> handlePrinters_;
    std::uintptr_t nextHandle_ = 0x100;
    std::uint32_t lastError_ = 0;
};

}  // namespace tavrelonim::testing
