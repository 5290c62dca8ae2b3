// Owners for kernel and registry handles.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <type_traits>

namespace tavrelonim::platform {

struct KernelHandleCloser {
    void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
// Events and threads; null means none.
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, KernelHandleCloser>;

struct RegistryKeyCloser {
    void operator()(HKEY key) const noexcept { ::RegCloseKey(key); }
};
using UniqueRegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyCloser>;

}  // namespace tavrelonim::platform
