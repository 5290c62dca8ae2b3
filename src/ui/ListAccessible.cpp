#include "ui/ListAccessible.h"

#include <oleacc.h>

#include <atomic>
#include <new>
#include <string>

#include "platform/ModuleFunction.h"
#include "ui/ControlTable.h"
#include "ui/ListBoxPrinterList.h"
#include "ui/ListPresentation.h"

namespace tavrelonim::ui {

static_assert(kStateSelected == STATE_SYSTEM_SELECTED && kStateFocused == STATE_SYSTEM_FOCUSED);
static_assert(kStateChecked == STATE_SYSTEM_CHECKED && kStateOffscreen == STATE_SYSTEM_OFFSCREEN);
static_assert(kStateFocusable == STATE_SYSTEM_FOCUSABLE && kStateSelectable == STATE_SYSTEM_SELECTABLE);

namespace {

// Spelled out: an import library's GUID symbols can resolve to a thunk in a static MinGW link.
constexpr GUID kIidIUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidIDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidIAccessible{0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
    return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

struct ModuleFreer {
    void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

// The default action's name is Command1's, as the user reads it: without the access-key mark.
std::wstring DefaultActionName() {
    for (const ControlEntry& entry : kControls) {
        if (entry.id == ControlId::Command1) {
            std::wstring name;
            for (const wchar_t* c = entry.caption; *c != L'\0'; ++c) {
                if (*c != L'&') {
                    name += *c;
                }
            }
            return name;
        }
    }
    return {};
}

}  // namespace

// COM, the BSTR allocator and the accessibility library: loaded on the first question, released
// with the list, so that a start-up pays for none of them.
struct AccessibilityLibraries {
    UniqueModule ole32{LoadSystemLibrary(L"ole32.dll")};
    UniqueModule oleaut32{LoadSystemLibrary(L"oleaut32.dll")};
    UniqueModule oleacc{LoadSystemLibrary(L"oleacc.dll")};
    decltype(&::CoInitializeEx) coInitializeEx =
        platform::FunctionOf<decltype(&::CoInitializeEx)>(ole32.get(), "CoInitializeEx");
    decltype(&::CoUninitialize) coUninitialize =
        platform::FunctionOf<decltype(&::CoUninitialize)>(ole32.get(), "CoUninitialize");
    decltype(&::CoDisconnectObject) coDisconnectObject =
        platform::FunctionOf<decltype(&::CoDisconnectObject)>(ole32.get(), "CoDisconnectObject");
    decltype(&::SysAllocString) sysAllocString =
        platform::FunctionOf<decltype(&::SysAllocString)>(oleaut32.get(), "SysAllocString");
    decltype(&::LresultFromObject) lresultFromObject =
        platform::FunctionOf<decltype(&::LresultFromObject)>(oleacc.get(), "LresultFromObject");
    decltype(&::AccessibleObjectFromWindow) accessibleObjectFromWindow =
        platform::FunctionOf<decltype(&::AccessibleObjectFromWindow)>(oleacc.get(), "AccessibleObjectFromWindow");
    bool comStarted = false;

    [[nodiscard]] bool Complete() const noexcept {
        return coInitializeEx != nullptr && coUninitialize != nullptr && coDisconnectObject != nullptr &&
               sysAllocString != nullptr && lresultFromObject != nullptr && accessibleObjectFromWindow != nullptr;
    }
    AccessibilityLibraries() = default;
    AccessibilityLibraries(const AccessibilityLibraries&) = delete;
    AccessibilityLibraries& operator=(const AccessibilityLibraries&) = delete;
    ~AccessibilityLibraries() {
        if (comStarted) {
            coUninitialize();
        }
    }
};

// The list's object: the list itself (child 0) and one simple child per row (child row + 1).
// COM interfaces have no virtual destructor: the object is only ever deleted as itself, by Release.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class ListAccessible final : public IAccessible {
public:
    ListAccessible(HWND list, HWND label, const int& markedRow, const AccessibilityLibraries& libraries)
        : list_(list), label_(label), markedRow_(markedRow), libraries_(libraries) {}
    ListAccessible(const ListAccessible&) = delete;
    ListAccessible& operator=(const ListAccessible&) = delete;
    ~ListAccessible() = default;

    // From now on every call answers that the object is gone; nothing reads the list again.
    void Detach() noexcept { list_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == kIidIUnknown || id == kIidIDispatch || id == kIidIAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) {
            const std::unique_ptr<ListAccessible> last(this);
        }
        return left;
    }

    // IDispatch: none of it; clients use the IAccessible methods themselves.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) noexcept override {
        return Answer(parent, [&] {
            return libraries_.accessibleObjectFromWindow(list_, static_cast<DWORD>(OBJID_WINDOW), kIidIDispatch,
                                                         reinterpret_cast<void**>(parent));
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) noexcept override {
        return Answer(count, [&] {
            *count = Rows();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) noexcept override {
        return Answer(object, [&] {
            *object = nullptr;
            // Rows are simple children: their parent answers for them.
            return ChildOf(child) > 0 ? S_FALSE : E_INVALIDARG;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override {
        return Answer(name, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            return Text(id == CHILDID_SELF ? WindowText(label_) : ListBoxText(list_, static_cast<WPARAM>(id - 1)),
                        name);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) noexcept override {
        return Answer(value, [&] { return ChildOf(child) < 0 ? E_INVALIDARG : S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) noexcept override {
        return Answer(description, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            const wchar_t* text = id == CHILDID_SELF ? nullptr : RowAccessibilityOf(Facts(id - 1)).description;
            return text != nullptr ? Text(text, description) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) noexcept override {
        return Answer(role, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            return Number(id == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM, role);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) noexcept override {
        return Answer(state, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            if (id == CHILDID_SELF) {
                return Number(STATE_SYSTEM_FOCUSABLE | (HasFocus() ? STATE_SYSTEM_FOCUSED : 0), state);
            }
            return Number(static_cast<long>(RowAccessibilityOf(Facts(id - 1)).state), state);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) noexcept override {
        return Answer(help, [] { return S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) noexcept override {
        return Answer(file, [&] {
            if (topic != nullptr) {
                *topic = 0;
            }
            return S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) noexcept override {
        return Answer(shortcut, [] { return S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) noexcept override {
        return Answer(focus, [&] {
            if (!HasFocus()) {
                return S_FALSE;
            }
            const long caret = static_cast<long>(::SendMessageW(list_, LB_GETCARETINDEX, 0, 0));
            return Number(caret >= 0 && caret < Rows() ? caret + 1 : CHILDID_SELF, focus);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) noexcept override {
        return Answer(selection, [&] {
            const long selected = Selected();
            return selected >= 0 ? Number(selected + 1, selection) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
        return Answer(action, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            return id == CHILDID_SELF ? S_FALSE : Text(DefaultActionName(), action);
        });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) noexcept override {
        return Act([&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            if ((flags & SELFLAG_TAKEFOCUS) != 0) {
                ::SetFocus(list_);
            }
            if ((flags & (SELFLAG_TAKESELECTION | SELFLAG_ADDSELECTION)) != 0 && id != CHILDID_SELF) {
                Choose(id - 1);
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) noexcept override {
        return Act([&] {
            const long id = ChildOf(child);
            if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
                return E_POINTER;
            }
            if (id < 0) {
                return E_INVALIDARG;
            }
            RECT rect{};
            if (id == CHILDID_SELF) {
                ::GetWindowRect(list_, &rect);
            } else {
                ::SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(id - 1), reinterpret_cast<LPARAM>(&rect));
                ::MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
            }
            *left = rect.left;
            *top = rect.top;
            *width = rect.right - rect.left;
            *height = rect.bottom - rect.top;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
        return Answer(end, [&] {
            const long id = ChildOf(start);
            if (id < 0) {
                return E_INVALIDARG;
            }
            long to = 0;
            switch (direction) {
                case NAVDIR_FIRSTCHILD:
                case NAVDIR_LASTCHILD:
                    if (id != CHILDID_SELF) {
                        return E_INVALIDARG;
                    }
                    to = direction == NAVDIR_FIRSTCHILD ? 1 : Rows();
                    break;
                case NAVDIR_NEXT:
                case NAVDIR_DOWN:
                    to = id == CHILDID_SELF ? 0 : id + 1;
                    break;
                case NAVDIR_PREVIOUS:
                case NAVDIR_UP:
                    to = id == CHILDID_SELF ? 0 : id - 1;
                    break;
                default:
                    return S_FALSE;  // siblings of the list itself are its parent's to tell
            }
            return to >= 1 && to <= Rows() ? Number(to, end) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) noexcept override {
        return Answer(child, [&] {
            POINT point{x, y};
            RECT client{};
            ::GetClientRect(list_, &client);
            ::ScreenToClient(list_, &point);
            if (::PtInRect(&client, point) == FALSE) {
                return S_FALSE;
            }
            const auto found = static_cast<DWORD>(::SendMessageW(
                list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y))));
            const long row = LOWORD(found);
            return Number(HIWORD(found) == 0 && row < Rows() ? row + 1 : CHILDID_SELF, child);
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) noexcept override {
        return Act([&] {
            const long id = ChildOf(child);
            if (id <= 0) {
                return id == CHILDID_SELF ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
            }
            Choose(id - 1);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }

private:
    // Runs one method's work with its out argument cleared first; a detached object, a missing
    // argument and any exception each have their answer, and nothing leaves the method.
    template <class Out, class Work>
    HRESULT Answer(Out* out, Work&& work) noexcept {
        if (out == nullptr) {
            return E_POINTER;
        }
        Clear(*out);
        return Act(work);
    }
    template <class Work>
    HRESULT Act(Work&& work) noexcept {
        if (list_ == nullptr) {
            return RPC_E_DISCONNECTED;
        }
        try {
            return work();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }
    static void Clear(VARIANT& value) noexcept { value.vt = VT_EMPTY; }
    static void Clear(BSTR& value) noexcept { value = nullptr; }
    static void Clear(IDispatch*& value) noexcept { value = nullptr; }
    static void Clear(long& value) noexcept { value = 0; }

    static HRESULT Number(long value, VARIANT* out) noexcept {
        out->vt = VT_I4;
        out->lVal = value;
        return S_OK;
    }
    HRESULT Text(const std::wstring& text, BSTR* out) const noexcept {
        *out = libraries_.sysAllocString(text.c_str());
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    // The child a VARIANT names: CHILDID_SELF, a row's child id, or -1 for none of this object's.
    [[nodiscard]] long ChildOf(const VARIANT& child) const noexcept {
        if (child.vt != VT_I4 || child.lVal < CHILDID_SELF || child.lVal > Rows()) {
            return -1;
        }
        return child.lVal;
    }
    [[nodiscard]] long Rows() const noexcept {
        const LRESULT count = ::SendMessageW(list_, LB_GETCOUNT, 0, 0);
        return count == LB_ERR ? 0 : static_cast<long>(count);
    }
    [[nodiscard]] long Selected() const noexcept {
        return static_cast<long>(::SendMessageW(list_, LB_GETCURSEL, 0, 0));
    }
    [[nodiscard]] bool HasFocus() const noexcept { return ::GetFocus() == list_; }
    [[nodiscard]] RowFacts Facts(long row) const noexcept {
        RECT rect{};
        RECT client{};
        ::SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        ::GetClientRect(list_, &client);
        RECT visible{};
        return {Selected() == row, HasFocus() && ::SendMessageW(list_, LB_GETCARETINDEX, 0, 0) == row,
                ::IntersectRect(&visible, &rect, &client) != FALSE, markedRow_ == row};
    }
    [[nodiscard]] static std::wstring WindowText(HWND window) {
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    // Selects the row as a click does: the window hears of the change after this call has
    // returned to its client, and makes the printer the default.
    void Choose(long row) const noexcept {
        ::SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        ::PostMessageW(::GetParent(list_), WM_COMMAND,
                       MAKEWPARAM(static_cast<WORD>(::GetDlgCtrlID(list_)), LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(list_));
    }

    std::atomic<ULONG> references_{1};
    HWND list_;
    HWND label_;
    const int& markedRow_;
    const AccessibilityLibraries& libraries_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

ListAccessibility::ListAccessibility(HWND list, HWND label, const int& markedRow) noexcept
    : list_(list), label_(label), markedRow_(markedRow) {}

ListAccessibility::~ListAccessibility() { Detach(); }

LRESULT ListAccessibility::AnswerGetObject(WPARAM wParam) noexcept {
    if (!attached_) {
        return 0;
    }
    try {
        if (libraries_ == nullptr) {
            auto libraries = std::make_unique<AccessibilityLibraries>();
            if (!libraries->Complete()) {
                return 0;
            }
            const HRESULT started = libraries->coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            libraries->comStarted = SUCCEEDED(started);
            if (FAILED(started) && started != RPC_E_CHANGED_MODE) {
                return 0;
            }
            libraries_ = std::move(libraries);
        }
        if (object_ == nullptr) {
            object_ = std::make_unique<ListAccessible>(list_, label_, markedRow_, *libraries_).release();
        }
        const LRESULT answer = libraries_->lresultFromObject(kIidIAccessible, wParam, object_);
        return answer > 0 ? answer : 0;
    } catch (...) {
        return 0;
    }
}

// A plain window-procedure subclass: the system's subclass helper looks its data up in a window
// property on every message, which costs a server round trip a message under Wine, on a list that
// takes thousands of them at start.
void ListAccessibility::Install() noexcept {
    ::SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProcedure_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListAccessibility::ListProcedure)));
}

LRESULT CALLBACK ListAccessibility::ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto& self = *reinterpret_cast<ListAccessibility*>(::GetWindowLongPtrW(list, GWLP_USERDATA));
    const WNDPROC next = self.listProcedure_;
    switch (message) {
        case WM_GETOBJECT:
            // The object id comes as a 32-bit value, sign and all, whatever the width of lParam.
            if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
                if (const LRESULT answer = self.AnswerGetObject(wParam); answer != 0) {
                    return answer;
                }
            }
            break;
        case WM_NCDESTROY:
            self.Detach();
            ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
            break;
        default:
            break;
    }
    return ::CallWindowProcW(next, list, message, wParam, lParam);
}

void ListAccessibility::MarkMoved(int fromRow, int toRow) const noexcept {
    if (!attached_) {
        return;
    }
    for (const int row : {fromRow, toRow}) {
        if (row >= 0) {
            ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, list_, OBJID_CLIENT, row + 1);
            ::NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, list_, OBJID_CLIENT, row + 1);
        }
    }
}

void ListAccessibility::Detach() noexcept {
    attached_ = false;
    if (object_ != nullptr) {
        object_->Detach();
        // Clients in other processes hold proxies: cut them off, so that their calls fail there.
        libraries_->coDisconnectObject(object_, 0);
        object_->Release();
        object_ = nullptr;
    }
    libraries_.reset();
}

}  // namespace tavrelonim::ui
