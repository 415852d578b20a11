// The progress gauge: a blue bar from 0 to 100 with the percentage in the middle, drawn white
// over the bar and black beside it so that it reads at every value.
#pragma once

#include <QProgressBar>

class Gauge : public QProgressBar {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);

    // Values outside 0..100 are held at the nearer end (a plain QProgressBar would ignore them).
    void setProgress(long value);
    int progress() const { return value(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
