#include <algorithm>
#include <stdexcept>

#include "ui/layout/Dpi.h"
#include "ui/window/MainWindow.h"

// Where each control goes, in which font, at any DPI: measured from the control table and made.
namespace tavrelonim::ui {

namespace {

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

}  // namespace

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
    // The controls hold the new fonts now (the name tip too, if made); the old ones can go.
    nameTip_.SetFont(layout.listFont.get());
    windowFont_ = std::move(layout.windowFont);
    listFont_ = std::move(layout.listFont);
}

HWND MainWindow::Control(ControlId id) const noexcept {
    const std::size_t index = IndexOf(id);
    return index < controls_.size() ? controls_[index] : nullptr;
}

}  // namespace tavrelonim::ui
