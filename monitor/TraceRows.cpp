#include "monitor/TraceRows.h"

std::vector<TraceRow> LayoutTraceRows(const std::vector<int>& channels, int rowHeight, int gap) {
    std::vector<TraceRow> rows;
    int top = 0;
    int port = -1;
    for (int channel : channels) {
        if (channel / 16 != port) {
            if (port >= 0) {
                top += gap;
            }
            port = channel / 16;
            rows.push_back(TraceRow{port, -1, top, rowHeight});
            top += rowHeight;
        }
        rows.push_back(TraceRow{port, channel, top, rowHeight});
        top += rowHeight;
    }
    return rows;
}

const TraceRow* FindTraceRow(const std::vector<TraceRow>& rows, int channel, int port) {
    for (const TraceRow& row : rows) {
        if (channel >= 0 ? row.channel == channel : (row.channel < 0 && row.port == port)) {
            return &row;
        }
    }
    return nullptr;
}

int TraceRowsHeight(const std::vector<TraceRow>& rows) {
    return rows.empty() ? 0 : rows.back().top + rows.back().height;
}
