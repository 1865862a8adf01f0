#include "sim/visa/FormattedIo.h"

#include "sim/visa/FormatChars.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace sim {

// The caller's va_list, copied once so that helpers can take it by reference on every ABI.
struct CFormattedIo::Arguments {
    va_list list;
};

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

ViStatus CFormattedIo::Print(IFormattedPort& port, const std::vector<Directive>& directives,
                             Arguments& args) {
    std::string out;
    for (const Directive& d : directives) {
        if (d.kind != Directive::Kind::Conversion) {
            out += d.text;
            continue;
        }
        bool left = d.left;
        int width = d.width;
        int precision = d.precision;
        if (width == kFromArgument && !ResolveField(args.list, &width, &left)) {
            return VI_ERROR_NSUP_FMT;
        }
        if (precision == kFromArgument && !ResolveField(args.list, &precision, nullptr)) {
            return VI_ERROR_NSUP_FMT;
        }
        if (d.conversion == 's') {
            const char* text = va_arg(args.list, const char*);
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
            Pad(out, std::string(1, static_cast<char>(va_arg(args.list, int))), width, left);
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
            std::string text = FormatValue(pattern + d.conversion, va_arg(args.list, double));
            UseDecimalPoint(text);
            out += text;
            continue;
        }
        pattern += "ll";
        pattern += d.conversion;
        if (d.conversion == 'd' || d.conversion == 'i') {
            long long value = 0;
            if (d.length == 'l') {
                value = va_arg(args.list, long);
            } else if (d.length == 'h') {
                value = static_cast<short>(va_arg(args.list, int));
            } else {
                value = va_arg(args.list, int);
            }
            out += FormatValue(pattern, value);
        } else {
            unsigned long long value = 0;
            if (d.length == 'l') {
                value = va_arg(args.list, unsigned long);
            } else if (d.length == 'h') {
                value = static_cast<unsigned short>(va_arg(args.list, unsigned));
            } else {
                value = va_arg(args.list, unsigned);
            }
            out += FormatValue(pattern, value);
        }
    }
    if (out.empty()) {
        return VI_SUCCESS;
    }
    const bool end = !directives.empty() && directives.back().kind == Directive::Kind::Literal &&
                     directives.back().text.back() == '\n';
    return port.Write(reinterpret_cast<const ViByte*>(out.data()), out.size(), end);
}

namespace {

// Hands out the bytes of the current message one by one, reading more through the port only
// when the buffer is used up and the message has not ended.
class CReader {
public:
    CReader(IFormattedPort& port, std::vector<ViByte>& buffer, std::size_t& position, bool& ended)
        : m_port(port), m_buffer(buffer), m_position(position), m_ended(ended) {}

    // *c: the next byte, or -1 when the message has ended.
    ViStatus Peek(int* c) {
        if (m_position >= m_buffer.size()) {
            if (m_ended) {
                *c = -1;
                return VI_SUCCESS;
            }
            const ViStatus status = Fill();
            if (status < VI_SUCCESS) {
                return status;
            }
            if (m_buffer.empty()) {  // an empty message
                *c = -1;
                return VI_SUCCESS;
            }
        }
        *c = m_buffer[m_position];
        return VI_SUCCESS;
    }
    void Advance() { ++m_position; }

    ViStatus SkipSpace() {
        for (;;) {
            int c = 0;
            const ViStatus status = Peek(&c);
            if (status < VI_SUCCESS || c < 0 || !IsSpace(c)) {
                return status;
            }
            Advance();
        }
    }

private:
    static constexpr std::size_t kChunk = 4096;

    ViStatus Fill() {
        m_buffer.resize(kChunk);
        m_position = 0;
        std::size_t got = 0;
        bool end = false;
        const ViStatus status = m_port.Read(m_buffer.data(), kChunk, &got, &end);
        if (status < VI_SUCCESS) {
            m_buffer.clear();
            return status;
        }
        m_buffer.resize(got < kChunk ? got : kChunk);
        m_ended = end;
        // Neither data nor an end: the port broke its contract, and asking again could spin.
        return got == 0 && !end ? VI_ERROR_IO : VI_SUCCESS;
    }

    IFormattedPort& m_port;
    std::vector<ViByte>& m_buffer;
    std::size_t& m_position;
    bool& m_ended;
};

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

ViStatus CFormattedIo::Scan(IFormattedPort& port, const std::vector<Directive>& directives,
                            Arguments& args) {
    // A message read to its end and used up (or with only its terminator left) gives way to
    // the next one; otherwise this scan goes on where the last one stopped.
    bool spent = true;
    for (std::size_t i = m_position; i < m_buffer.size() && spent; ++i) {
        spent = IsSpace(m_buffer[i]);
    }
    if (spent && m_messageEnded) {
        DiscardReadBuffer();
    }
    CReader reader(port, m_buffer, m_position, m_messageEnded);
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
                status = ScanInteger(reader, d, args.list, &matched);
            } else if (IsFloatConversion(d.conversion)) {
                status = ScanFloat(reader, d, args.list, &matched);
            } else {
                status = ScanText(reader, d, args.list, &matched);
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

ViStatus CFormattedIo::Printf(IFormattedPort& port, const char* format, va_list args) {
    std::vector<Directive> directives;
    ViStatus status = ParseFormat(format, false, &directives);
    if (status != VI_SUCCESS) {
        return status;
    }
    Arguments copy;
    va_copy(copy.list, args);
    try {
        status = Print(port, directives, copy);
    } catch (const std::bad_alloc&) {
        status = VI_ERROR_SYSTEM_ERROR;
    }
    va_end(copy.list);
    return status;
}

ViStatus CFormattedIo::Scanf(IFormattedPort& port, const char* format, va_list args) {
    std::vector<Directive> directives;
    ViStatus status = ParseFormat(format, true, &directives);
    if (status != VI_SUCCESS) {
        return status;
    }
    Arguments copy;
    va_copy(copy.list, args);
    try {
        status = Scan(port, directives, copy);
    } catch (const std::bad_alloc&) {
        status = VI_ERROR_SYSTEM_ERROR;
    }
    va_end(copy.list);
    return status;
}

// Both formats are checked before anything is sent. A query answers from its own reply, so
// what an earlier scanf left unread is dropped first.
ViStatus CFormattedIo::Queryf(IFormattedPort& port, const char* writeFormat, const char* readFormat,
                              va_list args) {
    std::vector<Directive> writes;
    std::vector<Directive> reads;
    ViStatus status = ParseFormat(writeFormat, false, &writes);
    if (status == VI_SUCCESS) {
        status = ParseFormat(readFormat, true, &reads);
    }
    if (status != VI_SUCCESS) {
        return status;
    }
    DiscardReadBuffer();
    Arguments copy;
    va_copy(copy.list, args);
    try {
        status = Print(port, writes, copy);
        if (status >= VI_SUCCESS) {
            status = Scan(port, reads, copy);
        }
    } catch (const std::bad_alloc&) {
        status = VI_ERROR_SYSTEM_ERROR;
    }
    va_end(copy.list);
    return status;
}

void CFormattedIo::DiscardReadBuffer() {
    m_buffer.clear();
    m_position = 0;
    m_messageEnded = false;
}

}  // namespace sim
