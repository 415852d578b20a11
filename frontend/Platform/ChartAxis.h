// A numeric axis whose labels the layer writes itself (Qt's value axis knows only printf
// formats): round ticks labelled with ChartPatternText, rebuilt whenever the range changes, so
// zooming keeps the pattern.
#pragma once

#include <QCategoryAxis>

class PatternAxis : public QCategoryAxis {
    Q_OBJECT
public:
    explicit PatternAxis(QObject* parent = nullptr);

    // How many intervals fit; the view sets it from the axis length in pixels.
    void setMaxIntervals(int intervals);
    int maxIntervals() const { return maxIntervals_; }
    // A fixed distance between ticks instead (0: chosen from the range).
    void setFixedStep(double step);

    // The tick values now labelled, in rising order.
    const std::vector<double>& ticks() const { return ticks_; }

private:
    void relabel();

    int maxIntervals_ = 8;
    double fixedStep_ = 0.0;
    std::vector<double> ticks_;
    bool relabelling_ = false;
};
