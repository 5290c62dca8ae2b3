// A test probe that runs beside the utility under Wine and reads its window back through the
// window system, as another program would.
//
//   probe serve     answers commands from standard input, one line each, arguments separated by
//                   tabs, with one line each on standard output:
//     ids                          the window's control IDs (JSON)
//     constants                    the product's bounds that tests judge by (JSON)
//     layout                       the window, every control, focus, whether it is active, and the
//                                  list's entries (JSON)
//     inspect printer|font|phases  what the window answers to its inspect message
//     resolve-font FACE H W TEXT   the face, weight and height GDI really uses for such a font,
//                                  and the text's width in it (JSON)
//     profile SECTION KEY          a profile value as the system holds it (JSON; null when absent)
//     section SECTION              a profile section's key names, in order (JSON)
//     acc-tree                     the list's accessible object from this process, and every row's (JSON)
//     acc-do-default ROW           the default action of a row's accessible item: its result
//     acc-hold / acc-held          keeps the list's object; later, what three calls on it answer
//     acc-watch / acc-events MS    hooks the list's state and description events; those heard in MS
//     uia-tree                     the list and its items as a UI Automation client reads them (JSON)
//     uia-hold / uia-held          keeps the list's element and its first item's; later, what reading them answers
//     dialogs                      the message boxes on the desktop and their texts (JSON)
//     tips                         the texts of the utility's tips showing now, and a tip's delay (JSON)
//     default-printer              GetDefaultPrinterW
//     set-default NAME             SetDefaultPrinterW, which sends no notice: ok or failed
//     notify                       the settings notice naming "windows", to every top-level window
//     wait-closed SECONDS          closed once the utility's window is gone, open if it stays
//
// Other programs' windows, each a process of its own:
//   probe hang SECONDS           a top-level window whose thread stops answering
//   probe slow MILLISECONDS      a top-level window that takes this long over every settings notice,
//                                then prints "end" and the Device line
//   probe listen SECONDS         a top-level window that prints the Device line at each notice naming "windows"
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which the two below need.
#include <commctrl.h>
#include <oleacc.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ProbeAutomation.h"
#include "ProbeText.h"
#include "platform/BackgroundBroadcast.h"
#include "platform/ModuleFunction.h"
#include "ui/contract/InspectAsker.h"
#include "ui/contract/WindowContract.h"

namespace {

using namespace probe;
using tavrelonim::ui::kWindowCaption;
using tavrelonim::ui::kWindowClass;

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

HWND FindUtility(DWORD waitMilliseconds) {
    for (DWORD waited = 0;; waited += 50) {
        if (HWND window = FindWindowW(kWindowClass, kWindowCaption)) {
            return window;
        }
        if (waited >= waitMilliseconds) {
            return nullptr;
        }
        Sleep(50);
    }
}

std::string RectJson(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    HWND parent = GetAncestor(window, GA_PARENT);
    POINT origin{0, 0};
    if (parent != nullptr && parent != GetDesktopWindow()) {
        ClientToScreen(parent, &origin);
    }
    return Cat("[", Num(rect.left - origin.x), ",", Num(rect.top - origin.y), ",", Num(rect.right - rect.left), ",",
               Num(rect.bottom - rect.top), "]");
}

std::string AskInspect(HWND window, tavrelonim::ui::InspectQuery query) {
    return tavrelonim::ui::InspectAsker::Ask(window, query).value_or("<no answer>");
}

std::string Ids() {
    std::string out = "{";
    for (const auto& [id, name] : tavrelonim::ui::kControlNames) {
        out += Cat(out.size() > 1 ? "," : "", Json(name), ":", Num(static_cast<int>(id)));
    }
    return out + "}";
}

// Whether keys typed now reach the window: it, or a box it owns, is in the foreground.
bool IsActive(HWND window) {
    const HWND foreground = GetForegroundWindow();
    return foreground != nullptr && GetAncestor(foreground, GA_ROOTOWNER) == window;
}

std::string Layout() {
    HWND window = FindUtility(1000);
    if (window == nullptr) {
        return "{\"found\":false}";
    }
    RECT client;
    GetClientRect(window, &client);
    POINT clientOrigin{0, 0};
    ClientToScreen(window, &clientOrigin);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);

    HDC screenContext = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screenContext, LOGPIXELSY);
    ReleaseDC(nullptr, screenContext);
    std::string out =
        Cat("{\"found\":true,\"caption\":", Json(Utf8(WindowText(window))), ",\"client\":[", Num(client.right), ",",
            Num(client.bottom), "],\"client_origin\":[", Num(clientOrigin.x), ",", Num(clientOrigin.y),
            "],\"dpi\":", Num(dpi), ",\"visible\":", Num(IsWindowVisible(window) ? 1 : 0),
            ",\"active\":", Num(IsActive(window) ? 1 : 0),
            ",\"focus\":", Num(thread.hwndFocus ? GetDlgCtrlID(thread.hwndFocus) : 0), ",\"controls\":[");
    // Every descendant in z-order, depth first.
    bool first = true;
    HWND list = nullptr;
    std::vector<HWND> stack;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr || !stack.empty();) {
        if (child == nullptr) {
            child = GetWindow(stack.back(), GW_HWNDNEXT);
            stack.pop_back();
            continue;
        }
        const HWND parent = GetParent(child);
        RECT screen;
        GetWindowRect(child, &screen);
        out += Cat(first ? "" : ",", "{\"id\":", Num(GetDlgCtrlID(child)),
                   ",\"parent\":", Num(parent == window ? 0 : GetDlgCtrlID(parent)),
                   ",\"class\":", Json(Utf8(ClassOf(child))), ",\"text\":", Json(Utf8(WindowText(child))),
                   ",\"rect\":", RectJson(child), ",\"screen\":[", Num(screen.left), ",", Num(screen.top), ",",
                   Num(screen.right - screen.left), ",", Num(screen.bottom - screen.top),
                   "],\"style\":", Num(GetWindowLongW(child, GWL_STYLE)), "}");
        first = false;
        if (ClassOf(child) == L"ListBox") {
            list = child;
        }
        if (HWND grandchild = GetWindow(child, GW_CHILD)) {
            stack.push_back(child);
            child = grandchild;
        } else {
            child = GetWindow(child, GW_HWNDNEXT);
        }
    }
    out += "],\"entries\":[";
    if (list != nullptr) {
        const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[1024] = {};
            if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) < 1024) {
                SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            }
            out += Cat(i ? "," : "", Json(Utf8(text)));
        }
        out += Cat("],\"selected\":", Num(SendMessageW(list, LB_GETCURSEL, 0, 0)),
                   ",\"item_height\":", Num(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0)));
    } else {
        out += "],\"selected\":null";
    }
    return out + "}";
}

// Whether a dialog shows an icon: a static control of the icon kind that holds one. A message
// box without an icon may still have the control, empty and hidden.
bool ShowsIcon(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0) {
            return true;
        }
    }
    return false;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM out) {
    if (ClassOf(window) != L"#32770" || !IsWindowVisible(window)) {
        return TRUE;
    }
    auto& text = *reinterpret_cast<std::string*>(out);
    text += Cat(text.empty() ? "" : ",", "{\"texts\":[");
    bool first = true;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        text += Cat(first ? "" : ",", Json(Utf8(WindowText(child))));
        first = false;
    }
    text += Cat("],\"icon\":", Num(ShowsIcon(window) ? 1 : 0), "}");
    return TRUE;
}

// The list as a screen reader reaches it from another process: its accessible object.
constexpr GUID kIidIAccessible{0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
IAccessible* heldObject = nullptr;  // kept across the utility's end by acc-hold
std::string events;                 // what the win-event hook has seen since last asked

HWND FindList() {
    HWND window = FindUtility(1000);
    HWND frame = window != nullptr ? GetDlgItem(window, static_cast<int>(tavrelonim::ui::ControlId::Frame1)) : nullptr;
    return frame != nullptr ? GetDlgItem(frame, static_cast<int>(tavrelonim::ui::ControlId::List1)) : nullptr;
}

IAccessible* ListObject() {
    HWND list = FindList();
    void* object = nullptr;
    if (list == nullptr ||
        FAILED(AccessibleObjectFromWindow(list, static_cast<DWORD>(OBJID_CLIENT), kIidIAccessible, &object))) {
        return nullptr;
    }
    return static_cast<IAccessible*>(object);
}

VARIANT Child(long id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::string Bstr(HRESULT result, BSTR text) {
    std::string out = result == S_OK && text != nullptr ? Json(Utf8(text)) : "null";
    SysFreeString(text);
    return out;
}

long Long(HRESULT result, const VARIANT& value) { return result == S_OK && value.vt == VT_I4 ? value.lVal : -1; }

std::string AccessibleNode(IAccessible* object, long id) {
    const VARIANT child = Child(id);
    BSTR name = nullptr;
    BSTR description = nullptr;
    BSTR action = nullptr;
    VARIANT role;
    VARIANT state;
    VariantInit(&role);
    VariantInit(&state);
    const HRESULT named = object->get_accName(child, &name);
    const HRESULT described = object->get_accDescription(child, &description);
    const HRESULT acted = object->get_accDefaultAction(child, &action);
    const HRESULT roled = object->get_accRole(child, &role);
    const HRESULT stated = object->get_accState(child, &state);
    long x = 0, y = 0, w = 0, h = 0;
    object->accLocation(&x, &y, &w, &h, child);
    VARIANT next;
    VariantInit(&next);
    const HRESULT navigated = object->accNavigate(id == CHILDID_SELF ? NAVDIR_FIRSTCHILD : NAVDIR_NEXT, child, &next);
    VARIANT hit;
    VariantInit(&hit);
    const HRESULT hitTested = object->accHitTest(x + w / 2, y + h / 2, &hit);
    return Cat("{\"name\":", Bstr(named, name), ",\"description\":", Bstr(described, description),
               ",\"action\":", Bstr(acted, action), ",\"role\":", Num(Long(roled, role)),
               ",\"state\":", Num(Long(stated, state)), ",\"location\":[", Num(x), ",", Num(y), ",", Num(w), ",",
               Num(h), "],\"next\":", Num(Long(navigated, next)), ",\"hit\":", Num(Long(hitTested, hit)), "}");
}

// The list's object and every row's, with the list box's own rows in screen coordinates beside.
std::string AccessibleTree() {
    IAccessible* object = ListObject();
    if (object == nullptr) {
        return "null";
    }
    HWND list = FindList();
    long count = -1;
    object->get_accChildCount(&count);
    IDispatch* parent = nullptr;
    object->get_accParent(&parent);
    std::string out = Cat("{\"self\":", AccessibleNode(object, CHILDID_SELF), ",\"count\":", Num(count),
                          ",\"parent\":", Num(parent != nullptr ? 1 : 0), ",\"children\":[");
    if (parent != nullptr) {
        parent->Release();
    }
    for (long id = 1; id <= count; ++id) {
        RECT rect{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(id - 1), reinterpret_cast<LPARAM>(&rect));
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        std::string node = AccessibleNode(object, id);
        node.pop_back();
        out += Cat(id > 1 ? "," : "", node, ",\"rect\":[", Num(rect.left), ",", Num(rect.top), ",",
                   Num(rect.right - rect.left), ",", Num(rect.bottom - rect.top), "]}");
    }
    object->Release();
    return out + "]}";
}

void CALLBACK HeardEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) {
        events += Cat(events.empty() ? "" : ",", "[", Num(event), ",", Num(child), "]");
    }
}

std::string WatchEvents() {
    HWND window = FindUtility(1000);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    events.clear();
    return window != nullptr && SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE, nullptr,
                                                HeardEvent, process, 0, WINEVENT_OUTOFCONTEXT) != nullptr
               ? "ok"
               : "failed";
}

// The events heard within the given time, taking the messages that bring them.
std::string Events(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    for (DWORD now = GetTickCount(); now < end; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    std::string out = Cat("[", events, "]");
    events.clear();
    return out;
}

// The message boxes on the desktop, with the texts of their controls.
// The utility's tips: the texts of those that show now, read as any program reads a window's, and
// how long a tip waits for the mouse to rest (-1 while the utility has made none).
struct TipsFound {
    DWORD utility = 0;
    std::string texts;
    LRESULT delay = -1;
};
BOOL CALLBACK CollectTip(HWND window, LPARAM out) {
    auto& found = *reinterpret_cast<TipsFound*>(out);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found.utility || ClassOf(window) != L"tooltips_class32") {
        return TRUE;
    }
    found.delay = SendMessageW(window, TTM_GETDELAYTIME, TTDT_INITIAL, 0);
    if (IsWindowVisible(window)) {
        // Sent, not GetWindowText: that reads another process's window's caption, never its text.
        std::wstring text(4096, L'\0');
        DWORD_PTR length = 0;
        SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                            2000, &length);
        text.resize(std::min<std::size_t>(length, text.size()));
        found.texts += Cat(found.texts.empty() ? "" : ",", Json(Utf8(text)));
    }
    return TRUE;
}

std::string Tips() {
    TipsFound found;
    if (HWND utility = FindUtility(0); utility != nullptr) {
        GetWindowThreadProcessId(utility, &found.utility);
        EnumWindows(CollectTip, reinterpret_cast<LPARAM>(&found));
    }
    return Cat("{\"showing\":[", found.texts, "],\"delay\":", Num(static_cast<long>(found.delay)), "}");
}

std::string Dialogs() {
    std::string items;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&items));
    return Cat("[", items, "]");
}

std::string ResolveFont(const std::string& face, int height, int weight, const std::string& text) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;  // as the window asks for its font
    lstrcpynA(font.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT handle = CreateFontIndirectA(&font);
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(context, handle);
    char used[LF_FACESIZE] = {};
    GetTextFaceA(context, LF_FACESIZE, used);
    TEXTMETRICA metrics{};
    GetTextMetricsA(context, &metrics);
    SIZE extent{};
    GetTextExtentPoint32A(context, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(context, old);
    DeleteDC(context);
    DeleteObject(handle);
    return Cat("{\"face\":", Json(used), ",\"weight\":", Num(metrics.tmWeight), ",\"height\":", Num(metrics.tmHeight),
               ",\"width\":", Num(extent.cx), "}");
}

// Read with the Unicode calls: every name as the system holds it, whatever the code pages.
std::string Profile(const std::string& section, const std::string& key) {
    std::wstring value(65536, L'\0');
    const DWORD count = GetProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"\x01", value.data(),
                                          static_cast<DWORD>(value.size()));
    value.resize(count);
    return value == L"\x01" ? "null" : Json(Utf8(value));
}

// The key names of a section in the profile's order (JSON).
std::string Section(const std::string& section) {
    std::wstring block(1 << 22, L'\0');
    const DWORD count =
        GetProfileStringW(Wide(section).c_str(), nullptr, L"", block.data(), static_cast<DWORD>(block.size()));
    std::string out;
    for (std::size_t start = 0; start < count;) {
        const std::size_t end = block.find(L'\0', start);
        out += Cat(out.empty() ? "" : ",", Json(Utf8(block.substr(start, end - start))));
        start = end + 1;
    }
    return Cat("[", out, "]");
}

// The spooler, loaded by the first question that needs it rather than imported. Under Wine a
// process's load brings the print server's printers into the profile only while no other process
// has the spooler loaded: the probe, started beside the utility, leaves that to the utility's own.
template <class Function>
Function SpoolerFunction(const char* name) {
    static const HMODULE spooler = LoadLibraryW(L"winspool.drv");
    return tavrelonim::platform::FunctionOf<Function>(spooler, name);
}

std::string DefaultPrinter() {
    wchar_t name[1024] = {};
    DWORD size = 1024;
    const auto getDefaultPrinter = SpoolerFunction<decltype(&GetDefaultPrinterW)>("GetDefaultPrinterW");
    return getDefaultPrinter != nullptr && getDefaultPrinter(name, &size) ? Utf8(name) : "";
}

std::string WaitClosed(DWORD seconds) {
    for (DWORD waited = 0; waited < seconds * 1000; waited += 50) {
        if (FindWindowW(kWindowClass, kWindowCaption) == nullptr) {
            return "closed";
        }
        Sleep(50);
    }
    return "open";
}

std::string Answer(const std::vector<std::string>& words) {
    const std::string& command = words.empty() ? std::string() : words[0];
    const auto argument = [&words](std::size_t i) { return i < words.size() ? words[i] : std::string(); };
    if (command == "ids") {
        return Ids();
    }
    if (command == "constants") {
        std::string phases;
        for (const char* name : tavrelonim::ui::kStartupPhaseNames) {
            phases += Cat(phases.empty() ? "" : ",", Json(name));
        }
        return Cat("{\"broadcast_finish_ms\":", Num(tavrelonim::platform::BackgroundBroadcast::kFinishMilliseconds),
                   ",\"phases\":[", phases, "]}");
    }
    if (command == "layout") {
        return Layout();
    }
    if (command == "inspect") {
        HWND window = FindUtility(5000);
        return window == nullptr
                   ? "<no window>"
                   : AskInspect(window, argument(1) == "font"     ? tavrelonim::ui::InspectQuery::ListFont
                                        : argument(1) == "phases" ? tavrelonim::ui::InspectQuery::StartupPhases
                                                                  : tavrelonim::ui::InspectQuery::ApplicationPrinter);
    }
    if (command == "resolve-font") {
        return ResolveFont(argument(1), std::atoi(argument(2).c_str()), std::atoi(argument(3).c_str()), argument(4));
    }
    if (command == "profile") {
        return Profile(argument(1), argument(2));
    }
    if (command == "section") {
        return Section(argument(1));
    }
    if (command == "acc-tree") {
        return AccessibleTree();
    }
    if (command == "acc-do-default") {
        IAccessible* object = ListObject();
        if (object == nullptr) {
            return "no object";
        }
        const HRESULT result = object->accDoDefaultAction(Child(std::atol(argument(1).c_str()) + 1));
        object->Release();
        return HResult(result);
    }
    if (command == "acc-hold") {
        heldObject = ListObject();
        return heldObject != nullptr ? "ok" : "no object";
    }
    if (command == "acc-held") {
        // Every call on an object whose list is gone answers an error, and the asker lives on.
        long count = 0;
        BSTR name = nullptr;
        VARIANT state;
        VariantInit(&state);
        const HRESULT counted = heldObject->get_accChildCount(&count);
        const HRESULT named = heldObject->get_accName(Child(1), &name);
        const HRESULT stated = heldObject->get_accState(Child(1), &state);
        SysFreeString(name);
        return Cat("[", Json(HResult(counted)), ",", Json(HResult(named)), ",", Json(HResult(stated)), "]");
    }
    if (command == "acc-watch") {
        return WatchEvents();
    }
    if (command == "acc-events") {
        return Events(static_cast<DWORD>(std::atol(argument(1).c_str())));
    }
    if (command == "uia-tree") {
        return AutomationTree(FindList());
    }
    if (command == "uia-hold") {
        return AutomationHold(FindList());
    }
    if (command == "uia-held") {
        return AutomationHeld();
    }
    if (command == "tips") {
        return Tips();
    }
    if (command == "dialogs") {
        return Dialogs();
    }
    if (command == "default-printer") {
        return DefaultPrinter();
    }
    if (command == "set-default") {
        const auto setDefaultPrinter = SpoolerFunction<decltype(&SetDefaultPrinterW)>("SetDefaultPrinterW");
        return setDefaultPrinter != nullptr && setDefaultPrinter(Wide(argument(1)).c_str()) ? "ok" : "failed";
    }
    if (command == "notify") {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_ABORTIFHUNG,
                            3000, &result);
        return "ok";
    }
    if (command == "wait-closed") {
        return WaitClosed(static_cast<DWORD>(std::atol(argument(1).c_str())));
    }
    return "<unknown command>";
}

// One command a line in, one answer a line out, until standard input ends.
int Serve() {
    CoInitialize(nullptr);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        std::vector<std::string> words;
        for (std::size_t start = 0;;) {
            const std::size_t tab = text.find('\t', start);
            words.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) {
                break;
            }
            start = tab + 1;
        }
        std::string answer = Answer(words);
        for (char& c : answer) {
            if (c == '\n' || c == '\r') {
                c = ' ';  // one line each, always
            }
        }
        std::puts(answer.c_str());
        std::fflush(stdout);
    }
    return 0;
}

LRESULT CALLBACK SlowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static DWORD delay = 0;
    if (message == WM_CREATE) {
        delay = static_cast<DWORD>(reinterpret_cast<INT_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    } else if (message == WM_WININICHANGE) {
        Sleep(delay);
        // What the Device line was by the time this window let the notice go.
        char device[1024] = {};
        GetProfileStringA("windows", "Device", "", device, sizeof device);
        std::printf("end %s\n", device);
        std::fflush(stdout);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ListenProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WININICHANGE && lParam != 0 &&
        lstrcmpiW(reinterpret_cast<const wchar_t*>(lParam), L"windows") == 0) {
        char device[1024] = {};
        GetProfileStringA("windows", "Device", "", device, sizeof device);
        std::printf("%s\n", device);
        std::fflush(stdout);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A visible top-level window of this process for the given seconds. Without a procedure its
// thread stops taking messages, as a hung program's does.
int OtherWindow(DWORD seconds, WNDPROC procedure, const wchar_t* title, DWORD slowMilliseconds) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure != nullptr ? procedure : DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavrelonimProbeOther";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 400, 200,
                                  100, nullptr, nullptr, windowClass.hInstance,
                                  reinterpret_cast<LPVOID>(static_cast<INT_PTR>(slowMilliseconds)));
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    std::puts("ready");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + seconds * 1000;
    if (procedure == nullptr) {
        Sleep(seconds * 1000);
    } else {
        while (GetTickCount() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
        }
    }
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "serve") {
        return Serve();
    }
    if ((command == "hang" || command == "slow" || command == "listen") && argc > 2) {
        const DWORD value = static_cast<DWORD>(std::atol(argv[2]));
        if (command == "hang") {
            return OtherWindow(value, nullptr, L"probe hung", 0);
        }
        return command == "slow" ? OtherWindow(60, SlowProcedure, L"probe slow", value)
                                 : OtherWindow(value, ListenProcedure, L"probe listener", 0);
    }
    std::fputs("usage: probe serve | hang SECONDS | slow MILLISECONDS | listen SECONDS\n", stderr);
    return 2;
}
