#include "ui/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

#include "defaulting/DefaultPrinterMark.h"
#include "defaulting/DefaultRequest.h"
#include "printerlist/PrinterListLoading.h"
#include "printerlist/ProfileText.h"
#include "ui/Dpi.h"
#include "ui/InspectHook.h"
#include "ui/ListRowDrawing.h"
#include "ui/StartupPhases.h"

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

constexpr std::size_t IndexOf(ControlId id) noexcept {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].id == id) {
            return i;
        }
    }
    return kControls.size();
}

// A control is made inside its parent, and measured against it: parents come first.
constexpr bool ParentsComeFirst() noexcept {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].parent != ControlId::None && IndexOf(kControls[i].parent) >= i) {
            return false;
        }
    }
    return true;
}
static_assert(ParentsComeFirst());

UniqueFont CreateUiFont(const wchar_t* face, int points, LONG weight, BYTE charSet, int dpi) {
    LOGFONTW font{};
    font.lfHeight = PointsToFontHeight(points, dpi);
    font.lfWeight = weight;
    font.lfCharSet = charSet;
    ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return UniqueFont(::CreateFontIndirectW(&font));
}

// How wide a control's caption is in the given font, with what the control draws around it; 0
// for a control without a caption.
int CaptionWidth(HDC context, const ControlEntry& entry, HFONT font, int dpi) {
    if (entry.caption == nullptr || entry.caption[0] == L'\0' || context == nullptr) {
        return 0;
    }
    const SelectedObject selection(context, font);
    // An ampersand marks an access key, unless the control shows it as it stands.
    const bool showsAmpersands = ::lstrcmpiW(entry.windowClass, L"STATIC") == 0 && (entry.style & SS_NOPREFIX) != 0;
    RECT text{};
    ::DrawTextW(context, entry.caption, -1, &text, DT_CALCRECT | DT_SINGLELINE | (showsAmpersands ? DT_NOPREFIX : 0U));
    return (text.right - text.left) + TwipsToPixels(entry.captionMarginTwips, dpi);
}

// Character height of a font, which is the list's row height as a list box would choose it.
int TextHeight(HDC context, HFONT font) {
    if (context == nullptr) {
        return 0;
    }
    const SelectedObject selection(context, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(context, &metrics);
    return metrics.tmHeight;
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
                Command1_Click();
            } else if (id == ControlId::Command2 && notification == BN_CLICKED) {
                Command2_Click();
            } else if (id == ControlId::List1 && notification == LBN_SELCHANGE) {
                List1_Click();
            }
            return 0;
        }
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

HFONT MainWindow::ControlLayout::FontFor(ControlId id) const noexcept {
    return id == ControlId::List1 ? listFont.get() : windowFont.get();
}

MainWindow::ControlLayout MainWindow::MeasureLayout(int dpi) const {
    // The classic dialog font, which the layout's captions were measured against, for all but the list.
    ControlLayout layout{CreateUiFont(kWindowFontFace, kWindowFontPoints, FW_NORMAL, DEFAULT_CHARSET, dpi),
                         CreateUiFont(kListFontFace, kListFontPoints, kListFontWeight, ANSI_CHARSET, dpi),
                         {},
                         0};
    // One context measures every caption and the rows: a memory one, which needs no visible
    // region of the window worked out as the window's own does.
    const UniqueMemoryDc context(::CreateCompatibleDC(nullptr));
    const int clientWidth = ClientSizeForDpi(kClientArea, dpi).width;
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlEntry& entry = kControls[i];
        // A caption is the system's own text and shows whole, in whatever face the system gave:
        // a control too narrow for it grows to the right, never past its parent.
        PixelRect rect = TwipsToPixels(entry.rect, dpi);
        const int captionWidth = CaptionWidth(context.get(), entry, layout.FontFor(entry.id), dpi);
        if (captionWidth > rect.width) {
            const int parentWidth =
                entry.parent == ControlId::None ? clientWidth : layout.rects[IndexOf(entry.parent)].width;
            rect.width = std::max(rect.width, std::min(captionWidth, parentWidth - rect.left));
        }
        layout.rects[i] = rect;
    }
    layout.rowHeight = TextHeight(context.get(), layout.listFont.get());
    return layout;
}

// Each control is made where it goes and in its font: placing it afterwards would cost every
// control a move and a resize more.
void MainWindow::CreateControls(ControlLayout layout) {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlEntry& entry = kControls[i];
        const HWND parent = entry.parent == ControlId::None ? window_ : Control(entry.parent);
        const PixelRect& rect = layout.rects[i];
        controls_[i] =
            ::CreateWindowExW(entry.exStyle, entry.windowClass, entry.caption, WS_CHILD | WS_VISIBLE | entry.style,
                              rect.left, rect.top, rect.width, rect.height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance_, nullptr);
        if (controls_[i] == nullptr) {
            throw std::runtime_error("a control of the window could not be created");
        }
        ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(layout.FontFor(entry.id)), FALSE);
    }
    const HWND frame = Control(ControlId::Frame1);
    ::SetWindowLongPtrW(
        frame, GWLP_USERDATA,
        ::SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::FrameProcedure)));
    const HWND list = Control(ControlId::List1);
    AdoptRowHeightAndFonts(layout);
    list_.Attach(list);
    accessibility_.emplace(list, Control(ControlId::Label1), markedRow_).Install();
}

void MainWindow::ApplyLayout(int dpi) {
    ControlLayout layout = MeasureLayout(dpi);
    const BOOL redraw = ::IsWindowVisible(window_);
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const PixelRect& rect = layout.rects[i];
        ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(layout.FontFor(kControls[i].id)), redraw);
        ::SetWindowPos(controls_[i], nullptr, rect.left, rect.top, rect.width, rect.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    AdoptRowHeightAndFonts(layout);
}

void MainWindow::AdoptRowHeightAndFonts(ControlLayout& layout) {
    // A list drawn by its owner keeps the row height it was given, whatever its font.
    ::SendMessageW(Control(ControlId::List1), LB_SETITEMHEIGHT, 0, MAKELPARAM(layout.rowHeight, 0));
    // The controls hold the new fonts now; the old ones can go.
    windowFont_ = std::move(layout.windowFont);
    listFont_ = std::move(layout.listFont);
}

HWND MainWindow::Control(ControlId id) const noexcept {
    const std::size_t index = IndexOf(id);
    return index < controls_.size() ? controls_[index] : nullptr;
}

// Asking makes nothing: a program's printer not yet made answers as none.
LRESULT MainWindow::Inspect(InspectQuery query, HWND asker) {
    const std::optional<std::string> printer =
        applicationPrinter_ ? std::optional(defaulting::ApplicationPrinterDeviceName(*applicationPrinter_))
                            : std::nullopt;
    return AnswerInspect(window_, query, asker, printer, listFont_.get());
}

void MainWindow::RefreshDefaultMark() {
    const int row = defaulting::DefaultPrinterRow(platform_, list_);
    if (row != markedRow_) {
        InvalidateListRow(markedRow_);
        InvalidateListRow(row);
        const int former = markedRow_;
        markedRow_ = row;
        if (accessibility_) {
            accessibility_->MarkMoved(former, row);
        }
    }
}

void MainWindow::FollowHighContrast() {
    highContrast_ = HighContrastOn();
    ::InvalidateRect(Control(ControlId::List1), nullptr, TRUE);
}

void MainWindow::InvalidateListRow(int row) const {
    RECT rect;
    const HWND list = Control(ControlId::List1);
    if (row >= 0 &&
        ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != LB_ERR) {
        ::InvalidateRect(list, &rect, FALSE);
    }
}

// The application printer is made at its first use, not at load: the load asks the system for
// its default once, for the mark.
void MainWindow::Form_Load() {
    const SuspendedRedraw quietList(Control(ControlId::List1));
    const std::string keyBlock = printersReadAhead_.Take();
    printerlist::FillListFromKeyBlock(list_, keyBlock);
    StampStartupPhase(StartupPhase::ListFilled);
    // From the names as the load read them: the list holds exactly these, and asking it for
    // each again would cost a message a row.
    markedRow_ = defaulting::DefaultPrinterRow(platform_, printerlist::SplitKeyBlock(keyBlock));
    StampStartupPhase(StartupPhase::MarkFound);
}

defaulting::ApplicationPrinter& MainWindow::CurrentApplicationPrinter() {
    if (!applicationPrinter_) {
        applicationPrinter_ = defaulting::ApplicationPrinter::StartingAtSystemDefault(platform_);
    }
    return *applicationPrinter_;
}

void MainWindow::Command1_Click() {
    // Whatever the request's outcome, the mark shows where the system has the default now.
    try {
        defaulting::MakeSelectedPrinterDefault({platform_, list_, CurrentApplicationPrinter()});
    } catch (...) {
        RefreshDefaultMark();
        throw;
    }
    RefreshDefaultMark();
}

void MainWindow::Command2_Click() { ::DestroyWindow(window_); }

void MainWindow::List1_Click() { Command1_Click(); }

}  // namespace tavrelonim::ui
