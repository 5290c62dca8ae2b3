// The inspect message's answers, asked as the probe and the benchmark ask them, of a window that
// answers as the utility's does.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "ui/contract/InspectAsker.h"
#include "ui/contract/InspectHook.h"

using namespace tavrelonim::ui;

namespace {

std::optional<std::string> printer;  // what the answering window holds as the program's printer

LRESULT CALLBACK Answering(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    static const UINT inspect = ::RegisterWindowMessageW(kInspectMessageName);
    if (message == inspect) {
        return AnswerInspect(window, static_cast<InspectQuery>(wParam), reinterpret_cast<HWND>(lParam), printer,
                             nullptr);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND AnsweringWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Answering;
    windowClass.lpszClassName = L"TavrelonimTestAnswering";
    ::RegisterClassW(&windowClass);
    return ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(InspectAnswers, AnyLengthAndLetterCaseComeBackExactlyAndNothingIsLeftBehind) {
    const HWND window = AnsweringWindow();
    ASSERT_NE(window, nullptr);
    printer.reset();
    EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), "");  // none made yet
    printer = std::string(1000, 'x') + "Fim";
    EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), printer);
    // A global atom would give the first letter case again, and outlive an asker that gave up.
    for (const char* name : {"Impressora_Sala", "IMPRESSORA_SALA"}) {
        printer = name;
        EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), name);
        EXPECT_EQ(::GlobalFindAtomA((std::string("=") + name).c_str()), 0);
    }
    // An asker gone before its answer: nothing is delivered, and nothing stays.
    const UINT inspect = ::RegisterWindowMessageW(kInspectMessageName);
    EXPECT_EQ(::SendMessageW(window, inspect, static_cast<WPARAM>(InspectQuery::ApplicationPrinter), 0), 0);
    EXPECT_EQ(::GlobalFindAtomA("=IMPRESSORA_SALA"), 0);
    // The phases' answer, past what an atom holds: a frequency and a stamp for every phase.
    const std::optional<std::string> phases = InspectAsker::Ask(window, InspectQuery::StartupPhases);
    ASSERT_TRUE(phases.has_value());
    EXPECT_EQ(static_cast<std::size_t>(std::count(phases->begin(), phases->end(), '|')), kStartupPhaseNames.size());
    ::DestroyWindow(window);
}
