// Printing a chart goes through this interface, so tests never open a modal preview.
#pragma once

class ChartView;
class QWidget;

class ChartPrinter {
public:
    virtual ~ChartPrinter() = default;
    // Shows the print preview of the chart, modal; returns when it is closed.
    virtual void preview(QWidget* parent, ChartView& chart) = 0;
};

// The real print preview (Qt's preview dialog; without a printer it prints to PDF).
ChartPrinter& systemChartPrinter();
