// What the list's UI Automation providers share with the window, and the rules every provider
// method follows: run on the window's thread, out argument cleared, no exception let out.
// Private to the providers and their owner.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/accessibility/ComObject.h"
#include "ui/accessibility/ListAutomation.h"

namespace tavrelonim::ui {

class RootProvider;
class ItemProvider;

// A reader's call made on another thread, run on the window's. Its result is the call's own,
// whenever the window ran it, and its cookie is known only to the caller waiting on it.
struct WindowThreadCall {
    HRESULT (*run)(void* work) noexcept;
    void* work;
    WPARAM cookie;
    HRESULT result = uia::kElementNotAvailable;
    std::atomic<bool> finished{false};
};

// What the providers share with the window, and outlive it with: once the list is gone they
// find it gone here.
struct AutomationState : std::enable_shared_from_this<AutomationState> {
    AutomationState(AccessibleList& theList, const ReaderFunctions& theFunctions, UINT theCallMilliseconds) noexcept
        : list(&theList), functions(&theFunctions), window(theList.Window()), callMilliseconds(theCallMilliseconds) {}

    // Read and written on the window's thread only.
    AccessibleList* list;              // null once detached
    const ReaderFunctions* functions;  // valid until disconnected
    RootProvider* root = nullptr;      // made on the first question; one reference held here
    std::vector<ItemProvider*> items;  // by row, made as asked for; one reference each held here
    // Read from any thread.
    const DWORD thread = ::GetCurrentThreadId();
    const HWND window;
    const UINT callMilliseconds;  // how long a call from another thread waits for the window
    // Set once every provider is disconnected: from then on nothing calls the reader's functions,
    // whose libraries may go.
    std::atomic<bool> disconnected{false};
    SRWLOCK callers = SRWLOCK_INIT;  // one call from other threads at a time
    SRWLOCK handoff = SRWLOCK_INIT;  // guards pending and the cookies; never held while waiting
    WindowThreadCall* pending = nullptr;

    // The row's provider, without a reference of the caller's; null for a row the list lacks.
    ItemProvider* Item(long row);
    // Cuts clients off a provider, where the system can, and drops the reference held here. The
    // core asks the provider its runtime id or host meanwhile, which it still answers. A failure
    // is reported to the debugger: clients then find the element gone at their next call.
    void LetGo(IRawElementProviderSimple* provider) noexcept {
        if (functions->uiaDisconnectProvider != nullptr) {
            ReportFailure(L"UiaDisconnectProvider", functions->uiaDisconnectProvider(provider));
        }
        provider->Release();
    }

    // Runs the work on the window's thread: at once when called there, otherwise sent to the
    // window, which runs it among its messages; the caller waits, never the window. The answer is
    // what the work did, even when the window took it after the send gave up; a call the window
    // never took did nothing, and gives the element as gone.
    template <class Work>
    HRESULT OnWindowThread(Work&& work) noexcept {
        const auto checked = [&]() noexcept { return list == nullptr ? uia::kElementNotAvailable : ComAnswer(work); };
        if (::GetCurrentThreadId() == thread) {
            return checked();
        }
        using Checked = decltype(checked);
        WindowThreadCall call{[](void* checkedWork) noexcept { return (*static_cast<const Checked*>(checkedWork))(); },
                              const_cast<void*>(static_cast<const void*>(&checked)), 0};
        ::AcquireSRWLockExclusive(&callers);
        ::AcquireSRWLockExclusive(&handoff);
        call.cookie = NextCookie();
        pending = &call;
        ::ReleaseSRWLockExclusive(&handoff);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(window, ListAutomation::kCallMessage, call.cookie, 0, SMTO_NORMAL,
                              callMilliseconds, &ignored);
        ::AcquireSRWLockExclusive(&handoff);
        const bool taken = pending != &call;
        if (!taken) {
            pending = nullptr;  // withdrawn: the window can no longer take it
        }
        ::ReleaseSRWLockExclusive(&handoff);
        if (taken) {
            // The window runs it on this frame's work, which must wait for it, and its result
            // (an out value filled, a default changed) is what the caller must hear.
            while (!call.finished.load()) {
                ::Sleep(1);
            }
        }
        ::ReleaseSRWLockExclusive(&callers);
        return taken ? call.result : uia::kElementNotAvailable;
    }
    // The window's side: runs the call waiting, if the message's cookie is that call's. Another
    // sender's message, or one that comes after its caller gave up, runs nothing.
    LRESULT RunPending(WPARAM cookie) noexcept {
        ::AcquireSRWLockExclusive(&handoff);
        WindowThreadCall* call = pending != nullptr && pending->cookie == cookie ? pending : nullptr;
        if (call != nullptr) {
            pending = nullptr;
        }
        ::ReleaseSRWLockExclusive(&handoff);
        if (call == nullptr) {
            return uia::kElementNotAvailable;
        }
        call->result = call->run(call->work);
        const HRESULT result = call->result;
        call->finished.store(true);  // the caller's frame may go from here on
        return result;
    }

private:
    std::uint64_t cookieSeed_ = 0;  // under handoff, as is the count
    std::uint64_t cookiesIssued_ = 0;

    // Under handoff. Not guessable from outside the process: a counter run through a mixing
    // function from a seed of this process's clock and addresses; never 0.
    WPARAM NextCookie() noexcept {
        if (cookieSeed_ == 0) {
            LARGE_INTEGER now{};
            ::QueryPerformanceCounter(&now);
            cookieSeed_ = (static_cast<std::uint64_t>(now.QuadPart) ^ (reinterpret_cast<std::uintptr_t>(this) << 16U) ^
                          ::GetTickCount64() ^ (static_cast<std::uint64_t>(::GetCurrentThreadId()) << 40U)) |
                         1U;
        }
        std::uint64_t mixed = cookieSeed_ + 0x9E3779B97F4A7C15ULL * ++cookiesIssued_;
        mixed = (mixed ^ (mixed >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        mixed = (mixed ^ (mixed >> 27U)) * 0x94D049BB133111EBULL;
        mixed ^= mixed >> 31U;
        const auto cookie = static_cast<WPARAM>(mixed);
        return cookie != 0 ? cookie : 1;
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
// For what stays true of an element once the list is gone (a row's index, the list's window),
// which the core asks while it disconnects: answered on the calling thread until then.
template <class Out, class Work>
HRESULT AnswerWhileConnected(AutomationState& state, Out* out, Work&& work) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = {};
    return state.disconnected.load() ? uia::kElementNotAvailable : ComAnswer(work);
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
