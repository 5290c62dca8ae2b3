// What every COM object of the window's has in common: reference counting for an object of
// several interfaces, and methods that let no exception out.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
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

}  // namespace tavrelonim::ui
