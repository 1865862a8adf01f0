#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "monitor/TimeCursors.h"
#include "monitor/TracePainter.h"
#include "monitor/TraceRows.h"

class CRecording;
class CTimeRuler;
class CTraceNames;
class QScrollBar;

// The timing diagram as logic tools show one: a ruler of times from the start of the history,
// the traces grouped by port under a bus row with the port's value, each with its name in a
// column at the left, and a scroll bar when they do not fit. Whole fits the history and keeps
// fitting as it grows until the user zooms or pans; the wheel zooms about the pointer; +/-,
// Left/Right and Home zoom, pan and fit. A click places cursor A, a right or Shift click cursor
// B; both hold times. Ctrl+Right and Ctrl+Left move A to the selected channel's next or
// previous edge; Up and Down select the channel.
class CTimingDiagram : public QWidget {
    Q_OBJECT
public:
    explicit CTimingDiagram(QWidget* parent = nullptr);

    // Not owned; null shows nothing.
    void SetRecording(const CRecording* recording);
    void SetChannels(std::vector<int> channels);
    const std::vector<int>& Channels() const { return m_channels; }
    // New samples arrived: repaint, and keep fitting or following.
    void RecordingChanged();
    // The present time while sampling: traces are drawn on to it, their last level held.
    void SetNowUs(std::int64_t nowUs);
    // Where the drawn traces end: the last sample, or the present time when later.
    std::int64_t DataEndUs() const;

    std::int64_t VisibleStartUs() const { return m_startUs; }
    std::int64_t VisibleEndUs() const;
    double UsPerPixel() const { return m_usPerPixel; }
    bool IsFollowing() const { return m_follow; }
    bool IsFitting() const { return m_fit; }
    // Zooms by a factor (above 1 zooms in) keeping the time under x where it is.
    void ZoomAt(double factor, int x);
    void PanByPixels(int dx);
    // Shows the whole history and keeps doing so as it grows.
    void ZoomToAll();
    // Cursor A at an x position; -1 removes it.
    void SetCursorX(int x);
    std::int64_t CursorUs() const { return m_cursors.At(CTimeCursors::A); }
    const CTimeCursors& Cursors() const { return m_cursors; }
    void SetCursor(CTimeCursors::Which which, std::int64_t us);
    // The cursors' times, Δt and 1/Δt, and the four ports' values at A; empty without A.
    QString CursorText() const;
    // The time a trigger fired, marked across the traces; ClearTrigger removes the mark.
    void SetTriggerUs(std::int64_t us);
    void ClearTrigger();
    bool HasTrigger() const { return m_hasTrigger; }
    std::int64_t TriggerUs() const { return m_triggerUs; }
    int SelectedChannel() const { return m_selected; }
    void SelectChannel(int channel);
    // Moves cursor A to the selected channel's next (or previous) edge; false when none.
    bool JumpToEdge(bool forward);

    int TraceAreaLeft() const { return m_labelWidth; }
    int TraceWidth() const;
    // The rectangle of a shown channel's trace row as it is now scrolled, or an empty one.
    QRect RowRect(int channel) const;
    // The same for a port's bus row.
    QRect BusRect(int port) const;
    // Scrolls so that a channel's row is in view.
    void EnsureVisible(int channel);
    QScrollBar* VerticalScrollBar() const { return m_scroll; }
    CTimeRuler* Ruler() const { return m_ruler; }
    int RowHeight() const;
    const std::vector<TraceRow>& Rows() const { return m_rows; }
    const CRecording* Recording() const { return m_recording; }

    static constexpr double kMinUsPerPixel = 1.0;

signals:
    void CursorsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    double MaxUsPerPixel() const;
    void Clamp();
    void Relayout();
    void ViewChanged();
    int RulerHeight() const;
    int XOf(std::int64_t us) const;
    std::int64_t TimeAt(int x) const;
    QRect RowRectAt(const TraceRow& row) const;

    const CRecording* m_recording = nullptr;
    std::vector<int> m_channels;
    std::vector<TraceRow> m_rows;
    std::int64_t m_startUs = 0;
    std::int64_t m_nowUs = 0;
    double m_usPerPixel = 1000.0;
    bool m_follow = true;
    bool m_fit = true;
    int m_labelWidth = 64;
    int m_selected = 0;
    int m_dragX = -1;
    bool m_dragged = false;
    CTimeCursors m_cursors;
    bool m_hasTrigger = false;
    std::int64_t m_triggerUs = 0;
    CTracePainter m_painter;
    CTimeRuler* m_ruler = nullptr;
    CTraceNames* m_names = nullptr;
    QScrollBar* m_scroll = nullptr;
};
