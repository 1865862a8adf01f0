#include "recording/Trigger.h"

#include "recording/ChannelList.h"

namespace {

bool KindOf(const std::string& text, CTrigger::Kind* kind) {
    static const struct {
        const char* name;
        CTrigger::Kind kind;
    } kKinds[] = {{"0", CTrigger::Kind::Low},
                  {"1", CTrigger::Kind::High},
                  {"r", CTrigger::Kind::Rising},
                  {"f", CTrigger::Kind::Falling},
                  {"e", CTrigger::Kind::Edge}};
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string::npos) {
        return false;
    }
    const std::string word = text.substr(first, last - first + 1);
    for (const auto& entry : kKinds) {
        if (word == entry.name) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

char NameOf(CTrigger::Kind kind) {
    switch (kind) {
        case CTrigger::Kind::Low:
            return '0';
        case CTrigger::Kind::High:
            return '1';
        case CTrigger::Kind::Rising:
            return 'r';
        case CTrigger::Kind::Falling:
            return 'f';
        case CTrigger::Kind::Edge:
            return 'e';
    }
    return '?';
}

}  // namespace

bool CTrigger::Parse(const std::string& text, CTrigger* trigger, std::string* error) {
    CTrigger parsed;
    std::string::size_type begin = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', begin);
        const std::string item = text.substr(begin, comma - begin);
        const std::string::size_type equals = item.find('=');
        Condition condition;
        if (equals == std::string::npos ||
            !ParseChannelName(item.substr(0, equals), &condition.channel) ||
            !KindOf(item.substr(equals + 1), &condition.kind)) {
            *error = "bad trigger \"" + item +
                     "\": give CHANNEL=r, f, e, 0 or 1 (ch3=r), several joined by commas";
            return false;
        }
        parsed.m_conditions.push_back(condition);
        if (comma == std::string::npos) {
            break;
        }
        begin = comma + 1;
    }
    *trigger = parsed;
    return true;
}

bool CTrigger::Matches(const Sample& previous, const Sample& current) const {
    if (m_conditions.empty()) {
        return false;
    }
    for (const Condition& condition : m_conditions) {
        const int port = ChannelPort(condition.channel);
        const std::uint16_t mask = static_cast<std::uint16_t>(1u << ChannelBit(condition.channel));
        const bool before = (previous.value[port] & mask) != 0;
        const bool now = (current.value[port] & mask) != 0;
        const bool pulse = (CaughtPulses(previous.value[port], current.value[port],
                                         current.positive[port], current.negative[port]) &
                            mask) != 0;
        bool holds = false;
        switch (condition.kind) {
            case Kind::Low:
                holds = !now;
                break;
            case Kind::High:
                holds = now;
                break;
            case Kind::Rising:
                holds = (!before && now) || pulse;
                break;
            case Kind::Falling:
                holds = (before && !now) || pulse;
                break;
            case Kind::Edge:
                holds = before != now || pulse;
                break;
        }
        if (!holds) {
            return false;
        }
    }
    return true;
}

std::string CTrigger::Text() const {
    std::string text;
    for (const Condition& condition : m_conditions) {
        text += (text.empty() ? "ch" : ",ch") + std::to_string(condition.channel) + "=" +
                NameOf(condition.kind);
    }
    return text;
}
