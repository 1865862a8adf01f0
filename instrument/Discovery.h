#pragma once

#include <string>
#include <vector>

#include "instrument/VisaApi.h"

// Finding and identifying the module through VISA. Every session these open is closed before
// they return.

// Opens the resource and decides whether it is the module: a GPIB instrument by its reply to
// "*IDN?", a VXI or GPIB-VXI one by manufacturer and model code. With acceptAny ("/n") every
// resource that opens and reports its interface type is accepted.
bool ExamineResource(const CVisaApi& visa, ViSession rm, const std::string& name, bool acceptAny);

// Searches "?*INSTR" and appends the accepted names in the order VISA reports them. Returns
// the status of the search itself. A viFindNext that fails ends the list: the names examined
// up to then still count.
ViStatus FindModules(const CVisaApi& visa, ViSession rm, bool acceptAny,
                     std::vector<std::string>* accepted);

// The slot to record for a resource: -1 when it cannot be opened or its slot not read.
int ReadSlot(const CVisaApi& visa, ViSession rm, const std::string& name);
