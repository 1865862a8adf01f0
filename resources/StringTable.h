#pragma once

#include <string>

// String-table ids of the texts the program shows.
enum : unsigned {
    IDS_INSTRUMENT_REPORTS_ERROR = 1,
    IDS_MAIN_PANEL = 7,
    IDS_TIME_OUT = 8,
    IDS_INSTRUMENT_ID = 12,
    IDS_BAD_DRIVER_DLL = 14,
    IDR_MAINFRAME = 109,
    IDS_NO_DRIVER_DLL = 1064,
    IDS_NO_VISA_DLL = 1065,
    IDS_DEFAULT_RM_FAILED = 1066,
    IDS_INSTRUMENT_NOT_FOUND = 1067,
    IDS_SELECT_CANCELLED = 1068,
    IDS_INIT_FAILED = 1069,
    IDS_FURTHER_ERROR = 1070,
    IDS_FURTHER_ERRORS = 1071,
    IDS_ERROR_QUEUE_NOT_EMPTY = 1072,
    AFX_IDS_APP_TITLE = 57344,
};

// The text of a string-table entry; the empty text for an id that has none.
const std::string& LoadString(unsigned id);
