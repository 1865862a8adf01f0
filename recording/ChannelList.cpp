#include "recording/ChannelList.h"

#include <algorithm>
#include <cctype>

#include "recording/Sample.h"

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool ParseChannelName(const std::string& text, int* channel) {
    std::string name = Trimmed(text);
    if (name.size() > 2 && std::tolower(static_cast<unsigned char>(name[0])) == 'c' &&
        std::tolower(static_cast<unsigned char>(name[1])) == 'h') {
        name = name.substr(2);
    }
    // At most two digits: "007" or a long run of digits is a typing error, not input 7.
    if (name.empty() || name.size() > 2 || !std::all_of(name.begin(), name.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return false;
    }
    const int number = std::stoi(name);
    if (number >= kChannelCount) {
        return false;
    }
    *channel = number;
    return true;
}

bool ParseChannelList(const std::string& text, std::vector<int>* channels, std::string* error) {
    std::vector<int> parsed;
    if (Trimmed(text).empty()) {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            parsed.push_back(channel);
        }
        *channels = parsed;
        return true;
    }
    std::string::size_type begin = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', begin);
        const std::string item = Trimmed(text.substr(begin, comma - begin));
        const std::string::size_type dash = item.find('-');
        int first = 0;
        int last = 0;
        const bool ok = dash == std::string::npos
                            ? ParseChannelName(item, &first) && ParseChannelName(item, &last)
                            : ParseChannelName(item.substr(0, dash), &first) &&
                                  ParseChannelName(item.substr(dash + 1), &last);
        if (!ok || last < first) {
            *error = item.empty() ? std::string("empty entry in channel list \"") + text + "\""
                                  : "bad channel \"" + item +
                                        "\": give ch0..ch63 or 0..63, or a range such as 0-7";
            return false;
        }
        for (int channel = first; channel <= last; ++channel) {
            parsed.push_back(channel);
        }
        if (comma == std::string::npos) {
            break;
        }
        begin = comma + 1;
    }
    std::sort(parsed.begin(), parsed.end());
    parsed.erase(std::unique(parsed.begin(), parsed.end()), parsed.end());
    *channels = parsed;
    return true;
}

std::string ChannelListText(const std::vector<int>& channels) {
    if (channels.size() == static_cast<std::size_t>(kChannelCount)) {
        return std::string();
    }
    std::string text;
    for (std::size_t i = 0; i < channels.size();) {
        std::size_t j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1) {
            ++j;
        }
        text += (text.empty() ? "" : ",") + std::to_string(channels[i]);
        if (j > i) {
            text += "-" + std::to_string(channels[j]);
        }
        i = j + 1;
    }
    return text;
}
