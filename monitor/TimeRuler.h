#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

// One tick of the ruler: its x in the ruler, whether it is a labelled major tick, and the label.
struct RulerTick {
    int x = 0;
    bool major = false;
    QString label;
};

// The ruler above the traces: ticks with times relative to the start of the history ("+200 ms")
// and the cursors' marks. It paints what the view hands it; the ticks come from a plain function.
class CTimeRuler : public QWidget {
    Q_OBJECT
public:
    explicit CTimeRuler(QWidget* parent = nullptr);

    // Ticks for a view that shows startUs at x 0 and usPerPixel per column, over width columns,
    // labelled relative to originUs. Major ticks are a 1, 2 or 5 step apart and at least
    // minSpacing pixels; each major interval has 4 or 5 minor ones.
    static std::vector<RulerTick> CalculateTickPositions(double startUs, double usPerPixel,
                                                         int width, double originUs,
                                                         int minSpacing);
    // "+200 ms", "+1.5 s", "+0 s": an offset in the unit of a tick step, as precise as it needs.
    static QString OffsetText(double offsetUs, double stepUs);

    void SetView(double startUs, double usPerPixel, double originUs);
    // The cursors' x positions (-1 for none), drawn as marks on the ruler.
    void SetCursorMarks(int a, int b);
    const std::vector<RulerTick>& Ticks() const { return m_ticks; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Recalculate();

    double m_startUs = 0;
    double m_usPerPixel = 1;
    double m_originUs = 0;
    int m_cursorA = -1;
    int m_cursorB = -1;
    std::vector<RulerTick> m_ticks;
};
