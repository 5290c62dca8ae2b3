// The list's UI Automation provider, called as the automation core would call it, against a list
// of the test's own: what Wine's core cannot carry across processes (rectangles, patterns,
// selection, hit testing, events, calls from the core's own threads) is proved here.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakeReaderList.h"
#include "ui/accessibility/ListAutomation.h"

using namespace tavrelonim::ui;
using readers::FakeList;
using readers::raised;

namespace {

VARIANT Property(IRawElementProviderSimple* element, PROPERTYID id) {
    VARIANT value{};
    EXPECT_EQ(element->GetPropertyValue(id, &value), S_OK);
    return value;
}
std::wstring Text(IRawElementProviderSimple* element, PROPERTYID id) {
    VARIANT value = Property(element, id);
    std::wstring text = value.vt == VT_BSTR ? value.bstrVal : L"<not text>";
    ::VariantClear(&value);
    return text;
}
long Number(IRawElementProviderSimple* element, PROPERTYID id) {
    const VARIANT value = Property(element, id);
    return value.vt == VT_I4 ? value.lVal : -1;
}

template <class Interface>
Interface* As(IUnknown* object, const GUID& id) {
    void* out = nullptr;
    EXPECT_EQ(object->QueryInterface(id, &out), S_OK);
    return static_cast<Interface*>(out);
}

ListAutomation* serving = nullptr;
LRESULT CALLBACK ServingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return message == ListAutomation::kCallMessage ? serving->RunCall(wParam)
                                                   : ::DefWindowProcW(window, message, wParam, lParam);
}

class ListAutomationTest : public ::testing::Test {
protected:
    void SetUp() override { raised = {}; }
    // The row's element, as a client reaches it: the list's first child and its siblings.
    IRawElementProviderSimple* Row(long row) {
        IRawElementProviderFragment* fragment = nullptr;
        auto* root = As<IRawElementProviderFragment>(automation.Root(), uia::kIidFragment);
        EXPECT_EQ(root->Navigate(NavigateDirection_FirstChild, &fragment), S_OK);
        root->Release();
        for (long at = 0; at < row && fragment != nullptr; ++at) {
            IRawElementProviderFragment* next = nullptr;
            fragment->Navigate(NavigateDirection_NextSibling, &next);
            fragment->Release();
            fragment = next;
        }
        auto* element = fragment != nullptr ? As<IRawElementProviderSimple>(fragment, uia::kIidSimple) : nullptr;
        if (fragment != nullptr) {
            fragment->Release();
        }
        return element;
    }
    FakeList list;
    ReaderFunctions functions = readers::Functions();
    ListAutomation automation{list, functions};
};

}  // namespace

TEST_F(ListAutomationTest, EachRowIsAListItemNamedByItsPrinterWithTheDefaultInItsStatus) {
    IRawElementProviderSimple* root = automation.Root();
    EXPECT_EQ(Number(root, uia::kControlTypeProperty), uia::kListControlType);
    EXPECT_EQ(Text(root, uia::kNameProperty), L"Lista das quimberatos");
    EXPECT_EQ(Property(root, uia::kLabeledByProperty).vt, VT_EMPTY);  // its name is the label's already
    for (long row = 0; row < 3; ++row) {
        IRawElementProviderSimple* item = Row(row);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(Number(item, uia::kControlTypeProperty), uia::kListItemControlType);
        EXPECT_EQ(Text(item, uia::kNameProperty), list.names[static_cast<std::size_t>(row)]);
        EXPECT_EQ(Text(item, uia::kItemStatusProperty), row == 1 ? L"Padr\u00e3o" : L"");
        EXPECT_EQ(Number(item, uia::kPositionInSetProperty), row + 1);
        EXPECT_EQ(Number(item, uia::kSizeOfSetProperty), 3);
        item->Release();
    }
    EXPECT_EQ(Row(3), nullptr);  // no sibling past the last row
    auto* fragmentRoot = As<IRawElementProviderFragment>(root, uia::kIidFragment);
    IRawElementProviderFragment* last = nullptr;
    ASSERT_EQ(fragmentRoot->Navigate(NavigateDirection_LastChild, &last), S_OK);
    IRawElementProviderSimple* row2 = Row(2);
    auto* row2Fragment = As<IRawElementProviderFragment>(row2, uia::kIidFragment);
    EXPECT_EQ(last, row2Fragment);
    // An empty list has neither a first nor a last child, and an empty selection.
    list.geometry.rows = 0;
    for (const NavigateDirection direction : {NavigateDirection_FirstChild, NavigateDirection_LastChild}) {
        IRawElementProviderFragment* child = nullptr;
        EXPECT_EQ(fragmentRoot->Navigate(direction, &child), S_OK);
        EXPECT_EQ(child, nullptr) << direction;
    }
    list.selected = 0;
    IUnknown* pattern = nullptr;
    ASSERT_EQ(root->GetPatternProvider(uia::kSelectionPattern, &pattern), S_OK);
    SAFEARRAY* selection = nullptr;
    ASSERT_EQ(static_cast<uia::ISelectionProvider*>(static_cast<void*>(pattern))->GetSelection(&selection), S_OK);
    EXPECT_EQ(selection->rgsabound[0].cElements, 0U);
    ::SafeArrayDestroy(selection);
    for (IUnknown* object : std::initializer_list<IUnknown*>{pattern, last, row2Fragment, row2, fragmentRoot}) {
        object->Release();
    }
}

TEST_F(ListAutomationTest, RowsLieWhereTheyAreDrawnAndAScrolledOutRowHasNoPlace) {
    IRawElementProviderSimple* row1 = Row(1);
    IRawElementProviderSimple* row2 = Row(2);
    auto* fragment1 = As<IRawElementProviderFragment>(row1, uia::kIidFragment);
    auto* fragment2 = As<IRawElementProviderFragment>(row2, uia::kIidFragment);
    UiaRect rect{};
    ASSERT_EQ(fragment1->get_BoundingRectangle(&rect), S_OK);
    EXPECT_EQ((std::vector<double>{rect.left, rect.top, rect.width, rect.height}),
              (std::vector<double>{100, 214, 200, 14}));
    ASSERT_EQ(fragment2->get_BoundingRectangle(&rect), S_OK);
    EXPECT_EQ(rect.width, 0.0);
    EXPECT_EQ(Property(row2, uia::kIsOffscreenProperty).boolVal, VARIANT_TRUE);
    // The point's row, and the same element each time it is found.
    IRawElementProviderFragment* found = nullptr;
    auto* root = As<IRawElementProviderFragmentRoot>(automation.Root(), uia::kIidFragmentRoot);
    ASSERT_EQ(root->ElementProviderFromPoint(150, 220, &found), S_OK);
    EXPECT_EQ(found, fragment1);
    found->Release();
    SAFEARRAY* id = nullptr;
    ASSERT_EQ(fragment1->GetRuntimeId(&id), S_OK);
    LONG index = 1;
    int part = -1;
    ::SafeArrayGetElement(id, &index, &part);
    EXPECT_EQ(part, 1);
    ::SafeArrayDestroy(id);
    ASSERT_EQ(root->ElementProviderFromPoint(150, 300, &found), S_OK);
    EXPECT_EQ(found, nullptr);  // outside the list
    // A client's point that is no number, or past any screen, finds nothing and breaks nothing.
    for (const double odd : {std::nan(""), 1e300, -1e300, std::numeric_limits<double>::infinity()}) {
        ASSERT_EQ(root->ElementProviderFromPoint(odd, 220, &found), S_OK);
        EXPECT_EQ(found, nullptr) << odd;
        ASSERT_EQ(root->ElementProviderFromPoint(150, odd, &found), S_OK);
        EXPECT_EQ(found, nullptr) << odd;
    }
    // Inside the list, below its last row: the list itself.
    list.geometry = {{100, 200, 300, 260}, 0, 14, 3};
    ASSERT_EQ(root->ElementProviderFromPoint(150, 250, &found), S_OK);
    auto* rootFragment = As<IRawElementProviderFragment>(root, uia::kIidFragment);
    EXPECT_EQ(found, rootFragment);
    for (IUnknown* object : std::initializer_list<IUnknown*>{found, rootFragment}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    for (IUnknown* object : std::initializer_list<IUnknown*>{root, fragment1, fragment2, row1, row2}) {
        object->Release();
    }
}

TEST_F(ListAutomationTest, SelectingARowIsAClickAndTheListTakesOneSelectionOnly) {
    IRawElementProviderSimple* row0 = Row(0);
    IUnknown* pattern = nullptr;
    ASSERT_EQ(row0->GetPatternProvider(uia::kSelectionItemPattern, &pattern), S_OK);
    auto* item = static_cast<uia::ISelectionItemProvider*>(static_cast<void*>(pattern));
    EXPECT_EQ(item->Select(), S_OK);
    EXPECT_EQ(item->AddToSelection(), uia::kInvalidOperation);
    EXPECT_EQ(item->RemoveFromSelection(), uia::kInvalidOperation);
    EXPECT_EQ(list.actions, (std::vector<std::string>{"choose 0"}));
    list.selected = 0;
    BOOL selected = FALSE;
    EXPECT_EQ(item->get_IsSelected(&selected), S_OK);
    EXPECT_TRUE(selected);
    IUnknown* scroll = nullptr;
    ASSERT_EQ(row0->GetPatternProvider(uia::kScrollItemPattern, &scroll), S_OK);
    static_cast<uia::IScrollItemProvider*>(static_cast<void*>(scroll))->ScrollIntoView();
    EXPECT_EQ(list.actions.back(), "scroll 0");
    SAFEARRAY* selection = nullptr;
    IUnknown* listPattern = nullptr;
    ASSERT_EQ(automation.Root()->GetPatternProvider(uia::kSelectionPattern, &listPattern), S_OK);
    ASSERT_EQ(static_cast<uia::ISelectionProvider*>(static_cast<void*>(listPattern))->GetSelection(&selection), S_OK);
    EXPECT_EQ(selection->rgsabound[0].cElements, 1U);
    ::SafeArrayDestroy(selection);
    for (IUnknown* object : {pattern, scroll, listPattern, static_cast<IUnknown*>(row0)}) {
        object->Release();
    }
}

TEST_F(ListAutomationTest, ListenersHearTheMarkTheSelectionAndTheFocusMoveAndNothingWhenNoneListens) {
    IRawElementProviderSimple* root = automation.Root();
    automation.MarkMoved(1, 2);
    EXPECT_EQ(raised.statusChanges,
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"Padr\u00e3o", L""}, {L"", L"Padr\u00e3o"}}));
    list.selected = 2;
    list.caret = 2;
    list.focused = true;
    automation.Observe();
    ASSERT_EQ(raised.events.size(), 2U);
    EXPECT_EQ(raised.events[0].second, uia::kElementSelectedEvent);
    EXPECT_EQ(raised.events[1].second, uia::kFocusChangedEvent);
    IRawElementProviderSimple* row2 = Row(2);
    EXPECT_EQ(raised.events[1].first, row2);
    automation.Observe();  // nothing changed since
    EXPECT_EQ(raised.events.size(), 2U);
    automation.RowsRebuilt();
    EXPECT_EQ(raised.structureChanges, 1);
    raised.listening = false;
    list.caret = 0;
    automation.Observe();
    automation.MarkMoved(2, 0);
    EXPECT_EQ(raised.events.size(), 2U);
    EXPECT_EQ(raised.statusChanges.size(), 2U);
    // The focus entering the list with its caret where it was is still a focus change.
    raised.listening = true;
    list.focused = false;
    automation.Observe();
    raised.events.clear();
    list.focused = true;
    automation.Observe();
    IRawElementProviderSimple* row0 = Row(0);
    EXPECT_EQ(raised.events, (std::vector<std::pair<IRawElementProviderSimple*, EVENTID>>{
                                 {row0, uia::kFocusChangedEvent}}));
    static_cast<void>(root);
    row0->Release();
    row2->Release();
}

namespace {

// A window of the test's own that hands the provider's calls to it as the list does, with the
// first row's element as a client holds it.
class OnWindowThread : public ListAutomationTest {
protected:
    void SetUp() override {
        ListAutomationTest::SetUp();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ServingProcedure;
        windowClass.lpszClassName = L"TavrelonimTestList";
        ::RegisterClassW(&windowClass);
        list.window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
        ASSERT_NE(list.window, nullptr);
        onWindow = std::make_unique<ListAutomation>(list, functions, 100);
        serving = onWindow.get();
        auto* root = As<IRawElementProviderFragment>(onWindow->Root(), uia::kIidFragment);
        IRawElementProviderFragment* first = nullptr;
        root->Navigate(NavigateDirection_FirstChild, &first);
        row0 = As<IRawElementProviderSimple>(first, uia::kIidSimple);
        first->Release();
        root->Release();
    }
    void TearDown() override {
        row0->Release();
        onWindow->Detach();
        if (list.window != nullptr) {
            ::DestroyWindow(list.window);
        }
    }
    // The first row's name, asked from a thread of its own while this one serves the window
    // (serve: what this thread does first, once the call waits for it).
    std::pair<HRESULT, std::wstring> NameFromAnotherThread(void (*serve)(HWND) = nullptr) {
        std::pair<HRESULT, std::wstring> answer{E_FAIL, L""};
        std::atomic<bool> done{false};
        const DWORD windowThread = ::GetCurrentThreadId();
        std::thread reader([&] {
            VARIANT value{};
            answer.first = row0->GetPropertyValue(uia::kNameProperty, &value);
            answer.second = value.vt == VT_BSTR ? value.bstrVal : L"";
            ::VariantClear(&value);
            done = true;
            ::PostThreadMessageW(windowThread, WM_NULL, 0, 0);
        });
        if (serve != nullptr) {
            while (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) == 0) {  // the call has been sent
                ::Sleep(1);
            }
            serve(list.window);
        }
        for (MSG message; !done;) {
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
                ::DispatchMessageW(&message);
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        reader.join();
        return answer;
    }
    std::unique_ptr<ListAutomation> onWindow;
    IRawElementProviderSimple* row0 = nullptr;
};

}  // namespace

TEST_F(OnWindowThread, ACallFromAnotherThreadRunsOnTheWindowsAndNoneAnswersOnceTheListIsGone) {
    EXPECT_EQ(NameFromAnotherThread(), std::make_pair(S_OK, std::wstring(L"Escritorio_A")));
    EXPECT_EQ(list.lastThread, ::GetCurrentThreadId());  // the list was read on the window's thread
    onWindow->Detach();
    VARIANT value{};
    EXPECT_EQ(row0->GetPropertyValue(uia::kNameProperty, &value), uia::kElementNotAvailable);
    ::DestroyWindow(list.window);
    list.window = nullptr;
    HRESULT late = E_FAIL;
    std::thread reader([&] { late = row0->GetPropertyValue(uia::kNameProperty, &value); });
    reader.join();
    EXPECT_EQ(late, uia::kElementNotAvailable);  // the window is gone: no wait, no crash
}

TEST_F(OnWindowThread, ACallOutlastingItsWaitStillAnswersWhatItDidAndAForeignCallMessageRunsNothing) {
    // The work takes longer than the caller waits for the window: what it did is the answer,
    // and the name it read reaches the caller rather than being lost.
    list.nameDelay = 400;
    EXPECT_EQ(NameFromAnotherThread(), std::make_pair(S_OK, std::wstring(L"Escritorio_A")));
    EXPECT_EQ(list.nameReads, 1);
    list.nameDelay = 0;
    // Another sender's call message, with any cookie, takes nothing from the caller waiting.
    EXPECT_EQ(NameFromAnotherThread([](HWND window) {
                  for (const WPARAM guess : {WPARAM{0}, WPARAM{1}, ~WPARAM{0}}) {
                      EXPECT_EQ(::SendMessageW(window, ListAutomation::kCallMessage, guess, 0),
                                uia::kElementNotAvailable);
                  }
              }),
              std::make_pair(S_OK, std::wstring(L"Escritorio_A")));
    EXPECT_EQ(list.nameReads, 2);  // once for the real caller, never for the foreign messages
}

namespace {

constexpr const wchar_t* kEndMessage = L"Tavrelonim.Test.ListEnds";
ListAutomation* ending = nullptr;
LRESULT CALLBACK EndingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == ::RegisterWindowMessageW(kEndMessage)) {
        ending->Detach();
        return 0;
    }
    return ServingProcedure(window, message, wParam, lParam);
}

}  // namespace

TEST_F(OnWindowThread, AListGoneInsideASentMessageIsCutOffOnceItMayBeAndIsGoneMeanwhile) {
    // The list's end comes inside a message another thread sent (another program closing the
    // window): the core cannot be called there.
    ending = onWindow.get();
    ::SetWindowLongPtrW(list.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EndingProcedure));
    const UINT endMessage = ::RegisterWindowMessageW(kEndMessage);
    std::atomic<bool> sent{false};
    std::thread closer([&] {
        ::SendMessageW(list.window, endMessage, 0, 0);
        sent = true;
    });
    for (MSG message; !sent;) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    closer.join();
    EXPECT_TRUE(raised.disconnects.empty());  // nothing called out inside the send
    VARIANT value{};
    EXPECT_EQ(row0->GetPropertyValue(uia::kNameProperty, &value), uia::kElementNotAvailable);
    // Out of it: every provider is cut off, each still saying who it is while the core asks.
    onWindow->Disconnect();
    EXPECT_EQ(raised.disconnects, (std::vector<HRESULT>{S_OK, S_OK}));  // the first row and the list
    EXPECT_TRUE(onWindow->Disconnected());
    SAFEARRAY* id = nullptr;
    auto* fragment = As<IRawElementProviderFragment>(row0, uia::kIidFragment);
    EXPECT_EQ(fragment->GetRuntimeId(&id), uia::kElementNotAvailable);  // and nothing once disconnected
    fragment->Release();
}
