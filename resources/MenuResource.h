#pragma once

#include <string>
#include <vector>

// Menu 102, the main frame's menu bar, as data.
enum : int {
    ID_SELF_TEST = 32771,
    ID_AUTO_UPDATE = 32773,
    ID_RESET = 32774,
    ID_HELP_CONTENTS = 32775,
    ID_APP_ABOUT = 32776,
    ID_APP_EXIT = 32779,
    ID_CHANNEL_MONITOR = 32780,
};

struct MenuItemData {
    std::string text;  // empty for a separator
    int id;            // 0 for a separator
};

struct MenuPopupData {
    std::string text;
    std::vector<MenuItemData> items;
};

const std::vector<MenuPopupData>& MainMenu();
