#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"

// The rules by which the connection recognises, chooses and records the module. Plain
// functions of their inputs, with no VISA calls.

// True when a GPIB identification reply of length bytes starts with the module's identity
// (string 12), compared case-sensitively. Reads no byte beyond length; reply may be
// unterminated and may hold zero bytes.
bool MatchesModuleIdentity(const char* reply, std::size_t length);

// True for the module's VXI manufacturer identification and model code.
bool IsModuleVxiIdentity(ViUInt16 manufacturer, ViUInt16 modelCode);

// The slot to record from VI_ATTR_SLOT's 16 bits: VISA's unknown slot (-1) stays -1 so that
// the panel hides it; every other value is read unsigned.
int SlotFromAttribute(ViUInt16 bits);

// The name the panel shows: upper case, cut before "::INSTR" when that starts at position 1
// to 99.
std::string RecordedResourceName(const std::string& name);

// The accepted name to open without asking, or none when the user must choose: the only
// name, else the only one containing "VXI" (case-sensitive); never with "/n".
std::optional<std::size_t> ChooseWithoutDialog(const std::vector<std::string>& names,
                                               bool noIdentify);
