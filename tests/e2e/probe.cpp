// A test probe that runs beside the utility under Wine and reads its window back through the
// window system, as another program would. Prints one JSON object (or a plain value) per call.
//
//   probe layout                 the window, every control, focus and the list's entries
//   probe inspect printer|font   what the window answers to its inspect message
//   probe resolve-font FACE H W  the face and weight GDI really uses for such a font
//   probe profile SECTION KEY    a profile value as the program reads it (JSON; null when absent)
//   probe dialogs                the message boxes on the desktop and their texts
//   probe default-printer        GetDefaultPrinterA
//   probe set-default NAME       SetDefaultPrinterA, which sends no notice
//   probe notify                 the settings notice naming "windows", to every top-level window
//   probe hang SECONDS           a top-level window whose thread stops answering
//   probe slow MILLISECONDS      a top-level window that takes this long over every settings notice
//   probe listen SECONDS         a top-level window that prints the Device line at each notice naming "windows"
//   probe wait-closed SECONDS    waits until the utility's window is gone; exit 0 when it is
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kCaption = L"Tavrelonim Controle de quimberatos";

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Joins its pieces; long + chains of std::string trip a false -Wrestrict in GCC 12.
template <class... Pieces>
std::string Cat(const Pieces&... pieces) {
    std::string out;
    (out.append(pieces), ...);
    return out;
}

std::string Num(long long value) { return std::to_string(value); }

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
        if (HWND window = FindWindowW(L"TavrelonimMainWindow", kCaption)) {
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

std::string AskInspect(HWND window, WPARAM query) {
    const UINT message = RegisterWindowMessageW(L"Tavrelonim.Inspect");
    DWORD_PTR atom = 0;
    if (SendMessageTimeoutW(window, message, query, 0, SMTO_ABORTIFHUNG, 5000, &atom) == 0 || atom == 0) {
        return "<no answer>";
    }
    char text[256] = {};
    GlobalGetAtomNameA(static_cast<ATOM>(atom), text, sizeof text);
    GlobalDeleteAtom(static_cast<ATOM>(atom));
    return text[0] == '=' ? std::string(text + 1) : std::string("<bad answer>");
}

int Layout() {
    HWND window = FindUtility(20000);
    if (window == nullptr) {
        std::puts("{\"found\":false}");
        return 1;
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
                   "],\"style\":", Num(GetWindowLongW(child, GWL_STYLE)),
                   ",\"exstyle\":", Num(GetWindowLongW(child, GWL_EXSTYLE)), "}");
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
    out += "}";
    std::puts(out.c_str());
    return 0;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM out) {
    if (ClassOf(window) != L"#32770" || !IsWindowVisible(window)) {
        return TRUE;
    }
    auto& text = *reinterpret_cast<std::string*>(out);
    RECT rect;
    GetWindowRect(window, &rect);
    text +=
        Cat(text.empty() ? "" : ",", "{\"title\":", Json(Utf8(WindowText(window))), ",\"screen\":[", Num(rect.left),
            ",", Num(rect.top), ",", Num(rect.right - rect.left), ",", Num(rect.bottom - rect.top), "],\"texts\":[");
    bool first = true;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        text += Cat(first ? "" : ",", Json(Utf8(WindowText(child))));
        first = false;
    }
    text += Cat("],\"icon\":", Num(GetDlgItem(window, 0x14) != nullptr ? 1 : 0), "}");
    return TRUE;
}

// The message boxes on the desktop, with the texts of their controls.
int Dialogs() {
    std::string items;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&items));
    std::puts(Cat("[", items, "]").c_str());
    return 0;
}

int ResolveFont(const char* face, int height, int weight) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    HFONT handle = CreateFontIndirectA(&font);
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(context, handle);
    char used[LF_FACESIZE] = {};
    GetTextFaceA(context, LF_FACESIZE, used);
    TEXTMETRICA metrics{};
    GetTextMetricsA(context, &metrics);
    SIZE extent{};
    GetTextExtentPoint32A(context, "Lista das quimberatos", 21, &extent);
    std::printf("{\"face\":%s,\"weight\":%ld,\"height\":%ld,\"label_width\":%ld}\n", Json(used).c_str(),
                metrics.tmWeight, metrics.tmHeight, extent.cx);
    SelectObject(context, old);
    DeleteDC(context);
    DeleteObject(handle);
    return 0;
}

LRESULT CALLBACK SlowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static DWORD delay = 0;
    if (message == WM_CREATE) {
        delay = static_cast<DWORD>(reinterpret_cast<INT_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    } else if (message == WM_WININICHANGE) {
        Sleep(delay);
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
    if (command == "layout") {
        return Layout();
    }
    if (command == "inspect" && argc > 2) {
        HWND window = FindUtility(20000);
        if (window == nullptr) {
            return 1;
        }
        std::puts(AskInspect(window, std::string(argv[2]) == "font" ? 2 : 1).c_str());
        return 0;
    }
    if (command == "profile" && argc > 3) {
        // The value as the program reads it, in the system code page, printed as UTF-8 JSON.
        std::string value(65536, '\0');
        const DWORD count = GetProfileStringA(argv[2], argv[3], "\x01", value.data(), static_cast<DWORD>(value.size()));
        value.resize(count);
        if (value == "\x01") {
            std::puts("null");
            return 0;
        }
        const int wide = MultiByteToWideChar(CP_ACP, 0, value.data(), static_cast<int>(value.size()), nullptr, 0);
        std::wstring text(static_cast<std::size_t>(wide), L'\0');
        MultiByteToWideChar(CP_ACP, 0, value.data(), static_cast<int>(value.size()), text.data(), wide);
        std::puts(Json(Utf8(text)).c_str());
        return 0;
    }
    if (command == "dialogs") {
        return Dialogs();
    }
    if (command == "resolve-font" && argc > 4) {
        return ResolveFont(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (command == "default-printer") {
        char name[512] = {};
        DWORD size = sizeof name;
        std::puts(GetDefaultPrinterA(name, &size) ? name : "");
        return 0;
    }
    if (command == "set-default" && argc > 2) {
        return SetDefaultPrinterA(argv[2]) ? 0 : 1;
    }
    if (command == "notify") {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_ABORTIFHUNG,
                            3000, &result);
        return 0;
    }
    if ((command == "hang" || command == "slow" || command == "listen") && argc > 2) {
        const DWORD value = static_cast<DWORD>(std::atol(argv[2]));
        if (command == "hang") {
            return OtherWindow(value, nullptr, L"probe hung", 0);
        }
        return command == "slow" ? OtherWindow(60, SlowProcedure, L"probe slow", value)
                                 : OtherWindow(value, ListenProcedure, L"probe listener", 0);
    }
    if (command == "wait-closed") {
        const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::atol(argv[2])) : 10;
        for (DWORD waited = 0; waited < seconds * 1000; waited += 50) {
            if (FindWindowW(L"TavrelonimMainWindow", kCaption) == nullptr) {
                return 0;
            }
            Sleep(50);
        }
        return 1;
    }
    std::fputs(
        "usage: probe layout|inspect printer|font|resolve-font FACE H W|default-printer|set-default N|notify|hang "
        "S|slow MS|listen S|wait-closed S\n",
        stderr);
    return 2;
}
