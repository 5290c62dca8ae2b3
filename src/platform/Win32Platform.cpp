#include "platform/Win32Platform.h"

#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "platform/KernelHandles.h"
#include "platform/Spooler.h"

namespace tavrelonim::platform {

static_assert(sizeof(OsVersionInfo) == sizeof(OSVERSIONINFOA));
static_assert(offsetof(OsVersionInfo, dwPlatformId) == offsetof(OSVERSIONINFOA, dwPlatformId));
static_assert(sizeof(PrinterInfo5Layout) == sizeof(PRINTER_INFO_5A));
static_assert(offsetof(PrinterInfo5Layout, pPortName) == offsetof(PRINTER_INFO_5A, pPortName));
static_assert(offsetof(PrinterInfo5Layout, Attributes) == offsetof(PRINTER_INFO_5A, Attributes));
static_assert(offsetof(PrinterInfo5Layout, TransmissionRetryTimeout) ==
              offsetof(PRINTER_INFO_5A, TransmissionRetryTimeout));
static_assert(kPrinterAllAccess == PRINTER_ALL_ACCESS && kPrinterAttributeDefault == PRINTER_ATTRIBUTE_DEFAULT);
static_assert(kWmWininichange == WM_WININICHANGE && kSmtoAbortIfHung == SMTO_ABORTIFHUNG);
static_assert(kVerPlatformWin32Windows == VER_PLATFORM_WIN32_WINDOWS);
static_assert(kCstrEqual == CSTR_EQUAL);

namespace {

DWORD SizeOf(std::span<const std::byte> buffer) noexcept {
    return static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
}

// Whether the spooler has the function; where it lacks it the call fails as the system's would.
template <class Function>
bool Bound(Function function) noexcept {
    if (function == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

std::uint32_t Win32Platform::GetProfileStringA(const std::string& section, const std::optional<std::string>& key,
                                               const std::string& defaultValue, std::span<char> buffer) {
    return ::GetProfileStringA(section.c_str(), key ? key->c_str() : nullptr, defaultValue.c_str(), buffer.data(),
                               SizeOf(std::as_bytes(buffer)));
}

bool Win32Platform::WriteProfileStringA(const std::string& section, const std::string& key, const std::string& value) {
    return ::WriteProfileStringA(section.c_str(), key.c_str(), value.c_str()) != FALSE;
}

bool Win32Platform::GetVersionExA(OsVersionInfo& info) {
    OSVERSIONINFOA record{info.dwOSVersionInfoSize, info.dwMajorVersion, info.dwMinorVersion,
                          info.dwBuildNumber,       info.dwPlatformId,   {}};
    std::memcpy(record.szCSDVersion, info.szCSDVersion, sizeof record.szCSDVersion);
    // Deprecated, but only the platform identifier is wanted, which the query still tells.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    const BOOL succeeded = ::GetVersionExA(&record);
#if defined(_MSC_VER)
#pragma warning(pop)
#endif
    info.dwOSVersionInfoSize = record.dwOSVersionInfoSize;
    info.dwMajorVersion = record.dwMajorVersion;
    info.dwMinorVersion = record.dwMinorVersion;
    info.dwBuildNumber = record.dwBuildNumber;
    info.dwPlatformId = record.dwPlatformId;
    std::memcpy(info.szCSDVersion, record.szCSDVersion, sizeof info.szCSDVersion);
    return succeeded != FALSE;
}

// Read and written through the calls every version of Windows has, so the exe loads on all of them.
std::optional<std::uint32_t> Win32Platform::RegGetValueA(const std::string& subKey, const std::string& valueName) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const UniqueRegistryKey key(opened);
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> UserKeyValueCount(const char* subKey) noexcept {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const UniqueRegistryKey key(opened);
    DWORD values = 0;
    if (::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return values;
}

bool Win32Platform::RegSetKeyValueA(const std::string& subKey, const std::string& valueName, std::uint32_t value) {
    // The registry answers with its error rather than setting the thread's: set it, so that the
    // caller reads it as from any other call.
    HKEY opened = nullptr;
    LSTATUS status = ::RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status == ERROR_SUCCESS) {
        const UniqueRegistryKey key(opened);
        const DWORD data = value;
        status = ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                  sizeof data);
    }
    ::SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

int Win32Platform::CompareStringOrdinal(const std::string& first, const std::string& second, bool ignoreCase) {
    const std::wstring wideFirst = WidenFromCodePage(first);
    const std::wstring wideSecond = WidenFromCodePage(second);
    return ::CompareStringOrdinal(wideFirst.data(), static_cast<int>(wideFirst.size()), wideSecond.data(),
                                  static_cast<int>(wideSecond.size()), ignoreCase ? TRUE : FALSE);
}

bool Win32Platform::OpenPrinterA(const std::string& printerName, PrinterHandle& handle,
                                 const PrinterDefaults& defaults) {
    std::string name = printerName;  // the API takes a writable string
    PRINTER_DEFAULTSA printerDefaults{const_cast<LPSTR>(defaults.pDatatype),
                                      static_cast<LPDEVMODEA>(const_cast<void*>(defaults.pDevMode)),
                                      defaults.DesiredAccess};
    HANDLE opened = nullptr;
    const auto open = Spooler().openPrinter;
    const bool succeeded = Bound(open) && open(name.data(), &opened, &printerDefaults) != FALSE;
    handle = opened;
    return succeeded;
}

bool Win32Platform::GetPrinterA(PrinterHandle handle, std::uint32_t level, std::span<std::byte> buffer,
                                std::uint32_t& needed) {
    DWORD neededBytes = 0;
    const auto get = Spooler().getPrinter;
    const bool succeeded = Bound(get) && get(static_cast<HANDLE>(handle), level,
                                             reinterpret_cast<LPBYTE>(buffer.data()), SizeOf(buffer), &neededBytes);
    needed = neededBytes;
    return succeeded;
}

bool Win32Platform::SetPrinterA(PrinterHandle handle, std::uint32_t level, const PrinterInfo5& record,
                                std::uint32_t command) {
    std::string printerName = record.printerName;
    std::string portName = record.portName;
    PRINTER_INFO_5A info{printerName.data(), portName.data(), record.attributes, record.deviceNotSelectedTimeout,
                         record.transmissionRetryTimeout};
    const auto set = Spooler().setPrinter;
    return Bound(set) && set(static_cast<HANDLE>(handle), level, reinterpret_cast<LPBYTE>(&info), command) != FALSE;
}

bool Win32Platform::ClosePrinter(PrinterHandle handle) {
    const auto close = Spooler().closePrinter;
    return Bound(close) && close(static_cast<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32Platform::GetLastError() { return ::GetLastError(); }

void Win32Platform::SendBroadcastsInBackground() noexcept {
    try {
        background_ = std::make_unique<BackgroundBroadcast>();
    } catch (...) {
        background_.reset();
    }
}

std::uintptr_t Win32Platform::SendMessageTimeoutA(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                                  const std::string& textArgument, std::uint32_t flags,
                                                  std::uint32_t timeoutMilliseconds) {
    if (background_ != nullptr && window == kHwndBroadcast &&
        background_->Send(message, wParam, textArgument, flags, timeoutMilliseconds)) {
        return 0;
    }
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(reinterpret_cast<HWND>(window), message, wParam,
                          reinterpret_cast<LPARAM>(textArgument.c_str()), flags, timeoutMilliseconds, &result);
    return result;
}

void Win32Platform::MessageBoxA(const std::string& text) {
    ::MessageBoxA(messageBoxOwner_, text.c_str(), nullptr, MB_OK);
}

std::vector<std::string> Win32Platform::EnumPrinterNames() {
    constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    std::vector<std::string> names;
    DWORD needed = 0;
    DWORD returned = 0;
    const auto enumerate = Spooler().enumPrinters;
    if (!Bound(enumerate)) {
        return names;
    }
    enumerate(kFlags, nullptr, 4, nullptr, 0, &needed, &returned);
    // The list can grow between the two calls; a few tries settle it.
    for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
        std::vector<std::byte> buffer(needed);
        if (enumerate(kFlags, nullptr, 4, reinterpret_cast<LPBYTE>(buffer.data()), needed, &needed, &returned) !=
            FALSE) {
            std::vector<PRINTER_INFO_4A> records(returned);
            std::memcpy(records.data(), buffer.data(), returned * sizeof(PRINTER_INFO_4A));
            for (const auto& record : records) {
                names.emplace_back(record.pPrinterName != nullptr ? record.pPrinterName : "");
            }
            break;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            break;
        }
    }
    return names;
}

std::optional<std::string> Win32Platform::GetDefaultPrinterA() {
    // The size a first call gives may be too small: some systems count characters rather than
    // the bytes of a multi-byte code page, and the default can change to a longer name between
    // two calls. Read again, larger, while the buffer is too small.
    constexpr DWORD kFirstSize = 256;
    constexpr DWORD kLargest = 64 * 1024;
    const auto getDefault = Spooler().getDefaultPrinter;
    if (!Bound(getDefault)) {
        return std::nullopt;
    }
    std::string name;
    for (DWORD size = kFirstSize; size <= kLargest;) {
        name.assign(size, '\0');
        DWORD asked = size;
        if (getDefault(name.data(), &asked) != FALSE) {
            name.resize(std::min<std::size_t>(name.find('\0'), name.size()));
            return name;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return std::nullopt;  // no default printer
        }
        size = std::max(asked, size) * 2;
    }
    return std::nullopt;
}

std::wstring WidenFromCodePage(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), std::numeric_limits<int>::max()));
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}

std::string NarrowToCodePage(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), std::numeric_limits<int>::max()));
    const int narrowLength = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(narrowLength), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(), narrowLength, nullptr, nullptr);
    return narrow;
}

}  // namespace tavrelonim::platform
