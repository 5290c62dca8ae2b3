// Room window, the top floor: the utility's window itself (its making, its message procedure,
// its work on the printers) and the program's resources. It uses every room below.
//
// The utility's one window: the printer list in its frame and the two buttons.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <optional>

#include "defaulting/ApplicationPrinter.h"
#include "platform/Win32Platform.h"
#include "ui/accessibility/ListAccessible.h"
#include "ui/layout/ControlTable.h"
#include "ui/list/ListBoxPrinterList.h"
#include "ui/list/NameTip.h"
#include "ui/list/PrinterReadAhead.h"
#include "ui/win32/RegistryKeyWatch.h"
#include "ui/win32/Win32Handles.h"

namespace tavrelonim::ui {

class MainWindow {
public:
    // Begins reading the printers, on a worker, for the window that Show makes.
    explicit MainWindow(HINSTANCE instance);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // Creates, loads and shows the window; false when the system refused to create it.
    bool Show(int showCommand);
    // Runs the window's messages until it is closed; gives the exit code.
    int RunMessageLoop();

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Takes the procedure's own window handle: the last messages come after window_ has gone.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Where each control goes and in which font, at one DPI.
    struct ControlLayout {
        UniqueFont windowFont;
        UniqueFont listFont;
        std::array<PixelRect, kControls.size()> rects;
        int rowHeight;
        [[nodiscard]] HFONT FontFor(ControlId id) const noexcept;
    };
    [[nodiscard]] ControlLayout MeasureLayout(int dpi) const;
    void CreateControls(ControlLayout layout);
    // Moves the made controls to the layout at a new DPI, in its fonts.
    void ApplyLayout(int dpi);
    void AdoptRowHeightAndFonts(ControlLayout& layout);
    [[nodiscard]] HWND Control(ControlId id) const noexcept;
    [[nodiscard]] LRESULT Inspect(InspectQuery query, HWND asker);
    // The program's own current printer, made at its first use at the system's default then.
    defaulting::ApplicationPrinter& CurrentApplicationPrinter();

    // The check mark on the default printer's row: looked for again whenever the default may have
    // changed, and only the rows it leaves and reaches are drawn again.
    void RefreshDefaultMark();
    void InvalidateListRow(int row) const;
    // Under high contrast the list takes the system's colours, and follows the switch live.
    void FollowHighContrast();

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void List1_Click();
    // The default button's look where the focus is now: on Fechar when it has the focus, else on
    // Como Padrão, which Enter then presses.
    void ShowDefaultButton() noexcept;

    // First, so that the spooler loads, and a long list's read begins, before anything else of
    // the window is made.
    PrinterReadAhead printersReadAhead_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::array<HWND, kControls.size()> controls_{};
    HWND focusOnDeactivate_ = nullptr;
    UINT inspectMessage_ = 0;
    int markedRow_ = -1;
    bool highContrast_ = false;
    UniqueFont windowFont_;
    UniqueFont listFont_;
    platform::Win32Platform platform_;
    ListBoxPrinterList list_;
    NameTip nameTip_;  // made the first time the mouse is over the list
    std::optional<defaulting::ApplicationPrinter> applicationPrinter_;
    std::optional<ListAccessibility> accessibility_;
    // Sees the default change even when the changer sends no notice, as SetDefaultPrinter does not.
    RegistryKeyWatch defaultPrinterWatch_{platform::kWindowsSectionKey};
};

}  // namespace tavrelonim::ui
