// The library's parts on a state of their own and a transport made here: message I/O, locks and
// attributes reach a device only through the session's transport, so another transport needs
// nothing of them but its own file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sim/library/Attributes.h"
#include "sim/library/Locks.h"
#include "sim/library/MessageIo.h"
#include "sim/library/Transport.h"

namespace {

// Answers every call with a status of its own and notes what it was handed.
class CNotingTransport : public sim::ISessionTransport {
public:
    const std::string& Name() const override { return m_name; }
    unsigned Columns() const override { return sim::kColumnNetwork; }
    void Reading(sim::CLibraryState&, const char* attribute) override {
        notes.push_back(attribute);
    }
    ViStatus AttributeStatus(ViAttr) const override { return VI_SUCCESS; }
    ViStatus Describe(const sim::TransportCall&, ViAttr attribute,
                      sim::AttributeValue* value) const override {
        if (attribute != VI_ATTR_RSRC_NAME) {
            return VI_ERROR_NSUP_ATTR;
        }
        value->text = m_name;
        return VI_SUCCESS;
    }
    const std::shared_ptr<sim::Resource>& Device() const override { return m_none; }
    ViStatus Write(sim::TransportCall& call, const ViByte* buffer, ViUInt32 count,
                   ViUInt32* written, bool end) override {
        notes.push_back("write " + std::string(reinterpret_cast<const char*>(buffer), count) +
                        (end ? " END" : "") + " tmo " + std::to_string(call.session.timeoutMs));
        *written = count;
        return VI_SUCCESS;
    }
    ViStatus Read(sim::TransportCall&, ViByte* buffer, ViUInt32 count, ViUInt32* read,
                  bool* end) override {
        const std::size_t length = std::min<std::size_t>(count, 3);
        std::memcpy(buffer, "abc", length);
        *read = static_cast<ViUInt32>(length);
        if (end != nullptr) {
            *end = length == 3;
        }
        return length == 3 ? VI_SUCCESS : VI_SUCCESS_MAX_CNT;
    }
    ViStatus ReadStb(sim::TransportCall&, ViUInt16* status) override {
        *status = 0x42;
        return VI_SUCCESS;
    }
    ViStatus Clear(sim::TransportCall&) override { return VI_ERROR_CONN_LOST; }
    ViStatus Trigger(sim::TransportCall&, ViUInt16 protocol) override {
        notes.push_back("trigger " + std::to_string(protocol));
        return VI_SUCCESS;
    }
    ViStatus Lock(sim::TransportCall&, ViAccessMode type, ViUInt32 timeout, const ViChar*,
                  ViChar*) override {
        notes.push_back("lock " + std::to_string(type) + " " + std::to_string(timeout));
        return VI_SUCCESS_NESTED_EXCLUSIVE;
    }
    ViStatus Unlock(sim::TransportCall&) override { return VI_ERROR_SESN_NLOCKED; }
    ViStatus PrepareRequests(sim::TransportCall&) override { return VI_SUCCESS; }
    void RequestsEnabled(sim::TransportCall&) override {}
    void Closing(sim::CLibraryState&, ViSession) override {}

    std::vector<std::string> notes;

private:
    std::string m_name = "TCPIP0::bench-7::hislip0::INSTR";
    std::shared_ptr<sim::Resource> m_none;
};

TEST(TransportSeam, MessageIoLocksAndAttributesGoThroughTheSessionsTransport) {
    sim::CLibraryState state;
    auto transport = std::make_shared<CNotingTransport>();
    sim::Session instrument(sim::Session::Kind::Instrument, VI_NULL);
    instrument.transport = transport;
    const ViSession vi = state.NewSession(std::move(instrument));
    const ViSession manager =
        state.NewSession(sim::Session(sim::Session::Kind::ResourceManager, 0));
    sim::CMessageIo io(state);
    sim::CLocks locks(state);
    sim::CAttributes attributes(state);

    ASSERT_EQ(attributes.Set(vi, VI_ATTR_TMO_VALUE, 750), VI_SUCCESS);
    ViUInt32 count = 99;
    EXPECT_EQ(io.Write(vi, reinterpret_cast<const ViByte*>("*TRG"), 4, &count, false), VI_SUCCESS);
    EXPECT_EQ(count, 4u);
    ViByte reply[8] = {};
    bool end = false;
    EXPECT_EQ(io.Read(vi, reply, 2, &count, &end), VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(count, 2u);
    EXPECT_FALSE(end);
    EXPECT_EQ(io.Read(vi, reply, sizeof(reply), &count, &end), VI_SUCCESS);
    EXPECT_TRUE(end);
    ViUInt16 stb = 0;
    EXPECT_EQ(io.ReadStb(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb, 0x42);
    EXPECT_EQ(io.Clear(vi), VI_ERROR_CONN_LOST);
    EXPECT_EQ(io.AssertTrigger(vi, 0), VI_SUCCESS);
    EXPECT_EQ(locks.Lock(vi, VI_EXCLUSIVE_LOCK, 300, nullptr, nullptr),
              VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(locks.Unlock(vi), VI_ERROR_SESN_NLOCKED);
    ViChar name[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(attributes.Get(vi, VI_ATTR_RSRC_NAME, name), VI_SUCCESS);
    EXPECT_STREQ(name, "TCPIP0::bench-7::hislip0::INSTR");
    ViUInt32 timeout = 0;
    EXPECT_EQ(attributes.Get(vi, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
    EXPECT_EQ(timeout, 750u) << "the session keeps its own settings";
    // A network session has no VXI registers: the table's columns come from the transport.
    ViInt32 increment = 0;
    EXPECT_EQ(attributes.Get(vi, VI_ATTR_SRC_INCREMENT, &increment), VI_ERROR_NSUP_ATTR);
    const std::vector<std::string> expected = {
        "write *TRG tmo 750", "trigger 0", "lock 1 300", "other", "timeout", "other"};
    EXPECT_EQ(transport->notes, expected);

    // Only an open instrument session has a transport to ask.
    EXPECT_EQ(io.Write(manager, reinterpret_cast<const ViByte*>("x"), 1, &count),
              VI_ERROR_NSUP_OPER);
    EXPECT_EQ(io.Read(vi + 100, reply, 1, &count), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(count, 0u) << "the caller's count starts at zero whatever the call comes to";
}

}  // namespace
