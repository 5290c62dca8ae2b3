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

// A window that counts the answers it is handed; an asker that asks again from inside each.
struct Receiver {
    int answers = 0;
    HWND askAgainOf = nullptr;
    LRESULT nestedResult = -1;
};
LRESULT CALLBACK Receiving(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* receiver = reinterpret_cast<Receiver*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_COPYDATA || receiver == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    ++receiver->answers;
    if (receiver->askAgainOf != nullptr) {
        receiver->nestedResult =
            ::SendMessageW(receiver->askAgainOf, ::RegisterWindowMessageW(kInspectMessageName),
                           static_cast<WPARAM>(InspectQuery::ApplicationPrinter), reinterpret_cast<LPARAM>(window));
    }
    return TRUE;
}
HWND ReceivingWindow(Receiver& receiver, HWND parent) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Receiving;
    windowClass.lpszClassName = L"TavrelonimTestReceiving";
    ::RegisterClassW(&windowClass);
    const HWND window =
        ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&receiver));
    return window;
}

}  // namespace

TEST(InspectAnswers, AnyLengthAndLetterCaseComeBackExactly) {
    const HWND window = AnsweringWindow();
    ASSERT_NE(window, nullptr);
    printer.reset();
    EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), "");  // none made yet
    printer = std::string(1000, 'x') + "Fim";
    EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), printer);
    for (const char* name : {"Impressora_Sala", "IMPRESSORA_SALA"}) {
        printer = name;
        EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), name);
    }
    // The phases' answer, past what an atom holds: a frequency and a stamp for every phase.
    const std::optional<std::string> phases = InspectAsker::Ask(window, InspectQuery::StartupPhases);
    ASSERT_TRUE(phases.has_value());
    EXPECT_EQ(static_cast<std::size_t>(std::count(phases->begin(), phases->end(), '|')), kStartupPhaseNames.size());
    ::DestroyWindow(window);
}

TEST(InspectAnswers, OnlyOneRealAskerIsAnsweredOnceAndNoAskerSteersTheWindow) {
    const HWND window = AnsweringWindow();
    ASSERT_NE(window, nullptr);
    printer = "Escritorio_A";
    const UINT inspect = ::RegisterWindowMessageW(kInspectMessageName);
    const auto ask = [&](HWND asker) {
        return ::SendMessageW(window, inspect, static_cast<WPARAM>(InspectQuery::ApplicationPrinter),
                              reinterpret_cast<LPARAM>(asker));
    };
    // A top-level bystander: a broadcast would reach it.
    Receiver bystander;
    const HWND bystanderWindow = ReceivingWindow(bystander, nullptr);
    ASSERT_NE(bystanderWindow, nullptr);
    for (const HWND special : {HWND_BROADCAST, HWND_TOPMOST, HWND_MESSAGE, HWND_BOTTOM, HWND{}, ::GetDesktopWindow(),
                               window, reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0))}) {
        EXPECT_EQ(ask(special), 0) << special;
    }
    EXPECT_EQ(bystander.answers, 0);
    // An asker that asks again from inside its answer gets the one answer; the question it asks
    // meanwhile is refused.
    Receiver nesting{0, window, -1};
    const HWND nestingWindow = ReceivingWindow(nesting, HWND_MESSAGE);
    EXPECT_EQ(ask(nestingWindow), 1);
    EXPECT_EQ(nesting.answers, 1);
    EXPECT_EQ(nesting.nestedResult, 0);
    // The window still answers a plain question after.
    EXPECT_EQ(InspectAsker::Ask(window, InspectQuery::ApplicationPrinter), "Escritorio_A");
    EXPECT_EQ(ask(bystanderWindow), 1);
    EXPECT_EQ(bystander.answers, 1);
    for (const HWND made : {nestingWindow, bystanderWindow, window}) {
        ::DestroyWindow(made);
    }
}
