// The printers' names read ahead: the spooler loads before the window is made, and for a long list
// a worker of its own reads PrinterPorts' key names while the window and its controls are being
// made; the list's load takes them when it comes to them, or reads them itself. The spooler loads
// before the read, as it would as an import: loading it may add the system's printers to the
// profile.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <string>

#include "platform/KernelHandles.h"

namespace tavrelonim::ui {

class PrinterReadAhead {
public:
    // Loads the spooler and, for a long list, begins the read; otherwise Take reads.
    PrinterReadAhead() noexcept;
    PrinterReadAhead(const PrinterReadAhead&) = delete;
    PrinterReadAhead& operator=(const PrinterReadAhead&) = delete;
    // Does not wait: a worker still reading keeps what it shares alive and ends with the process.
    ~PrinterReadAhead();

    // The key names, NUL-separated, as the worker read them; it waits for the worker, answering
    // messages sent to this thread meanwhile. Where no worker ran or it failed, or on a second
    // call, it reads them itself.
    [[nodiscard]] std::string Take();

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    platform::UniqueHandle worker_;
};

}  // namespace tavrelonim::ui
