#pragma once

#include <string>

// What differs between Linux and Windows in the tests without Qt.

// Sets or removes a variable of this process's environment.
void SetEnvironment(const char* name, const std::string& value);
void UnsetEnvironment(const char* name);
int ProcessId();

// Keeps the user's own VISA configuration (its LAN instruments) out of the tests' searches,
// unless the run names one.
void IgnoreUserVisaConfiguration();

// The file name of a substitute library (or a library the tests expect to be absent) on this
// platform: "visa" and "aqk3310" give the names the program asks for (libvisa.so, VISA32.DLL;
// libaqk3310.so, aqk3310_32.dll), any other stem libSTEM.so or STEM.dll.
std::string SimLibrary(const std::string& stem);

// Whether the process holds the library of that file name now; never loads it.
bool IsLibraryInProcess(const std::string& fileName);
