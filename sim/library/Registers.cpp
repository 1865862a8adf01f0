#include "sim/library/Registers.h"

#include <cstdint>
#include <cstring>

#include "sim/library/Attributes.h"
#include "sim/library/Locks.h"
#include "sim/library/Transport.h"

namespace sim {

namespace {

// The VXI configuration registers of a device: 64 bytes of A16 space.
constexpr ViBusAddress64 kRegisterBytes = 0x40;
// Mapped addresses are this plus the window's offset: never a real address, only a name for
// viPeek and viPoke (the window's access is VI_USE_OPERS).
constexpr std::uintptr_t kWindowOrigin = 0x5A160000u;

// The register operations' shared checks: A16 only, inside the 64 bytes, aligned to width.
ViStatus RegisterCheck(ViUInt16 space, ViBusAddress64 offset, int width, ViBusSize bytes) {
    if (space != VI_A16_SPACE) {
        return VI_ERROR_INV_SPACE;
    }
    if (width != 8 && width != 16) {
        return VI_ERROR_INV_WIDTH;  // the configuration registers are D16
    }
    if (offset >= kRegisterBytes || (width == 16 && offset % 2 != 0)) {
        return VI_ERROR_INV_OFFSET;
    }
    if (bytes > kRegisterBytes - offset) {
        return VI_ERROR_INV_LENGTH;
    }
    return VI_SUCCESS;
}

// The bus is big-endian: the even byte is the high one.
ViUInt32 ReadRegister(const CDevice& device, ViBusAddress64 offset, int width) {
    const std::uint16_t word = device.Register(static_cast<ViBusAddress>(offset & ~1u));
    return width == 16 ? word : (offset % 2 == 0 ? word >> 8 : word & 0xFF);
}

void TraceWrite(CLibraryState& state, const Resource& resource, ViBusAddress64 offset,
                ViUInt32 value) {
    state.Record("out " + resource.scenario.name + " " + std::to_string(offset) + " " +
                 std::to_string(value));
}

// Bytes a block of length elements covers, capped past the registers so it cannot overflow.
ViBusSize BlockBytes(ViBusSize length, int width, bool increment) {
    if (!increment) {
        return length > 0 ? static_cast<ViBusSize>(width / 8) : 0;
    }
    return length > kRegisterBytes ? static_cast<ViBusSize>(kRegisterBytes + 1)
                                   : length * static_cast<ViBusSize>(width / 8);
}

}  // namespace

ViStatus CRegisters::Registers(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                               ViBusSize bytes, Session** session, Resource** resource) {
    Session* found = m_state.Find(vi);
    if (found == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (found->kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    const std::shared_ptr<Resource>& held = found->transport->Device();
    if (!held) {
        return VI_ERROR_NSUP_OPER;
    }
    Resource& device = *held;
    if (!CLocks::MayAccess(device, vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    if (!device.parsed || (device.name.interfaceType != VI_INTF_VXI &&
                           device.name.interfaceType != VI_INTF_GPIB_VXI)) {
        return VI_ERROR_NSUP_OPER;
    }
    if (const ViStatus bad = RegisterCheck(space, offset, width, bytes); bad < 0) {
        return bad;
    }
    *session = found;
    *resource = &device;
    return VI_SUCCESS;
}

ViStatus CRegisters::In(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                        ViUInt32* value) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = nullptr;
    Resource* resource = nullptr;
    if (const ViStatus refused =
            Registers(vi, space, offset, width, (width + 7) / 8, &session, &resource);
        refused != VI_SUCCESS) {
        return refused;
    }
    if (value == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    *value = ReadRegister(*resource->device, offset, width);
    return VI_SUCCESS;
}

ViStatus CRegisters::Out(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                         ViUInt32 value) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = nullptr;
    Resource* resource = nullptr;
    if (const ViStatus refused =
            Registers(vi, space, offset, width, (width + 7) / 8, &session, &resource);
        refused != VI_SUCCESS) {
        return refused;
    }
    // The identification registers ignore writes, as on the bus; control bits do nothing here.
    TraceWrite(m_state, *resource, offset, value);
    return VI_SUCCESS;
}

ViStatus CRegisters::Block(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                           ViBusSize length, const void* buffer, ViAttr increment,
                           Resource** resource, ViBusAddress64* step) {
    const Session* known = m_state.Find(vi);
    const bool increments = known == nullptr || CAttributes::Setting(*known, increment) != 0;
    Session* session = nullptr;
    if (const ViStatus refused = Registers(
            vi, space, offset, width, BlockBytes(length, width, increments), &session, resource);
        refused != VI_SUCCESS) {
        return refused;
    }
    if (buffer == nullptr && length > 0) {
        return VI_ERROR_USER_BUF;
    }
    *step = increments ? static_cast<ViBusAddress64>(width / 8) : 0;
    return VI_SUCCESS;
}

ViStatus CRegisters::MoveIn(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                            ViBusSize length, void* buffer) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Resource* resource = nullptr;
    ViBusAddress64 step = 0;
    if (const ViStatus refused = Block(vi, space, offset, width, length, buffer,
                                       VI_ATTR_SRC_INCREMENT, &resource, &step);
        refused != VI_SUCCESS) {
        return refused;
    }
    for (ViBusSize i = 0; i < length; ++i) {
        const ViUInt32 value = ReadRegister(*resource->device, offset + step * i, width);
        if (width == 16) {
            static_cast<ViUInt16*>(buffer)[i] = static_cast<ViUInt16>(value);
        } else {
            static_cast<ViUInt8*>(buffer)[i] = static_cast<ViUInt8>(value);
        }
    }
    return VI_SUCCESS;
}

ViStatus CRegisters::MoveOut(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                             ViBusSize length, const void* buffer) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Resource* resource = nullptr;
    ViBusAddress64 step = 0;
    if (const ViStatus refused = Block(vi, space, offset, width, length, buffer,
                                       VI_ATTR_DEST_INCREMENT, &resource, &step);
        refused != VI_SUCCESS) {
        return refused;
    }
    for (ViBusSize i = 0; i < length; ++i) {
        const ViUInt32 value = width == 16 ? static_cast<const ViUInt16*>(buffer)[i]
                                           : static_cast<const ViUInt8*>(buffer)[i];
        TraceWrite(m_state, *resource, offset + step * i, value);
    }
    return VI_SUCCESS;
}

ViStatus CRegisters::Map(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize size,
                         ViBoolean access, ViAddr* address) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = nullptr;
    Resource* resource = nullptr;
    if (const ViStatus refused = Registers(vi, space, offset, 8, 0, &session, &resource);
        refused != VI_SUCCESS) {
        return refused;
    }
    if (size == 0 || size > kRegisterBytes - offset) {
        return VI_ERROR_INV_SIZE;
    }
    if (access != VI_FALSE) {
        return VI_ERROR_INV_ACC_MODE;
    }
    if (address == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    if (session->window.mapped) {
        return VI_ERROR_WINDOW_MAPPED;
    }
    session->window = Window{true, space, static_cast<ViBusAddress>(offset), size};
    *address = reinterpret_cast<ViAddr>(kWindowOrigin + static_cast<std::uintptr_t>(offset));
    return VI_SUCCESS;
}

ViStatus CRegisters::Unmap(ViSession vi) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    if (!session->window.mapped) {
        return VI_ERROR_WINDOW_NMAPPED;
    }
    session->window = Window{};
    return VI_SUCCESS;
}

ViStatus CRegisters::WindowOffset(const Session& session, ViAddr address, int width,
                                  ViBusAddress64* offset) {
    if (!session.window.mapped) {
        return VI_ERROR_WINDOW_NMAPPED;
    }
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t begin = kWindowOrigin + session.window.base;
    const ViBusSize bytes = static_cast<ViBusSize>(width > 16 ? 2 : width / 8);
    if (at < begin || at - begin >= session.window.size ||
        session.window.size - (at - begin) < bytes) {
        return VI_ERROR_INV_OFFSET;
    }
    *offset = at - kWindowOrigin;
    return VI_SUCCESS;
}

ViStatus CRegisters::Mapped(ViSession vi, ViAddr address, int width, ViBusAddress64* offset,
                            Resource** resource) {
    const Session* known = m_state.Find(vi);
    if (known != nullptr && known->kind == Session::Kind::Instrument) {
        if (const ViStatus outside = WindowOffset(*known, address, width, offset); outside < 0) {
            return outside;
        }
    }
    Session* session = nullptr;
    return Registers(vi, VI_A16_SPACE, *offset, width, (width + 7) / 8, &session, resource);
}

ViStatus CRegisters::Peek(ViSession vi, ViAddr address, int width, ViUInt32* value) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    ViBusAddress64 offset = 0;
    Resource* resource = nullptr;
    if (const ViStatus refused = Mapped(vi, address, width, &offset, &resource);
        refused != VI_SUCCESS) {
        return refused;
    }
    if (value == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    *value = ReadRegister(*resource->device, offset, width);
    return VI_SUCCESS;
}

ViStatus CRegisters::Poke(ViSession vi, ViAddr address, int width, ViUInt32 value) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    ViBusAddress64 offset = 0;
    Resource* resource = nullptr;
    if (const ViStatus refused = Mapped(vi, address, width, &offset, &resource);
        refused != VI_SUCCESS) {
        return refused;
    }
    TraceWrite(m_state, *resource, offset, value);
    return VI_SUCCESS;
}

}  // namespace sim
