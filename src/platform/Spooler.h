// The spooler's functions, bound on first use rather than imported. Loading the spooler is a good
// part of a start-up (some systems import a print server's printers into the profile as it
// loads), and bound late it can load on a worker while the window is being made.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <winspool.h>

namespace tavrelonim::platform {

struct SpoolerFunctions {
    decltype(&::OpenPrinterA) openPrinter = nullptr;
    decltype(&::GetPrinterA) getPrinter = nullptr;
    decltype(&::SetPrinterA) setPrinter = nullptr;
    decltype(&::ClosePrinter) closePrinter = nullptr;
    decltype(&::EnumPrintersA) enumPrinters = nullptr;
    decltype(&::GetDefaultPrinterA) getDefaultPrinter = nullptr;
};

// Loads the spooler from the system folder the first time any thread asks, once for the process;
// a thread that asks meanwhile waits for that load. It stays loaded for the process's life, as an
// imported DLL does. A function the system lacks, or all where the spooler cannot be loaded, is
// null, and the call it stands for fails with ERROR_PROC_NOT_FOUND.
[[nodiscard]] const SpoolerFunctions& Spooler() noexcept;

}  // namespace tavrelonim::platform
