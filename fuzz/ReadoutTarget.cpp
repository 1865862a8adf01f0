#include <cstdlib>
#include <string>

#include "FuzzTargets.h"
#include "panel/PanelReadings.h"

void FuzzReadout(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const unsigned value = ParseReadout(text);
    if (value > 0xFFFF) {
        std::abort();
    }
    // Whatever was shown, one switch normalises it and switching back and forth is stable.
    for (bool hex : {false, true}) {
        const std::string shown = FormatReading(value, hex);
        if (ParseReadout(shown) != value || FormatReading(ParseReadout(shown), hex) != shown) {
            std::abort();
        }
    }
}
