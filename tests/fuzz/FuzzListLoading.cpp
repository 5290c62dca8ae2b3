// Any section of keys, read through a profile that cuts and reports as the real one does, from a
// first buffer of any size, lists every key that is not blank, in order, whole.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../unit/FakeList.h"
#include "../unit/FakePlatform.h"
#include "printerlist/PrinterListLoading.h"
#include "printerlist/ProfileText.h"

namespace {

// The oracle's own idea of a blank name, not the code's under test: nothing but spaces.
bool OnlySpaces(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t firstBuffer = data[0] * 4u + data[1];
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    tavrelonim::testing::FakePlatform platform;
    std::vector<std::string> expected;
    std::size_t start = 0;
    for (std::size_t end; start <= text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string key = text.substr(start, end - start);
        // A profile key can hold neither NUL nor '='; names that differ only in case are one key.
        if (!key.empty() && key.find('\0') == std::string::npos && key.find('=') == std::string::npos &&
            !platform.ProfileString("PrinterPorts", key)) {
            platform.SetProfileString("PrinterPorts", key, "d,p");
            if (!OnlySpaces(key)) {
                expected.push_back(key);
            }
        }
    }
    tavrelonim::testing::FakeList list;
    tavrelonim::printerlist::FillListFromKeyBlock(
        list, tavrelonim::printerlist::ReadWholeProfileString(platform, "PrinterPorts", std::nullopt, firstBuffer));
    if (list.entries != expected) {
        std::abort();
    }
    return 0;
}
