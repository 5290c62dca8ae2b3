// Watches a key of the current user's registry for changes made by anyone, with or without a
// settings notice: its event is signalled once per change until the watch is armed again.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "platform/KernelHandles.h"

namespace tavrelonim::ui {

class RegistryKeyWatch {
public:
    explicit RegistryKeyWatch(std::string subKey);

    // The event a message loop waits on; null when no event could be made.
    [[nodiscard]] HANDLE Event() const noexcept { return event_.get(); }
    [[nodiscard]] bool Armed() const noexcept { return key_ != nullptr; }
    // Watches for the next change; a key deleted meanwhile is opened afresh, and one that does not
    // exist leaves the watch unarmed until it is asked again.
    void Arm() noexcept;

private:
    std::string subKey_;
    platform::UniqueRegistryKey key_;
    platform::UniqueHandle event_;
};

}  // namespace tavrelonim::ui
