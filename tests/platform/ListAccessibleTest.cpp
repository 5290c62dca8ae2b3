// The list's Active Accessibility object, called as a reader's proxy would call it, against a list
// of the test's own; and a reader in another apartment holding it past the list.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakeReaderList.h"
#include "ui/accessibility/ComObject.h"
#include "ui/accessibility/ListAccessible.h"
#include "ui/accessibility/ListAccessibleObject.h"

using namespace tavrelonim::ui;
using readers::FakeList;

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
    const ReaderFunctions functions = readers::Functions();
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
    ReaderFunctions functions = readers::Functions();
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
    // The focus is the caret's row, while the list has the focus.
    list.focused = true;
    list.caret = 1;
    ASSERT_EQ(object->get_accFocus(&end), S_OK);
    EXPECT_EQ(end.lVal, 2);
    // An empty list has neither a first nor a last child.
    list.geometry.rows = 0;
    for (const long direction : {NAVDIR_FIRSTCHILD, NAVDIR_LASTCHILD}) {
        EXPECT_EQ(object->accNavigate(direction, Child(CHILDID_SELF), &end), S_FALSE) << direction;
        EXPECT_EQ(end.vt, VT_EMPTY) << direction;
    }
    object->Detach();
    object->Release();
}

namespace {

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
// Only navigation answers; the rest of the system's object is not asked for here.
struct WindowObjectFake final : WithoutTypeInfo<IAccessible> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) noexcept override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
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

// A reader in another apartment holds the list's object when the list goes, while the window's
// thread still answers COM: its calls are cut off at the proxy, and never reach the object.
TEST(ListAccessibleTest, AReaderElsewhereHoldingTheObjectIsCutOffWhenTheListGoes) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));  // outlives the list's own
    const int noMark = -1;
    auto accessibility = std::make_unique<ListAccessibility>(nullptr, nullptr, noMark);
    const LRESULT served = accessibility->AnswerGetObject(0, static_cast<LPARAM>(OBJID_CLIENT));
    ASSERT_GT(served, 0);
    std::atomic<int> stage{0};  // 1: the reader holds the object; 2: the list is gone; 3: asked
    HRESULT held = E_FAIL;
    HRESULT answer = S_OK;
    std::thread reader([&] {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        // Spelled out: the import library's IID_IAccessible resolves to a thunk in a static link.
        constexpr GUID kIidIAccessible{0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
        IAccessible* object = nullptr;
        held = ::ObjectFromLresult(served, kIidIAccessible, 0, reinterpret_cast<void**>(&object));
        stage = 1;
        while (stage != 2) {
            ::Sleep(1);
        }
        if (object != nullptr) {
            long count = 0;
            answer = object->get_accChildCount(&count);
            object->Release();
        }
        ::CoUninitialize();
        stage = 3;
    });
    // The window's thread, answering whatever still reaches it.
    const auto answerUntil = [&stage](int reached) {
        for (MSG message; stage != reached;) {
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
                ::DispatchMessageW(&message);
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    };
    answerUntil(1);
    accessibility.reset();
    stage = 2;
    answerUntil(3);
    reader.join();
    EXPECT_EQ(held, S_OK);
    EXPECT_TRUE(FAILED(answer));
    EXPECT_NE(answer, CO_E_OBJNOTCONNECTED);  // the object's own answer: the call reached it
    ::CoUninitialize();
}
