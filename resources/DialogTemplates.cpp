#include "resources/DialogTemplates.h"

namespace {

using K = CtrlKind;
constexpr TextAlign L = TextAlign::Left;
constexpr TextAlign C = TextAlign::Center;

const DlgTemplate kAbout{
    IDD_ABOUTBOX,
    "About aq3310 Soft front panel",
    232,
    92,
    "MS Sans Serif",
    8,
    false,
    {
        {IDC_STATIC, K::Icon, "", 4, 4, 20, 20, false, false, L},
        {IDC_STATIC, K::Text, "aqk3310  soft front panel", 32, 4, 160, 8, false, false, C},
        {IDC_STATIC, K::Text, "for the 64-channel isolated input interrupt module", 32, 16, 160, 8,
         false, false, C},
        {IDOK, K::DefPushButton, "OK", 196, 4, 32, 14, true, true, C},
        {IDC_STATIC, K::Text, "VERSION: A.01.01", 4, 36, 224, 8, false, false, C},
        {IDC_STATIC, K::Text, "Plug Play Driver revison required: A.01.00 or greater", 4, 52, 224,
         8, false, false, C},
        {IDC_STATIC, K::Text, "", 4, 64, 224, 8, false, false, C},
        {IDC_STATIC, K::Text, "VISA version required: 1.0 or greater", 4, 76, 224, 8, false, false,
         C},
    },
};

const DlgTemplate kPanel{
    IDD_PANEL,
    "",
    203,
    181,
    "MS Sans Serif",
    8,
    true,
    {
        {1000, K::BlackFrame, "", 4, 0, 194, 35, false, false, L},
        {1012, K::BlackFrame, "", 3, 36, 194, 139, false, false, L},
        {1006, K::BlackFrame, "", 12, 40, 180, 18, false, false, L},
        {1002, K::BlackFrame, "", 12, 4, 56, 24, true, false, L},
        {1001, K::BlackFrame, "", 138, 5, 40, 24, false, false, L},
        {1007, K::Text, "Slot:", 70, 45, 16, 8, false, true, L},
        {1010, K::BlackFrame, "", 87, 44, 16, 12, false, false, L},
        {1011, K::BlackFrame, "", 16, 44, 52, 11, false, false, L},
        {1004, K::OwnerDrawButton, "", 168, 42, 16, 12, false, false, C},
        {IDC_STATIC, K::Text, "Active", 139, 45, 24, 8, false, true, C},
        {1049, K::OwnerDrawButton, "Button1", 115, 90, 75, 14, true, false, C},
        {IDC_STATIC, K::GroupBox, "Port", 10, 60, 180, 25, false, false, L},
        {1053, K::RadioButton, "0", 20, 70, 20, 10, false, true, L},
        {1054, K::RadioButton, "1", 60, 70, 20, 10, false, false, L},
        {1055, K::RadioButton, "2", 105, 70, 20, 10, false, false, L},
        {1056, K::RadioButton, "3", 150, 70, 20, 10, false, false, L},
        {IDC_STATIC, K::Text, "Port Value:", 55, 95, 55, 8, false, true, L},
        {1070, K::OwnerDrawButton, "Button2", 115, 110, 75, 14, true, false, C},
        {1071, K::OwnerDrawButton, "Button3", 115, 130, 75, 14, true, false, C},
        {IDC_STATIC, K::Text, "Pos Edge Reg:", 55, 115, 55, 8, false, false, L},
        {IDC_STATIC, K::Text, "Neg. Edge Reg:", 55, 135, 55, 8, false, false, L},
        {IDC_STATIC, K::GroupBox, "Radix", 10, 90, 40, 55, false, false, L},
        {1061, K::RadioButton, "Dec", 15, 105, 30, 10, false, true, L},
        {1063, K::RadioButton, "Hex", 15, 130, 29, 10, false, false, L},
        {IDOK, K::PushButton, "Take Reading", 45, 155, 90, 14, true, false, C},
    },
};

const DlgTemplate kSelectInstrument{
    IDD_SELECT_INSTRUMENT,
    "Select Instrument",
    186,
    92,
    "MS Sans Serif",
    8,
    false,
    {
        // The list's height of 60 units is that of its drop-down part.
        {1042, K::DropDownList, "", 24, 24, 140, 60, true, false, L},
        {IDOK, K::DefPushButton, "OK", 28, 68, 50, 14, true, false, C},
        {IDCANCEL, K::PushButton, "Cancel", 100, 68, 50, 14, true, false, C},
    },
};

}  // namespace

const DlgTemplate& GetDialogTemplate(int id) {
    switch (id) {
        case IDD_PANEL:
            return kPanel;
        case IDD_SELECT_INSTRUMENT:
            return kSelectInstrument;
        case IDD_ABOUTBOX:
        default:
            return kAbout;
    }
}
