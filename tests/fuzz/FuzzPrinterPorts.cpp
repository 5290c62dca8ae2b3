// Any PrinterPorts value splits into fields taken from the value itself, never past its NUL,
// and the device line built from them is exactly the three texts and two commas.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "printerlist/ProfileText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view buffer(reinterpret_cast<const char*>(data), size);
    const auto value = buffer.substr(0, buffer.find('\0'));
    const auto [driver, port] = tavrelonim::printerlist::SplitDriverAndPort(buffer);
    const bool hasComma = value.find(',') != std::string_view::npos;
    if (driver.find(',') != std::string_view::npos || port.find(',') != std::string_view::npos ||
        (!hasComma && (!driver.empty() || !port.empty())) || (hasComma && value.substr(0, driver.size()) != driver) ||
        (hasComma && value.substr(driver.size() + 1, port.size()) != port)) {
        std::abort();
    }
    const auto line = tavrelonim::printerlist::ComposeDeviceLine(value, driver, port);
    if (line.size() != value.size() + driver.size() + port.size() + 2) {
        std::abort();
    }
    return 0;
}
