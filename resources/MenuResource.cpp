#include "resources/MenuResource.h"

const std::vector<MenuPopupData>& MainMenu() {
    static const std::vector<MenuPopupData> menu = {
        {"&System",
         {{"&Auto Update", ID_AUTO_UPDATE},
          {"&Reset", ID_RESET},
          {"Self &Test", ID_SELF_TEST},
          {"Channel &Monitor...", ID_CHANNEL_MONITOR},
          {"", 0},
          {"&Exit", ID_APP_EXIT}}},
        {"&Help", {{"&Help Contents", ID_HELP_CONTENTS}, {"", 0}, {"&About...", ID_APP_ABOUT}}},
    };
    return menu;
}
