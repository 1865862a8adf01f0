#pragma once

#include <string>
#include <vector>

#include "instrument/VisaTypes.h"

// "VI_ERROR_TMO (0xBFFF0015)": the standard's name where we know it, and the value.
std::string VisaStatusText(ViStatus status);

// Why no live module came from the connection procedure, in the recorder's words: the VISA
// library that is missing (and how to record from the simulated module instead), or the
// resource and the VISA status that failed. resource is empty when the modules were searched.
std::string WhyNoModule(const std::string& resource, const std::vector<std::string>& visaNames,
                        const std::vector<std::string>& panelMessages);
