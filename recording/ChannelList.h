#pragma once

#include <string>
#include <vector>

// A list of inputs as sigrok-cli's -C takes it: numbers, names and ranges joined by commas
// ("0-7,16", "ch0,ch3", "ch8-ch11, 20"), spaces allowed. Empty text means all 64 inputs. The
// channels come out sorted, each once. False with the reason in error for anything else.
bool ParseChannelList(const std::string& text, std::vector<int>* channels, std::string* error);

// One input: "ch12" or "12" (spaces around it allowed), 0..63. False for anything else.
bool ParseChannelName(const std::string& text, int* channel);

// The list written back in the shortest form ParseChannelList reads ("0-7,16"); "" for all.
std::string ChannelListText(const std::vector<int>& channels);
