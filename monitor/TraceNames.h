#pragma once

#include <QWidget>

class CTimingDiagram;

// The column of trace names at the diagram's left: "ch5" for a channel, "P0" for a port's bus
// row, each with its value at cursor A when there is one, the selected channel shaded. A click
// selects a channel; the wheel scrolls the rows.
class CTraceNames : public QWidget {
    Q_OBJECT
public:
    explicit CTraceNames(CTimingDiagram& diagram);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    CTimingDiagram& m_diagram;
};
