#include "sim/driver/ModuleExchange.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "instrument/DriverApi.h"
#include "sim/driver/VisaCalls.h"

namespace aqk3310 {

namespace {

// No reply of the module is longer; anything beyond is a fault, not data.
constexpr std::size_t kMaxReply = 4096;

}  // namespace

void PutText(const std::string& text, ViChar* out, bool unterminated) {
    if (unterminated) {
        std::string filled = text;
        filled.resize(kDriverTextSize, '#');
        std::memcpy(out, filled.data(), kDriverTextSize);
        return;
    }
    const std::size_t length = std::min<std::size_t>(text.size(), kDriverTextSize - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

ViStatus Send(ViSession vi, const std::string& command) {
    const std::string message = command + "\n";
    ViUInt32 written = 0;
    return viWrite(vi, reinterpret_cast<const ViByte*>(message.data()),
                   static_cast<ViUInt32>(message.size()), &written);
}

ViStatus Query(ViSession vi, const std::string& command, std::string* reply) {
    ViStatus status = Send(vi, command);
    if (status < 0) {
        return status;
    }
    reply->clear();
    do {
        ViByte chunk[256];
        ViUInt32 read = 0;
        status = viRead(vi, chunk, sizeof(chunk), &read);
        if (status < 0) {
            return status;
        }
        reply->append(reinterpret_cast<const char*>(chunk), std::min<ViUInt32>(read, 256));
        if (reply->size() > kMaxReply) {
            return VI_ERROR_INV_RESPONSE;
        }
    } while (status == VI_SUCCESS_MAX_CNT);
    while (!reply->empty() && (reply->back() == '\n' || reply->back() == '\r')) {
        reply->pop_back();
    }
    return VI_SUCCESS;
}

bool ParseInteger(const std::string& text, long low, long high, long* value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseCodeAndText(const std::string& reply, long low, long high, long* code,
                      std::string* text) {
    const std::string::size_type comma = reply.find(',');
    if (comma == std::string::npos || !ParseInteger(reply.substr(0, comma), low, high, code)) {
        return false;
    }
    const std::string rest = reply.substr(comma + 1);
    if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') {
        return false;
    }
    text->clear();
    for (std::size_t i = 1; i + 1 < rest.size(); ++i) {
        *text += rest[i];
        if (rest[i] == '"' && i + 2 < rest.size() && rest[i + 1] == '"') {
            ++i;
        }
    }
    return true;
}

ViStatus QueryCodeAndText(ViSession vi, const DriverSession& session, const char* command, long low,
                          long high, long* code, ViChar* message) {
    std::string reply;
    const ViStatus status = Query(vi, command, &reply);
    if (status < 0) {
        return status;
    }
    std::string text;
    if (!ParseCodeAndText(reply, low, high, code, &text)) {
        return VI_ERROR_INV_RESPONSE;
    }
    PutText(text, message, session.unterminatedText);
    return VI_SUCCESS;
}

}  // namespace aqk3310
