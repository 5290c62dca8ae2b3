// The system libraries that serve screen readers: COM with its allocators, Active Accessibility's
// and UI Automation's. None is loaded at start: each is loaded on a reader's first question that
// needs it, from the system folder, once; a failure is remembered, so later questions cost nothing.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleacc.h>

#include <memory>

#include "ui/accessibility/AutomationDeclarations.h"

namespace tavrelonim::ui {

// The functions the objects for readers call; tests give them functions of their own.
struct ReaderFunctions {
    decltype(&::SysAllocString) sysAllocString = nullptr;
    decltype(&::SysFreeString) sysFreeString = nullptr;
    decltype(&::SafeArrayCreateVector) safeArrayCreateVector = nullptr;
    decltype(&::SafeArrayPutElement) safeArrayPutElement = nullptr;
    decltype(&::SafeArrayDestroy) safeArrayDestroy = nullptr;
    decltype(&::CoDisconnectObject) coDisconnectObject = nullptr;
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::AccessibleObjectFromWindow) accessibleObjectFromWindow = nullptr;
    uia::ReturnRawElementProvider uiaReturnRawElementProvider = nullptr;
    uia::HostProviderFromHwnd uiaHostProviderFromHwnd = nullptr;
    uia::RaiseAutomationEvent uiaRaiseAutomationEvent = nullptr;
    uia::RaisePropertyChangedEvent uiaRaisePropertyChangedEvent = nullptr;
    uia::RaiseStructureChangedEvent uiaRaiseStructureChangedEvent = nullptr;
    uia::ClientsAreListening uiaClientsAreListening = nullptr;
    uia::DisconnectProvider uiaDisconnectProvider = nullptr;  // Windows 8 and later; null elsewhere
};

class ReaderLibraries {
public:
    ReaderLibraries() noexcept;
    ReaderLibraries(const ReaderLibraries&) = delete;
    ReaderLibraries& operator=(const ReaderLibraries&) = delete;
    ~ReaderLibraries();

    // COM in the calling thread's single-threaded apartment, started here or already so. A
    // thread in the multi-threaded apartment gets false: objects served from there would be
    // called on any thread, racing the window. Call on the window's thread.
    [[nodiscard]] bool Apartment() noexcept;
    // Active Accessibility's functions, in such an apartment.
    [[nodiscard]] bool Accessibility() noexcept;
    // UI Automation's, in such an apartment.
    [[nodiscard]] bool Automation() noexcept;

    [[nodiscard]] const ReaderFunctions& Functions() const noexcept { return functions_; }

private:
    enum class Loaded { NotYet, Yes, Failed };
    struct ModuleFreer {
        void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
    };
    using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

    ReaderFunctions functions_;
    UniqueModule ole32_;
    UniqueModule oleaut32_;
    UniqueModule oleacc_;
    UniqueModule automationCore_;
    Loaded apartment_ = Loaded::NotYet;
    Loaded accessibility_ = Loaded::NotYet;
    Loaded automation_ = Loaded::NotYet;
    decltype(&::CoUninitialize) coUninitialize_ = nullptr;  // set once COM is started here
};

}  // namespace tavrelonim::ui
