#include "sim/core/StatusTable.h"

namespace sim {

namespace {

// Descriptions in this library's own words.
constexpr StatusInfo kStatuses[] = {
    {VI_SUCCESS, "VI_SUCCESS", "The operation completed successfully."},
    {VI_SUCCESS_TERM_CHAR, "VI_SUCCESS_TERM_CHAR",
     "The read stopped at the termination character."},
    {VI_SUCCESS_MAX_CNT, "VI_SUCCESS_MAX_CNT",
     "The read filled the buffer before the message ended."},
    {VI_SUCCESS_DEV_NPRESENT, "VI_SUCCESS_DEV_NPRESENT",
     "The session was opened, but the device does not answer at this address."},
    {VI_WARN_NULL_OBJECT, "VI_WARN_NULL_OBJECT", "The object given was the null session."},
    {VI_WARN_NSUP_ATTR_STATE, "VI_WARN_NSUP_ATTR_STATE",
     "The attribute value is not supported, but the request was accepted."},
    {VI_WARN_UNKNOWN_STATUS, "VI_WARN_UNKNOWN_STATUS", "There is no description of this status."},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR", "The VISA system failed."},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT", "The session or object reference is not valid."},
    {VI_ERROR_RSRC_LOCKED, "VI_ERROR_RSRC_LOCKED", "Another session holds a lock on the resource."},
    {VI_ERROR_INV_EXPR, "VI_ERROR_INV_EXPR", "The search expression is not valid."},
    {VI_ERROR_RSRC_NFOUND, "VI_ERROR_RSRC_NFOUND", "No resource matches the name or expression."},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME", "The resource name is not valid."},
    {VI_ERROR_INV_ACC_MODE, "VI_ERROR_INV_ACC_MODE", "The access mode is not valid."},
    {VI_ERROR_TMO, "VI_ERROR_TMO", "The operation did not complete before the time-out expired."},
    {VI_ERROR_NSUP_ATTR, "VI_ERROR_NSUP_ATTR", "The resource does not have this attribute."},
    {VI_ERROR_NSUP_ATTR_STATE, "VI_ERROR_NSUP_ATTR_STATE",
     "The attribute cannot take the value given."},
    {VI_ERROR_IO, "VI_ERROR_IO", "An unknown input/output error occurred."},
    {VI_ERROR_NSUP_OPER, "VI_ERROR_NSUP_OPER", "The session does not support this operation."},
    {VI_ERROR_CONN_LOST, "VI_ERROR_CONN_LOST", "The connection to the instrument was lost."},
    {VI_ERROR_ALLOC, "VI_ERROR_ALLOC", "There was not enough memory for the operation."},
    {VI_ERROR_LIBRARY_NFOUND, "VI_ERROR_LIBRARY_NFOUND",
     "A library this operation needs could not be loaded."},
    {VI_ERROR_USER_BUF, "VI_ERROR_USER_BUF", "A buffer given by the caller is not usable."},
    {VI_ERROR_RSRC_BUSY, "VI_ERROR_RSRC_BUSY", "The resource is busy."},
    {VI_ERROR_INV_PARAMETER, "VI_ERROR_INV_PARAMETER", "A parameter is not valid."},
    {VI_SUCCESS_EVENT_EN, "VI_SUCCESS_EVENT_EN", "The event was already enabled."},
    {VI_SUCCESS_EVENT_DIS, "VI_SUCCESS_EVENT_DIS", "The event was already disabled."},
    {VI_SUCCESS_QUEUE_EMPTY, "VI_SUCCESS_QUEUE_EMPTY", "There were no events to discard."},
    {VI_SUCCESS_QUEUE_NEMPTY, "VI_SUCCESS_QUEUE_NEMPTY", "More events wait in the queue."},
    {VI_SUCCESS_NESTED_SHARED, "VI_SUCCESS_NESTED_SHARED",
     "The session still holds a shared lock on the resource."},
    {VI_SUCCESS_NESTED_EXCLUSIVE, "VI_SUCCESS_NESTED_EXCLUSIVE",
     "The session still holds an exclusive lock on the resource."},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY", "The attribute can be read, not set."},
    {VI_ERROR_INV_LOCK_TYPE, "VI_ERROR_INV_LOCK_TYPE", "The lock type is not valid."},
    {VI_ERROR_INV_ACCESS_KEY, "VI_ERROR_INV_ACCESS_KEY", "The access key is not valid."},
    {VI_ERROR_INV_EVENT, "VI_ERROR_INV_EVENT", "The event type is not valid for this session."},
    {VI_ERROR_INV_MECH, "VI_ERROR_INV_MECH", "The event mechanism is not valid."},
    {VI_ERROR_HNDLR_NINSTALLED, "VI_ERROR_HNDLR_NINSTALLED",
     "No handler is installed for the event."},
    {VI_ERROR_INV_HNDLR_REF, "VI_ERROR_INV_HNDLR_REF", "The handler reference is not valid."},
    {VI_ERROR_NENABLED, "VI_ERROR_NENABLED", "The session is not enabled for the event."},
    {VI_ERROR_INV_FMT, "VI_ERROR_INV_FMT", "The format string does not fit its arguments."},
    {VI_ERROR_NSUP_FMT, "VI_ERROR_NSUP_FMT",
     "The format string holds a specifier this library does not support."},
    {VI_ERROR_INV_SPACE, "VI_ERROR_INV_SPACE", "The address space is not valid."},
    {VI_ERROR_INV_OFFSET, "VI_ERROR_INV_OFFSET", "The offset is not valid."},
    {VI_ERROR_INV_WIDTH, "VI_ERROR_INV_WIDTH", "The access width is not valid."},
    {VI_ERROR_INV_LENGTH, "VI_ERROR_INV_LENGTH", "The length is not valid."},
    {VI_ERROR_SESN_NLOCKED, "VI_ERROR_SESN_NLOCKED", "The session holds no lock on the resource."},
};

}  // namespace

const StatusInfo* FindStatus(ViStatus status) {
    for (const auto& info : kStatuses) {
        if (info.status == status) {
            return &info;
        }
    }
    return nullptr;
}

bool StatusFromName(const std::string& name, ViStatus* status) {
    for (const auto& info : kStatuses) {
        if (name == info.name) {
            *status = info.status;
            return true;
        }
    }
    return false;
}

}  // namespace sim
