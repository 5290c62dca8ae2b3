#include "defaulting/DefaultPrinterMark.h"
#include "defaulting/DefaultRequest.h"
#include "printerlist/PrinterListLoading.h"
#include "printerlist/ProfileText.h"
#include "ui/contract/InspectHook.h"
#include "ui/contract/StartupPhases.h"
#include "ui/list/ListRowDrawing.h"
#include "ui/window/MainWindow.h"

// The window's work on the printers: the list's load, the default's mark, the request, and the
// answers to the inspect message.
namespace tavrelonim::ui {

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

void MainWindow::ShowDefaultButton() noexcept {
    // As a dialog shows it: the focused button looks the default, and with the focus on no button
    // the window's default button does, the one Enter presses. Tab between the buttons is the
    // keyboard handling's to show; a click or the list taking the focus is shown here.
    const bool onClose = ::GetFocus() == Control(ControlId::Command2);
    ::SendMessageW(Control(ControlId::Command1), BM_SETSTYLE, onClose ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
    ::SendMessageW(Control(ControlId::Command2), BM_SETSTYLE, onClose ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

}  // namespace tavrelonim::ui
