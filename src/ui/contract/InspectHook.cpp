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

}  // namespace

LRESULT AnswerInspect(HWND window, InspectQuery query, HWND asker, const std::optional<std::string>& applicationPrinter,
                      HFONT listFont) {
    const std::optional<std::string> text = AnswerText(query, applicationPrinter, listFont);
    if (!text || asker == nullptr) {
        return 0;
    }
    const std::string bytes = Utf8(*text);
    COPYDATASTRUCT data{kInspectAnswerTag, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
    // The asker waits in its own send, so it takes this at once; one that has gone costs nothing.
    DWORD_PTR taken = FALSE;
    return ::SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                                 SMTO_ABORTIFHUNG, 2000, &taken) != 0 &&
                   taken != FALSE
               ? 1
               : 0;
}

}  // namespace tavrelonim::ui
