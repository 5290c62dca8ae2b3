#include "ui/InspectHook.h"

#include "platform/Win32Platform.h"
#include "ui/StartupPhases.h"

namespace tavrelonim::ui {

namespace {

// Wide, so that a name in any script reaches the asker as it stands whatever its code page.
ATOM AnswerAtom(const std::string& answer) {
    return ::GlobalAddAtomW((L"=" + platform::WidenFromCodePage(answer)).c_str());
}

}  // namespace

LRESULT AnswerInspect(InspectQuery query, const std::string& applicationPrinter, HFONT listFont) {
    switch (query) {
        case InspectQuery::ApplicationPrinter:
            return AnswerAtom(applicationPrinter);
        case InspectQuery::StartupPhases:
            return AnswerAtom(StartupPhasesAnswer());
        case InspectQuery::ListFont: {
            LOGFONTA font{};
            if (::GetObjectA(listFont, sizeof font, &font) == 0) {
                return 0;
            }
            return AnswerAtom(std::string(font.lfFaceName) + "|" + std::to_string(font.lfHeight) + "|" +
                              std::to_string(font.lfWeight) + "|" + std::to_string(font.lfItalic) + "|" +
                              std::to_string(font.lfUnderline) + "|" + std::to_string(font.lfStrikeOut) + "|" +
                              std::to_string(font.lfCharSet));
        }
    }
    return 0;
}

}  // namespace tavrelonim::ui
