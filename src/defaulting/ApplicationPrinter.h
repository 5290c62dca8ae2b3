// The program's own current printer: one of the platform's installed printers, chosen by device
// name. It starts as the system default printer (none when there is no default).
#pragma once

#include <string>
#include <utility>

#include "platform/Platform.h"

namespace tavrelonim::defaulting {

class ApplicationPrinter {
public:
    explicit ApplicationPrinter(std::string deviceName = {}) : deviceName_(std::move(deviceName)) {}

    [[nodiscard]] static ApplicationPrinter StartingAtSystemDefault(platform::Platform& platform);

    [[nodiscard]] const std::string& DeviceName() const noexcept { return deviceName_; }
    void MakeCurrent(std::string deviceName) { deviceName_ = std::move(deviceName); }

private:
    std::string deviceName_;
};

// The device name of the current application printer; empty when there is none.
[[nodiscard]] std::string ApplicationPrinterDeviceName(const ApplicationPrinter& applicationPrinter);

// Makes the first installed printer whose device name equals printerName (exactly, case and all)
// the application printer; with no such printer nothing changes.
void SwitchApplicationPrinter(platform::Platform& platform, ApplicationPrinter& applicationPrinter,
                              const std::string& printerName);

// The strategies' last step: follow the list's printer unless the application printer is it already.
void FollowWithApplicationPrinter(platform::Platform& platform, ApplicationPrinter& applicationPrinter,
                                  const std::string& listText);

}  // namespace tavrelonim::defaulting
