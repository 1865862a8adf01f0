#pragma once

#include <string>
#include <utility>

#include "instrument/Instrument.h"
#include "platform/native/DynamicLibrary.h"

// The live instrument: every operation is a call into the module's driver library, followed
// (except for the self test and the error queries themselves) by a look into the module's
// error queue.
class CDriverInstrument : public CInstrument {
public:
    // Binds the seven operations of the library and takes it over. When one is missing it
    // raises CUserException and the library stays with the caller.
    CDriverInstrument(ViSession session, CDynamicLibrary& library);
    // Binds from any source of functions and owns no library: for tables of fakes.
    CDriverInstrument(ViSession session, const ISymbolSource& functions);

    // The resource the session was opened on, for Reopen.
    void SetResourceName(std::string name) { m_resourceName = std::move(name); }
    ViStatus Reopen() override;
    void Reset() override;
    const char* ErrorQuery(int* errorCode) override;
    const char* ErrorMessage(ViStatus status) override;
    const char* SelfTest(int* result) override;
    ViUInt16 MeasDigPort(int port) override;
    ViUInt16 SensPosPortTran(int port) override;
    ViUInt16 SensNegPortTran(int port) override;

    // The names bound at construction, in the order they are looked up.
    static const char* const kFunctionNames[7];

private:
    void Bind(const ISymbolSource& functions);
    // Raises with STATUS_INSTRUMENT_ERROR when the module's error queue holds an entry.
    void CheckErrorQueue();
    // Stores the status of an operation's own call and raises when it is negative.
    void Check(ViStatus status);

    CDynamicLibrary m_hLibrary;
    std::string m_resourceName;
};
