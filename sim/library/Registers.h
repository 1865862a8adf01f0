#pragma once
// VISA's register access on a simulated VXI device: its 64 bytes of A16 configuration
// registers, big-endian and D16, read singly, in blocks or through a mapped window. Writes reach
// only the trace: the identification registers ignore them, as on the bus.

#include "sim/library/LibraryState.h"

namespace sim {

class CRegisters {
public:
    explicit CRegisters(CLibraryState& state) : m_state(state) {}
    // width: 8, 16, 32 or 64 bits; offsets are 64 bits wide so that the Ex forms' are not cut.
    ViStatus In(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width, ViUInt32* value);
    ViStatus Out(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width, ViUInt32 value);
    // buffer holds length elements of width bits.
    ViStatus MoveIn(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                    ViBusSize length, void* buffer);
    ViStatus MoveOut(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                     ViBusSize length, const void* buffer);
    ViStatus Map(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize size,
                 ViBoolean access, ViAddr* address);
    ViStatus Unmap(ViSession vi);
    // address: one viMapAddress gave the session.
    ViStatus Peek(ViSession vi, ViAddr address, int width, ViUInt32* value);
    ViStatus Poke(ViSession vi, ViAddr address, int width, ViUInt32 value);

private:
    // The device whose registers an access of the session reaches, or the status that refuses
    // the access. The lock is held.
    ViStatus Registers(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width,
                       ViBusSize bytes, Session** session, Resource** resource);
    // The device a block move of the session reaches, or the status that refuses the move;
    // *step is 0 when the session's increment attribute keeps the move on one register. The
    // lock is held.
    ViStatus Block(ViSession vi, ViUInt16 space, ViBusAddress64 offset, int width, ViBusSize length,
                   const void* buffer, ViAttr increment, Resource** resource, ViBusAddress64* step);
    // The register a peek or poke of a mapped address reaches (*offset, *resource), or the
    // status that refuses it. The lock is held.
    ViStatus Mapped(ViSession vi, ViAddr address, int width, ViBusAddress64* offset,
                    Resource** resource);
    // Where a mapped address points in the session's window; the status when it is not there.
    static ViStatus WindowOffset(const Session& session, ViAddr address, int width,
                                 ViBusAddress64* offset);
    CLibraryState& m_state;
};

}  // namespace sim
