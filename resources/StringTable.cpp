#include "resources/StringTable.h"

#include <map>

namespace {

const std::map<unsigned, std::string>& Table() {
    static const std::map<unsigned, std::string> table = {
        {IDS_INSTRUMENT_REPORTS_ERROR, "Instrument reports error: %s"},
        {IDS_MAIN_PANEL, "Main Panel"},
        {IDS_TIME_OUT, "Time Out !"},
        {IDS_INSTRUMENT_ID, "ZENTRAX-MOLBURY,K3310"},
        {IDS_BAD_DRIVER_DLL, "Bad driver .dll file."},
        {IDR_MAINFRAME, "AQ K3310 64-Channel Isolated Input Interrupt Module"},
        {IDS_NO_DRIVER_DLL, "Could not find the instrument driver dll.  Creating non live panel."},
        {IDS_NO_VISA_DLL, "Could not find VISA.DLL.  Creating non live panel."},
        {IDS_DEFAULT_RM_FAILED, "Open of default RM failed, creating non live panel."},
        {IDS_INSTRUMENT_NOT_FOUND,
         "Did not find an AQ K3310 instrument.  Creating non live panel."},
        {IDS_SELECT_CANCELLED, "Cancel will create non live panel."},
        {IDS_INIT_FAILED, "Instrument  _init failed!  Creating non live panel."},
        {IDS_FURTHER_ERROR, "%d more entry of the instrument's error queue:"},
        {IDS_FURTHER_ERRORS, "%d more entries of the instrument's error queue:"},
        {IDS_ERROR_QUEUE_NOT_EMPTY,
         "The read-out stopped after %d entries; the queue still was not empty."},
        {AFX_IDS_APP_TITLE, "AQ K3310 Soft Front Panel"},
    };
    return table;
}

}  // namespace

const std::string& LoadString(unsigned id) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it != table.end() ? it->second : empty;
}
