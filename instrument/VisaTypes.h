#pragma once
// The few VISA types and values this program uses, declared from the published standard.
// Fixed-width on every platform: a status is signed 32-bit, a session unsigned 32-bit.

#include <cstdint>
#include <type_traits>

// VISA and VXIplug&play libraries export __stdcall functions on 32-bit Windows; every function
// pointer into them and every substitute export carries this.
#if defined(_WIN32)
#define SFP_VI_CALL __stdcall
#else
#define SFP_VI_CALL
#endif

using ViStatus = std::int32_t;
using ViSession = std::uint32_t;
using ViObject = std::uint32_t;
using ViFindList = std::uint32_t;
using ViAttr = std::uint32_t;
using ViAccessMode = std::uint32_t;
using ViInt16 = std::int16_t;
using ViUInt16 = std::uint16_t;
using ViInt32 = std::int32_t;
using ViUInt32 = std::uint32_t;
using ViBoolean = std::uint16_t;
using ViChar = char;
using ViByte = unsigned char;
using ViUInt8 = std::uint8_t;
using ViInt8 = std::int8_t;
using ViEventType = std::uint32_t;
using ViEvent = std::uint32_t;
using ViKeyId = const char*;
using ViBusAddress = std::conditional_t<sizeof(void*) == 8, std::uint64_t, std::uint32_t>;
using ViBusSize = ViBusAddress;
using ViUInt64 = std::uint64_t;
using ViBusAddress64 = std::uint64_t;
using ViVersion = std::uint32_t;
using ViAddr = void*;
using ViEventFilter = std::uint32_t;
// Wide enough for any attribute value: 64 bits where pointers are.
using ViAttrState = std::conditional_t<sizeof(void*) == 8, std::uint64_t, std::uint32_t>;

// A status written as an unsigned hexadecimal literal must be cast once, here, so that every
// comparison in the program is between two signed 32-bit values.
constexpr ViStatus ViStatusFromBits(std::uint32_t bits) {
    return static_cast<ViStatus>(bits);
}

constexpr ViStatus VI_SUCCESS = 0;
constexpr ViSession VI_NULL = 0;
constexpr ViStatus VI_SUCCESS_EVENT_EN = ViStatusFromBits(0x3FFF0002);
constexpr ViStatus VI_SUCCESS_EVENT_DIS = ViStatusFromBits(0x3FFF0003);
constexpr ViStatus VI_SUCCESS_QUEUE_EMPTY = ViStatusFromBits(0x3FFF0004);
constexpr ViStatus VI_SUCCESS_NESTED_SHARED = ViStatusFromBits(0x3FFF0099);
constexpr ViStatus VI_SUCCESS_NESTED_EXCLUSIVE = ViStatusFromBits(0x3FFF009A);
constexpr ViStatus VI_SUCCESS_QUEUE_NEMPTY = ViStatusFromBits(0x3FFF0080);
constexpr ViStatus VI_WARN_QUEUE_OVERFLOW = ViStatusFromBits(0x3FFF000C);
constexpr ViStatus VI_WARN_CONFIG_NLOADED = ViStatusFromBits(0x3FFF0077);
constexpr ViStatus VI_SUCCESS_TERM_CHAR = ViStatusFromBits(0x3FFF0005);
constexpr ViStatus VI_SUCCESS_MAX_CNT = ViStatusFromBits(0x3FFF0006);
constexpr ViStatus VI_SUCCESS_DEV_NPRESENT = ViStatusFromBits(0x3FFF007D);
constexpr ViStatus VI_WARN_NULL_OBJECT = ViStatusFromBits(0x3FFF0082);
constexpr ViStatus VI_WARN_NSUP_ATTR_STATE = ViStatusFromBits(0x3FFF0084);
constexpr ViStatus VI_WARN_UNKNOWN_STATUS = ViStatusFromBits(0x3FFF0085);

constexpr ViStatus VI_ERROR_SYSTEM_ERROR = ViStatusFromBits(0xBFFF0000);
constexpr ViStatus VI_ERROR_INV_OBJECT = ViStatusFromBits(0xBFFF000E);
constexpr ViStatus VI_ERROR_RSRC_NFOUND = ViStatusFromBits(0xBFFF0011);
constexpr ViStatus VI_ERROR_INV_RSRC_NAME = ViStatusFromBits(0xBFFF0012);
constexpr ViStatus VI_ERROR_TMO = ViStatusFromBits(0xBFFF0015);
constexpr ViStatus VI_ERROR_NSUP_ATTR = ViStatusFromBits(0xBFFF001D);
constexpr ViStatus VI_ERROR_NSUP_ATTR_STATE = ViStatusFromBits(0xBFFF001E);
constexpr ViStatus VI_ERROR_INV_EXPR = ViStatusFromBits(0xBFFF0010);
constexpr ViStatus VI_ERROR_IO = ViStatusFromBits(0xBFFF003E);
constexpr ViStatus VI_ERROR_INV_PARAMETER = ViStatusFromBits(0xBFFF0078);
constexpr ViStatus VI_ERROR_USER_BUF = ViStatusFromBits(0xBFFF0071);
constexpr ViStatus VI_ERROR_NSUP_OPER = ViStatusFromBits(0xBFFF0067);
constexpr ViStatus VI_ERROR_CONN_LOST = ViStatusFromBits(0xBFFF00A6);
constexpr ViStatus VI_ERROR_ALLOC = ViStatusFromBits(0xBFFF003C);
constexpr ViStatus VI_ERROR_LIBRARY_NFOUND = ViStatusFromBits(0xBFFF009E);
constexpr ViStatus VI_ERROR_RSRC_BUSY = ViStatusFromBits(0xBFFF0072);
constexpr ViStatus VI_ERROR_INV_ACC_MODE = ViStatusFromBits(0xBFFF0013);
constexpr ViStatus VI_ERROR_RSRC_LOCKED = ViStatusFromBits(0xBFFF000F);
constexpr ViStatus VI_ERROR_ATTR_READONLY = ViStatusFromBits(0xBFFF001F);
constexpr ViStatus VI_ERROR_INV_LOCK_TYPE = ViStatusFromBits(0xBFFF0020);
constexpr ViStatus VI_ERROR_INV_ACCESS_KEY = ViStatusFromBits(0xBFFF0021);
constexpr ViStatus VI_ERROR_INV_EVENT = ViStatusFromBits(0xBFFF0026);
constexpr ViStatus VI_ERROR_INV_MECH = ViStatusFromBits(0xBFFF0027);
constexpr ViStatus VI_ERROR_HNDLR_NINSTALLED = ViStatusFromBits(0xBFFF0028);
constexpr ViStatus VI_ERROR_INV_HNDLR_REF = ViStatusFromBits(0xBFFF0029);
constexpr ViStatus VI_ERROR_NENABLED = ViStatusFromBits(0xBFFF002F);
constexpr ViStatus VI_ERROR_INV_SPACE = ViStatusFromBits(0xBFFF004E);
constexpr ViStatus VI_ERROR_INV_OFFSET = ViStatusFromBits(0xBFFF0051);
constexpr ViStatus VI_ERROR_INV_WIDTH = ViStatusFromBits(0xBFFF0052);
constexpr ViStatus VI_ERROR_INV_LENGTH = ViStatusFromBits(0xBFFF0083);
constexpr ViStatus VI_ERROR_SESN_NLOCKED = ViStatusFromBits(0xBFFF009C);
constexpr ViStatus VI_ERROR_INV_FMT = ViStatusFromBits(0xBFFF003F);
constexpr ViStatus VI_ERROR_NSUP_FMT = ViStatusFromBits(0xBFFF0041);

// Statuses common to VXIplug&play instrument drivers (the 0xBFFC0000 range).
constexpr ViStatus VI_ERROR_PARAMETER1 = ViStatusFromBits(0xBFFC0001);
constexpr ViStatus VI_ERROR_PARAMETER2 = ViStatusFromBits(0xBFFC0002);
constexpr ViStatus VI_ERROR_PARAMETER3 = ViStatusFromBits(0xBFFC0003);
constexpr ViStatus VI_ERROR_FAIL_ID = ViStatusFromBits(0xBFFC0011);
constexpr ViStatus VI_ERROR_INV_RESPONSE = ViStatusFromBits(0xBFFC0012);

// The module's error queue held an entry after an otherwise successful operation.
constexpr ViStatus STATUS_INSTRUMENT_ERROR = ViStatusFromBits(0xBFFC0D07);

constexpr ViAttr VI_ATTR_INTF_TYPE = 0x3FFF0171;
constexpr ViAttr VI_ATTR_RSRC_CLASS = 0xBFFF0001;
constexpr ViAttr VI_ATTR_RSRC_NAME = 0xBFFF0002;
constexpr ViAttr VI_ATTR_RSRC_IMPL_VERSION = 0x3FFF0003;
constexpr ViAttr VI_ATTR_RSRC_LOCK_STATE = 0x3FFF0004;
constexpr ViAttr VI_ATTR_MAX_QUEUE_LENGTH = 0x3FFF0005;
constexpr ViAttr VI_ATTR_USER_DATA = 0x3FFF0007;  // 32 bits
constexpr ViAttr VI_ATTR_USER_DATA_64 = 0x3FFF000A;
constexpr ViAttr VI_ATTR_SEND_END_EN = 0x3FFF0016;
constexpr ViAttr VI_ATTR_TERMCHAR = 0x3FFF0018;
constexpr ViAttr VI_ATTR_SUPPRESS_END_EN = 0x3FFF0036;
constexpr ViAttr VI_ATTR_TERMCHAR_EN = 0x3FFF0038;
constexpr ViAttr VI_ATTR_MAINFRAME_LA = 0x3FFF0070;
constexpr ViAttr VI_ATTR_MANF_NAME = 0xBFFF0072;
constexpr ViAttr VI_ATTR_MODEL_NAME = 0xBFFF0077;
constexpr ViAttr VI_ATTR_VXI_LA = 0x3FFF00D5;
constexpr ViAttr VI_ATTR_RSRC_SPEC_VERSION = 0x3FFF0170;
constexpr ViAttr VI_ATTR_GPIB_PRIMARY_ADDR = 0x3FFF0172;
constexpr ViAttr VI_ATTR_RSRC_MANF_NAME = 0xBFFF0174;
constexpr ViAttr VI_ATTR_RSRC_MANF_ID = 0x3FFF0175;
constexpr ViAttr VI_ATTR_INTF_NUM = 0x3FFF0176;
// VXI-11 (TCPIP INSTR) sessions.
constexpr ViAttr VI_ATTR_TCPIP_ADDR = 0xBFFF0195;
constexpr ViAttr VI_ATTR_TCPIP_HOSTNAME = 0xBFFF0196;
constexpr ViAttr VI_ATTR_TCPIP_DEVICE_NAME = 0xBFFF0199;
constexpr ViAttr VI_ATTR_EVENT_TYPE = 0x3FFF4010;

constexpr ViEventType VI_EVENT_SERVICE_REQ = 0x3FFF200B;
constexpr ViEventType VI_ALL_ENABLED_EVENTS = 0x3FFF7FFF;
constexpr ViUInt16 VI_QUEUE = 1;
constexpr ViUInt16 VI_HNDLR = 2;
constexpr ViUInt16 VI_SUSPEND_HNDLR = 4;
constexpr ViUInt16 VI_ALL_MECH = 0xFFFF;

constexpr ViAccessMode VI_NO_LOCK = 0;
constexpr ViAccessMode VI_EXCLUSIVE_LOCK = 1;
constexpr ViAccessMode VI_SHARED_LOCK = 2;
constexpr ViAccessMode VI_LOAD_CONFIG = 4;

constexpr ViUInt32 VI_TMO_IMMEDIATE = 0;
constexpr ViUInt32 VI_TMO_INFINITE = 0xFFFFFFFF;

constexpr ViUInt16 VI_A16_SPACE = 1;
constexpr ViUInt16 VI_A24_SPACE = 2;
constexpr ViUInt16 VI_A32_SPACE = 3;
constexpr ViUInt16 VI_A64_SPACE = 4;

constexpr ViBoolean VI_TRUE = 1;
constexpr ViBoolean VI_FALSE = 0;
constexpr ViAttr VI_ATTR_MANF_ID = 0x3FFF00D9;
constexpr ViAttr VI_ATTR_MODEL_CODE = 0x3FFF00DF;
constexpr ViAttr VI_ATTR_SLOT = 0x3FFF00E8;
constexpr ViAttr VI_ATTR_TMO_VALUE = 0x3FFF001A;

constexpr ViUInt16 VI_INTF_GPIB = 1;
constexpr ViUInt16 VI_INTF_VXI = 2;
constexpr ViUInt16 VI_INTF_GPIB_VXI = 3;
constexpr ViUInt16 VI_INTF_ASRL = 4;
constexpr ViUInt16 VI_INTF_PXI = 5;
constexpr ViUInt16 VI_INTF_TCPIP = 6;
constexpr ViUInt16 VI_INTF_USB = 7;

// Attributes of instrument sessions that clients read at open and in their common properties.
constexpr ViAttr VI_ATTR_IO_PROT = 0x3FFF001C;
constexpr ViAttr VI_ATTR_DMA_ALLOW_EN = 0x3FFF001E;
constexpr ViAttr VI_ATTR_RD_BUF_OPER_MODE = 0x3FFF002A;
constexpr ViAttr VI_ATTR_RD_BUF_SIZE = 0x3FFF002B;
constexpr ViAttr VI_ATTR_WR_BUF_OPER_MODE = 0x3FFF002D;
constexpr ViAttr VI_ATTR_WR_BUF_SIZE = 0x3FFF002E;
constexpr ViAttr VI_ATTR_FILE_APPEND_EN = 0x3FFF0192;
constexpr ViAttr VI_ATTR_4882_COMPLIANT = 0x3FFF019F;
constexpr ViUInt16 VI_PROT_NORMAL = 1;
constexpr ViUInt16 VI_FLUSH_ON_ACCESS = 1;
constexpr ViUInt16 VI_FLUSH_WHEN_FULL = 2;

// Register-based sessions: block moves and mapped windows.
constexpr ViAttr VI_ATTR_DEST_ACCESS_PRIV = 0x3FFF0039;
constexpr ViAttr VI_ATTR_DEST_BYTE_ORDER = 0x3FFF003A;
constexpr ViAttr VI_ATTR_SRC_ACCESS_PRIV = 0x3FFF003C;
constexpr ViAttr VI_ATTR_SRC_BYTE_ORDER = 0x3FFF003D;
constexpr ViAttr VI_ATTR_SRC_INCREMENT = 0x3FFF0040;
constexpr ViAttr VI_ATTR_DEST_INCREMENT = 0x3FFF0041;
constexpr ViAttr VI_ATTR_WIN_ACCESS_PRIV = 0x3FFF0045;
constexpr ViAttr VI_ATTR_WIN_BYTE_ORDER = 0x3FFF0047;
constexpr ViAttr VI_ATTR_WIN_BASE_ADDR_32 = 0x3FFF0098;
constexpr ViAttr VI_ATTR_WIN_SIZE_32 = 0x3FFF009A;
constexpr ViAttr VI_ATTR_WIN_BASE_ADDR_64 = 0x3FFF009B;
constexpr ViAttr VI_ATTR_WIN_SIZE_64 = 0x3FFF009C;
constexpr ViAttr VI_ATTR_WIN_ACCESS = 0x3FFF00C3;
constexpr ViUInt16 VI_NMAPPED = 1;
constexpr ViUInt16 VI_USE_OPERS = 2;
constexpr ViUInt16 VI_DATA_PRIV = 0;
constexpr ViUInt16 VI_BIG_ENDIAN = 0;
constexpr ViStatus VI_ERROR_WINDOW_NMAPPED = ViStatusFromBits(0xBFFF0057);
constexpr ViStatus VI_ERROR_INV_SIZE = ViStatusFromBits(0xBFFF007B);
constexpr ViStatus VI_ERROR_WINDOW_MAPPED = ViStatusFromBits(0xBFFF0080);

// Formatted I/O buffers (viSetBuf's and viFlush's mask bits), file transfers, triggers, jobs.
constexpr ViUInt16 VI_READ_BUF = 0x01;
constexpr ViUInt16 VI_WRITE_BUF = 0x02;
constexpr ViUInt16 VI_READ_BUF_DISCARD = 0x04;
constexpr ViUInt16 VI_WRITE_BUF_DISCARD = 0x08;
constexpr ViUInt16 VI_IO_IN_BUF = 0x10;
constexpr ViUInt16 VI_IO_OUT_BUF = 0x20;
constexpr ViUInt16 VI_IO_IN_BUF_DISCARD = 0x40;
constexpr ViStatus VI_WARN_NSUP_BUF = ViStatusFromBits(0x3FFF0088);
constexpr ViStatus VI_ERROR_INV_MASK = ViStatusFromBits(0xBFFF003D);
constexpr ViStatus VI_ERROR_FILE_ACCESS = ViStatusFromBits(0xBFFF00A1);
constexpr ViStatus VI_ERROR_FILE_IO = ViStatusFromBits(0xBFFF00A2);
constexpr ViStatus VI_ERROR_INV_PROT = ViStatusFromBits(0xBFFF0079);
constexpr ViStatus VI_ERROR_INV_DEGREE = ViStatusFromBits(0xBFFF001B);
constexpr ViStatus VI_ERROR_INV_JOB_ID = ViStatusFromBits(0xBFFF001C);
using ViJobId = ViUInt32;

// VISA's value of VI_ATTR_SLOT when the slot is not known.
constexpr ViInt16 VI_UNKNOWN_SLOT = -1;

// VISA and VXIplug&play drivers hand texts back in caller buffers of this size.
constexpr int VI_FIND_BUFLEN = 256;
