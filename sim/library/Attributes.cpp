#include "sim/library/Attributes.h"

#include <cstring>

#include "sim/library/ResourceManager.h"
#include "sim/visa/SimHooks.h"

namespace sim {

namespace {

constexpr ViVersion kVisaVersion = 0x00500800;  // VISA 5.8
constexpr ViVersion kImplVersion = 0x00010000;
constexpr ViUInt16 kLibraryManufacturerId = 0x0FFF;
constexpr const char* kLibraryManufacturer = "AQ3310 soft front panel simulation";
// The formatted I/O's buffers until viSetBuf changes them.
constexpr ViUInt32 kBufferSize = 4096;

constexpr unsigned kEvery =
    kColumnManager | kColumnFindList | kColumnEvent | kColumnSimulated | kColumnNetwork;
constexpr unsigned kInstr = kColumnSimulated | kColumnNetwork;
constexpr unsigned kSim = kColumnSimulated;
constexpr unsigned kNet = kColumnNetwork;
constexpr ViAttrState kAny = ~ViAttrState{0};
constexpr ViAttrState kU32 = 0xFFFFFFFFu;

using T = AttributeType;
using S = AttributeSource;

// clang-format off
const AttributeRow kRows[] = {
    // Every session.
    {VI_ATTR_RSRC_MANF_NAME, kEvery, T::Text, S::Library, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_RSRC_MANF_ID, kEvery, T::U16, S::Library, false, 0, 0, nullptr, nullptr, kLibraryManufacturerId, nullptr, false, false},
    {VI_ATTR_RSRC_SPEC_VERSION, kEvery, T::U32, S::Library, false, 0, 0, nullptr, nullptr, kVisaVersion, nullptr, false, false},
    {VI_ATTR_RSRC_IMPL_VERSION, kEvery, T::U32, S::Library, false, 0, 0, nullptr, nullptr, kImplVersion, nullptr, false, false},
    {VI_ATTR_USER_DATA, kEvery, T::U32, S::Session, true, 0, kAny, [](const Session& s) { return s.userData; },
     [](Session& s, ViAttrState v) { s.userData = v; }, 0, nullptr, false, false},
    {VI_ATTR_USER_DATA_64, kEvery, T::U64, S::Session, true, 0, kAny, [](const Session& s) { return s.userData; },
     [](Session& s, ViAttrState v) { s.userData = v; }, 0, nullptr, false, false},
    // Event contexts.
    {VI_ATTR_EVENT_TYPE, kColumnEvent, T::U32, S::Session, false, 0, 0,
     [](const Session& s) -> ViAttrState { return s.eventType; }, nullptr, 0, nullptr, false, false},
    // Instruments: what the transport knows.
    {VI_ATTR_RSRC_NAME, kInstr, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_RSRC_CLASS, kInstr, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_INTF_TYPE, kInstr, T::U16, S::Transport, false, 0, 0, nullptr, nullptr, 0, "interface", false, false},
    {VI_ATTR_INTF_NUM, kInstr, T::U16, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_RSRC_LOCK_STATE, kInstr, T::U32, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_SLOT, kSim, T::U16, S::Transport, false, 0, 0, nullptr, nullptr, 0, "slot", false, false},
    {VI_ATTR_MANF_ID, kSim, T::U16, S::Transport, false, 0, 0, nullptr, nullptr, 0, "manufacturer", false, false},
    {VI_ATTR_MODEL_CODE, kSim, T::U16, S::Transport, false, 0, 0, nullptr, nullptr, 0, "model", false, false},
    {VI_ATTR_MANF_NAME, kSim, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_MODEL_NAME, kSim, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_VXI_LA, kSim, T::I16, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_MAINFRAME_LA, kSim, T::I16, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_GPIB_PRIMARY_ADDR, kSim, T::U16, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {kSimAttrDriverQuirks, kSim, T::U32, S::Transport, false, 0, 0, nullptr, nullptr, 0, "quirks", false, true},
    {VI_ATTR_TCPIP_ADDR, kNet, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_TCPIP_HOSTNAME, kNet, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    {VI_ATTR_TCPIP_DEVICE_NAME, kNet, T::Text, S::Transport, false, 0, 0, nullptr, nullptr, 0, nullptr, false, false},
    // Instruments: the session's own settings of message I/O and events.
    {VI_ATTR_TMO_VALUE, kInstr, T::U32, S::Session, true, 0, kU32,
     [](const Session& s) -> ViAttrState { return s.timeoutMs; },
     [](Session& s, ViAttrState v) { s.timeoutMs = static_cast<ViUInt32>(v); }, 0, "timeout", true, false},
    {VI_ATTR_MAX_QUEUE_LENGTH, kInstr, T::U32, S::Session, true, 1, 65536,
     [](const Session& s) -> ViAttrState { return s.maxQueue; },
     [](Session& s, ViAttrState v) { s.maxQueue = static_cast<ViUInt32>(v); }, 0, nullptr, false, false},
    {VI_ATTR_TERMCHAR, kInstr, T::U8, S::Session, true, 0, 0xFF,
     [](const Session& s) -> ViAttrState { return s.termChar; },
     [](Session& s, ViAttrState v) { s.termChar = static_cast<ViUInt8>(v); }, 0, nullptr, false, false},
    {VI_ATTR_TERMCHAR_EN, kInstr, T::Boolean, S::Session, true, 0, 1,
     [](const Session& s) -> ViAttrState { return s.termCharEnabled; },
     [](Session& s, ViAttrState v) { s.termCharEnabled = v != 0; }, 0, nullptr, false, false},
    {VI_ATTR_SEND_END_EN, kInstr, T::Boolean, S::Session, true, 0, 1,
     [](const Session& s) -> ViAttrState { return s.sendEnd; },
     [](Session& s, ViAttrState v) { s.sendEnd = v != 0; }, 0, nullptr, false, false},
    {VI_ATTR_SUPPRESS_END_EN, kInstr, T::Boolean, S::Session, true, 0, 1,
     [](const Session& s) -> ViAttrState { return s.suppressEnd; },
     [](Session& s, ViAttrState v) { s.suppressEnd = v != 0; }, 0, nullptr, false, false},
    // Instruments: settings clients read at open; kept and answered, normal I/O only.
    {VI_ATTR_IO_PROT, kInstr, T::U16, S::Setting, true, VI_PROT_NORMAL, VI_PROT_NORMAL, nullptr, nullptr, VI_PROT_NORMAL, nullptr, false, false},
    {VI_ATTR_4882_COMPLIANT, kInstr, T::Boolean, S::Setting, false, 0, 0, nullptr, nullptr, VI_TRUE, nullptr, false, false},
    {VI_ATTR_DMA_ALLOW_EN, kInstr, T::Boolean, S::Setting, true, 0, 1, nullptr, nullptr, VI_FALSE, nullptr, false, false},
    {VI_ATTR_FILE_APPEND_EN, kInstr, T::Boolean, S::Setting, true, 0, 1, nullptr, nullptr, VI_FALSE, nullptr, false, false},
    {VI_ATTR_RD_BUF_OPER_MODE, kInstr, T::U16, S::Setting, true, VI_FLUSH_ON_ACCESS, VI_FLUSH_WHEN_FULL, nullptr, nullptr, VI_FLUSH_ON_ACCESS, nullptr, false, false},
    {VI_ATTR_WR_BUF_OPER_MODE, kInstr, T::U16, S::Setting, true, VI_FLUSH_ON_ACCESS, VI_FLUSH_WHEN_FULL, nullptr, nullptr, VI_FLUSH_WHEN_FULL, nullptr, false, false},
    {VI_ATTR_RD_BUF_SIZE, kInstr, T::U32, S::Setting, false, 0, 0, nullptr, nullptr, kBufferSize, nullptr, false, false},
    {VI_ATTR_WR_BUF_SIZE, kInstr, T::U32, S::Setting, false, 0, 0, nullptr, nullptr, kBufferSize, nullptr, false, false},
    // Register-based instruments: the big-endian A16 registers, moves and mapped windows.
    {VI_ATTR_SRC_INCREMENT, kColumnRegisters, T::I32, S::Setting, true, 0, 1, nullptr, nullptr, 1, nullptr, false, false},
    {VI_ATTR_DEST_INCREMENT, kColumnRegisters, T::I32, S::Setting, true, 0, 1, nullptr, nullptr, 1, nullptr, false, false},
    {VI_ATTR_SRC_BYTE_ORDER, kColumnRegisters, T::U16, S::Setting, true, VI_BIG_ENDIAN, VI_BIG_ENDIAN, nullptr, nullptr, VI_BIG_ENDIAN, nullptr, false, false},
    {VI_ATTR_DEST_BYTE_ORDER, kColumnRegisters, T::U16, S::Setting, true, VI_BIG_ENDIAN, VI_BIG_ENDIAN, nullptr, nullptr, VI_BIG_ENDIAN, nullptr, false, false},
    {VI_ATTR_WIN_BYTE_ORDER, kColumnRegisters, T::U16, S::Setting, true, VI_BIG_ENDIAN, VI_BIG_ENDIAN, nullptr, nullptr, VI_BIG_ENDIAN, nullptr, false, false},
    {VI_ATTR_SRC_ACCESS_PRIV, kColumnRegisters, T::U16, S::Setting, true, 0, 5, nullptr, nullptr, VI_DATA_PRIV, nullptr, false, false},
    {VI_ATTR_DEST_ACCESS_PRIV, kColumnRegisters, T::U16, S::Setting, true, 0, 5, nullptr, nullptr, VI_DATA_PRIV, nullptr, false, false},
    {VI_ATTR_WIN_ACCESS_PRIV, kColumnRegisters, T::U16, S::Setting, true, 0, 5, nullptr, nullptr, VI_DATA_PRIV, nullptr, false, false},
    {VI_ATTR_WIN_ACCESS, kColumnRegisters, T::U16, S::Session, false, 0, 0,
     [](const Session& s) -> ViAttrState { return s.window.mapped ? VI_USE_OPERS : VI_NMAPPED; }, nullptr, 0, nullptr, false, false},
    {VI_ATTR_WIN_BASE_ADDR_32, kColumnRegisters, T::U32, S::Session, false, 0, 0,
     [](const Session& s) -> ViAttrState { return s.window.base; }, nullptr, 0, nullptr, false, false},
    {VI_ATTR_WIN_SIZE_32, kColumnRegisters, T::U32, S::Session, false, 0, 0,
     [](const Session& s) -> ViAttrState { return s.window.size; }, nullptr, 0, nullptr, false, false},
    {VI_ATTR_WIN_BASE_ADDR_64, kColumnRegisters, T::U64, S::Session, false, 0, 0,
     [](const Session& s) -> ViAttrState { return s.window.base; }, nullptr, 0, nullptr, false, false},
    {VI_ATTR_WIN_SIZE_64, kColumnRegisters, T::U64, S::Session, false, 0, 0,
     [](const Session& s) -> ViAttrState { return s.window.size; }, nullptr, 0, nullptr, false, false},
};
// clang-format on

template <typename V>
void Store(void* out, V value) {
    std::memcpy(out, &value, sizeof(value));
}

void StoreValue(AttributeType type, const AttributeValue& value, void* out) {
    switch (type) {
        case T::U8:
            Store<ViUInt8>(out, static_cast<ViUInt8>(value.number));
            break;
        case T::U16:
        case T::Boolean:
            Store<ViUInt16>(out, static_cast<ViUInt16>(value.number));
            break;
        case T::I16:
            Store<ViInt16>(out, static_cast<ViInt16>(value.number));
            break;
        case T::I32:
            Store<ViInt32>(out, static_cast<ViInt32>(value.number));
            break;
        case T::U32:
            Store<ViUInt32>(out, static_cast<ViUInt32>(value.number));
            break;
        case T::U64:
            Store<std::uint64_t>(out, value.number);
            break;
        case T::BusAddress:
            Store<ViBusAddress>(out, static_cast<ViBusAddress>(value.number));
            break;
        case T::Text:
            CResourceManager::CopyOut(value.text, static_cast<ViChar*>(out));
            break;
    }
}

unsigned ColumnOf(const Session& session) {
    switch (session.kind) {
        case Session::Kind::ResourceManager:
            return kColumnManager;
        case Session::Kind::FindList:
            return kColumnFindList;
        case Session::Kind::Event:
            return kColumnEvent;
        case Session::Kind::Instrument:
            break;
    }
    return session.transport->Columns();
}

}  // namespace

const AttributeRow* CAttributes::Row(ViAttr attribute) {
    for (const AttributeRow& row : kRows) {
        if (row.id == attribute) {
            return &row;
        }
    }
    return nullptr;
}

ViAttrState CAttributes::Setting(const Session& session, ViAttr attribute) {
    const auto it = session.settings.find(attribute);
    if (it != session.settings.end()) {
        return it->second;
    }
    const AttributeRow* row = Row(attribute);
    return row != nullptr ? row->initial : 0;
}

bool CAttributes::Keep(ViObject vi, ViAttr attribute, ViAttrState value) {
    LibraryLock lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    const AttributeRow* row = Row(attribute);
    if (session == nullptr || row == nullptr || row->source != AttributeSource::Setting ||
        (row->columns & ColumnOf(*session)) == 0) {
        return false;
    }
    session->settings[attribute] = value;
    return true;
}

ViAttrState CAttributes::Kept(ViObject vi, ViAttr attribute) {
    LibraryLock lock(m_state.mutex);
    const Session* session = m_state.Find(vi);
    if (session == nullptr) {
        const AttributeRow* row = Row(attribute);
        return row != nullptr ? row->initial : 0;
    }
    return Setting(*session, attribute);
}

ViStatus CAttributes::Get(ViObject vi, ViAttr attribute, void* value) {
    LibraryLock lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (value == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    if (session->transport) {
        const AttributeRow* row = Row(attribute);
        session->transport->Reading(m_state,
                                    row != nullptr && row->traceName ? row->traceName : "other");
    }
    return GetLocked(lock, vi, *session, attribute, value);
}

ViStatus CAttributes::GetLocked(LibraryLock& lock, ViObject vi, Session& session, ViAttr attribute,
                                void* value) {
    const AttributeRow* row = Row(attribute);
    ViStatus status = VI_SUCCESS;
    // A scenario may fail or warn any attribute of its instruments but those every session has.
    if (session.transport && (row == nullptr || row->columns != kEvery)) {
        status = session.transport->AttributeStatus(attribute);
        if (status < 0) {
            return status;
        }
    }
    if (row == nullptr || (row->columns & ColumnOf(session)) == 0) {
        return VI_ERROR_NSUP_ATTR;
    }
    AttributeValue found;
    switch (row->source) {
        case AttributeSource::Library:
            found.number = row->initial;
            if (row->type == AttributeType::Text) {
                found.text = kLibraryManufacturer;
            }
            break;
        case AttributeSource::Session:
            found.number = row->read(session);
            break;
        case AttributeSource::Setting:
            found.number = Setting(session, attribute);
            break;
        case AttributeSource::Transport: {
            const TransportCall call{m_state, lock, vi, session};
            if (const ViStatus missing = session.transport->Describe(call, attribute, &found);
                missing < 0) {
                return missing;
            }
            break;
        }
    }
    StoreValue(row->type, found, value);
    return status;
}

ViStatus CAttributes::Set(ViObject vi, ViAttr attribute, ViAttrState value) {
    LibraryLock lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    const AttributeRow* row = Row(attribute);
    if (row == nullptr || (row->columns & ColumnOf(*session)) == 0 || row->hidden) {
        return VI_ERROR_NSUP_ATTR;
    }
    if (!row->writable) {
        // Whatever this session can read but not set is read-only; the rest it does not have.
        unsigned char probe[VI_FIND_BUFLEN];
        return GetLocked(lock, vi, *session, attribute, probe) >= 0 ? VI_ERROR_ATTR_READONLY
                                                                    : VI_ERROR_NSUP_ATTR;
    }
    if (value < row->low || value > row->high) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    if (row->traceSet && session->transport) {
        m_state.Record("set " + session->transport->Name() + " " + row->traceName + " " +
                       std::to_string(value));
    }
    if (row->write != nullptr) {
        row->write(*session, value);
    } else {
        session->settings[attribute] = value;
    }
    return VI_SUCCESS;
}

}  // namespace sim
