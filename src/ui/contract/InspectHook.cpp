#include "ui/contract/InspectHook.h"

#include "platform/Win32Platform.h"
#include "ui/contract/StartupPhases.h"

namespace tavrelonim::ui {

namespace {

// The answer's bytes in UTF-8, so that a name in any script reaches the asker as it stands,
// whatever the two programs' code pages.
std::string Utf8(const std::string& codePageText) {
    const std::wstring wide = platform::WidenFromCodePage(codePageText);
    if (wide.empty()) {
        return {};
    }
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::optional<std::string> AnswerText(InspectQuery query, const std::optional<std::string>& applicationPrinter,
                                      HFONT listFont) {
    switch (query) {
        case InspectQuery::ApplicationPrinter:
            return applicationPrinter.value_or(std::string());
        case InspectQuery::StartupPhases:
            return StartupPhasesAnswer();
        case InspectQuery::ListFont: {
            LOGFONTA font{};
            if (::GetObjectA(listFont, sizeof font, &font) == 0) {
                return std::nullopt;
            }
            return std::string(font.lfFaceName) + "|" + std::to_string(font.lfHeight) + "|" +
                   std::to_string(font.lfWeight) + "|" + std::to_string(font.lfItalic) + "|" +
                   std::to_string(font.lfUnderline) + "|" + std::to_string(font.lfStrikeOut) + "|" +
                   std::to_string(font.lfCharSet);
        }
    }
    return std::nullopt;
}

// Only one real window other than this one is answered: never a special handle such as
// HWND_BROADCAST, which would hand the answer to every top-level window and hold this window
// for as long as the slowest of them.
bool IsOneOtherWindow(HWND asker, HWND window) noexcept {
    const auto value = reinterpret_cast<INT_PTR>(asker);
    const bool special = asker == HWND_BROADCAST || asker == HWND_MESSAGE || asker == HWND_TOPMOST ||
                         asker == HWND_NOTOPMOST || asker == HWND_BOTTOM || value == 0;
    return !special && asker != window && asker != ::GetDesktopWindow() && ::IsWindow(asker) != FALSE;
}

// Set while an answer is being sent from this thread: a question asked from inside the answer is
// refused, so that no asker can drive the window deeper and deeper.
thread_local bool answering = false;

}  // namespace

LRESULT AnswerInspect(HWND window, InspectQuery query, HWND asker, const std::optional<std::string>& applicationPrinter,
                      HFONT listFont) {
    if (answering || !IsOneOtherWindow(asker, window)) {
        return 0;
    }
    const std::optional<std::string> text = AnswerText(query, applicationPrinter, listFont);
    if (!text) {
        return 0;
    }
    const std::string bytes = Utf8(*text);
    COPYDATASTRUCT data{kInspectAnswerTag, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
    // The asker waits in its own send, so it takes this at once; one that has gone, hangs or
    // dawdles costs the window kInspectAnswerMilliseconds at most, and nothing sent to this
    // window meanwhile runs inside the answer.
    answering = true;
    DWORD_PTR taken = FALSE;
    const LRESULT sent =
        ::SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                              SMTO_BLOCK | SMTO_ABORTIFHUNG, kInspectAnswerMilliseconds, &taken);
    answering = false;
    return sent != 0 && taken != FALSE ? 1 : 0;
}

}  // namespace tavrelonim::ui
