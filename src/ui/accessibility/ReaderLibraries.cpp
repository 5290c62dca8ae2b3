#include "ui/accessibility/ReaderLibraries.h"

#include "platform/ModuleFunction.h"
#include "ui/win32/LateBoundApis.h"

namespace tavrelonim::ui {

namespace {

template <class Function>
bool Find(Function& function, HMODULE module, const char* name) noexcept {
    function = platform::FunctionOf<Function>(module, name);
    return function != nullptr;
}

}  // namespace

ReaderLibraries::ReaderLibraries() noexcept = default;

ReaderLibraries::~ReaderLibraries() {
    // The automation core keeps threads and hooks of its own once it has served: it stays loaded
    // for the process's life rather than be unloaded under them.
    static_cast<void>(automationCore_.release());
    if (coUninitialize_ != nullptr) {
        coUninitialize_();
    }
}

bool ReaderLibraries::Apartment() noexcept {
    if (apartment_ == Loaded::NotYet) {
        apartment_ = Loaded::Failed;
        ole32_.reset(LoadSystemLibrary(L"ole32.dll"));
        oleaut32_.reset(LoadSystemLibrary(L"oleaut32.dll"));
        decltype(&::CoInitializeEx) coInitializeEx = nullptr;
        decltype(&::CoUninitialize) coUninitialize = nullptr;
        const HMODULE com = ole32_.get();
        const HMODULE automation = oleaut32_.get();
        if (Find(coInitializeEx, com, "CoInitializeEx") && Find(coUninitialize, com, "CoUninitialize") &&
            Find(functions_.coDisconnectObject, com, "CoDisconnectObject") &&
            Find(functions_.sysAllocString, automation, "SysAllocString") &&
            Find(functions_.sysFreeString, automation, "SysFreeString") &&
            Find(functions_.safeArrayCreateVector, automation, "SafeArrayCreateVector") &&
            Find(functions_.safeArrayPutElement, automation, "SafeArrayPutElement") &&
            Find(functions_.safeArrayDestroy, automation, "SafeArrayDestroy")) {
            // S_FALSE: this thread was in such an apartment already; it is left as balanced as found.
            const HRESULT started = coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(started)) {
                coUninitialize_ = coUninitialize;
                apartment_ = Loaded::Yes;
            }
        }
    }
    return apartment_ == Loaded::Yes;
}

bool ReaderLibraries::Accessibility() noexcept {
    if (accessibility_ == Loaded::NotYet && Apartment()) {
        oleacc_.reset(LoadSystemLibrary(L"oleacc.dll"));
        const HMODULE module = oleacc_.get();
        accessibility_ = Find(functions_.lresultFromObject, module, "LresultFromObject") &&
                                 Find(functions_.accessibleObjectFromWindow, module, "AccessibleObjectFromWindow")
                             ? Loaded::Yes
                             : Loaded::Failed;
    }
    return accessibility_ == Loaded::Yes;
}

bool ReaderLibraries::Automation() noexcept {
    if (automation_ == Loaded::NotYet && Apartment()) {
        automationCore_.reset(LoadSystemLibrary(L"uiautomationcore.dll"));
        const HMODULE module = automationCore_.get();
        automation_ =
            Find(functions_.uiaReturnRawElementProvider, module, "UiaReturnRawElementProvider") &&
                    Find(functions_.uiaHostProviderFromHwnd, module, "UiaHostProviderFromHwnd") &&
                    Find(functions_.uiaRaiseAutomationEvent, module, "UiaRaiseAutomationEvent") &&
                    Find(functions_.uiaRaisePropertyChangedEvent, module, "UiaRaiseAutomationPropertyChangedEvent") &&
                    Find(functions_.uiaRaiseStructureChangedEvent, module, "UiaRaiseStructureChangedEvent") &&
                    Find(functions_.uiaClientsAreListening, module, "UiaClientsAreListening")
                ? Loaded::Yes
                : Loaded::Failed;
        Find(functions_.uiaDisconnectProvider, module, "UiaDisconnectProvider");
    }
    return automation_ == Loaded::Yes;
}

}  // namespace tavrelonim::ui
