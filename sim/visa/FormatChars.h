#pragma once
// The byte classes the format reader and the formatted I/O engine share.

#include <cstring>

namespace sim {

inline bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

inline bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

inline bool IsIntegerConversion(char c) {
    return c != 0 && std::strchr("diuxXo", c) != nullptr;
}

inline bool IsFloatConversion(char c) {
    return c != 0 && std::strchr("feEgG", c) != nullptr;
}

}  // namespace sim
