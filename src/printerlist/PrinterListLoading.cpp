#include "printerlist/PrinterListLoading.h"

#include <algorithm>

#include "printerlist/ProfileText.h"

namespace tavrelonim::printerlist {

std::string ReadWholeProfileString(platform::Platform& platform, const std::string& section,
                                   const std::optional<std::string>& key, std::size_t initialSize) {
    // When the result does not fit, the platform returns size - 2 for a list of key names (the cut
    // list still ends in two NULs) and size - 1 for a single value.
    const std::size_t truncationMargin = key ? 1 : 2;
    std::string buffer;
    std::size_t size = std::max<std::size_t>(initialSize, truncationMargin + 1);
    for (;;) {
        buffer.assign(size, ' ');
        const std::size_t count = platform.GetProfileStringA(section, key, "", buffer);
        const bool filled = count + truncationMargin >= size;
        if (!filled || size >= kProfileReadLimit) {
            // For key names the count covers every name's own NUL and leaves out only the closing one.
            buffer.resize(std::min(count, size));
            return buffer;
        }
        size = std::min(size * 2, kProfileReadLimit);
    }
}

void FillListFromKeyBlock(PrinterList& list, std::string_view keyBlock) {
    SplitKeyBlock(keyBlock, [&list](std::string_view name) { list.AddItem(name); });
}

std::string ReadPrinterPortsKeyNames(platform::Platform& platform) {
    return ReadWholeProfileString(platform, "PrinterPorts", std::nullopt, kKeyBlockFirstReadSize);
}

std::string LoadPrinterList(platform::Platform& platform, PrinterList& list) {
    std::string keyBlock = ReadPrinterPortsKeyNames(platform);
    FillListFromKeyBlock(list, keyBlock);
    return keyBlock;
}

}  // namespace tavrelonim::printerlist
