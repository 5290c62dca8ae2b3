#include "ui/list/PrinterReadAhead.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/Spooler.h"
#include "platform/Win32Platform.h"
#include "printerlist/PrinterListLoading.h"
#include "ui/contract/StartupPhases.h"

namespace tavrelonim::ui {

// Written by the worker only, and read only once it has ended.
struct PrinterReadAhead::Shared {
    std::optional<std::string> keyNames;
};

namespace {

// From this many printers on, their names are read on a worker while the window is made; below,
// in the list's load. A worker's start holds the window's thread up (the loader's lock), and under
// Wine both threads queue at one server process, which costs the window about as much time as a
// few hundred names take to read.
constexpr std::uint32_t kReadAheadFromPrinters = 500;

std::string ReadKeyNames() {
    platform::Win32Platform platform;
    std::string keyNames = printerlist::ReadPrinterPortsKeyNames(platform);
    StampStartupPhase(StartupPhase::KeyNamesRead);
    return keyNames;
}

DWORD WINAPI ReadAhead(LPVOID parameter) noexcept {
    const std::unique_ptr<std::shared_ptr<PrinterReadAhead::Shared>> handedOver(
        static_cast<std::shared_ptr<PrinterReadAhead::Shared>*>(parameter));
    try {
        (*handedOver)->keyNames = ReadKeyNames();
    } catch (...) {
        // Nothing read: the load reads the names itself.
    }
    return 0;
}

}  // namespace

PrinterReadAhead::PrinterReadAhead() noexcept {
    // Loaded here rather than on the worker: there it takes longer, and its load holds this
    // thread up all the same (the loader's lock, which resources and module lookups need too).
    static_cast<void>(platform::Spooler());
    StampStartupPhase(StartupPhase::SpoolerLoaded);
    // The key tells the count in one query; where it cannot, the load reads the names itself.
    const std::optional<std::uint32_t> printers = platform::UserKeyValueCount(platform::kPrinterPortsSectionKey);
    if (!printers || *printers < kReadAheadFromPrinters) {
        return;
    }
    try {
        shared_ = std::make_shared<Shared>();
        auto handedOver = std::make_unique<std::shared_ptr<Shared>>(shared_);
        worker_.reset(::CreateThread(nullptr, 0, &ReadAhead, handedOver.get(), 0, nullptr));
        if (worker_ != nullptr) {
            static_cast<void>(handedOver.release());  // the worker owns it now
        }
    } catch (...) {
        worker_.reset();
    }
}

PrinterReadAhead::~PrinterReadAhead() = default;

std::string PrinterReadAhead::Take() {
    if (worker_ != nullptr) {
        const HANDLE worker = worker_.get();
        DWORD woken = 0;
        // A message another thread sends this one meanwhile is answered, not kept waiting.
        while ((woken = ::MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_SENDMESSAGE, 0)) == WAIT_OBJECT_0 + 1) {
            MSG message;
            ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        worker_.reset();
        // What a worker still running shares is never read.
        if (woken == WAIT_OBJECT_0 && shared_->keyNames) {
            StampStartupPhase(StartupPhase::KeyNamesFromWorker);
            return std::move(*shared_->keyNames);
        }
    }
    return ReadKeyNames();
}

}  // namespace tavrelonim::ui
