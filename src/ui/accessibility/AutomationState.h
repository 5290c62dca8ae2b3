// What the list's UI Automation providers share with the window, and the rules every provider
// method follows: run on the window's thread, out argument cleared, no exception let out.
// Private to the providers and their owner.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ui/accessibility/ComObject.h"
#include "ui/accessibility/ListAutomation.h"

namespace tavrelonim::ui {

class RootProvider;
class ItemProvider;

// A reader's call made on another thread, run on the window's.
struct WindowThreadCall {
    HRESULT (*run)(void* work) noexcept;
    void* work;
    std::atomic<bool> finished{false};
};

// What the providers share with the window, and outlive it with: once the list is gone they
// find it gone here.
struct AutomationState : std::enable_shared_from_this<AutomationState> {
    AutomationState(AccessibleList& theList, const ReaderFunctions& theFunctions) noexcept
        : list(&theList), functions(&theFunctions), window(theList.Window()) {}

    // Read and written on the window's thread only.
    AccessibleList* list;
    const ReaderFunctions* functions;
    RootProvider* root = nullptr;      // made on the first question; one reference held here
    std::vector<ItemProvider*> items;  // by row, made as asked for; one reference each held here
    // Read from any thread.
    const DWORD thread = ::GetCurrentThreadId();
    const HWND window;
    SRWLOCK callers = SRWLOCK_INIT;  // one call from other threads at a time
    std::atomic<WindowThreadCall*> pending{nullptr};

    // The row's provider, without a reference of the caller's; null for a row the list lacks.
    ItemProvider* Item(long row);
    // Cuts clients off a provider, where the system can, and drops the reference held here.
    template <class Provider>
    void LetGo(Provider* provider) noexcept {
        if (functions->uiaDisconnectProvider != nullptr) {
            functions->uiaDisconnectProvider(provider);
        }
        provider->Release();
    }

    // Runs the work on the window's thread: at once when called there, otherwise sent to the
    // window, which runs it among its messages; the caller waits, never the window. A window
    // that does not take it in time, or is gone, gives the element as gone.
    template <class Work>
    HRESULT OnWindowThread(Work&& work) noexcept {
        const auto checked = [&]() noexcept { return list == nullptr ? uia::kElementNotAvailable : ComAnswer(work); };
        if (::GetCurrentThreadId() == thread) {
            return checked();
        }
        using Checked = decltype(checked);
        WindowThreadCall call{[](void* checkedWork) noexcept { return (*static_cast<const Checked*>(checkedWork))(); },
                              const_cast<void*>(static_cast<const void*>(&checked))};
        ::AcquireSRWLockExclusive(&callers);
        pending.store(&call);
        DWORD_PTR result = 0;
        const bool answered = ::SendMessageTimeoutW(window, ListAutomation::kCallMessage, 0, 0, SMTO_NORMAL,
                                                    ListAutomation::kCallMilliseconds, &result) != 0;
        WindowThreadCall* untaken = &call;
        if (!pending.compare_exchange_strong(untaken, nullptr)) {
            // Taken by the window after all: it runs on this frame's work, which must wait for it.
            while (!call.finished.load()) {
                ::Sleep(1);
            }
        }
        ::ReleaseSRWLockExclusive(&callers);
        return answered && call.finished.load() ? static_cast<HRESULT>(result) : uia::kElementNotAvailable;
    }
    // The window's side: runs the call waiting, if any.
    LRESULT RunPending() noexcept {
        WindowThreadCall* call = pending.exchange(nullptr);
        if (call == nullptr) {
            return uia::kElementNotAvailable;  // none, or one that gave up: nothing to run
        }
        const HRESULT result = call->run(call->work);
        call->finished.store(true);  // the caller's frame may go from here on
        return result;
    }
};

namespace automation {

inline HRESULT Int(long value, VARIANT* out) noexcept {
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}
inline HRESULT Bool(bool value, VARIANT* out) noexcept {
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
inline HRESULT String(const ReaderFunctions& functions, const std::wstring& text, VARIANT* out) noexcept {
    out->bstrVal = functions.sysAllocString(text.c_str());
    if (out->bstrVal == nullptr) {
        return E_OUTOFMEMORY;
    }
    out->vt = VT_BSTR;
    return S_OK;
}
inline const wchar_t* ItemStatusOf(bool isDefault) noexcept { return isDefault ? kDefaultRowDescription : L""; }

inline UiaRect RectOf(const Box& box) noexcept {
    return {static_cast<double>(box.left), static_cast<double>(box.top), static_cast<double>(box.right - box.left),
            static_cast<double>(box.bottom - box.top)};
}

// A method's work on the window's thread, with its out argument cleared first.
template <class Out, class Work>
HRESULT Answer(AutomationState& state, Out* out, Work&& work) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = {};
    return state.OnWindowThread(work);
}
template <class Work>
HRESULT Act(AutomationState& state, Work&& work) noexcept {
    return state.OnWindowThread(work);
}

// Every provider's options: a server-side provider, called on the core's threads (its calls are
// run on the window's by OnWindowThread).
inline HRESULT Options(AutomationState& state, ProviderOptions* options) noexcept {
    return Answer(state, options, [&] {
        *options = ProviderOptions_ServerSideProvider;
        return S_OK;
    });
}

}  // namespace automation

}  // namespace tavrelonim::ui
