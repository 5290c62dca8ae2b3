#include "ui/window/MainWindow.h"

#include <commctrl.h>

#include <exception>
#include <string>

#include "defaulting/DefaultPrinterMark.h"
#include "ui/contract/StartupPhases.h"
#include "ui/layout/Dpi.h"
#include "ui/list/ListRowDrawing.h"

namespace tavrelonim::ui {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
constexpr int kAppIconId = 1;
// Posted to the window when the key that holds the default printer has changed.
constexpr UINT kDefaultMayHaveChanged = WM_APP + 1;
// Windows 10 1703 and later ask for the size a window wants at a new DPI; older headers lack it.
constexpr UINT kWmGetDpiScaledSize = 0x02E4;

// The outer size whose client area is the layout's at the DPI.
SIZE WindowSizeForDpi(int dpi) noexcept {
    const PixelSize client = ClientSizeForDpi(kClientArea, dpi);
    return OuterSizeForClient(client.width, client.height, kWindowStyle, kWindowExStyle, dpi);
}

// Runs one message's work; an exception is reported to the debugger and never crosses into the
// system, and the window lives on.
template <class Work, class OnError>
LRESULT Guarded(Work&& work, OnError&& onError) noexcept {
    try {
        return work();
    } catch (const std::exception& error) {
        // Pieces, not one built text: nothing here may fail a second time.
        ::OutputDebugStringA("Tavrelonim: ");
        ::OutputDebugStringA(error.what());
        ::OutputDebugStringA("\n");
    } catch (...) {
        ::OutputDebugStringA("Tavrelonim: unknown error\n");
    }
    return onError();
}

// Whether the window has a border, a caption or scroll bars around its client area.
bool HasNonClientArea(HWND window) noexcept {
    RECT outer;
    RECT client;
    return ::GetWindowRect(window, &outer) == FALSE || ::GetClientRect(window, &client) == FALSE ||
           outer.right - outer.left != client.right || outer.bottom - outer.top != client.bottom;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

bool MainWindow::Show(int showCommand) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::WindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon =
        static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm =
        static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&windowClass) == 0) {
        return false;
    }
    inspectMessage_ = ::RegisterWindowMessageW(kInspectMessageName);
    StampStartupPhase(StartupPhase::WindowCreating);

    const SIZE outer = WindowSizeForDpi(SystemDpi());
    window_ = ::CreateWindowExW(kWindowExStyle, kWindowClass, kWindowCaption, kWindowStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance_, this);
    if (window_ == nullptr) {
        return false;
    }
    StampStartupPhase(StartupPhase::WindowCreated);
    // Made on a monitor of another scaling than the primary's, the window has that monitor's DPI
    // from the start and is told of no change: size it for its own.
    const SIZE own = WindowSizeForDpi(DpiForWindow(window_));
    if (own.cx != outer.cx || own.cy != outer.cy) {
        ::SetWindowPos(window_, nullptr, 0, 0, own.cx, own.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(window_, showCommand);
    ::SetFocus(Control(ControlId::Command1));
    StampStartupPhase(StartupPhase::Shown);
    ::UpdateWindow(window_);
    StampStartupPhase(StartupPhase::Painted);
    return true;
}

int MainWindow::RunMessageLoop() {
    StampStartupPhase(StartupPhase::Answering);
    for (;;) {
        // Messages, and changes to the key that holds the default printer.
        const HANDLE keyChanged = defaultPrinterWatch_.Event();
        const DWORD handles = keyChanged != nullptr ? 1 : 0;
        const DWORD woken =
            ::MsgWaitForMultipleObjectsEx(handles, &keyChanged, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handles != 0 && woken == WAIT_OBJECT_0) {
            defaultPrinterWatch_.Arm();
            // Looked for in the window procedure, like every other change, in the order it came.
            if (window_ != nullptr) {
                ::PostMessageW(window_, kDefaultMayHaveChanged, 0, 0);
            }
            continue;
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            if (message.message == WM_QUIT) {
                return static_cast<int>(message.wParam);
            }
            // Dialog navigation gives Tab, the arrow keys and the access keys their usual meaning.
            if (window_ != nullptr && ::IsDialogMessageW(window_, &message) != FALSE) {
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        StampStartupPhase(StartupPhase::FirstMessage);
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // nothing of this object is reached from here on
    }
    return Guarded([&] { return self->HandleMessage(window, message, wParam, lParam); },
                   [&]() noexcept -> LRESULT {
                       // A window that cannot build its controls is not created at all.
                       return message == WM_CREATE ? -1 : ::DefWindowProcW(window, message, wParam, lParam);
                   });
}

LRESULT CALLBACK MainWindow::FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // The group box's own procedure, kept in the frame's user data: the system's subclass helper
    // would look its data up in a window property, a server round trip a message under Wine.
    const auto next = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(frame, GWLP_USERDATA));
    switch (message) {
        // The frame contains the list and the label: their notices belong to the window.
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            return ::SendMessageW(::GetParent(frame), message, wParam, lParam);
        case WM_ERASEBKGND: {
            // A group box draws only its border; as a container it must paint what lies inside.
            RECT client;
            ::GetClientRect(frame, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_NCPAINT:
            // A frame without a border has nothing outside its client area to draw; the system's
            // own answer would still ready a context of the whole window for it.
            if (!HasNonClientArea(frame)) {
                return 0;
            }
            break;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
            break;
        default:
            break;
    }
    return ::CallWindowProcW(next, frame, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            highContrast_ = HighContrastOn();
            platform_.SetMessageBoxOwner(window_);
            platform_.SendBroadcastsInBackground();
            {
                ControlLayout layout = MeasureLayout(DpiForWindow(window_));
                StampStartupPhase(StartupPhase::Layout);
                CreateControls(std::move(layout));
                StampStartupPhase(StartupPhase::Controls);
            }
            // An error while loading leaves the handler, not the window.
            return Guarded(
                [this] {
                    Form_Load();
                    return LRESULT{0};
                },
                []() noexcept { return LRESULT{0}; });
        case WM_COMMAND: {
            const auto id = static_cast<ControlId>(LOWORD(wParam));
            const UINT notification = HIWORD(wParam);
            if (id == ControlId::Command1 && notification == BN_CLICKED) {
                ShowDefaultButton();  // a click gives it the focus, which the look follows
                Command1_Click();
            } else if (id == ControlId::Command2 && notification == BN_CLICKED) {
                Command2_Click();
            } else if (id == ControlId::List1 && notification == LBN_SELCHANGE) {
                List1_Click();
            } else if (id == ControlId::List1 && notification == LBN_SETFOCUS) {
                ShowDefaultButton();
            }
            return 0;
        }
        case WM_SETCURSOR:
            // Passed up from the list for every move of the mouse over it: its tip follows.
            if (reinterpret_cast<HWND>(wParam) == Control(ControlId::List1)) {
                nameTip_.Follow(Control(ControlId::List1), window_, listFont_.get());
            }
            break;
        case DM_GETDEFID:
            // Asked by the keyboard handling for Enter pressed anywhere but on a button.
            return MAKELRESULT(static_cast<WORD>(ControlId::Command1), DC_HASDEFID);
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->hwndItem != Control(ControlId::List1)) {
                break;
            }
            DrawListRow(*item, listFont_.get(), static_cast<int>(item->itemID) == markedRow_, highContrast_);
            return TRUE;
        }
        case WM_SETTINGCHANGE: {
            // The argument is a section's name or, from some senders, an integer: never read as text.
            if (wParam == SPI_SETHIGHCONTRAST) {
                FollowHighContrast();
            }
            if (defaulting::NoticeMayChangeDefaultPrinter({static_cast<std::uintptr_t>(lParam)})) {
                if (!defaultPrinterWatch_.Armed()) {
                    defaultPrinterWatch_.Arm();
                }
                RefreshDefaultMark();
            }
            return 0;
        }
        case WM_CTLCOLORLISTBOX:
            if (reinterpret_cast<HWND>(lParam) == Control(ControlId::List1)) {
                HDC context = reinterpret_cast<HDC>(wParam);
                const RowColours colours = ListRowColours(highContrast_, false, CurrentSystemColours());
                ::SetTextColor(context, colours.text);
                ::SetBkColor(context, colours.back);
                return reinterpret_cast<LRESULT>(highContrast_ ? ::GetSysColorBrush(COLOR_WINDOW)
                                                               : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            }
            break;
        case WM_SYSCOLORCHANGE:
            FollowHighContrast();
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == Control(ControlId::Label1)) {
                // Both colours, or under a dark scheme the label's text stays black on the face.
                ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNTEXT));
                ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_ACTIVATE:
            // A plain window does not keep its focus across activation as a dialog does. While
            // minimized it takes none: the focus comes back with the window.
            if (LOWORD(wParam) == WA_INACTIVE) {
                focusOnDeactivate_ = ::GetFocus();
            } else if (HIWORD(wParam) == 0) {
                const HWND focus = focusOnDeactivate_ != nullptr && ::IsChild(window_, focusOnDeactivate_) != FALSE
                                       ? focusOnDeactivate_
                                       : Control(ControlId::Command1);
                ::SetFocus(focus);
            }
            return 0;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyLayout(HIWORD(wParam));
            return 0;
        }
        case kWmGetDpiScaledSize: {
            // Moving to a monitor of another scaling: the size whose client area is the layout's there.
            *reinterpret_cast<SIZE*>(lParam) = WindowSizeForDpi(static_cast<int>(wParam));
            return TRUE;
        }
        case WM_CLOSE:
            ::DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            ::PostQuitMessage(0);
            return 0;
        case kDefaultMayHaveChanged:
            RefreshDefaultMark();
            return 0;
        default:
            if (message == inspectMessage_ && inspectMessage_ != 0) {
                return Inspect(static_cast<InspectQuery>(wParam), reinterpret_cast<HWND>(lParam));
            }
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tavrelonim::ui
