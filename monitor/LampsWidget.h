#pragma once

#include <QWidget>

#include "monitor/LampStates.h"

// The 64 inputs as lamps in four rows, port 0 at the top, bit 15 at the left as logic tools
// show words, each labelled with its channel number. A lamp is lit for a high level; a small
// triangle up or down marks an edge, a ring a pulse caught between samples. Hovering a lamp
// tells channel, port, bit, level and the time of its last edge.
class CLampsWidget : public QWidget {
    Q_OBJECT
public:
    explicit CLampsWidget(QWidget* parent = nullptr);

    void SetStates(const CLampStates& states);
    const CLampStates& States() const { return m_states; }
    // The channel whose lamp is under a point, or -1.
    int ChannelAt(const QPoint& point) const;
    // The lamp's square.
    QRect LampRect(int channel) const;
    QString ToolTipText(int channel) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    CLampStates m_states;
    int m_tipChannel = -1;  // the lamp the open tip describes
    QPoint m_tipAt;
};
