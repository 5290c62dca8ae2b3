#include "FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tavrelonim::testing {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// Copies text into the buffer the way the profile read does when it may have to cut it: at most
// size - margin characters, then NULs up to the margin.
std::uint32_t CopyCut(const std::string& text, std::span<char> buffer, std::size_t margin) {
    if (buffer.size() <= margin) {
        if (!buffer.empty()) {
            buffer[0] = '\0';
        }
        return 0;
    }
    if (text.size() + 1 <= buffer.size()) {
        std::copy(text.begin(), text.end(), buffer.begin());
        buffer[text.size()] = '\0';
        return static_cast<std::uint32_t>(text.size());
    }
    const std::size_t kept = buffer.size() - margin;
    std::copy_n(text.begin(), kept, buffer.begin());
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(kept), buffer.end(), '\0');
    return static_cast<std::uint32_t>(kept);
}

}  // namespace

void FakePlatform::SetProfileString(const std::string& section, const std::string& key, const std::string& value) {
    Section* found = FindSection(section);
    if (found == nullptr) {
        sections_.push_back({section, {}});
        found = &sections_.back();
    }
    for (auto& [name, stored] : found->entries) {
        if (SameName(name, key)) {
            stored = value;
            return;
        }
    }
    found->entries.emplace_back(key, value);
}

std::optional<std::string> FakePlatform::ProfileString(const std::string& section, const std::string& key) const {
    if (const Section* found = FindSection(section)) {
        for (const auto& [name, value] : found->entries) {
            if (SameName(name, key)) {
                return value;
            }
        }
    }
    return std::nullopt;
}

FakePlatform::Section* FakePlatform::FindSection(const std::string& name) {
    const auto found =
        std::find_if(sections_.begin(), sections_.end(), [&name](const Section& s) { return SameName(s.name, name); });
    return found == sections_.end() ? nullptr : &*found;
}

const FakePlatform::Section* FakePlatform::FindSection(const std::string& name) const {
    return const_cast<FakePlatform*>(this)->FindSection(name);
}

std::uint32_t FakePlatform::GetProfileStringA(const std::string& section, const std::optional<std::string>& key,
                                              const std::string& defaultValue, std::span<char> buffer) {
    Record("GetProfileStringA " + section + "|" + key.value_or("<null>") + "|" + defaultValue + "|" +
                    std::to_string(buffer.size()));
    if (!key) {
        const Section* found = FindSection(section);
        if (found == nullptr || found->entries.empty()) {
            return CopyCut(defaultValue, buffer, 2);
        }
        std::string names;
        for (const auto& entry : found->entries) {
            names.append(entry.first).push_back('\0');
        }
        return CopyCut(names, buffer, 2);
    }
    return CopyCut(ProfileString(section, *key).value_or(defaultValue), buffer, 1);
}

bool FakePlatform::WriteProfileStringA(const std::string& section, const std::string& key, const std::string& value) {
    Record("WriteProfileStringA " + section + "|" + key + "|" + value);
    if (profileWriteFails) {
        lastError_ = profileWriteError;
        return false;
    }
    SetProfileString(section, key, value);
    return true;
}

bool FakePlatform::GetVersionExA(platform::OsVersionInfo& info) {
    Record("GetVersionExA " + std::to_string(info.dwOSVersionInfoSize));
    if (versionQueryFails || info.dwOSVersionInfoSize != sizeof(platform::OsVersionInfo)) {
        return false;
    }
    info.dwMajorVersion = majorVersion;
    info.dwPlatformId = platformId;
    return true;
}

std::optional<std::uint32_t> FakePlatform::RegGetValueA(const std::string& subKey, const std::string& valueName) {
    Record("RegGetValueA " + subKey + "|" + valueName);
    const auto found = registryDwords.find(subKey + "\\" + valueName);
    return found == registryDwords.end() ? std::nullopt : std::optional<std::uint32_t>(found->second);
}

bool FakePlatform::RegSetKeyValueA(const std::string& subKey, const std::string& valueName, std::uint32_t value) {
    Record("RegSetKeyValueA " + subKey + "|" + valueName + "|" + std::to_string(value));
    if (registryWriteFails) {
        lastError_ = registryWriteError;
        return false;
    }
    registryDwords[subKey + "\\" + valueName] = value;
    return true;
}

int FakePlatform::CompareStringOrdinal(const std::string& first, const std::string& second, bool ignoreCase) {
    constexpr int kLess = 1;
    constexpr int kGreater = 3;
    if (ignoreCase ? SameName(first, second) : first == second) {
        return platform::kCstrEqual;
    }
    return first < second ? kLess : kGreater;
}

bool FakePlatform::OpenPrinterA(const std::string& printerName, platform::PrinterHandle& handle,
                                const platform::PrinterDefaults& defaults) {
    Record("OpenPrinterA " + printerName + "|" + std::to_string(defaults.DesiredAccess));
    const auto found = std::find_if(spoolerPrinters.begin(), spoolerPrinters.end(),
                                    [&](const FakePrinter& p) { return p.name == printerName; });
    if (openFails || found == spoolerPrinters.end()) {
        lastError_ = 1801;  // no such printer name
        return false;
    }
    handle = reinterpret_cast<platform::PrinterHandle>(nextHandle_++);
    openHandles.insert(handle);
    handlePrinters_[handle] = static_cast<std::size_t>(found - spoolerPrinters.begin());
    return true;
}

const FakePrinter* FakePlatform::PrinterFor(platform::PrinterHandle handle) const {
    if (openHandles.count(handle) == 0) {
        return nullptr;
    }
    return &spoolerPrinters.at(handlePrinters_.at(handle));
}

bool FakePlatform::GetPrinterA(platform::PrinterHandle handle, std::uint32_t level, std::span<std::byte> buffer,
                               std::uint32_t& needed) {
    Record("GetPrinterA " + std::to_string(level) + "|" + std::to_string(buffer.size()));
    const FakePrinter* printer = PrinterFor(handle);
    if (printer == nullptr || level != 5) {
        lastError_ = 6;  // invalid handle
        return false;
    }
    const std::size_t truth =
        sizeof(platform::PrinterInfo5Layout) + printer->name.size() + 1 + printer->port.size() + 1;
    needed = reportedNeeded.value_or(static_cast<std::uint32_t>(truth));
    if (buffer.empty()) {
        lastError_ = 122;
        return false;
    }
    if (acceptsAnyBuffer && buffer.size() < truth) {
        // A misbehaving driver: it fills what it was given and says it succeeded, the record's
        // fixed part cut where the buffer ends.
        const platform::PrinterInfo5Layout info{nullptr, nullptr, printer->attributes, 0, 0};
        std::memcpy(buffer.data(), &info, std::min(buffer.size(), sizeof info));
        return true;
    }
    if (secondInformationCallFails || buffer.size() < truth) {
        lastError_ = 122;
        return false;
    }
    auto* strings = reinterpret_cast<char*>(buffer.data() + sizeof(platform::PrinterInfo5Layout));
    std::memcpy(strings, printer->name.c_str(), printer->name.size() + 1);
    char* port = strings + printer->name.size() + 1;
    std::memcpy(port, printer->port.c_str(), printer->port.size() + (portUnterminated ? 0 : 1));
    if (portUnterminated) {
        // What follows the port to the buffer's end is the port's too, with no NUL anywhere.
        std::fill(port + printer->port.size(), reinterpret_cast<char*>(buffer.data() + buffer.size()), 'p');
    }
    static char outside[] = "outside";
    const platform::PrinterInfo5Layout info{stringsPointOutsideBuffer ? outside : strings, port, printer->attributes,
                                            printer->deviceNotSelectedTimeout, printer->transmissionRetryTimeout};
    std::memcpy(buffer.data(), &info, sizeof info);
    return true;
}

bool FakePlatform::SetPrinterA(platform::PrinterHandle handle, std::uint32_t level,
                               const platform::PrinterInfo5& record, std::uint32_t command) {
    Record("SetPrinterA " + std::to_string(level) + "|" + record.printerName + "|" + record.portName + "|" +
                    std::to_string(record.attributes) + "|" + std::to_string(command));
    if (PrinterFor(handle) == nullptr || setPrinterFails) {
        lastError_ = setPrinterFails ? setPrinterError : 6;
        return false;
    }
    printersWritten.push_back(record);
    return true;
}

bool FakePlatform::ClosePrinter(platform::PrinterHandle handle) {
    Record("ClosePrinter");
    return openHandles.erase(handle) == 1;
}

std::uint32_t FakePlatform::GetLastError() { return lastError_; }

// Every call starts with the last error cleared, so that a code read after a later call than
// the one that failed is never the failure's.
void FakePlatform::Record(std::string call) {
    calls.push_back(std::move(call));
    lastError_ = 0;
}

std::uintptr_t FakePlatform::SendMessageTimeoutA(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                                 const std::string& textArgument, std::uint32_t flags,
                                                 std::uint32_t timeoutMilliseconds) {
    Record("SendMessageTimeoutA " + std::to_string(window) + "|" + std::to_string(message) + "|" +
                    std::to_string(wParam) + "|" + textArgument + "|" + std::to_string(flags) + "|" +
                    std::to_string(timeoutMilliseconds));
    return 1;
}

void FakePlatform::MessageBoxA(const std::string& text) {
    Record("MessageBoxA " + text);
    messageBoxes.push_back(text);
    if (duringMessageBox) {
        duringMessageBox();  // the box's message loop: anything may happen meanwhile
    }
}

std::vector<std::string> FakePlatform::EnumPrinterNames() {
    Record("EnumPrinterNames");
    return installedPrinters;
}

std::optional<std::string> FakePlatform::GetDefaultPrinterA() {
    Record("GetDefaultPrinterA");
    return defaultPrinter;
}

}  // namespace tavrelonim::testing
