// The list's objects for screen readers, called as a reader's proxy would call them, against a
// list of the test's own: what Wine's automation core cannot carry across processes (rectangles,
// patterns, selection, hit testing, events) is proved here.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ui/ListAccessibleObject.h"
#include "ui/ListAutomation.h"

using namespace tavrelonim::ui;

namespace {

class FakeList final : public AccessibleList {
public:
    HWND window = nullptr;
    std::vector<std::wstring> names{L"Escritorio_A", L"Escritorio_B", L"Sala_C"};
    RowGeometry geometry{{100, 200, 300, 228}, 0, 14, 3};  // two rows show at a time
    long selected = -1;
    long caret = 0;
    bool focused = false;
    long defaultRow = 1;
    std::vector<std::string> actions;  // what readers asked the list to do, in order
    DWORD lastThread = 0;

    [[nodiscard]] HWND Window() const noexcept override { return window; }
    [[nodiscard]] HWND Label() const noexcept override { return nullptr; }
    [[nodiscard]] std::wstring Name() const override { return L"Lista das quimberatos"; }
    [[nodiscard]] std::wstring RowName(long row) const override {
        const_cast<FakeList*>(this)->lastThread = ::GetCurrentThreadId();
        return names.at(static_cast<std::size_t>(row));
    }
    [[nodiscard]] RowGeometry Geometry() const noexcept override { return geometry; }
    [[nodiscard]] long SelectedRow() const noexcept override { return selected; }
    [[nodiscard]] long CaretRow() const noexcept override { return caret; }
    [[nodiscard]] bool HasFocus() const noexcept override { return focused; }
    [[nodiscard]] long DefaultRow() const noexcept override { return defaultRow; }
    void Choose(long row) noexcept override { actions.push_back("choose " + std::to_string(row)); }
    void Focus(long row) noexcept override { actions.push_back("focus " + std::to_string(row)); }
    void ScrollIntoView(long row) noexcept override { actions.push_back("scroll " + std::to_string(row)); }
};

// What the automation core was told, through the functions the provider is given.
struct Raised {
    std::vector<std::pair<IRawElementProviderSimple*, EVENTID>> events;
    std::vector<std::pair<std::wstring, std::wstring>> statusChanges;  // before, after
    int structureChanges = 0;
    bool listening = true;
};
Raised raised;

// The system's calls are stdcall on x86: named functions, since a lambda converts to none.
HRESULT WINAPI NoHost(HWND, IRawElementProviderSimple** host) noexcept {
    *host = nullptr;
    return S_OK;
}
BOOL WINAPI Listening() noexcept { return raised.listening ? TRUE : FALSE; }
HRESULT WINAPI RaiseEvent(IRawElementProviderSimple* element, EVENTID id) noexcept {
    raised.events.emplace_back(element, id);
    return S_OK;
}
HRESULT WINAPI RaisePropertyChange(IRawElementProviderSimple*, PROPERTYID, VARIANT before, VARIANT after) noexcept {
    raised.statusChanges.emplace_back(before.bstrVal, after.bstrVal);
    return S_OK;
}
HRESULT WINAPI RaiseStructureChange(IRawElementProviderSimple*, int, int*, int) noexcept {
    ++raised.structureChanges;
    return S_OK;
}

ReaderFunctions Functions() {
    ReaderFunctions functions;
    functions.sysAllocString = &::SysAllocString;
    functions.sysFreeString = &::SysFreeString;
    functions.safeArrayCreateVector = &::SafeArrayCreateVector;
    functions.safeArrayPutElement = &::SafeArrayPutElement;
    functions.uiaHostProviderFromHwnd = &NoHost;
    functions.uiaClientsAreListening = &Listening;
    functions.uiaRaiseAutomationEvent = &RaiseEvent;
    functions.uiaRaisePropertyChangedEvent = &RaisePropertyChange;
    functions.uiaRaiseStructureChangedEvent = &RaiseStructureChange;
    return functions;
}

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
    ReaderFunctions functions = Functions();
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

namespace {

VARIANT Child(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

// The system's object for the list's window, as far as navigation from the list goes.
long navigatedDirection = 0;
HRESULT WINAPI WindowObject(HWND, DWORD objectId, REFIID, void** object) noexcept;

}  // namespace

TEST(ListAccessibleTest, SelectionFlagsOfASingleSelectionListAndTheListsOwnPlace) {
    FakeList list;
    const ReaderFunctions functions = Functions();
    DetachableAccessible* object = MakeListAccessible(list, functions);
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, Child(2)), S_OK);
    EXPECT_EQ(object->accSelect(SELFLAG_TAKESELECTION, Child(3)), S_OK);
    for (const long refused : {SELFLAG_ADDSELECTION, SELFLAG_EXTENDSELECTION, SELFLAG_REMOVESELECTION,
                               SELFLAG_TAKEFOCUS | SELFLAG_ADDSELECTION}) {
        EXPECT_EQ(object->accSelect(refused, Child(1)), E_INVALIDARG) << refused;
    }
    EXPECT_EQ(object->accSelect(SELFLAG_TAKESELECTION, Child(CHILDID_SELF)), E_INVALIDARG);
    EXPECT_EQ(list.actions, (std::vector<std::string>{"focus 1", "choose 2"}));
    // The client object's place is the client area, where its hit test works.
    long left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(object->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)), S_OK);
    EXPECT_EQ((std::vector<long>{left, top, width, height}), (std::vector<long>{100, 200, 200, 28}));
    // Far down a long list, the hit test still names the row drawn there.
    list.geometry = {{100, 200, 300, 228}, 70000, 14, 70003};
    VARIANT hit{};
    ASSERT_EQ(object->accHitTest(150, 215, &hit), S_OK);
    EXPECT_EQ(hit.lVal, 70002);
    object->Detach();
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, Child(1)), CO_E_OBJNOTCONNECTED);  // the object's own guard
    object->Release();
}

TEST(ListAccessibleTest, FromTheListItselfSiblingsAreTheWindowObjectsToTellAndRowsItsOwn) {
    FakeList list;
    ReaderFunctions functions = Functions();
    functions.accessibleObjectFromWindow = &WindowObject;
    DetachableAccessible* object = MakeListAccessible(list, functions);
    VARIANT end{};
    for (const long direction : {NAVDIR_NEXT, NAVDIR_PREVIOUS, NAVDIR_UP, NAVDIR_DOWN, NAVDIR_LEFT, NAVDIR_RIGHT}) {
        navigatedDirection = 0;
        EXPECT_EQ(object->accNavigate(direction, Child(CHILDID_SELF), &end), S_OK) << direction;
        EXPECT_EQ(navigatedDirection, direction);
        EXPECT_EQ(end.lVal, 77);  // what the window's object answered
    }
    ASSERT_EQ(object->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &end), S_OK);
    EXPECT_EQ(end.lVal, 3);
    ASSERT_EQ(object->accNavigate(NAVDIR_NEXT, Child(2), &end), S_OK);
    EXPECT_EQ(end.lVal, 3);
    EXPECT_EQ(object->accNavigate(NAVDIR_NEXT, Child(3), &end), S_FALSE);
    EXPECT_EQ(object->accNavigate(0, Child(CHILDID_SELF), &end), E_INVALIDARG);
    EXPECT_EQ(object->accNavigate(9, Child(1), &end), E_INVALIDARG);
    object->Detach();
    object->Release();
}

namespace {

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
// Only navigation answers; the rest of the system's object is not asked for here.
struct WindowObjectFake final : IAccessible {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) noexcept override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accLocation(long*, long*, long*, long*, VARIANT) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
        navigatedDirection = start.lVal == CHILDID_SELF ? direction : -1;
        end->vt = VT_I4;
        end->lVal = 77;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long, long, VARIANT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

WindowObjectFake windowObject;

HRESULT WINAPI WindowObject(HWND, DWORD objectId, REFIID, void** object) noexcept {
    *object = objectId == static_cast<DWORD>(OBJID_WINDOW) ? &windowObject : nullptr;
    return *object != nullptr ? S_OK : E_FAIL;
}

}  // namespace
