// The list's UI Automation provider, called as the automation core would call it, against a list
// of the test's own: what Wine's core cannot carry across processes (rectangles, patterns,
// selection, hit testing, events, calls from the core's own threads) is proved here.
#include <gtest/gtest.h>

#include <initializer_list>
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
    return message == ListAutomation::kCallMessage ? serving->RunCall()
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
    static_cast<void>(root);
    row2->Release();
}

TEST_F(ListAutomationTest, ACallFromAnotherThreadRunsOnTheWindowsAndNoneAnswersOnceTheListIsGone) {
    // The window: a message-only one, which hands the provider's calls to it as the list does.
    serving = &automation;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &ServingProcedure;
    windowClass.lpszClassName = L"TavrelonimTestList";
    ::RegisterClassW(&windowClass);
    list.window =
        ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(list.window, nullptr);
    ListAutomation onWindow(list, functions);
    serving = &onWindow;
    IRawElementProviderSimple* row0 = nullptr;
    {
        auto* root = As<IRawElementProviderFragment>(onWindow.Root(), uia::kIidFragment);
        IRawElementProviderFragment* first = nullptr;
        root->Navigate(NavigateDirection_FirstChild, &first);
        row0 = As<IRawElementProviderSimple>(first, uia::kIidSimple);
        first->Release();
        root->Release();
    }
    HRESULT fromThread = E_FAIL;
    std::wstring name;
    bool done = false;
    std::thread reader([&] {
        VARIANT value{};
        fromThread = row0->GetPropertyValue(uia::kNameProperty, &value);
        name = value.vt == VT_BSTR ? value.bstrVal : L"";
        ::VariantClear(&value);
        done = true;
        ::PostThreadMessageW(0, WM_NULL, 0, 0);
    });
    for (MSG message; !done;) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    reader.join();
    EXPECT_EQ(fromThread, S_OK);
    EXPECT_EQ(name, L"Escritorio_A");
    EXPECT_EQ(list.lastThread, ::GetCurrentThreadId());  // the list was read on the window's thread
    onWindow.Detach();
    VARIANT value{};
    EXPECT_EQ(row0->GetPropertyValue(uia::kNameProperty, &value), uia::kElementNotAvailable);
    ::DestroyWindow(list.window);
    std::thread late([&] { fromThread = row0->GetPropertyValue(uia::kNameProperty, &value); });
    late.join();
    EXPECT_EQ(fromThread, uia::kElementNotAvailable);  // the window is gone: no wait, no crash
    row0->Release();
}
