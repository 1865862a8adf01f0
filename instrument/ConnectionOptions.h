#pragma once

#include <string>

// What whoever starts the connection procedure tells it; the program fills this from its
// command line, so that the instrument layer knows nothing of how options are spelt.
struct ConnectionOptions {
    bool noIdentify = false;  // accept modules without asking them to identify themselves
    bool directOpen = false;  // open directOpenName at once, without a search
    std::string directOpenName;
    bool resetOnOpen = false;  // the driver resets the module when it opens the session
};
