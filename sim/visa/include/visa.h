/* The C interface of the substitute VISA library (libvisa.so, VISA32.dll): the types, values
 * and functions it implements, declared from the published VISA standard so that programs
 * written against VISA compile unchanged. docs/SIMULATOR.md says what is implemented. */
#ifndef SFP_SIM_VISA_H
#define SFP_SIM_VISA_H

#include <stdarg.h>
#include <stdint.h>

#if defined(_WIN32)
#define _VI_FUNC __stdcall
#define _VI_FUNCH __stdcall
#else
#define _VI_FUNC
#define _VI_FUNCH
#endif
#define _VI_FUNCC

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t ViStatus;
typedef uint32_t ViUInt32;
typedef int32_t ViInt32;
typedef uint16_t ViUInt16;
typedef int16_t ViInt16;
typedef uint8_t ViUInt8;
typedef int8_t ViInt8;
typedef uint16_t ViBoolean;
typedef unsigned char ViByte;
typedef char ViChar;
typedef ViChar* ViString;
typedef const ViChar* ViConstString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViObject ViFindList;
typedef ViObject ViEvent;
typedef ViUInt32 ViAttr;
typedef ViUInt32 ViAccessMode;
typedef ViUInt32 ViEventType;
typedef ViUInt32 ViEventFilter;
typedef ViUInt32 ViVersion;
typedef void* ViAddr;
typedef ViConstString ViKeyId;
typedef ViChar* ViAKeyId;
typedef ViUInt16* ViPUInt16;
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef uint64_t ViAttrState;
typedef uint64_t ViBusAddress;
typedef uint64_t ViBusSize;
#else
typedef uint32_t ViAttrState;
typedef uint32_t ViBusAddress;
typedef uint32_t ViBusSize;
#endif
typedef ViStatus(_VI_FUNCH* ViHndlr)(ViSession vi, ViEventType eventType, ViEvent context,
                                     ViAddr userHandle);

#define VI_NULL 0
#define VI_TRUE 1
#define VI_FALSE 0
#define VI_FIND_BUFLEN 256

#define VI_SUCCESS ((ViStatus)0)
#define VI_SUCCESS_EVENT_EN ((ViStatus)0x3FFF0002)
#define VI_SUCCESS_EVENT_DIS ((ViStatus)0x3FFF0003)
#define VI_SUCCESS_QUEUE_EMPTY ((ViStatus)0x3FFF0004)
#define VI_SUCCESS_TERM_CHAR ((ViStatus)0x3FFF0005)
#define VI_SUCCESS_MAX_CNT ((ViStatus)0x3FFF0006)
#define VI_SUCCESS_QUEUE_NEMPTY ((ViStatus)0x3FFF0080)
#define VI_SUCCESS_NESTED_SHARED ((ViStatus)0x3FFF0099)
#define VI_SUCCESS_NESTED_EXCLUSIVE ((ViStatus)0x3FFF009A)
#define VI_WARN_NULL_OBJECT ((ViStatus)0x3FFF0082)
#define VI_WARN_UNKNOWN_STATUS ((ViStatus)0x3FFF0085)
#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000E)
#define VI_ERROR_RSRC_LOCKED ((ViStatus)0xBFFF000F)
#define VI_ERROR_INV_EXPR ((ViStatus)0xBFFF0010)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011)
#define VI_ERROR_INV_RSRC_NAME ((ViStatus)0xBFFF0012)
#define VI_ERROR_INV_ACC_MODE ((ViStatus)0xBFFF0013)
#define VI_ERROR_TMO ((ViStatus)0xBFFF0015)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001D)
#define VI_ERROR_NSUP_ATTR_STATE ((ViStatus)0xBFFF001E)
#define VI_ERROR_ATTR_READONLY ((ViStatus)0xBFFF001F)
#define VI_ERROR_INV_LOCK_TYPE ((ViStatus)0xBFFF0020)
#define VI_ERROR_INV_ACCESS_KEY ((ViStatus)0xBFFF0021)
#define VI_ERROR_INV_EVENT ((ViStatus)0xBFFF0026)
#define VI_ERROR_INV_MECH ((ViStatus)0xBFFF0027)
#define VI_ERROR_HNDLR_NINSTALLED ((ViStatus)0xBFFF0028)
#define VI_ERROR_INV_HNDLR_REF ((ViStatus)0xBFFF0029)
#define VI_ERROR_NENABLED ((ViStatus)0xBFFF002F)
#define VI_ERROR_INV_MASK ((ViStatus)0xBFFF003D)
#define VI_ERROR_IO ((ViStatus)0xBFFF003E)
#define VI_ERROR_INV_FMT ((ViStatus)0xBFFF003F)
#define VI_ERROR_NSUP_FMT ((ViStatus)0xBFFF0041)
#define VI_ERROR_INV_SPACE ((ViStatus)0xBFFF004E)
#define VI_ERROR_INV_OFFSET ((ViStatus)0xBFFF0051)
#define VI_ERROR_INV_WIDTH ((ViStatus)0xBFFF0052)
#define VI_ERROR_NSUP_OPER ((ViStatus)0xBFFF0067)
#define VI_ERROR_CONN_LOST ((ViStatus)0xBFFF00A6)
#define VI_ERROR_USER_BUF ((ViStatus)0xBFFF0071)
#define VI_ERROR_RSRC_BUSY ((ViStatus)0xBFFF0072)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078)
#define VI_ERROR_INV_PROT ((ViStatus)0xBFFF0079)
#define VI_ERROR_INV_LENGTH ((ViStatus)0xBFFF0083)
#define VI_ERROR_SESN_NLOCKED ((ViStatus)0xBFFF009C)

#define VI_ATTR_RSRC_CLASS 0xBFFF0001u
#define VI_ATTR_RSRC_NAME 0xBFFF0002u
#define VI_ATTR_RSRC_IMPL_VERSION 0x3FFF0003u
#define VI_ATTR_RSRC_LOCK_STATE 0x3FFF0004u
#define VI_ATTR_MAX_QUEUE_LENGTH 0x3FFF0005u
#define VI_ATTR_USER_DATA_32 0x3FFF0007u
#define VI_ATTR_USER_DATA_64 0x3FFF000Au
#define VI_ATTR_SEND_END_EN 0x3FFF0016u
#define VI_ATTR_TERMCHAR 0x3FFF0018u
#define VI_ATTR_TMO_VALUE 0x3FFF001Au
#define VI_ATTR_SUPPRESS_END_EN 0x3FFF0036u
#define VI_ATTR_TERMCHAR_EN 0x3FFF0038u
#define VI_ATTR_MAINFRAME_LA 0x3FFF0070u
#define VI_ATTR_MANF_NAME 0xBFFF0072u
#define VI_ATTR_MODEL_NAME 0xBFFF0077u
#define VI_ATTR_VXI_LA 0x3FFF00D5u
#define VI_ATTR_MANF_ID 0x3FFF00D9u
#define VI_ATTR_MODEL_CODE 0x3FFF00DFu
#define VI_ATTR_SLOT 0x3FFF00E8u
#define VI_ATTR_RSRC_SPEC_VERSION 0x3FFF0170u
#define VI_ATTR_INTF_TYPE 0x3FFF0171u
#define VI_ATTR_GPIB_PRIMARY_ADDR 0x3FFF0172u
#define VI_ATTR_RSRC_MANF_NAME 0xBFFF0174u
#define VI_ATTR_RSRC_MANF_ID 0x3FFF0175u
#define VI_ATTR_INTF_NUM 0x3FFF0176u
#define VI_ATTR_TCPIP_ADDR 0xBFFF0195u
#define VI_ATTR_TCPIP_HOSTNAME 0xBFFF0196u
#define VI_ATTR_TCPIP_DEVICE_NAME 0xBFFF0199u
#define VI_ATTR_EVENT_TYPE 0x3FFF4010u
#if UINTPTR_MAX > 0xFFFFFFFFu
#define VI_ATTR_USER_DATA VI_ATTR_USER_DATA_64
#else
#define VI_ATTR_USER_DATA VI_ATTR_USER_DATA_32
#endif

#define VI_EVENT_SERVICE_REQ 0x3FFF200Bu
#define VI_ALL_ENABLED_EVENTS 0x3FFF7FFFu
#define VI_QUEUE 1
#define VI_HNDLR 2
#define VI_SUSPEND_HNDLR 4
#define VI_ALL_MECH 0xFFFF
#define VI_ANY_HNDLR 0

#define VI_NO_LOCK 0
#define VI_EXCLUSIVE_LOCK 1
#define VI_SHARED_LOCK 2
#define VI_LOAD_CONFIG 4
#define VI_TMO_IMMEDIATE 0
#define VI_TMO_INFINITE 0xFFFFFFFFu

#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3
#define VI_INTF_ASRL 4
#define VI_INTF_TCPIP 6
#define VI_INTF_USB 7

#define VI_A16_SPACE 1
#define VI_A24_SPACE 2
#define VI_A32_SPACE 3
#define VI_TRIG_PROT_DEFAULT 0
#define VI_READ_BUF 1
#define VI_WRITE_BUF 2
#define VI_READ_BUF_DISCARD 4
#define VI_WRITE_BUF_DISCARD 8

ViStatus _VI_FUNC viOpenDefaultRM(ViSession* vi);
ViStatus _VI_FUNC viFindRsrc(ViSession rm, ViConstString expr, ViFindList* list, ViUInt32* count,
                             ViChar* name);
ViStatus _VI_FUNC viFindNext(ViFindList list, ViChar* name);
ViStatus _VI_FUNC viParseRsrc(ViSession rm, ViConstRsrc name, ViUInt16* type, ViUInt16* number);
ViStatus _VI_FUNC viParseRsrcEx(ViSession rm, ViConstRsrc name, ViUInt16* type, ViUInt16* number,
                                ViChar* rsrcClass, ViChar* unaliased, ViChar* alias);
ViStatus _VI_FUNC viOpen(ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
                         ViSession* vi);
ViStatus _VI_FUNC viClose(ViObject vi);
ViStatus _VI_FUNC viGetAttribute(ViObject vi, ViAttr attribute, void* value);
ViStatus _VI_FUNC viSetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
ViStatus _VI_FUNC viStatusDesc(ViObject vi, ViStatus status, ViChar* text);
ViStatus _VI_FUNC viRead(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read);
ViStatus _VI_FUNC viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
ViStatus _VI_FUNC viReadSTB(ViSession vi, ViUInt16* status);
ViStatus _VI_FUNC viClear(ViSession vi);
ViStatus _VI_FUNC viFlush(ViSession vi, ViUInt16 mask);
ViStatus _VI_FUNC viAssertTrigger(ViSession vi, ViUInt16 protocol);
ViStatus _VI_FUNC viLock(ViSession vi, ViAccessMode type, ViUInt32 timeout, ViKeyId requestedKey,
                         ViAKeyId accessKey);
ViStatus _VI_FUNC viUnlock(ViSession vi);
ViStatus _VI_FUNC viEnableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism,
                                ViEventFilter context);
ViStatus _VI_FUNC viDisableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism);
ViStatus _VI_FUNC viDiscardEvents(ViSession vi, ViEventType type, ViUInt16 mechanism);
ViStatus _VI_FUNC viWaitOnEvent(ViSession vi, ViEventType type, ViUInt32 timeout,
                                ViEventType* outType, ViEvent* outContext);
ViStatus _VI_FUNC viInstallHandler(ViSession vi, ViEventType type, ViHndlr handler, ViAddr user);
ViStatus _VI_FUNC viUninstallHandler(ViSession vi, ViEventType type, ViHndlr handler, ViAddr user);
ViStatus _VI_FUNC viIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt8* value);
ViStatus _VI_FUNC viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16* value);
ViStatus _VI_FUNC viIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt32* value);
ViStatus _VI_FUNC viOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt8 value);
ViStatus _VI_FUNC viOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16 value);
ViStatus _VI_FUNC viOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt32 value);
ViStatus _VI_FUNC viMoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                             ViUInt16* buffer);
typedef uint64_t ViUInt64;
typedef uint64_t ViBusAddress64;
#define VI_ATTR_SRC_INCREMENT ((ViAttr)0x3FFF0040)
#define VI_ATTR_DEST_INCREMENT ((ViAttr)0x3FFF0041)
#define VI_ATTR_WIN_ACCESS ((ViAttr)0x3FFF00C3)
#define VI_NMAPPED 1
#define VI_USE_OPERS 2
#define VI_ERROR_WINDOW_NMAPPED ((ViStatus)0xBFFF0057)
#define VI_ERROR_INV_SIZE ((ViStatus)0xBFFF007B)
#define VI_ERROR_WINDOW_MAPPED ((ViStatus)0xBFFF0080)
ViStatus _VI_FUNC viIn8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt8* value);
ViStatus _VI_FUNC viIn16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt16* value);
ViStatus _VI_FUNC viIn32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt32* value);
ViStatus _VI_FUNC viIn64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt64* value);
ViStatus _VI_FUNC viIn64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt64* value);
ViStatus _VI_FUNC viOut8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt8 value);
ViStatus _VI_FUNC viOut16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt16 value);
ViStatus _VI_FUNC viOut32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt32 value);
ViStatus _VI_FUNC viOut64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt64 value);
ViStatus _VI_FUNC viOut64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt64 value);
ViStatus _VI_FUNC viMoveIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                            ViUInt8* buffer);
ViStatus _VI_FUNC viMoveIn8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                              ViUInt8* buffer);
ViStatus _VI_FUNC viMoveOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                             const ViUInt8* buffer);
ViStatus _VI_FUNC viMoveOut8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                               ViBusSize length, const ViUInt8* buffer);
ViStatus _VI_FUNC viMoveIn16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                               ViBusSize length, ViUInt16* buffer);
ViStatus _VI_FUNC viMoveOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                              const ViUInt16* buffer);
ViStatus _VI_FUNC viMoveOut16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                ViBusSize length, const ViUInt16* buffer);
ViStatus _VI_FUNC viMoveIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                             ViUInt32* buffer);
ViStatus _VI_FUNC viMoveIn32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                               ViBusSize length, ViUInt32* buffer);
ViStatus _VI_FUNC viMoveOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                              const ViUInt32* buffer);
ViStatus _VI_FUNC viMoveOut32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                ViBusSize length, const ViUInt32* buffer);
ViStatus _VI_FUNC viMoveIn64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                             ViUInt64* buffer);
ViStatus _VI_FUNC viMoveIn64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                               ViBusSize length, ViUInt64* buffer);
ViStatus _VI_FUNC viMoveOut64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                              const ViUInt64* buffer);
ViStatus _VI_FUNC viMoveOut64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset,
                                ViBusSize length, const ViUInt64* buffer);
ViStatus _VI_FUNC viMove(ViSession vi, ViUInt16 srcSpace, ViBusAddress srcOffset, ViUInt16 srcWidth,
                         ViUInt16 destSpace, ViBusAddress destOffset, ViUInt16 destWidth,
                         ViBusSize length);
ViStatus _VI_FUNC viMapAddress(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize size,
                               ViBoolean access, ViAddr suggested, ViAddr* address);
ViStatus _VI_FUNC viUnmapAddress(ViSession vi);
/* Here viPeek and viPoke answer a status: VI_ERROR_WINDOW_NMAPPED without a window. */
ViStatus _VI_FUNC viPeek8(ViSession vi, ViAddr address, ViUInt8* value);
ViStatus _VI_FUNC viPeek16(ViSession vi, ViAddr address, ViUInt16* value);
ViStatus _VI_FUNC viPeek32(ViSession vi, ViAddr address, ViUInt32* value);
ViStatus _VI_FUNC viPeek64(ViSession vi, ViAddr address, ViUInt64* value);
ViStatus _VI_FUNC viPoke8(ViSession vi, ViAddr address, ViUInt8 value);
ViStatus _VI_FUNC viPoke16(ViSession vi, ViAddr address, ViUInt16 value);
ViStatus _VI_FUNC viPoke32(ViSession vi, ViAddr address, ViUInt32 value);
ViStatus _VI_FUNC viPoke64(ViSession vi, ViAddr address, ViUInt64 value);
ViStatus _VI_FUNCC viPrintf(ViSession vi, ViConstString format, ...);
ViStatus _VI_FUNC viVPrintf(ViSession vi, ViConstString format, va_list args);
ViStatus _VI_FUNCC viScanf(ViSession vi, ViConstString format, ...);
ViStatus _VI_FUNC viVScanf(ViSession vi, ViConstString format, va_list args);
ViStatus _VI_FUNCC viQueryf(ViSession vi, ViConstString writeFormat, ViConstString readFormat, ...);
ViStatus _VI_FUNC viVQueryf(ViSession vi, ViConstString writeFormat, ViConstString readFormat,
                            va_list args);

/* Formatted I/O buffers, file transfers, and the operations no resource of this library offers
 * (they answer VI_ERROR_NSUP_OPER, viTerminate VI_ERROR_INV_JOB_ID). */
typedef ViUInt32 ViJobId;

#define VI_IO_IN_BUF 16
#define VI_IO_OUT_BUF 32
#define VI_WARN_NSUP_BUF ((ViStatus)0x3FFF0088)
#define VI_ERROR_INV_DEGREE ((ViStatus)0xBFFF001B)
#define VI_ERROR_INV_JOB_ID ((ViStatus)0xBFFF001C)
#define VI_ERROR_ALLOC ((ViStatus)0xBFFF003C)
#define VI_ERROR_FILE_ACCESS ((ViStatus)0xBFFF00A1)
#define VI_ERROR_FILE_IO ((ViStatus)0xBFFF00A2)

ViStatus _VI_FUNC viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size);
ViStatus _VI_FUNC viBufRead(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read);
ViStatus _VI_FUNC viBufWrite(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
ViStatus _VI_FUNC viReadToFile(ViSession vi, ViConstString fileName, ViUInt32 count,
                               ViUInt32* transferred);
ViStatus _VI_FUNC viWriteFromFile(ViSession vi, ViConstString fileName, ViUInt32 count,
                                  ViUInt32* transferred);
ViStatus _VI_FUNC viGpibCommand(ViSession vi, const ViByte* command, ViUInt32 count,
                                ViUInt32* written);
ViStatus _VI_FUNC viGpibControlATN(ViSession vi, ViUInt16 mode);
ViStatus _VI_FUNC viGpibControlREN(ViSession vi, ViUInt16 mode);
ViStatus _VI_FUNC viGpibPassControl(ViSession vi, ViUInt16 primary, ViUInt16 secondary);
ViStatus _VI_FUNC viGpibSendIFC(ViSession vi);
ViStatus _VI_FUNC viAssertIntrSignal(ViSession vi, ViInt16 mode, ViUInt32 statusId);
ViStatus _VI_FUNC viAssertUtilSignal(ViSession vi, ViUInt16 line);
ViStatus _VI_FUNC viMapTrigger(ViSession vi, ViInt16 source, ViInt16 destination, ViUInt16 mode);
ViStatus _VI_FUNC viUnmapTrigger(ViSession vi, ViInt16 source, ViInt16 destination);
ViStatus _VI_FUNC viMemAlloc(ViSession vi, ViBusSize size, ViBusAddress* offset);
ViStatus _VI_FUNC viMemAllocEx(ViSession vi, ViBusSize size, ViBusAddress64* offset);
ViStatus _VI_FUNC viMemFree(ViSession vi, ViBusAddress offset);
ViStatus _VI_FUNC viMemFreeEx(ViSession vi, ViBusAddress64 offset);
ViStatus _VI_FUNC viUsbControlIn(ViSession vi, ViInt16 requestType, ViInt16 request, ViUInt16 value,
                                 ViUInt16 index, ViUInt16 length, ViByte* buffer, ViUInt16* read);
ViStatus _VI_FUNC viUsbControlOut(ViSession vi, ViInt16 requestType, ViInt16 request,
                                  ViUInt16 value, ViUInt16 index, ViUInt16 length,
                                  const ViByte* buffer);
ViStatus _VI_FUNC viVxiCommandQuery(ViSession vi, ViUInt16 mode, ViUInt32 command,
                                    ViUInt32* response);
ViStatus _VI_FUNC viReadAsync(ViSession vi, ViByte* buffer, ViUInt32 count, ViJobId* job);
ViStatus _VI_FUNC viWriteAsync(ViSession vi, const ViByte* buffer, ViUInt32 count, ViJobId* job);
ViStatus _VI_FUNC viMoveAsync(ViSession vi, ViUInt16 sourceSpace, ViBusAddress sourceOffset,
                              ViUInt16 sourceWidth, ViUInt16 destinationSpace,
                              ViBusAddress destinationOffset, ViUInt16 destinationWidth,
                              ViBusSize length, ViJobId* job);
ViStatus _VI_FUNC viMoveAsyncEx(ViSession vi, ViUInt16 sourceSpace, ViBusAddress64 sourceOffset,
                                ViUInt16 sourceWidth, ViUInt16 destinationSpace,
                                ViBusAddress64 destinationOffset, ViUInt16 destinationWidth,
                                ViBusSize length, ViJobId* job);
ViStatus _VI_FUNC viTerminate(ViSession vi, ViUInt16 degree, ViJobId job);

#ifdef __cplusplus
}
#endif

#endif
