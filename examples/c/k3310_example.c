/* Using the simulated K3310 from C through VISA: find it, open it, ask it, read its registers
 * and wait for its service request. Built and run by CTest on the built-in scenario; any
 * unexpected status ends it with a message and exit status 1. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "visa.h"

static int failures = 0;

#define CHECK(call, expected)                                                                 \
    do {                                                                                      \
        const ViStatus got_ = (call);                                                         \
        if (got_ != (expected)) {                                                             \
            fprintf(stderr, "%s:%d: %s gave 0x%08X, not 0x%08X\n", __FILE__, __LINE__, #call, \
                    (unsigned)got_, (unsigned)(expected));                                    \
            ++failures;                                                                       \
        }                                                                                     \
    } while (0)

#define EXPECT(condition)                                                             \
    do {                                                                              \
        if (!(condition)) {                                                           \
            fprintf(stderr, "%s:%d: not true: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                               \
        }                                                                             \
    } while (0)

int main(void) {
    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
    ViSession other = VI_NULL;
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN];
    ViChar text[VI_FIND_BUFLEN];
    ViUInt16 type = 0;
    ViUInt16 board = 0;
    ViUInt16 word = 0;
    ViUInt16 words[3];
    ViUInt16 stb = 0;
    ViInt16 slot = 0;
    ViUInt32 got = 0;
    ViByte bytes[64];
    ViEventType event = 0;
    ViEvent context = VI_NULL;
    int serial = -1;
    ViChar key[VI_FIND_BUFLEN];

    CHECK(viOpenDefaultRM(&rm), VI_SUCCESS);
    CHECK(viFindRsrc(rm, "VXI?*INSTR", &list, &count, name), VI_SUCCESS);
    EXPECT(count == 1 && strcmp(name, "VXI0::24::INSTR") == 0);
    CHECK(viClose(list), VI_SUCCESS);
    CHECK(viFindNext(list, name), VI_ERROR_INV_OBJECT);
    CHECK(viParseRsrcEx(rm, "vxi::24", &type, &board, text, name, key), VI_SUCCESS);
    EXPECT(type == VI_INTF_VXI && board == 0 && strcmp(text, "INSTR") == 0);
    EXPECT(strcmp(name, "VXI0::24::INSTR") == 0);

    CHECK(viOpen(rm, "VXI0::24::INSTR", VI_NULL, 0, &vi), VI_SUCCESS);
    CHECK(viGetAttribute(vi, VI_ATTR_SLOT, &slot), VI_SUCCESS);
    EXPECT(slot == 24);
    CHECK(viSetAttribute(vi, VI_ATTR_SLOT, 3), VI_ERROR_ATTR_READONLY);
    CHECK(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 500), VI_SUCCESS);

    /* Formatted I/O: a query, then a reply read in two pieces. */
    text[0] = '\0';
    CHECK(viQueryf(vi, "*IDN?\n", "%t", text), VI_SUCCESS);
    EXPECT(strcmp(text, "ZENTRAX-MOLBURY,K3310,0,1.0\n") == 0);
    CHECK(viPrintf(vi, "*IDN?\n"), VI_SUCCESS);
    CHECK(viScanf(vi, "%[^,],", name), VI_SUCCESS);
    CHECK(viScanf(vi, "K%d", &serial), VI_SUCCESS);
    EXPECT(strcmp(name, "ZENTRAX-MOLBURY") == 0 && serial == 3310);
    CHECK(viPrintf(vi, "%y\n", 1), VI_ERROR_NSUP_FMT);

    /* Reads: a full buffer, the rest, a termination character. */
    CHECK(viWrite(vi, (const ViByte*)"*IDN?\n", 6, &got), VI_SUCCESS);
    CHECK(viRead(vi, bytes, 7, &got), VI_SUCCESS_MAX_CNT);
    EXPECT(got == 7 && memcmp(bytes, "ZENTRAX", 7) == 0);
    CHECK(viRead(vi, bytes, sizeof(bytes), &got), VI_SUCCESS);
    EXPECT(got == 21);
    CHECK(viSetAttribute(vi, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
    CHECK(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    CHECK(viWrite(vi, (const ViByte*)"*IDN?\n", 6, &got), VI_SUCCESS);
    CHECK(viRead(vi, bytes, sizeof(bytes), &got), VI_SUCCESS_TERM_CHAR);
    EXPECT(got == 16);
    CHECK(viClear(vi), VI_SUCCESS);
    CHECK(viSetAttribute(vi, VI_ATTR_TMO_VALUE, VI_TMO_IMMEDIATE), VI_SUCCESS);
    CHECK(viRead(vi, bytes, sizeof(bytes), &got), VI_ERROR_TMO);
    CHECK(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_FALSE), VI_SUCCESS);

    /* The VXI configuration registers. */
    CHECK(viIn16(vi, VI_A16_SPACE, 0x00, &word), VI_SUCCESS);
    EXPECT((word & 0x0FFF) == 0xFFF);
    CHECK(viMoveIn16(vi, VI_A16_SPACE, 0x00, 3, words), VI_SUCCESS);
    EXPECT(words[0] == word && (words[1] & 0x0FFF) == 0x154);
    CHECK(viIn16(vi, VI_A16_SPACE, 0x40, &word), VI_ERROR_INV_OFFSET);
    CHECK(viIn16(vi, VI_A24_SPACE, 0x00, &word), VI_ERROR_INV_SPACE);

    /* A second session to the same module, kept out by an exclusive lock. */
    CHECK(viOpen(rm, "VXI0::24::INSTR", VI_NULL, 0, &other), VI_SUCCESS);
    CHECK(viLock(vi, VI_EXCLUSIVE_LOCK, 0, VI_NULL, VI_NULL), VI_SUCCESS);
    CHECK(viLock(vi, VI_EXCLUSIVE_LOCK, 0, VI_NULL, VI_NULL), VI_SUCCESS_NESTED_EXCLUSIVE);
    CHECK(viPrintf(other, "*CLS\n"), VI_ERROR_RSRC_LOCKED);
    CHECK(viLock(other, VI_SHARED_LOCK, 20, VI_NULL, key), VI_ERROR_TMO);
    CHECK(viUnlock(vi), VI_SUCCESS_NESTED_EXCLUSIVE);
    CHECK(viUnlock(vi), VI_SUCCESS);
    CHECK(viUnlock(vi), VI_ERROR_SESN_NLOCKED);

    /* A service request when an input edge latches; the inputs step every 100 ms. */
    CHECK(viPrintf(other, "*CLS\n"), VI_SUCCESS);
    CHECK(viEnableEvent(vi, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    CHECK(viPrintf(vi, "*SRE 1\n"), VI_SUCCESS);
    CHECK(viWaitOnEvent(vi, VI_EVENT_SERVICE_REQ, 2000, &event, &context), VI_SUCCESS);
    EXPECT(event == VI_EVENT_SERVICE_REQ);
    CHECK(viClose(context), VI_SUCCESS);
    CHECK(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT((stb & 0x41) == 0x41);
    CHECK(viPrintf(vi, "*SRE 0\n"), VI_SUCCESS);
    CHECK(viPrintf(vi, "*CLS\n"), VI_SUCCESS);
    CHECK(viDisableEvent(vi, VI_EVENT_SERVICE_REQ, VI_ALL_MECH), VI_SUCCESS);

    CHECK(viClose(rm), VI_SUCCESS);
    CHECK(viClose(vi), VI_ERROR_INV_OBJECT);
    if (failures == 0) {
        puts("all VISA calls answered as expected");
    }
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
