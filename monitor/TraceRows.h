#pragma once

#include <vector>

// One row of the diagram: a port's bus row (channel -1: the port's 16-bit value over time) or
// one channel's trace, at top within the rows, height high.
struct TraceRow {
    int port = 0;
    int channel = -1;
    int top = 0;
    int height = 0;
};

// The shown channels in the order given, grouped by port as logic tools group a bus with its
// bits: each run of channels of one port gets a bus row above it, and a gap parts two groups.
std::vector<TraceRow> LayoutTraceRows(const std::vector<int>& channels, int rowHeight, int gap);

// A channel's row (channel >= 0), or a port's bus row (channel -1); null when not shown.
const TraceRow* FindTraceRow(const std::vector<TraceRow>& rows, int channel, int port);

// The height all rows take.
int TraceRowsHeight(const std::vector<TraceRow>& rows);
