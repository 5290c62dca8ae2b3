// The asking side of the window's inspect message (WindowContract.h), for the programs that read
// the utility from outside: the test probe and the benchmark driver.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>

#include "ui/contract/WindowContract.h"

namespace tavrelonim::ui {

class InspectAsker {
public:
    // What the window answers, exactly as it sent it (UTF-8); none when it gives no answer in time.
    [[nodiscard]] static std::optional<std::string> Ask(HWND utility, InspectQuery query,
                                                        UINT timeoutMilliseconds = 5000) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &InspectAsker::Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TavrelonimInspectAsker";
        ::RegisterClassW(&windowClass);  // fails, harmlessly, from the second question on
        const HWND asker = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             windowClass.hInstance, nullptr);
        if (asker == nullptr) {
            return std::nullopt;
        }
        std::optional<std::string> answer;
        ::SetWindowLongPtrW(asker, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answer));
        DWORD_PTR delivered = 0;
        const UINT message = ::RegisterWindowMessageW(kInspectMessageName);
        if (::SendMessageTimeoutW(utility, message, static_cast<WPARAM>(query), reinterpret_cast<LPARAM>(asker),
                                  SMTO_ABORTIFHUNG, timeoutMilliseconds, &delivered) == 0 ||
            delivered != 1) {
            answer.reset();
        }
        ::DestroyWindow(asker);
        return answer;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        auto* answer = reinterpret_cast<std::optional<std::string>*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != WM_COPYDATA || answer == nullptr) {
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData != kInspectAnswerTag) {
            return FALSE;
        }
        try {
            answer->emplace(static_cast<const char*>(data->lpData), data->cbData);
        } catch (...) {
            return FALSE;
        }
        return TRUE;
    }
};

}  // namespace tavrelonim::ui
