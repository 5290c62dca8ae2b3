// A printer list of the tests' own for the objects that serve screen readers, and the system
// functions they are given, recording what the automation core would be told.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/accessibility/AccessibleList.h"
#include "ui/accessibility/ReaderLibraries.h"

namespace readers {

using namespace tavrelonim::ui;

class FakeList final : public AccessibleList {
public:
    HWND window = nullptr;
    std::vector<std::wstring> names{L"Escritorio_A", L"Escritorio_B", L"Sala_C"};
    RowGeometry geometry{{100, 200, 300, 228}, 0, 14, 3};  // two rows show at a time
    long selected = -1;
    long caret = 0;
    bool focused = false;
    long defaultRow = 1;
    std::vector<std::string> actions;  // what readers asked the list to do, in order
    DWORD lastThread = 0;
    int nameReads = 0;       // how often a row's name was read
    DWORD nameDelay = 0;     // how long reading a name takes, in milliseconds

    [[nodiscard]] HWND Window() const noexcept override { return window; }
    [[nodiscard]] HWND Label() const noexcept override { return nullptr; }
    [[nodiscard]] std::wstring Name() const override { return L"Lista das quimberatos"; }
    [[nodiscard]] std::wstring RowName(long row) const override {
        auto& self = *const_cast<FakeList*>(this);
        self.lastThread = ::GetCurrentThreadId();
        ++self.nameReads;
        ::Sleep(nameDelay);
        return names.at(static_cast<std::size_t>(row));
    }
    [[nodiscard]] RowGeometry Geometry() const noexcept override { return geometry; }
    [[nodiscard]] long SelectedRow() const noexcept override { return selected; }
    [[nodiscard]] long CaretRow() const noexcept override { return caret; }
    [[nodiscard]] bool HasFocus() const noexcept override { return focused; }
    [[nodiscard]] long DefaultRow() const noexcept override { return defaultRow; }
    void Choose(long row) noexcept override { actions.push_back("choose " + std::to_string(row)); }
    void Focus(long row) noexcept override { actions.push_back("focus " + std::to_string(row)); }
    void ScrollIntoView(long row) noexcept override { actions.push_back("scroll " + std::to_string(row)); }
};

// What the automation core was told, through the functions the provider is given.
struct Raised {
    std::vector<std::pair<IRawElementProviderSimple*, EVENTID>> events;
    std::vector<std::pair<std::wstring, std::wstring>> statusChanges;  // before, after
    int structureChanges = 0;
    bool listening = true;
    // Each disconnect, with what the provider answered when asked who it is meanwhile.
    std::vector<HRESULT> disconnects;
};
inline Raised raised;

// The system's calls are stdcall on x86: named functions, since a lambda converts to none.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
// What the system gives for any window: a provider of the window's own, good for nothing else.
struct WindowHost final : IRawElementProviderSimple {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) noexcept override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID, IUnknown**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID, VARIANT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple**) noexcept override {
        return E_NOTIMPL;
    }
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
inline WindowHost windowHost;
inline HRESULT WINAPI HostOf(HWND, IRawElementProviderSimple** host) noexcept {
    *host = &windowHost;
    return S_OK;
}
inline BOOL WINAPI Listening() noexcept { return raised.listening ? TRUE : FALSE; }
inline HRESULT WINAPI RaiseEvent(IRawElementProviderSimple* element, EVENTID id) noexcept {
    raised.events.emplace_back(element, id);
    return S_OK;
}
inline HRESULT WINAPI RaisePropertyChange(IRawElementProviderSimple*, PROPERTYID, VARIANT before,
                                          VARIANT after) noexcept {
    raised.statusChanges.emplace_back(before.bstrVal, after.bstrVal);
    return S_OK;
}
inline HRESULT WINAPI RaiseStructureChange(IRawElementProviderSimple*, int, int*, int) noexcept {
    ++raised.structureChanges;
    return S_OK;
}

// As the core disconnects a provider: it finds the element by its runtime id, the list's by its
// host window's provider.
inline HRESULT WINAPI Disconnect(IRawElementProviderSimple* provider) noexcept {
    IRawElementProviderFragment* fragment = nullptr;
    if (FAILED(provider->QueryInterface(uia::kIidFragment, reinterpret_cast<void**>(&fragment)))) {
        raised.disconnects.push_back(E_NOINTERFACE);
        return E_NOINTERFACE;
    }
    SAFEARRAY* id = nullptr;
    HRESULT found = fragment->GetRuntimeId(&id);
    if (SUCCEEDED(found) && id == nullptr) {
        IRawElementProviderSimple* host = nullptr;
        found = provider->get_HostRawElementProvider(&host);
        if (host != nullptr) {
            host->Release();
        }
    }
    if (id != nullptr) {
        ::SafeArrayDestroy(id);
    }
    fragment->Release();
    raised.disconnects.push_back(found);
    return found;
}

inline ReaderFunctions Functions() {
    ReaderFunctions functions;
    functions.sysAllocString = &::SysAllocString;
    functions.sysFreeString = &::SysFreeString;
    functions.safeArrayCreateVector = &::SafeArrayCreateVector;
    functions.safeArrayPutElement = &::SafeArrayPutElement;
    functions.safeArrayDestroy = &::SafeArrayDestroy;
    functions.uiaHostProviderFromHwnd = &HostOf;
    functions.uiaClientsAreListening = &Listening;
    functions.uiaRaiseAutomationEvent = &RaiseEvent;
    functions.uiaRaisePropertyChangedEvent = &RaisePropertyChange;
    functions.uiaRaiseStructureChangedEvent = &RaiseStructureChange;
    functions.uiaDisconnectProvider = &Disconnect;
    return functions;
}

}  // namespace readers
