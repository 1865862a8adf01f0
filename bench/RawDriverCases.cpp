// Baseline for the live figures: the driver calls of one reading, made straight through the
// same driver library (loaded by name, so the same copy the program reaches) with nothing of
// the program in between.
#include <memory>

#include "bench/BenchCases.h"
#include "instrument/DriverApi.h"
#include "platform/native/DynamicLibrary.h"

namespace {

class CRawDriverCase : public CBenchCase {
public:
    // registers: 3 for a whole reading, 1 for a single read-out.
    explicit CRawDriverCase(int registers) : m_registers(registers) {}

    std::string Start() override {
        m_library = CDynamicLibrary::Load(DriverLibraryName());
        if (!m_library) {
            return DriverLibraryName() +
                   " not found: put the substitute libraries on "
                   "LD_LIBRARY_PATH (build/<preset>/sim/lib)";
        }
        const auto init = LookupFunction<Aqk3310InitFn>(m_library, "aqk3310_init");
        const auto timeOut = LookupFunction<Aqk3310TimeOutFn>(m_library, "aqk3310_timeOut");
        m_errorQuery = LookupFunction<Aqk3310ErrorQueryFn>(m_library, "aqk3310_error_query");
        m_queries[0] = LookupFunction<Aqk3310PortQueryFn>(m_library, "aqk3310_measDigPort_Q");
        m_queries[1] = LookupFunction<Aqk3310PortQueryFn>(m_library, "aqk3310_sensPosPortTran_Q");
        m_queries[2] = LookupFunction<Aqk3310PortQueryFn>(m_library, "aqk3310_sensNegPortTran_Q");
        if (init == nullptr || timeOut == nullptr || m_errorQuery == nullptr ||
            m_queries[0] == nullptr || m_queries[1] == nullptr || m_queries[2] == nullptr) {
            return "the driver library lacks a function";
        }
        if (init(kSimulatedResource, 0, 0, &m_session) < 0) {
            return std::string("aqk3310_init failed on ") + kSimulatedResource;
        }
        // As the program sets it after opening.
        static_cast<void>(timeOut(m_session, 500));
        Run();
        return m_failures == 0 ? std::string() : "a driver call failed";
    }

    // Port 0, as a panel fresh from start-up reads; each query followed by the error-queue
    // query the program makes after it.
    void Run() override {
        for (int i = 0; i < m_registers; ++i) {
            ViUInt16 value = 0;
            ViInt32 code = 0;
            ViChar text[kDriverTextSize];
            m_failures += m_queries[i](m_session, 0, &value) < 0 ? 1 : 0;
            m_failures += m_errorQuery(m_session, &code, text) < 0 || code != 0 ? 1 : 0;
        }
    }

private:
    int m_registers;
    CDynamicLibrary m_library;
    ViSession m_session = VI_NULL;
    Aqk3310ErrorQueryFn m_errorQuery = nullptr;
    Aqk3310PortQueryFn m_queries[3] = {};
    long m_failures = 0;
};

}  // namespace

std::vector<CBenchEntry> RawDriverCases() {
    return {
        {"reading/raw-driver", [] { return std::make_unique<CRawDriverCase>(3); }},
        {"refresh/raw-driver", [] { return std::make_unique<CRawDriverCase>(1); }},
    };
}
