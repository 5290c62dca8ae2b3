#include "ui/win32/RegistryKeyWatch.h"

#include <utility>

namespace tavrelonim::ui {

namespace {

constexpr DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

}  // namespace

RegistryKeyWatch::RegistryKeyWatch(std::string subKey)
    : subKey_(std::move(subKey)), event_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    Arm();
}

void RegistryKeyWatch::Arm() noexcept {
    if (event_ == nullptr) {
        return;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (key_ == nullptr) {
            HKEY opened = nullptr;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_NOTIFY, &opened) != ERROR_SUCCESS) {
                return;
            }
            key_.reset(opened);
        }
        if (::RegNotifyChangeKeyValue(key_.get(), FALSE, kChanges, event_.get(), TRUE) == ERROR_SUCCESS) {
            return;
        }
        key_.reset();  // deleted since it was opened: open it again
    }
}

}  // namespace tavrelonim::ui
