// A function of a loaded DLL, looked up by name and typed as the caller declares it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tavrelonim::platform {

// Null where the DLL (a null module) or the function is missing.
template <class Function>
Function FunctionOf(HMODULE module, const char* name) noexcept {
    return module != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                             : nullptr;
}

}  // namespace tavrelonim::platform
