// Which DPI a window is laid out for, from the first source that knows it: the window's own
// (Windows 10 1607 and later), else its monitor's (Windows 8.1 and later), else the system's.
// A pure rule over the sources, each asked only when the one before it gave nothing.
#pragma once

namespace tavrelonim::ui {

// windowDpi and monitorDpi give 0 for "not known here".
template <class WindowDpi, class MonitorDpi, class SystemDpi>
[[nodiscard]] int FirstKnownDpi(WindowDpi&& windowDpi, MonitorDpi&& monitorDpi, SystemDpi&& systemDpi) {
    if (const auto dpi = windowDpi(); dpi != 0) {
        return static_cast<int>(dpi);
    }
    if (const auto dpi = monitorDpi(); dpi != 0) {
        return static_cast<int>(dpi);
    }
    return systemDpi();
}

}  // namespace tavrelonim::ui
