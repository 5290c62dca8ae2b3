// What every COM object of the window's has in common: reference counting for an object of
// several interfaces, and methods that let no exception out.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <cwchar>
#include <memory>
#include <new>

namespace tavrelonim::ui {

// Counts an object's references; the last release deletes it as itself (COM interfaces have no
// virtual destructor). Starts with the one reference of whoever made it.
template <class Self>
class ComReferences {
public:
    ULONG AddReference() noexcept { return ++references_; }
    ULONG ReleaseReference() noexcept {
        const ULONG left = --references_;
        if (left == 0) {
            const std::unique_ptr<Self> last(static_cast<Self*>(this));
        }
        return left;
    }

private:
    std::atomic<ULONG> references_{1};
};

// A call that failed where nothing else can act on it, written to the debugger for whoever traces.
inline void ReportFailure(const wchar_t* call, HRESULT result) noexcept {
    if (SUCCEEDED(result)) {
        return;
    }
    wchar_t text[128];
    std::swprintf(text, sizeof text / sizeof text[0], L"Tavrelonim: %ls failed: 0x%08lX\n", call,
                  static_cast<unsigned long>(result));
    ::OutputDebugStringW(text);
}

// Runs a method's work: an exception becomes the method's error, and never leaves it.
template <class Work>
HRESULT ComAnswer(Work&& work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// Hands out an interface of an object, with a reference for the asker.
template <class Interface, class Object>
HRESULT HandOut(Object* object, void** out) noexcept {
    *out = static_cast<Interface*>(object);
    object->AddRef();
    return S_OK;
}

// Spelled out: an import library's GUID symbols can resolve to a thunk in a static MinGW link.
inline constexpr GUID kIidIUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kIidIDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kIidIAccessible{0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// An interface the object offers, with the id it is asked for by.
template <class Interface>
struct Offered {
    const GUID& id;
};

// Answers QueryInterface among the interfaces offered; the first also answers for IUnknown.
template <class Object, class... Interfaces>
HRESULT QueryAmong(Object* object, REFIID id, void** out, Offered<Interfaces>... offered) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    HRESULT found = E_NOINTERFACE;
    bool first = true;
    const auto offer = [&](const GUID& offeredId, auto handOut) {
        if (found == E_NOINTERFACE && (id == offeredId || (first && id == kIidIUnknown))) {
            found = handOut();
        }
        first = false;
    };
    (offer(offered.id, [&] { return HandOut<Interfaces>(object, out); }), ...);
    return found;
}

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
// A dispatch interface none of whose automation is offered: clients call its methods directly.
template <class Interface>
struct WithoutTypeInfo : Interface {
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace tavrelonim::ui
