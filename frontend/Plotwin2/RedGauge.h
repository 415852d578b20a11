// The gauge of the Summary page: a red bar on the button-face colour with its percentage.
#pragma once

#include "Platform/Gauge.h"

class RedGauge : public Gauge {
    Q_OBJECT
public:
    explicit RedGauge(QWidget* parent = nullptr) : Gauge(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};
