// Reads a VISA format string into directives before anything is formatted, sent or read.
#include <new>
#include <utility>

#include "sim/visa/FormatChars.h"
#include "sim/visa/FormattedIo.h"

namespace sim {

namespace {

// Reads "\n", "\r", "\t", "\\", "\"", "\'" and up to three octal digits after a backslash;
// *p is on the backslash and ends past the escape. False for anything else.
bool ReadEscape(const char*& p, char* value) {
    ++p;
    switch (*p) {
        case 'n':
            *value = '\n';
            break;
        case 'r':
            *value = '\r';
            break;
        case 't':
            *value = '\t';
            break;
        case '\\':
            *value = '\\';
            break;
        case '"':
            *value = '"';
            break;
        case '\'':
            *value = '\'';
            break;
        default: {
            int code = 0;
            int digits = 0;
            while (digits < 3 && *p >= '0' && *p <= '7') {
                code = code * 8 + (*p - '0');
                ++p;
                ++digits;
            }
            if (digits == 0 || code > 0xFF) {
                return false;
            }
            *value = static_cast<char>(code);
            return true;
        }
    }
    ++p;
    return true;
}

// Digits of a width or precision; false past kMaxFieldWidth.
bool ReadNumber(const char*& p, int* value) {
    int number = 0;
    while (IsDigit(*p)) {
        number = number * 10 + (*p - '0');
        if (number > kMaxFieldWidth) {
            return false;
        }
        ++p;
    }
    *value = number;
    return true;
}

// The body of "%[...]"; *p is past the '['. False when the set never closes or has a
// reversed range.
bool ReadSet(const char*& p, std::vector<bool>* set) {
    bool negate = false;
    if (*p == '^') {
        negate = true;
        ++p;
    }
    std::vector<bool> members(256, false);
    bool first = true;
    while (*p != ']' || first) {
        if (*p == '\0') {
            return false;
        }
        const auto low = static_cast<unsigned char>(*p);
        if (p[1] == '-' && p[2] != ']' && p[2] != '\0') {
            const auto high = static_cast<unsigned char>(p[2]);
            if (high < low) {
                return false;
            }
            for (unsigned c = low; c <= high; ++c) {
                members[c] = true;
            }
            p += 3;
        } else {
            members[low] = true;
            ++p;
        }
        first = false;
    }
    ++p;
    if (negate) {
        members.flip();
    }
    *set = std::move(members);
    return true;
}

// One conversion after its '%'; *p ends past it.
ViStatus ReadConversion(const char*& p, bool input, Directive* d) {
    d->kind = Directive::Kind::Conversion;
    if (input) {
        if (*p == '*') {
            d->suppress = true;
            ++p;
        }
    } else {
        for (;; ++p) {
            if (*p == '-') {
                d->left = true;
            } else if (*p == '+') {
                d->plus = true;
            } else if (*p == ' ') {
                d->space = true;
            } else if (*p == '0') {
                d->zero = true;
            } else if (*p == '#') {
                d->alternate = true;
            } else {
                break;
            }
        }
    }
    if (!input && *p == '*') {
        d->width = kFromArgument;
        ++p;
    } else if (IsDigit(*p)) {
        if (!ReadNumber(p, &d->width) || (input && d->width == 0)) {
            return VI_ERROR_NSUP_FMT;
        }
    }
    if (!input && *p == '.') {
        ++p;
        if (*p == '*') {
            d->precision = kFromArgument;
            ++p;
        } else if (!ReadNumber(p, &d->precision)) {
            return VI_ERROR_NSUP_FMT;
        }
    }
    if (*p == 'h' || *p == 'l') {
        d->length = *p++;
        if (*p == 'h' || *p == 'l') {
            return VI_ERROR_NSUP_FMT;  // hh, ll: not in the subset
        }
    }
    const char c = *p;
    if (c == '\0') {
        return VI_ERROR_NSUP_FMT;
    }
    ++p;
    d->conversion = c;
    const bool integer = IsIntegerConversion(c);
    const bool real = IsFloatConversion(c);
    const bool text = input ? std::strchr("sctT[", c) != nullptr : (c == 's' || c == 'c');
    if (!integer && !real && !text) {
        return VI_ERROR_NSUP_FMT;
    }
    if ((d->length != 0 && text) || (d->length == 'h' && real)) {
        return VI_ERROR_NSUP_FMT;
    }
    // '#' means nothing to C for these, and is not passed on to the C library.
    if (d->alternate && (text || c == 'd' || c == 'i' || c == 'u')) {
        return VI_ERROR_NSUP_FMT;
    }
    if (c == '[' && !ReadSet(p, &d->set)) {
        return VI_ERROR_NSUP_FMT;
    }
    return VI_SUCCESS;
}

}  // namespace

ViStatus ParseFormat(const char* format, bool input, std::vector<Directive>* out) {
    if (format == nullptr || out == nullptr) {
        return VI_ERROR_USER_BUF;
    }
    try {
        std::vector<Directive> result;
        auto literal = [&](char c) {
            const Directive::Kind kind = input && IsSpace(static_cast<unsigned char>(c))
                                             ? Directive::Kind::Space
                                             : Directive::Kind::Literal;
            if (result.empty() || result.back().kind != kind) {
                result.emplace_back();
                result.back().kind = kind;
            }
            if (kind == Directive::Kind::Literal) {
                result.back().text.push_back(c);
            }
        };
        const char* p = format;
        while (*p != '\0') {
            if (*p == '\\') {
                char value = 0;
                if (!ReadEscape(p, &value)) {
                    return VI_ERROR_NSUP_FMT;
                }
                literal(value);
            } else if (*p != '%') {
                literal(*p++);
            } else if (p[1] == '%') {
                literal('%');
                p += 2;
            } else {
                ++p;
                Directive d;
                const ViStatus status = ReadConversion(p, input, &d);
                if (status != VI_SUCCESS) {
                    return status;
                }
                result.push_back(std::move(d));
            }
        }
        *out = std::move(result);
        return VI_SUCCESS;
    } catch (const std::bad_alloc&) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}

}  // namespace sim
