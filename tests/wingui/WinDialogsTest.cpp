// vemora.exe's three dialogs as its resources make them and its bindings fill them, read back
// with the system's messages while each is shown. What the dialogs do is the dialog states', tried
// in tests/dialogs/; the run against a display is end-to-end.sh's.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "printers/WinSpooler.h"
#include "wingui/ConnectionDlg.h"
#include "wingui/Controls.h"
#include "wingui/DirectSettingsDlg.h"
#include "wingui/SwitchSettingsDlg.h"

namespace vemora {
namespace {

using Texts = std::vector<std::string>;

// Shows the dialog modally and runs `inspect` on its window once it is up; then ends it.
void WhileShown(ModalDialog& dialog, const std::function<void(HWND)>& inspect) {
    static std::function<void()> pending;
    pending = [&] {
        inspect(dialog.Window());
        PostMessageW(dialog.Window(), WM_COMMAND, IDCANCEL, 0);
    };
    SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        std::exchange(pending, nullptr)();
    });
    ASSERT_NE(dialog.DoModal(nullptr), -1) << GetLastError();
}

std::string KindOf(HWND control) {
    wchar_t kind[64] = {};
    GetClassNameW(control, kind, 64);
    const auto style = GetWindowLongW(control, GWL_STYLE);
    const bool isDefault =
        std::wstring_view(kind) == L"Button" && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    return isDefault ? "default button" : Utf8(kind);
}

Texts Items(HWND list) {
    Texts items;
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        items.push_back(ItemAt(list, i));
    }
    return items;
}

// One control, in the dialog's tab order: its id (-1 for a label or a group box), kind, text (a
// list's: the item it shows) and whether it can be used.
struct Control {
    int id;
    std::string kind;
    std::string text;
    bool enabled = true;
    bool operator==(const Control&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Control& c) {
    return out << c.id << " " << c.kind << " \"" << c.text << "\"" << (c.enabled ? "" : " off");
}

std::vector<Control> Controls(HWND dialog) {
    std::vector<Control> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        controls.push_back({GetDlgCtrlID(c), KindOf(c), TextOf(c), IsWindowEnabled(c) != 0});
    }
    return controls;
}

void ExpectDialog(HWND dialog, const char* caption, const std::vector<Control>& controls) {
    EXPECT_EQ(TextOf(dialog), caption);
    EXPECT_EQ(Controls(dialog), controls);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(Utf8(font.lfFaceName), "MS Sans Serif");
}

const std::string kList = "ComboBox";
const std::string kButton = "Button";
const std::string kLabel = "Static";

TEST(WinDialogs, ConnectionDialogShowsResource102AndTheLists) {
    CConnectionDlg dialog(nullptr, MakeWinSpooler(), {}, {"COM16"});
    dialog.SelectPort("COM61");
    WhileShown(dialog, [](HWND window) {
        ExpectDialog(window, "Vemora(V1.0.3a)",
                     {{-1, kLabel, "Emulation Mode Selection"},
                      {1032, kList, "ESC/POS"},
                      {-1, kButton, "Communication Setting"},
                      {-1, kLabel, "Port"},
                      {1022, kList, "COM61"},
                      {-1, kLabel, "Baud Rate"},
                      {1024, kList, "9600"},
                      {-1, kLabel, "Data Bits"},
                      {1025, kList, "8"},
                      {-1, kLabel, "Parity"},
                      {1026, kList, "None"},
                      {-1, kLabel, "Stop Bits"},
                      {1027, kList, "1", false},
                      {-1, kLabel, "Flow Control"},
                      {1031, kList, "Hardware", false},
                      {1001, "default button", "Check Communication"},
                      {1023, kButton, "Self Test", false},
                      {1030, kButton, "Run Manager", false},
                      {2, kButton, "Exit"}});
        const struct {
            int id;
            Texts items;
        } lists[] = {
            {1032, {"ESC/POS", "KORVANT", "Others"}},
            {1022,
             {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
              "\\\\.\\COM10", "\\\\.\\COM11", "\\\\.\\COM12", "\\\\.\\COM13", "\\\\.\\COM14",
              "\\\\.\\COM15", "COM16", "COM61"}},
            {1024, {"9600", "19200", "38400", "57600", "115200"}},
            {1025, {"8", "7"}},
            {1026, {"None", "Odd", "Even"}},
            {1027, {"1", "1.5", "2"}},
            {1031, {"Hardware", "Xon/Xoff"}},
        };
        for (const auto& list : lists) {
            EXPECT_EQ(Items(GetDlgItem(window, list.id)), list.items) << list.id;
        }
        EXPECT_EQ(GetWindowLongW(GetDlgItem(window, 1026), GWL_STYLE) & 3, CBS_DROPDOWN);
        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
    });
}

// Typing selects nothing; a pick of the item the list showed before selects it again.
TEST(WinDialogs, TypedParityIsNoSelectionUntilAPick) {
    CConnectionDlg dialog(nullptr, MakeWinSpooler(), {}, {});
    WhileShown(dialog, [&](HWND window) {
        const HWND parity = GetDlgItem(window, 1026);
        for (const wchar_t c : std::wstring_view(L"Odd")) {
            SendMessageW(GetWindow(parity, GW_CHILD), WM_CHAR, c, 0);
        }
        EXPECT_EQ(dialog.State().Selected(LineList::Parity), -1);
        SendMessageW(parity, CB_SETCURSEL, 0, 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(1026, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(parity));
        EXPECT_EQ(dialog.State().Selected(LineList::Parity), 0);
    });
}

TEST(WinDialogs, SwitchDialogShowsResource130WithNoStatus) {
    CSwitchSettingsDlg dialog(nullptr, {});
    WhileShown(dialog, [](HWND window) {
        ExpectDialog(window, "Vemora V1.0.3a(Epson Mode)",
                     {{1001, kList, "", false},
                      {-1, kLabel, "Character code table"},
                      {1023, kList, "", false},
                      {-1, kLabel, "International character set"},
                      {1024, kList, "", false},
                      {-1, kLabel, "Brightness"},
                      {1025, kList, "", false},
                      {-1, kLabel, "Peripheral device"},
                      {1026, kList, "", false},
                      {-1, kLabel, "Cursor display mode"},
                      {-1, kButton, "Virtual Memory Switch Setting"},
                      {1002, kButton, "Get Status"},
                      {1003, kButton, "Set Status", false},
                      {1004, kButton, "Save Status", false},
                      {1005, kButton, "Load Status"},
                      {1007, kButton, "Exit"},
                      {10, PROGRESS_CLASSA, ""},
                      {-1, kLabel, "Progess :"}});
        for (const SettingRow& row : kSettings) {
            EXPECT_EQ(Items(GetDlgItem(window, ListId(row.setting))),
                      Texts(row.items.begin(), row.items.end()));
        }
        const HWND progress = GetDlgItem(window, 10);
        EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, TRUE, 0), 0);
        EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 100);
        EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 0);
    });
}

TEST(WinDialogs, DirectDialogShowsResource132OnTheFirstItems) {
    CDirectSettingsDlg dialog(nullptr);
    WhileShown(dialog, [](HWND window) {
        ExpectDialog(window, "Vemora V1.0.3a",
                     {{1001, kList, "PC437 (USA: Standard Europe)"},
                      {-1, kLabel, "Character code table"},
                      {1023, kList, "U.S.A."},
                      {-1, kLabel, "International character set"},
                      {-1, kButton, "Virtual Memory Switch Setting"},
                      {1003, kButton, "Set Status"},
                      {1002, kButton, "Show Information"}});
        for (const Setting setting : DirectSettingsState::kLists) {
            const auto items = SettingItems(setting);
            EXPECT_EQ(Items(GetDlgItem(window, ListId(setting))),
                      Texts(items.begin(), items.end()));
        }
    });
}

}  // namespace
}  // namespace vemora
