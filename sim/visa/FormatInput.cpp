// Input conversions of formatted I/O: the fields of a message read into scanf's arguments as
// C's scanf would. Apart from the engine so that the input and output rules can each be read
// whole.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "sim/visa/FormatChars.h"
#include "sim/visa/FormatConversions.h"

namespace sim {

namespace {

// The characters of one field, at most limit of them.
class CField {
public:
    CField(CReader& reader, std::size_t limit) : m_reader(reader), m_limit(limit) {}

    // Takes the next byte when it is one of chars; *taken says whether it was.
    ViStatus Take(const char* chars, bool* taken) {
        *taken = false;
        if (text.size() >= m_limit) {
            return VI_SUCCESS;
        }
        int c = 0;
        const ViStatus status = m_reader.Peek(&c);
        if (status < VI_SUCCESS || c <= 0 || std::strchr(chars, c) == nullptr) {
            return status;
        }
        text.push_back(static_cast<char>(c));
        m_reader.Advance();
        *taken = true;
        return VI_SUCCESS;
    }
    ViStatus TakeAll(const char* chars, std::size_t* count) {
        *count = 0;
        for (bool taken = true; taken; *count += taken ? 1 : 0) {
            const ViStatus status = Take(chars, &taken);
            if (status < VI_SUCCESS) {
                return status;
            }
        }
        return VI_SUCCESS;
    }

    std::string text;

private:
    CReader& m_reader;
    std::size_t m_limit;
};

constexpr const char* kDecimal = "0123456789";

std::size_t FieldLimit(const Directive& d) {
    return static_cast<std::size_t>(d.width > 0 ? d.width : kMaxFieldWidth);
}

template <typename T>
T Clamp(long long value) {
    if (value < static_cast<long long>(std::numeric_limits<T>::min())) {
        return std::numeric_limits<T>::min();
    }
    if (value > static_cast<long long>(std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(value);
}

template <typename T>
bool Store(va_list& list, T value) {
    T* target = va_arg(list, T*);
    if (target == nullptr) {
        return false;
    }
    *target = value;
    return true;
}

// An integer field as C's scanf reads it; *matched is false when it held no digit. Signed
// conversions saturate at the target's range, unsigned ones wrap as C's strtoul does.
ViStatus ScanInteger(CReader& reader, const Directive& d, va_list& list, bool* matched) {
    CField field(reader, FieldLimit(d));
    bool taken = false;
    ViStatus status = field.Take("+-", &taken);
    const bool negative = taken && field.text[0] == '-';
    int base = d.conversion == 'i'                          ? 0
               : d.conversion == 'o'                        ? 8
               : d.conversion == 'u' || d.conversion == 'd' ? 10
                                                            : 16;
    std::size_t start = field.text.size();
    bool zero = false;
    if (status >= VI_SUCCESS && (base == 16 || base == 0)) {
        status = field.Take("0", &zero);
        if (status >= VI_SUCCESS && zero) {
            status = field.Take("xX", &taken);
            if (taken) {
                base = 16;
                start = field.text.size();
            } else if (base == 0) {
                base = 8;
            }
        }
    }
    if (base == 0) {
        base = 10;
    }
    const char* digits = base == 16 ? "0123456789abcdefABCDEF" : base == 8 ? "01234567" : kDecimal;
    std::size_t count = 0;
    if (status >= VI_SUCCESS) {
        status = field.TakeAll(digits, &count);
    }
    if (status < VI_SUCCESS) {
        return status;
    }
    *matched = count > 0 || zero;
    if (!*matched || d.suppress) {
        return VI_SUCCESS;
    }
    unsigned long long magnitude = 0;
    const char* first = field.text.data() + start;
    const char* last = field.text.data() + field.text.size();
    if (first != last &&
        std::from_chars(first, last, magnitude, base).ec == std::errc::result_out_of_range) {
        magnitude = std::numeric_limits<unsigned long long>::max();
    }
    bool stored = false;
    if (d.conversion == 'd' || d.conversion == 'i') {
        constexpr auto kMax =
            static_cast<unsigned long long>(std::numeric_limits<long long>::max());
        long long value = 0;
        if (negative) {
            value = magnitude > kMax ? std::numeric_limits<long long>::min()
                                     : -static_cast<long long>(magnitude);
        } else {
            value = magnitude > kMax ? std::numeric_limits<long long>::max()
                                     : static_cast<long long>(magnitude);
        }
        stored = d.length == 'h'   ? Store(list, Clamp<short>(value))
                 : d.length == 'l' ? Store(list, Clamp<long>(value))
                                   : Store(list, Clamp<int>(value));
    } else {
        const unsigned long long value = negative ? 0ULL - magnitude : magnitude;
        stored = d.length == 'h'   ? Store(list, static_cast<unsigned short>(value))
                 : d.length == 'l' ? Store(list, static_cast<unsigned long>(value))
                                   : Store(list, static_cast<unsigned>(value));
    }
    return stored ? VI_SUCCESS : VI_ERROR_USER_BUF;
}

// Where a number too large or too small for a double lies: its decimal exponent's sign.
bool Overflows(const std::string& text) {
    const std::size_t e = text.find_first_of("eE");
    const std::string mantissa = text.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
        std::size_t i = e + 1;
        const bool negative = i < text.size() && text[i] == '-';
        i += i < text.size() && (text[i] == '-' || text[i] == '+') ? 1 : 0;
        for (; i < text.size() && exponent < 100000; ++i) {
            exponent = exponent * 10 + (text[i] - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    const std::size_t point = mantissa.find('.');
    const std::size_t firstNonZero = mantissa.find_first_of("123456789");
    if (firstNonZero == std::string::npos) {
        return false;
    }
    const std::size_t integerEnd = point == std::string::npos ? mantissa.size() : point;
    // The value lies in [10^(position - 1), 10^position) before the exponent.
    const long long position = static_cast<long long>(integerEnd) -
                               static_cast<long long>(firstNonZero) +
                               (firstNonZero < integerEnd ? 0 : 1);
    return exponent + position > 0;
}

// A floating-point field as C's scanf reads it; the decimal point is always '.'.
ViStatus ScanFloat(CReader& reader, const Directive& d, va_list& list, bool* matched) {
    CField field(reader, FieldLimit(d));
    bool taken = false;
    std::size_t integer = 0;
    std::size_t fraction = 0;
    std::size_t exponent = 0;
    ViStatus status = field.Take("+-", &taken);
    const bool negative = taken && field.text[0] == '-';
    const std::size_t start = field.text.size();
    if (status >= VI_SUCCESS) {
        status = field.TakeAll(kDecimal, &integer);
    }
    if (status >= VI_SUCCESS) {
        status = field.Take(".", &taken);
    }
    if (status >= VI_SUCCESS && taken) {
        status = field.TakeAll(kDecimal, &fraction);
    }
    *matched = integer + fraction > 0;
    if (status >= VI_SUCCESS && *matched) {
        status = field.Take("eE", &taken);
        if (status >= VI_SUCCESS && taken) {
            status = field.Take("+-", &taken);
        }
        if (status >= VI_SUCCESS) {
            status = field.TakeAll(kDecimal, &exponent);
        }
    }
    if (status < VI_SUCCESS || !*matched || d.suppress) {
        return status;
    }
    const std::string text = field.text.substr(start);
    double value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec ==
        std::errc::result_out_of_range) {
        value = Overflows(text) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    value = negative ? -value : value;
    bool stored = false;
    if (d.length == 'l') {
        stored = Store(list, value);
    } else if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        stored = Store(list, std::copysign(std::numeric_limits<float>::infinity(),
                                           static_cast<float>(negative ? -1 : 1)));
    } else {
        stored = Store(list, static_cast<float>(value));
    }
    return stored ? VI_SUCCESS : VI_ERROR_USER_BUF;
}

// %s, %c, %[...], %t and %T. With a width the field is at most that long and the buffer must
// hold it (and a NUL, except for %c); without one the field is read whole and its first
// kDefaultStringBuffer - 1 bytes are stored.
ViStatus ScanText(CReader& reader, const Directive& d, va_list& list, bool* matched) {
    char* target = nullptr;
    if (!d.suppress) {
        target = va_arg(list, char*);
        if (target == nullptr) {
            return VI_ERROR_USER_BUF;
        }
    }
    const bool bounded = d.width > 0 || d.conversion == 'c';
    const std::size_t limit = d.width > 0 ? static_cast<std::size_t>(d.width) : 1;
    const std::size_t capacity = bounded ? limit : kDefaultStringBuffer - 1;
    std::size_t count = 0;
    std::size_t stored = 0;
    for (; !bounded || count < limit; ++count) {
        int c = 0;
        const ViStatus status = reader.Peek(&c);
        if (status < VI_SUCCESS) {
            return status;
        }
        const bool accepted = c >= 0 && (d.conversion == 's'   ? !IsSpace(c)
                                         : d.conversion == '[' ? static_cast<bool>(d.set[c])
                                                               : true);
        if (!accepted) {
            break;
        }
        if (target != nullptr && stored < capacity) {
            target[stored++] = static_cast<char>(c);
        }
        reader.Advance();
    }
    if (d.conversion == 'c') {
        *matched = count == limit;
        return VI_SUCCESS;
    }
    if (target != nullptr) {
        target[stored] = '\0';
    }
    *matched = count > 0 || d.conversion == 't' || d.conversion == 'T';
    return VI_SUCCESS;
}

}  // namespace

ViStatus ScanDirectives(CReader& reader, const std::vector<Directive>& directives, va_list& list) {
    for (const Directive& d : directives) {
        ViStatus status = VI_SUCCESS;
        bool matched = true;
        if (d.kind == Directive::Kind::Space) {
            status = reader.SkipSpace();
        } else if (d.kind == Directive::Kind::Literal) {
            for (std::size_t i = 0; i < d.text.size() && matched && status >= VI_SUCCESS; ++i) {
                int c = 0;
                status = reader.Peek(&c);
                matched = c == static_cast<unsigned char>(d.text[i]);
                if (matched) {
                    reader.Advance();
                }
            }
        } else {
            if (std::strchr("c[tT", d.conversion) == nullptr) {
                status = reader.SkipSpace();
            }
            if (status < VI_SUCCESS) {
                return status;
            }
            if (IsIntegerConversion(d.conversion)) {
                status = ScanInteger(reader, d, list, &matched);
            } else if (IsFloatConversion(d.conversion)) {
                status = ScanFloat(reader, d, list, &matched);
            } else {
                status = ScanText(reader, d, list, &matched);
            }
        }
        if (status < VI_SUCCESS) {
            return status;
        }
        // As with C's scanf, input that does not fit ends the scan; later arguments keep
        // their values.
        if (!matched) {
            return VI_SUCCESS;
        }
    }
    return VI_SUCCESS;
}

}  // namespace sim
