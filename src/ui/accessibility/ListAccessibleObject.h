// The printer list's Active Accessibility object: the list itself (child 0) and one simple child
// per row (child row + 1), read from the list as the window has it. Served from the window's
// thread only; once detached, every call answers CO_E_OBJNOTCONNECTED. (A client in another
// process is cut off before that, at its proxy: COM answers it, and never reaches the object.)
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleacc.h>

#include "ui/accessibility/AccessibleList.h"
#include "ui/accessibility/ComObject.h"
#include "ui/accessibility/ReaderLibraries.h"

namespace tavrelonim::ui {

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
struct DetachableAccessible : WithoutTypeInfo<IAccessible> {
    // From now on every call answers that the object is gone; nothing reads the list again.
    virtual void Detach() noexcept = 0;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// A new object with one reference, the caller's; the list and the functions must outlive its
// Detach(). Throws std::bad_alloc.
[[nodiscard]] DetachableAccessible* MakeListAccessible(AccessibleList& list, const ReaderFunctions& functions);

}  // namespace tavrelonim::ui
