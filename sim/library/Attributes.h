#pragma once
// VISA's attributes: one table says which attribute applies to which kind of session, its
// width, whether it may be set and to what; viGetAttribute and viSetAttribute follow the table.

#include "sim/library/Transport.h"

namespace sim {

enum class AttributeType { U8, U16, I16, I32, U32, U64, Boolean, BusAddress, Text };
// Where a value is: the library's constant (initial), a session field (read, write), the
// transport's description, or a setting kept in the session (initial until set).
enum class AttributeSource { Library, Session, Transport, Setting };

struct AttributeRow {
    ViAttr id;
    unsigned columns;  // AttributeColumn bits of the sessions that have it
    AttributeType type;
    AttributeSource source;
    bool writable;
    ViAttrState low, high;  // what a set may give
    ViAttrState (*read)(const Session&);
    void (*write)(Session&, ViAttrState);
    ViAttrState initial;
    const char* traceName;  // as the trace shows a read; null: "other"
    bool traceSet;          // a set is traced too
    bool hidden;            // the library's own: a set answers as if unknown
};

class CAttributes {
public:
    explicit CAttributes(CLibraryState& state) : m_state(state) {}
    ViStatus Get(ViObject vi, ViAttr attribute, void* value);
    ViStatus Set(ViObject vi, ViAttr attribute, ViAttrState value);

    // Keeps a setting the library's own operations change though a client may only read it
    // (viSetBuf's buffer sizes); false when the session does not have the attribute.
    bool Keep(ViObject vi, ViAttr attribute, ViAttrState value);
    // A kept setting as the library's own operations read it (viReadToFile's append): not
    // traced as a client's read; the table's initial value for a session that is not open.
    ViAttrState Kept(ViObject vi, ViAttr attribute);

    // The table's row for an attribute; null when no session has it.
    static const AttributeRow* Row(ViAttr attribute);
    // The value of a kept setting (its initial value until set).
    static ViAttrState Setting(const Session& session, ViAttr attribute);

private:
    ViStatus GetLocked(LibraryLock& lock, ViObject vi, Session& session, ViAttr attribute,
                       void* value);
    CLibraryState& m_state;
};

}  // namespace sim
