// Any key block splits into names that are not blank, hold no NUL, and stand in the text in order.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "printerlist/ProfileText.h"

namespace {

// The oracle's own idea of a blank name, not the code's under test: nothing but spaces.
bool OnlySpaces(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    std::size_t searchFrom = 0;
    tavrelonim::printerlist::SplitKeyBlock(block, [&](std::string_view name) {
        const auto at = block.find(name, searchFrom);
        if (name.empty() || OnlySpaces(name) || name.find('\0') != std::string_view::npos ||
            at == std::string_view::npos || (at > 0 && block[at - 1] != '\0')) {
            std::abort();
        }
        searchFrom = at + name.size();
    });
    return 0;
}
