// Output conversions of formatted I/O: printf's directives made into the bytes of a message.
// Apart from the engine so that the input and output rules can each be read whole.
#include <cstdio>
#include <cstring>

#include "sim/visa/FormatChars.h"
#include "sim/visa/FormatConversions.h"

namespace sim {

namespace {

// printf with one value, into a string sized to fit (the field is at most a few kB).
template <typename T>
std::string FormatValue(const std::string& pattern, T value) {
    const int size = std::snprintf(nullptr, 0, pattern.c_str(), value);
    if (size <= 0) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern.c_str(), value);
    text.resize(static_cast<std::size_t>(size));
    return text;
}

// Instruments read '.' whatever the process's locale makes of a decimal point; a number
// only holds signs, digits, exponent letters and spaces besides it.
void UseDecimalPoint(std::string& text) {
    std::string fixed;
    bool inPoint = false;
    for (const char c : text) {
        const bool ordinary = IsDigit(c) || std::strchr("+- eEinfaINFA", c) != nullptr;
        if (ordinary) {
            fixed.push_back(c);
            inPoint = false;
        } else if (!inPoint) {
            fixed.push_back('.');
            inPoint = true;
        }
    }
    text = std::move(fixed);
}

void Pad(std::string& out, const std::string& field, int width, bool left) {
    const std::size_t fill =
        width > 0 && static_cast<std::size_t>(width) > field.size() ? width - field.size() : 0;
    if (!left) {
        out.append(fill, ' ');
    }
    out += field;
    if (left) {
        out.append(fill, ' ');
    }
}

// A width or precision taken from an int argument: C's rules (a negative width left-justifies,
// a negative precision is none), with the same bound as a written one.
bool ResolveField(va_list& list, int* value, bool* left) {
    long long number = va_arg(list, int);
    if (number < 0) {
        if (left == nullptr) {
            *value = -1;
            return true;
        }
        *left = true;
        number = -number;
    }
    if (number > kMaxFieldWidth) {
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

}  // namespace

ViStatus FormatDirectives(const std::vector<Directive>& directives, va_list& list,
                          std::string* result) {
    std::string& out = *result;
    for (const Directive& d : directives) {
        if (d.kind != Directive::Kind::Conversion) {
            out += d.text;
            continue;
        }
        bool left = d.left;
        int width = d.width;
        int precision = d.precision;
        if (width == kFromArgument && !ResolveField(list, &width, &left)) {
            return VI_ERROR_NSUP_FMT;
        }
        if (precision == kFromArgument && !ResolveField(list, &precision, nullptr)) {
            return VI_ERROR_NSUP_FMT;
        }
        if (d.conversion == 's') {
            const char* text = va_arg(list, const char*);
            if (text == nullptr) {
                return VI_ERROR_USER_BUF;
            }
            std::size_t size = 0;
            while ((precision < 0 || size < static_cast<std::size_t>(precision)) &&
                   text[size] != '\0') {
                ++size;
            }
            Pad(out, std::string(text, size), width, left);
            continue;
        }
        if (d.conversion == 'c') {
            Pad(out, std::string(1, static_cast<char>(va_arg(list, int))), width, left);
            continue;
        }
        std::string pattern = "%";
        pattern += left ? "-" : "";
        pattern += d.plus ? "+" : "";
        pattern += d.space ? " " : "";
        pattern += d.zero ? "0" : "";
        pattern += d.alternate ? "#" : "";
        pattern += width >= 0 ? std::to_string(width) : "";
        pattern += precision >= 0 ? "." + std::to_string(precision) : "";
        if (IsFloatConversion(d.conversion)) {
            std::string text = FormatValue(pattern + d.conversion, va_arg(list, double));
            UseDecimalPoint(text);
            out += text;
            continue;
        }
        pattern += "ll";
        pattern += d.conversion;
        if (d.conversion == 'd' || d.conversion == 'i') {
            long long value = 0;
            if (d.length == 'l') {
                value = va_arg(list, long);
            } else if (d.length == 'h') {
                value = static_cast<short>(va_arg(list, int));
            } else {
                value = va_arg(list, int);
            }
            out += FormatValue(pattern, value);
        } else {
            unsigned long long value = 0;
            if (d.length == 'l') {
                value = va_arg(list, unsigned long);
            } else if (d.length == 'h') {
                value = static_cast<unsigned short>(va_arg(list, unsigned));
            } else {
                value = va_arg(list, unsigned);
            }
            out += FormatValue(pattern, value);
        }
    }
    return VI_SUCCESS;
}

}  // namespace sim
