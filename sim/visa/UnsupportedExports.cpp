// The operations of VISA's C interface that none of this library's resources offer: GPIB bus
// control, VXI backplane and servant signals, trigger mapping, shared memory, USB control
// transfers, Word Serial queries and asynchronous jobs. Each is exported so that a client that
// binds every VISA function (pyvisa does) finds it, checks its session as every operation does
// and answers with the status VISA names for it. No exception may leave a function of this
// file: the caller is C.
#include "sim/visa/SessionCheck.h"
#include "sim/visa/SimExport.h"

namespace {

// VI_ERROR_INV_OBJECT for a session that is not open; otherwise the operation's own answer.
ViStatus Refuse(ViSession vi, ViStatus answer = VI_ERROR_NSUP_OPER) {
    return Guarded([&] {
        const ViStatus session = sim::CheckInstrument(vi);
        return session == VI_ERROR_INV_OBJECT ? session : answer;
    });
}

}  // namespace

SIM_EXPORT ViStatus SFP_VI_CALL viGpibCommand(ViSession vi, const ViByte* /*command*/,
                                              ViUInt32 /*count*/, ViUInt32* /*written*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viGpibControlATN(ViSession vi, ViUInt16 /*mode*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viGpibControlREN(ViSession vi, ViUInt16 /*mode*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viGpibPassControl(ViSession vi, ViUInt16 /*primary*/,
                                                  ViUInt16 /*secondary*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viGpibSendIFC(ViSession vi) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viAssertIntrSignal(ViSession vi, ViInt16 /*mode*/,
                                                   ViUInt32 /*statusId*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viAssertUtilSignal(ViSession vi, ViUInt16 /*line*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMapTrigger(ViSession vi, ViInt16 /*source*/,
                                             ViInt16 /*destination*/, ViUInt16 /*mode*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viUnmapTrigger(ViSession vi, ViInt16 /*source*/,
                                               ViInt16 /*destination*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMemAlloc(ViSession vi, ViBusSize /*size*/,
                                           ViBusAddress* /*offset*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMemAllocEx(ViSession vi, ViBusSize /*size*/,
                                             ViBusAddress64* /*offset*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMemFree(ViSession vi, ViBusAddress /*offset*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMemFreeEx(ViSession vi, ViBusAddress64 /*offset*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viUsbControlIn(ViSession vi, ViInt16 /*requestType*/,
                                               ViInt16 /*request*/, ViUInt16 /*value*/,
                                               ViUInt16 /*index*/, ViUInt16 /*length*/,
                                               ViByte* /*buffer*/, ViUInt16* /*read*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viUsbControlOut(ViSession vi, ViInt16 /*requestType*/,
                                                ViInt16 /*request*/, ViUInt16 /*value*/,
                                                ViUInt16 /*index*/, ViUInt16 /*length*/,
                                                const ViByte* /*buffer*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viVxiCommandQuery(ViSession vi, ViUInt16 /*mode*/,
                                                  ViUInt32 /*command*/, ViUInt32* /*response*/) {
    return Refuse(vi);
}

// Asynchronous jobs: none is ever started, so none can be ended.
SIM_EXPORT ViStatus SFP_VI_CALL viReadAsync(ViSession vi, ViByte* /*buffer*/, ViUInt32 /*count*/,
                                            ViJobId* /*job*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viWriteAsync(ViSession vi, const ViByte* /*buffer*/,
                                             ViUInt32 /*count*/, ViJobId* /*job*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMoveAsync(ViSession vi, ViUInt16 /*sourceSpace*/,
                                            ViBusAddress /*sourceOffset*/, ViUInt16 /*sourceWidth*/,
                                            ViUInt16 /*destinationSpace*/,
                                            ViBusAddress /*destinationOffset*/,
                                            ViUInt16 /*destinationWidth*/, ViBusSize /*length*/,
                                            ViJobId* /*job*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viMoveAsyncEx(
    ViSession vi, ViUInt16 /*sourceSpace*/, ViBusAddress64 /*sourceOffset*/,
    ViUInt16 /*sourceWidth*/, ViUInt16 /*destinationSpace*/, ViBusAddress64 /*destinationOffset*/,
    ViUInt16 /*destinationWidth*/, ViBusSize /*length*/, ViJobId* /*job*/) {
    return Refuse(vi);
}

SIM_EXPORT ViStatus SFP_VI_CALL viTerminate(ViSession vi, ViUInt16 degree, ViJobId /*job*/) {
    return Refuse(vi, degree != 0 ? VI_ERROR_INV_DEGREE : VI_ERROR_INV_JOB_ID);
}
