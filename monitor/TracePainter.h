#pragma once

#include <QLine>
#include <QRect>
#include <cstdint>
#include <vector>

#include "recording/ChannelTrack.h"

class CRecording;
class QPainter;

// The part of time a paint shows: column i covers (startUs + i * usPerPixel, startUs + (i + 1)
// * usPerPixel], over columns columns; data is known from firstUs to endUs.
struct TraceView {
    std::int64_t startUs = 0;
    double usPerPixel = 1;
    int columns = 0;
    std::int64_t firstUs = 0;
    std::int64_t endUs = 0;
};

// Paints the rows of the diagram. A channel's trace asks its track for one state per column, a
// port's bus row looks up one stored sample per column, so a paint costs about one item per
// pixel column whatever the number of samples. Columns with several changes are shaded as one
// block, the same at every density.
class CTracePainter {
public:
    void DrawChannel(QPainter& painter, const QRect& row, const CChannelTrack& track,
                     const TraceView& view);
    void DrawBus(QPainter& painter, const QRect& row, const CRecording& recording, int port,
                 const TraceView& view);

    // The port's value at a time: that of the last stored sample at or before it.
    static unsigned PortValueAt(const CRecording& recording, int port, std::int64_t us);

private:
    // The columns with data, [first, known); false when there are none.
    static bool KnownColumns(const TraceView& view, int* first, int* known);

    std::vector<ColumnState> m_columns;
    std::vector<QLine> m_lines;
    std::vector<unsigned> m_values;
};
