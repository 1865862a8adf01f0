#pragma once

#include <QLine>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "recording/ChannelTrack.h"

class CRecording;

// One trace per channel (all 64 or a chosen subset), time running left to right. While it
// follows, the newest sample is at the right edge. The wheel and the +/- keys zoom from the
// whole recording down to a microsecond per pixel, dragging pans, and a click places a cursor
// that reads the time and the levels under it. A paint asks each track for one state per
// pixel column, so its cost follows the width, not the number of samples.
class CTimingDiagram : public QWidget {
    Q_OBJECT
public:
    explicit CTimingDiagram(QWidget* parent = nullptr);

    // Not owned; null shows nothing.
    void SetRecording(const CRecording* recording);
    void SetChannels(std::vector<int> channels);
    const std::vector<int>& Channels() const { return m_channels; }
    // New samples arrived: repaint, and keep the newest at the right while following.
    void RecordingChanged();
    // The present time while sampling: traces are drawn on to it, their last level held.
    void SetNowUs(std::int64_t nowUs);
    // Where the drawn traces end: the last sample, or the present time when later.
    std::int64_t DataEndUs() const;

    std::int64_t VisibleStartUs() const { return m_startUs; }
    std::int64_t VisibleEndUs() const;
    double UsPerPixel() const { return m_usPerPixel; }
    bool IsFollowing() const { return m_follow; }
    // Zooms by a factor (above 1 zooms in) keeping the time under x where it is.
    void ZoomAt(double factor, int x);
    void PanByPixels(int dx);
    // Shows the whole recording and follows it again.
    void ZoomToAll();
    // The cursor at an x position; -1 removes it.
    void SetCursorX(int x);
    std::int64_t CursorUs() const;
    // What the cursor reads: its time and the four ports' values there, or empty without one.
    QString CursorText() const;
    int TraceAreaLeft() const;
    // The rectangle of a shown channel's trace row, or an empty one.
    QRect RowRect(int channel) const;

    static constexpr double kMinUsPerPixel = 1.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int TraceWidth() const;
    double MaxUsPerPixel() const;
    void Clamp();
    void DrawTrace(QPainter& painter, const QRect& row, int channel);

    const CRecording* m_recording = nullptr;
    std::vector<int> m_channels;
    std::int64_t m_startUs = 0;
    std::int64_t m_nowUs = 0;
    double m_usPerPixel = 1000.0;
    bool m_follow = true;
    int m_cursorX = -1;
    int m_dragX = -1;
    bool m_dragged = false;
    std::vector<ColumnState> m_columns;  // reused by every paint
    std::vector<QLine> m_lines;
};
