#include "Platform/ChartPrinter.h"

#include "Platform/ChartView.h"

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

class SystemChartPrinter : public ChartPrinter {
public:
    void preview(QWidget* parent, ChartView& chart) override
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        QPrintPreviewDialog dialog(&printer, parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&chart](QPrinter* target) {
            QPainter painter(target);
            // The painter's origin is the corner of the printable area.
            const QRect page(QPoint(0, 0), target->pageLayout().paintRectPixels(target->resolution()).size());
            chart.renderTo(painter, page);
        });
        dialog.exec();
    }
};

}  // namespace

ChartPrinter& systemChartPrinter()
{
    static SystemChartPrinter printer;
    return printer;
}
