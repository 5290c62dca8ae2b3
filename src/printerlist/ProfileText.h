// The three profile texts the utility reads and writes: the key block of a section, a printer's
// PrinterPorts value, and the windows/Device line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrelonim::printerlist {

// Empty once leading and trailing spaces (code 32 only) are removed.
[[nodiscard]] bool IsBlank(std::string_view text) noexcept;

// Calls yield(name) for every NUL-separated piece of a key block that is not blank, in order and
// untrimmed. A final piece with no NUL after it counts as a name too.
template <class Yield>
void SplitKeyBlock(std::string_view keyBlock, Yield&& yield) {
    while (!keyBlock.empty()) {
        const auto nul = keyBlock.find('\0');
        const auto piece = keyBlock.substr(0, nul);
        if (!IsBlank(piece)) {
            yield(piece);
        }
        if (nul == std::string_view::npos) {
            break;
        }
        keyBlock.remove_prefix(nul + 1);
    }
}

[[nodiscard]] std::vector<std::string_view> SplitKeyBlock(std::string_view keyBlock);

struct DriverAndPort {
    std::string_view driver;
    std::string_view port;
    friend bool operator==(const DriverAndPort&, const DriverAndPort&) = default;
};

// The driver is the field before the first comma, the port the field after it up to the next
// comma or the end of the value; no comma gives two empty fields. The value ends at its first NUL.
[[nodiscard]] DriverAndPort SplitDriverAndPort(std::string_view printerPortsValue) noexcept;

// name,driver,port.
[[nodiscard]] std::string ComposeDeviceLine(std::string_view printerName, std::string_view driver,
                                            std::string_view port);

}  // namespace tavrelonim::printerlist
