// VISA's register access exports: the 8- and 16-bit forms work on a VXI device's A16 registers;
// the registers are D16, so every 32- and 64-bit form answers VI_ERROR_INV_WIDTH. The Ex forms take
// 64-bit offsets, passed on uncut. No exception may leave a function of this file: the caller is C.
#include <cstdint>

#include "sim/library/Library.h"
#include "sim/visa/SimExport.h"

namespace {

template <typename Value>
constexpr int kWidth = static_cast<int>(8 * sizeof(Value));

sim::CRegisters& Registers() {
    return sim::CLibrary::Instance().Registers();
}

template <typename Value>
ViStatus In(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width, Value* value) {
    return Guarded([&]() -> ViStatus {
        ViUInt32 wide = 0;
        const ViStatus status =
            Registers().In(vi, space, offset, width, value != nullptr ? &wide : nullptr);
        if (status >= 0) {
            *value = static_cast<Value>(wide);
        }
        return status;
    });
}

template <typename Value>
ViStatus Out(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width, Value value) {
    // A 64-bit value never reaches a register: the width is refused first.
    return Guarded(
        [&] { return Registers().Out(vi, space, offset, width, static_cast<ViUInt32>(value)); });
}

template <typename Value>
ViStatus MoveIn(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                Value* buffer) {
    return Guarded(
        [&] { return Registers().MoveIn(vi, space, offset, kWidth<Value>, length, buffer); });
}

template <typename Value>
ViStatus MoveOut(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                 const Value* buffer) {
    return Guarded(
        [&] { return Registers().MoveOut(vi, space, offset, kWidth<Value>, length, buffer); });
}

template <typename Value>
ViStatus Peek(ViSession vi, ViAddr address, Value* value) {
    return Guarded([&]() -> ViStatus {
        ViUInt32 wide = 0;
        const ViStatus status =
            Registers().Peek(vi, address, kWidth<Value>, value != nullptr ? &wide : nullptr);
        if (status >= 0) {
            *value = static_cast<Value>(wide);
        }
        return status;
    });
}

template <typename Value>
ViStatus Poke(ViSession vi, ViAddr address, Value value) {
    return Guarded(
        [&] { return Registers().Poke(vi, address, kWidth<Value>, static_cast<ViUInt32>(value)); });
}

}  // namespace

SIM_EXPORT ViStatus SFP_VI_CALL viIn8(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                      ViUInt8* value) {
    return In(vi, space, offset, 8, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                       ViUInt16* value) {
    return In(vi, space, offset, 16, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viIn32(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                       ViUInt32* value) {
    return In(vi, space, offset, 32, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut8(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                       ViUInt8 value) {
    return Out(vi, space, offset, 8, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut16(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                        ViUInt16 value) {
    return Out(vi, space, offset, 16, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut32(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                        ViUInt32 value) {
    return Out(vi, space, offset, 32, value);
}

// Singles with 64-bit offsets, and the 64-bit singles.
SIM_EXPORT ViStatus SFP_VI_CALL viIn8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                        ViUInt8* value) {
    return In(vi, space, offset, 8, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viIn16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                         ViUInt16* value) {
    return In(vi, space, offset, 16, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viIn32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                         ViUInt32* value) {
    return In(vi, space, offset, 32, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viIn64(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                       ViUInt64* value) {
    return In(vi, space, offset, 64, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viIn64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                         ViUInt64* value) {
    return In(vi, space, offset, 64, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                         ViUInt8 value) {
    return Out(vi, space, offset, 8, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                          ViUInt16 value) {
    return Out(vi, space, offset, 16, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                          ViUInt32 value) {
    return Out(vi, space, offset, 32, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut64(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                        ViUInt64 value) {
    return Out(vi, space, offset, 64, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viOut64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                          ViUInt64 value) {
    return Out(vi, space, offset, 64, value);
}

// Block moves.
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn8(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                          ViBusSize length, ViUInt8* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                            ViBusSize length, ViUInt8* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                           ViBusSize length, ViUInt16* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                             ViBusSize length, ViUInt16* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn32(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                           ViBusSize length, ViUInt32* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                             ViBusSize length, ViUInt32* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn64(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                           ViBusSize length, ViUInt64* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveIn64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                             ViBusSize length, ViUInt64* buffer) {
    return MoveIn(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut8(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                           ViBusSize length, const ViUInt8* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                             ViBusSize length, const ViUInt8* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut16(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                            ViBusSize length, const ViUInt16* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                              ViBusSize length, const ViUInt16* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut32(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                            ViBusSize length, const ViUInt32* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                              ViBusSize length, const ViUInt32* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut64(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                            ViBusSize length, const ViUInt64* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}
SIM_EXPORT ViStatus SFP_VI_CALL viMoveOut64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                              ViBusSize length, const ViUInt64* buffer) {
    return MoveOut(vi, space, offset, length, buffer);
}

// A move between two spaces of the bus: only an empty one is done; the registers hold no
// memory to move between.
SIM_EXPORT ViStatus SFP_VI_CALL viMove(ViSession vi, ViUInt16 /*srcSpace*/,
                                       ViBusAddress /*srcOffset*/, ViUInt16 /*srcWidth*/,
                                       ViUInt16 /*destSpace*/, ViBusAddress /*destOffset*/,
                                       ViUInt16 /*destWidth*/, ViBusSize length) {
    return Guarded([&]() -> ViStatus {
        if (!sim::CLibrary::Instance().Sessions().IsInstrument(vi)) {
            return VI_ERROR_INV_OBJECT;
        }
        return length == 0 ? VI_SUCCESS : VI_ERROR_NSUP_OPER;
    });
}

// Mapped windows: the address is only for viPeek and viPoke (VI_ATTR_WIN_ACCESS is
// VI_USE_OPERS), never to be dereferenced.
SIM_EXPORT ViStatus SFP_VI_CALL viMapAddress(ViSession vi, ViUInt16 space, ViBusAddress offset,
                                             ViBusSize size, ViBoolean access, ViAddr /*suggested*/,
                                             ViAddr* address) {
    return Guarded([&] { return Registers().Map(vi, space, offset, size, access, address); });
}
SIM_EXPORT ViStatus SFP_VI_CALL viUnmapAddress(ViSession vi) {
    return Guarded([&] { return Registers().Unmap(vi); });
}
SIM_EXPORT ViStatus SFP_VI_CALL viPeek8(ViSession vi, ViAddr address, ViUInt8* value) {
    return Peek(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPeek16(ViSession vi, ViAddr address, ViUInt16* value) {
    return Peek(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPeek32(ViSession vi, ViAddr address, ViUInt32* value) {
    return Peek(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPeek64(ViSession vi, ViAddr address, ViUInt64* value) {
    return Peek(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPoke8(ViSession vi, ViAddr address, ViUInt8 value) {
    return Poke(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPoke16(ViSession vi, ViAddr address, ViUInt16 value) {
    return Poke(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPoke32(ViSession vi, ViAddr address, ViUInt32 value) {
    return Poke(vi, address, value);
}
SIM_EXPORT ViStatus SFP_VI_CALL viPoke64(ViSession vi, ViAddr address, ViUInt64 value) {
    return Poke(vi, address, value);
}
