#include "printerlist/ProfileText.h"

namespace tavrelonim::printerlist {

bool IsBlank(std::string_view text) noexcept { return text.find_first_not_of(' ') == std::string_view::npos; }

std::vector<std::string_view> SplitKeyBlock(std::string_view keyBlock) {
    std::vector<std::string_view> names;
    SplitKeyBlock(keyBlock, [&names](std::string_view name) { names.push_back(name); });
    return names;
}

DriverAndPort SplitDriverAndPort(std::string_view printerPortsValue) noexcept {
    const auto value = printerPortsValue.substr(0, printerPortsValue.find('\0'));
    const auto firstComma = value.find(',');
    if (firstComma == std::string_view::npos) {
        return {};
    }
    const auto afterDriver = value.substr(firstComma + 1);
    return {value.substr(0, firstComma), afterDriver.substr(0, afterDriver.find(','))};
}

std::string ComposeDeviceLine(std::string_view printerName, std::string_view driver, std::string_view port) {
    std::string line;
    line.reserve(printerName.size() + driver.size() + port.size() + 2);
    line.append(printerName).append(",").append(driver).append(",").append(port);
    return line;
}

}  // namespace tavrelonim::printerlist
