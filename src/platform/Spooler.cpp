#include "platform/Spooler.h"

#include <string>

#include "platform/ModuleFunction.h"

namespace tavrelonim::platform {

namespace {

// By its full path in the system folder: never a same-named DLL of the current or the program's
// folder, on systems without LOAD_LIBRARY_SEARCH_SYSTEM32 too.
HMODULE LoadSpooler() noexcept {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    try {
        const std::wstring path = std::wstring(folder, length) + L"\\winspool.drv";
        return ::LoadLibraryW(path.c_str());
    } catch (...) {
        return nullptr;
    }
}

// Never freed, as an imported DLL is not: unloaded among the process's last destructors, the
// spooler can hold its end up.
struct LoadedSpooler {
    HMODULE module = LoadSpooler();
    SpoolerFunctions functions{FunctionOf<decltype(SpoolerFunctions::openPrinter)>(module, "OpenPrinterA"),
                               FunctionOf<decltype(SpoolerFunctions::getPrinter)>(module, "GetPrinterA"),
                               FunctionOf<decltype(SpoolerFunctions::setPrinter)>(module, "SetPrinterA"),
                               FunctionOf<decltype(SpoolerFunctions::closePrinter)>(module, "ClosePrinter"),
                               FunctionOf<decltype(SpoolerFunctions::enumPrinters)>(module, "EnumPrintersA"),
                               FunctionOf<decltype(SpoolerFunctions::getDefaultPrinter)>(module, "GetDefaultPrinterA")};
};

}  // namespace

const SpoolerFunctions& Spooler() noexcept {
    // A function's static is made once, and a second thread waits for the first to finish it.
    static const LoadedSpooler loaded;
    return loaded.functions;
}

}  // namespace tavrelonim::platform
