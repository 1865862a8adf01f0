#include "monitor/TracePainter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "recording/Recording.h"

namespace {

const QColor kTrace(60, 230, 90);
const QColor kBusy(34, 130, 52);  // opaque: no blending per column
const QColor kPulse(255, 70, 70);
const QColor kBus(120, 190, 255);
const QColor kBusBusy(50, 90, 130);

}  // namespace

bool CTracePainter::KnownColumns(const TraceView& view, int* first, int* known) {
    // Columns after the last sample stay empty: nothing is known there yet.
    *known = static_cast<int>(std::min<double>(
        view.columns, std::ceil(static_cast<double>(view.endUs - view.startUs) / view.usPerPixel)));
    *first = static_cast<int>(std::max<double>(
        0, std::floor(static_cast<double>(view.firstUs - view.startUs) / view.usPerPixel)));
    return *known > *first;
}

unsigned CTracePainter::PortValueAt(const CRecording& recording, int port, std::int64_t us) {
    const std::vector<Sample>& stored = recording.Stored();
    const auto after =
        std::upper_bound(stored.begin(), stored.end(), us,
                         [](std::int64_t t, const Sample& sample) { return t < sample.timeUs; });
    if (after == stored.begin()) {
        return stored.empty() ? 0u : stored.front().value[static_cast<std::size_t>(port)];
    }
    return std::prev(after)->value[static_cast<std::size_t>(port)];
}

void CTracePainter::DrawChannel(QPainter& painter, const QRect& row, const CChannelTrack& track,
                                const TraceView& view) {
    int firstKnown = 0;
    int known = 0;
    if (!KnownColumns(view, &firstKnown, &known)) {
        return;
    }
    m_columns.resize(static_cast<std::size_t>(view.columns));
    track.Decimate(view.startUs, view.usPerPixel, known, m_columns.data());
    // Columns hold (start, end]: a pulse at the very start of the view, such as one the
    // history's first sample caught, belongs to the first column.
    const std::vector<std::int64_t>& pulses = track.Pulses();
    if (firstKnown == 0 && std::binary_search(pulses.begin(), pulses.end(), view.startUs)) {
        m_columns[0].pulse = true;
    }
    const int high = row.top() + 2;
    const int low = row.bottom() - 1;
    std::vector<QLine>& lines = m_lines;
    lines.clear();
    int runStart = firstKnown;
    int busyStart = -1;  // first column of a run of columns with several edges each
    int level =
        track.LevelAt(view.startUs + static_cast<std::int64_t>(firstKnown * view.usPerPixel));
    auto flush = [&](int end) {
        if (end > runStart) {
            const int y = level != 0 ? high : low;
            lines.emplace_back(row.left() + runStart, y, row.left() + end - 1, y);
        }
    };
    auto flushBusy = [&](int end) {
        if (busyStart >= 0) {
            painter.fillRect(QRect(row.left() + busyStart, high, end - busyStart, low - high + 1),
                             kBusy);
            busyStart = -1;
        }
    };
    // A column is busy with two edges or more, or with one beside another column's edge:
    // edges in every column would otherwise draw a solid bright block, darker than the same
    // trace at a higher density.
    auto edgesAt = [&](int i) {
        return i >= firstKnown && i < known ? m_columns[static_cast<std::size_t>(i)].edges : 0;
    };
    for (int i = firstKnown; i < known; ++i) {
        const ColumnState& column = m_columns[static_cast<std::size_t>(i)];
        if (column.edges >= 2 ||
            (column.edges == 1 && (edgesAt(i - 1) > 0 || edgesAt(i + 1) > 0))) {
            flush(i);
            if (busyStart < 0) {
                busyStart = i;
            }
        } else {
            flushBusy(i);
            if (column.edges == 0 && column.level == level) {
                continue;
            }
            flush(i);
            if (column.edges == 1) {
                lines.emplace_back(row.left() + i, high, row.left() + i, low);
            }
        }
        level = column.level;
        runStart = i + 1;
    }
    flushBusy(known);
    flush(known);
    painter.setPen(kTrace);
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    // Pulses caught between samples: a red diamond at their sample, drawn over the trace.
    painter.setBrush(kPulse);
    painter.setPen(Qt::NoPen);
    const int mid = (high + low) / 2;
    const int r = std::max(2, std::min(4, (low - high) / 2));
    for (int i = firstKnown; i < known; ++i) {
        if (m_columns[static_cast<std::size_t>(i)].pulse) {
            const int x = row.left() + i;
            const QPoint diamond[4] = {{x, mid - r}, {x + r, mid}, {x, mid + r}, {x - r, mid}};
            painter.drawPolygon(diamond, 4);
        }
    }
}

void CTracePainter::DrawBus(QPainter& painter, const QRect& row, const CRecording& recording,
                            int port, const TraceView& view) {
    int firstKnown = 0;
    int known = 0;
    if (!KnownColumns(view, &firstKnown, &known)) {
        return;
    }
    // The value at each column's end; a column whose start differs from the one before it
    // holds a change.
    m_values.resize(static_cast<std::size_t>(known + 1));
    for (int i = firstKnown; i < known; ++i) {
        const auto end = view.startUs + static_cast<std::int64_t>((i + 1) * view.usPerPixel);
        m_values[static_cast<std::size_t>(i)] = PortValueAt(recording, port, end);
    }
    const int high = row.top() + 2;
    const int low = row.bottom() - 1;
    const int mid = (high + low) / 2;
    const QFontMetrics metrics = painter.fontMetrics();
    int runStart = firstKnown;
    auto flushRun = [&](int end) {
        if (end <= runStart) {
            return;
        }
        const int left = row.left() + runStart;
        const int right = row.left() + end - 1;
        const bool dense = end - runStart <= 2 && runStart > firstKnown;
        if (dense) {
            painter.fillRect(QRect(left, high, right - left + 1, low - high + 1), kBusBusy);
            return;
        }
        painter.setPen(kBus);
        const int slant = std::min(2, (right - left) / 2);
        painter.drawLine(left + slant, high, right - slant, high);
        painter.drawLine(left + slant, low, right - slant, low);
        painter.drawLine(left, mid, left + slant, high);
        painter.drawLine(left, mid, left + slant, low);
        const QString text = QStringLiteral("%1").arg(m_values[static_cast<std::size_t>(runStart)],
                                                      4, 16, QLatin1Char('0'));
        if (metrics.horizontalAdvance(text) + 6 < right - left) {
            painter.drawText(QRect(left, row.top(), right - left + 1, row.height()),
                             Qt::AlignCenter, text.toUpper());
        }
    };
    for (int i = firstKnown + 1; i < known; ++i) {
        if (m_values[static_cast<std::size_t>(i)] != m_values[static_cast<std::size_t>(i - 1)]) {
            flushRun(i);
            runStart = i;
        }
    }
    flushRun(known);
}
