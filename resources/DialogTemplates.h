#pragma once

#include <string>
#include <vector>

// Dialog templates as data: the controls of each dialog in template order (also the tab
// order), with rectangles in dialog units.
enum class CtrlKind {
    Text,        // static text
    BlackFrame,  // static with a black frame
    Icon,        // static showing the application icon
    PushButton,
    DefPushButton,    // the default push button
    OwnerDrawButton,  // push button whose face the program draws
    RadioButton,      // automatic radio button
    GroupBox,
    DropDownList,  // combo box without an edit field
};

enum class TextAlign { Left, Center };

constexpr int IDC_STATIC = -1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct DlgItem {
    int id;
    CtrlKind kind;
    std::string text;
    int x, y, cx, cy;
    bool tabStop;
    bool group;  // starts a group
    TextAlign align;
};

struct DlgTemplate {
    int id;
    std::string caption;
    int cx, cy;
    std::string fontName;
    int fontPoints;
    bool child;  // a child window without caption or border
    std::vector<DlgItem> items;
};

enum : int {
    IDD_ABOUTBOX = 100,
    IDD_PANEL = 103,
    IDD_SELECT_INSTRUMENT = 107,
};

// The template with that id; the About box's for an unknown id never happens, so callers pass
// only the ids above.
const DlgTemplate& GetDialogTemplate(int id);
