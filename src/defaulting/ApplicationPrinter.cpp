#include "defaulting/ApplicationPrinter.h"

#include <algorithm>

namespace tavrelonim::defaulting {

ApplicationPrinter ApplicationPrinter::StartingAtSystemDefault(platform::Platform& platform) {
    return ApplicationPrinter(platform.GetDefaultPrinterA().value_or(std::string{}));
}

std::string ApplicationPrinterDeviceName(const ApplicationPrinter& applicationPrinter) {
    return applicationPrinter.DeviceName();
}

void SwitchApplicationPrinter(platform::Platform& platform, ApplicationPrinter& applicationPrinter,
                              const std::string& printerName) {
    const auto installed = platform.EnumPrinterNames();
    const auto match = std::find(installed.begin(), installed.end(), printerName);
    if (match != installed.end()) {
        applicationPrinter.MakeCurrent(*match);
    }
}

void FollowWithApplicationPrinter(platform::Platform& platform, ApplicationPrinter& applicationPrinter,
                                  const std::string& listText) {
    if (listText != ApplicationPrinterDeviceName(applicationPrinter)) {
        SwitchApplicationPrinter(platform, applicationPrinter, listText);
    }
}

}  // namespace tavrelonim::defaulting
