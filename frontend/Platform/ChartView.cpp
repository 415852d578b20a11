#include "Platform/ChartView.h"

#include "Platform/ChartAxis.h"
#include "Platform/ChartFormat.h"

#include <QAreaSeries>
#include <QChart>
#include <QGraphicsItem>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QCoreApplication>
#include <QPieSeries>
#include <QPieSlice>
#include <QRubberBand>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Marker of the "points" style: a small cross in the series colour.
QImage CrossMarker(const QColor& color)
{
    const int size = 7;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QPen(color, 1));
    p.drawLine(0, size / 2, size - 1, size / 2);
    p.drawLine(size / 2, 0, size / 2, size - 1);
    return image;
}

constexpr int kThinningThresholdPerColumn = 4;

}  // namespace

// Drawing the layer does itself, over the chart: interval bars and the marks of bars.
class ChartOverlay : public QGraphicsItem {
public:
    ChartOverlay(ChartView* view, QGraphicsItem* parent) : QGraphicsItem(parent), view_(view)
    {
        setZValue(1000);
    }
    QRectF boundingRect() const override { return view_->chart()->rect(); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;
    void chartResized() { prepareGeometryChange(); }

private:
    ChartView* view_;
};

struct ChartView::Entry {
    std::unique_ptr<ChartSeries> series;
    QLineSeries* line = nullptr;
    QAreaSeries* area = nullptr;
    QLineSeries* upper = nullptr;
    QLineSeries* lower = nullptr;
    QPieSeries* pie = nullptr;
    QColor markerColor;
};

void ChartOverlay::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    QChart* chart = view_->chart();
    if (!view_->anchor_)
        return;
    const QRectF plot = chart->plotArea();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    QFont font = painter->font();
    font.setPixelSize(11);
    painter->setFont(font);
    const QFontMetricsF metrics(font);
    for (const auto& entry : view_->entries_) {
        const ChartSeries* s = entry->series.get();
        if (!s->isActive())
            continue;
        if (s->kind() == ChartSeries::Kind::Interval) {
            const auto* bars = static_cast<const IntervalSeries*>(s);
            painter->setClipRect(plot);
            for (int i = 0; i < bars->count(); ++i) {
                const QPointF a = chart->mapToPosition(QPointF(bars->start(i), bars->y(i)), view_->anchor_);
                const QPointF b = chart->mapToPosition(QPointF(bars->end(i), bars->y(i)), view_->anchor_);
                const double half = bars->thickness() / 2.0;
                QRectF rect(QPointF(std::min(a.x(), b.x()), a.y() - half), QPointF(std::max(a.x(), b.x()), a.y() + half));
                if (rect.width() < 1)
                    rect.setWidth(1);
                painter->setPen(QPen(Qt::black, 1));
                painter->setBrush(bars->barColor(i));
                painter->drawRect(rect);
                const QString label = bars->label(i);
                const QSizeF size = metrics.size(0, label);
                painter->setPen(Qt::black);
                painter->drawText(QPointF(rect.center().x() - size.width() / 2, rect.top() - 3), label);
            }
            painter->setClipping(false);
        } else if (s->kind() == ChartSeries::Kind::Bar) {
            const auto* bars = static_cast<const BarSeries*>(s);
            if (!bars->percentMarks())
                continue;
            painter->setPen(Qt::black);
            for (int i = 0; i < bars->count(); ++i) {
                if (bars->y(i) == 0.0)
                    continue;
                const QPointF top = chart->mapToPosition(QPointF(bars->x(i), bars->y(i)), view_->anchor_);
                if (!plot.adjusted(-1, -40, 1, 1).contains(top))
                    continue;
                const QString text = bars->markText(i);
                const QSizeF size = metrics.size(0, text);
                const QRectF box(top.x() - size.width() / 2 - 2, top.y() - size.height() - 4, size.width() + 4, size.height() + 2);
                painter->setBrush(QColor(255, 255, 225));
                painter->setPen(QPen(Qt::gray, 1));
                painter->drawRect(box);
                painter->setPen(Qt::black);
                painter->drawText(box, Qt::AlignCenter, text);
            }
        }
    }
    painter->restore();
}

ChartView::ChartView(QWidget* parent) : QChartView(new QChart(), parent)
{
    // OpenGL would leave the series out of render() (image export, printing).
    setRenderHint(QPainter::Antialiasing, false);
    setRubberBand(QChartView::NoRubberBand);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    QChart* c = chart();
    c->legend()->hide();
    c->setAnimationOptions(QChart::NoAnimation);
    c->setBackgroundRoundness(0);
    c->setDropShadowEnabled(false);
    c->setMargins(QMargins(4, 4, 8, 4));
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setPlotAreaBackgroundVisible(false);
    background_ = palette().color(QPalette::Button);
    c->setBackgroundBrush(background_);
    c->setBackgroundPen(Qt::NoPen);
    overlay_ = new ChartOverlay(this, c);
    connect(c, &QChart::plotAreaChanged, this, [this](const QRectF&) {
        updateTickDensity();
        updateThinning();
        overlay_->update();
    });
}

ChartView::~ChartView() = default;

LineSeries* ChartView::addLineSeries(const QString& name)
{
    auto entry = std::make_unique<Entry>();
    entry->series.reset(new LineSeries(this, name));
    ensureAxes();
    entry->line = new QLineSeries();
    entry->line->setName(name);
    chart()->addSeries(entry->line);
    entry->line->attachAxis(axisX_);
    entry->line->attachAxis(axisY_);
    auto* series = static_cast<LineSeries*>(entry->series.get());
    entries_.push_back(std::move(entry));
    seriesChanged();
    return series;
}

BarSeries* ChartView::addBarSeries(const QString& name)
{
    auto entry = std::make_unique<Entry>();
    entry->series.reset(new BarSeries(this, name));
    ensureAxes();
    entry->upper = new QLineSeries(this);
    entry->lower = new QLineSeries(this);
    entry->area = new QAreaSeries(entry->upper, entry->lower);
    entry->area->setName(name);
    chart()->addSeries(entry->area);
    entry->area->attachAxis(axisX_);
    entry->area->attachAxis(axisY_);
    auto* series = static_cast<BarSeries*>(entry->series.get());
    entries_.push_back(std::move(entry));
    seriesChanged();
    return series;
}

PieSeries* ChartView::addPieSeries(const QString& name)
{
    auto entry = std::make_unique<Entry>();
    entry->series.reset(new PieSeries(this, name));
    entry->pie = new QPieSeries();
    entry->pie->setName(name);
    entry->pie->setPieSize(0.5);
    entry->pie->setVerticalPosition(0.6);
    chart()->addSeries(entry->pie);
    auto* series = static_cast<PieSeries*>(entry->series.get());
    entries_.push_back(std::move(entry));
    seriesChanged();
    return series;
}

IntervalSeries* ChartView::addIntervalSeries(const QString& name)
{
    auto entry = std::make_unique<Entry>();
    entry->series.reset(new IntervalSeries(this, name));
    ensureAxes();
    auto* series = static_cast<IntervalSeries*>(entry->series.get());
    entries_.push_back(std::move(entry));
    seriesChanged();
    return series;
}

ChartSeries* ChartView::series(const QString& name) const
{
    for (const auto& e : entries_) {
        if (e->series->name() == name)
            return e->series.get();
    }
    return nullptr;
}

QStringList ChartView::seriesNames() const
{
    QStringList names;
    for (const auto& e : entries_)
        names << e->series->name();
    return names;
}

void ChartView::setTitle(const QString& text, const QFont& font)
{
    chart()->setTitle(text);
    chart()->setTitleFont(font);
    chart()->setTitleBrush(Qt::black);
}

QString ChartView::title() const
{
    return chart()->title();
}

void ChartView::setGridVisible(bool visible)
{
    grid_ = visible;
    if (axisX_) {
        axisX_->setGridLineVisible(visible);
        axisY_->setGridLineVisible(visible);
    }
}

void ChartView::setBackgroundColor(const QColor& color)
{
    background_ = color;
    chart()->setBackgroundBrush(color);
}

void ChartView::setAxisLabelsVisible(Qt::Orientation orientation, bool visible)
{
    ensureAxes();
    (orientation == Qt::Horizontal ? axisX_ : axisY_)->setLabelsVisible(visible);
}

void ChartView::setTickStep(Qt::Orientation orientation, double step)
{
    ensureAxes();
    (orientation == Qt::Horizontal ? axisX_ : axisY_)->setFixedStep(step);
}

void ChartView::ensureAxes()
{
    if (axisX_)
        return;
    axisX_ = new PatternAxis(this);
    axisY_ = new PatternAxis(this);
    for (PatternAxis* axis : {axisX_, axisY_}) {
        axis->setGridLineVisible(grid_);
        axis->setLabelsColor(Qt::black);
        axis->setLinePenColor(Qt::black);
        QPen gridPen(QColor(160, 160, 160));
        gridPen.setStyle(Qt::DotLine);
        axis->setGridLinePen(gridPen);
        axis->setMinorGridLineVisible(false);
    }
    chart()->addAxis(axisX_, Qt::AlignBottom);
    chart()->addAxis(axisY_, Qt::AlignLeft);
    anchor_ = new QLineSeries(this);
    anchor_->setPen(Qt::NoPen);
    chart()->addSeries(anchor_);
    anchor_->attachAxis(axisX_);
    anchor_->attachAxis(axisY_);
    connect(axisX_, &QValueAxis::rangeChanged, this, [this](qreal, qreal) {
        updateThinning();
        overlay_->update();
    });
    connect(axisY_, &QValueAxis::rangeChanged, this, [this](qreal, qreal) { overlay_->update(); });
    updateTickDensity();
}

void ChartView::seriesChanged()
{
    dirty_ = true;
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this]() {
        scheduled_ = false;
        if (dirty_)
            rebuild();
    });
}

void ChartView::sync()
{
    if (dirty_)
        rebuild();
    // A view that has not been shown yet has not laid out its viewport and chart at its size.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        QResizeEvent resize(size(), QSize());
        QCoreApplication::sendEvent(this, &resize);
        setAttribute(Qt::WA_PendingResizeEvent, false);
    }
    if (chart()->size() != QSizeF(viewport()->size())) {
        chart()->resize(viewport()->size());
        setSceneRect(chart()->geometry());
    }
    if (chart()->layout())
        chart()->layout()->activate();
}

void ChartView::applyLineStyle(Entry& e)
{
    const auto* s = static_cast<const LineSeries*>(e.series.get());
    QPen pen(s->color(), 1);
    if (!s->lineVisible())
        pen.setStyle(Qt::NoPen);
    e.line->setPen(pen);
    e.line->setColor(s->color());
    if (s->markersVisible()) {
        if (e.markerColor != s->color() || e.line->lightMarker().isNull()) {
            e.line->setLightMarker(CrossMarker(s->color()));
            e.markerColor = s->color();
        }
        e.line->setMarkerSize(7);
    } else if (!e.line->lightMarker().isNull()) {
        e.line->setLightMarker(QImage());
    }
}

QRectF ChartView::dataBounds() const
{
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    bool bars = false, marks = false, intervals = false;
    auto take = [&](double x, double y) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    };
    for (const auto& e : entries_) {
        const ChartSeries* s = e->series.get();
        if (!s->isActive() || s->count() == 0)
            continue;
        switch (s->kind()) {
        case ChartSeries::Kind::Line:
            for (const QPointF& p : static_cast<const LineSeries*>(s)->points())
                take(p.x(), p.y());
            break;
        case ChartSeries::Kind::Bar: {
            const auto* b = static_cast<const BarSeries*>(s);
            const double half = b->slotWidth() / 2;
            for (const QPointF& p : b->points()) {
                take(p.x() - half, p.y());
                take(p.x() + half, 0.0);
            }
            bars = true;
            marks = marks || b->percentMarks();
            break;
        }
        case ChartSeries::Kind::Interval: {
            const auto* b = static_cast<const IntervalSeries*>(s);
            for (int i = 0; i < b->count(); ++i) {
                take(b->start(i), b->y(i));
                take(b->end(i), b->y(i));
            }
            y0 = std::min(y0, 0.0);
            y1 += 1.0;
            intervals = true;
            break;
        }
        case ChartSeries::Kind::Pie:
            break;
        }
    }
    if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1))
        return QRectF(0, 0, 1, 1);
    if (intervals) {
        const double pad = x1 > x0 ? (x1 - x0) * 0.1 : 0.05;
        x0 -= pad;
        x1 += pad;
    }
    if (marks && y1 > 0)
        y1 *= 1.12;
    if (x1 == x0) {
        x0 -= 1;
        x1 += 1;
    }
    if (y1 == y0) {
        if (!bars)
            y0 -= 1;
        y1 += 1;
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

void ChartView::rebuild()
{
    dirty_ = false;
    for (auto& e : entries_) {
        ChartSeries* s = e->series.get();
        switch (s->kind()) {
        case ChartSeries::Kind::Line:
            e->line->setVisible(s->isActive());
            applyLineStyle(*e);
            break;
        case ChartSeries::Kind::Bar: {
            const auto* b = static_cast<const BarSeries*>(s);
            QList<QPointF> upper, lower;
            const double half = b->slotWidth() / 2;
            upper.reserve(4 * b->count());
            for (const QPointF& p : b->points()) {
                upper << QPointF(p.x() - half, 0) << QPointF(p.x() - half, p.y()) << QPointF(p.x() + half, p.y())
                      << QPointF(p.x() + half, 0);
            }
            if (!upper.isEmpty())
                lower << QPointF(upper.first().x(), 0) << QPointF(upper.last().x(), 0);
            e->upper->replace(upper);
            e->lower->replace(lower);
            e->area->setColor(s->color());
            e->area->setBorderColor(Qt::black);
            e->area->setVisible(s->isActive() && b->count() > 0);
            break;
        }
        case ChartSeries::Kind::Pie: {
            const auto* p = static_cast<const PieSeries*>(s);
            e->pie->clear();
            // Neighbouring thin slices would print their marks on top of each other: their arms
            // get longer in turn, so the marks stand apart.
            int thinRun = 0;
            for (int i = 0; i < p->count(); ++i) {
                auto* slice = new QPieSlice(p->markText(i), std::max(p->value(i), 0.0));
                slice->setBrush(p->sliceColor(i));
                slice->setBorderColor(QColor(64, 64, 64));
                slice->setLabelVisible(true);
                slice->setLabelColor(Qt::black);
                thinRun = p->percentage(i) < 6.0 ? thinRun + 1 : 0;
                slice->setLabelArmLengthFactor(thinRun > 0 ? 0.1 + 0.3 * ((thinRun - 1) % 4) : 0.1);
                e->pie->append(slice);
            }
            e->pie->setVisible(s->isActive());
            break;
        }
        case ChartSeries::Kind::Interval:
            break;
        }
    }
    if (axisX_) {
        const QRectF bounds = dataBounds();
        // New data shows everything; a change of style only keeps the zoom.
        const QRectF current(QPointF(axisX_->min(), axisY_->min()), QPointF(axisX_->max(), axisY_->max()));
        if (!isZoomed() || bounds != current) {
            chart()->zoomReset();
            axisX_->setRange(bounds.left(), bounds.right());
            axisY_->setRange(bounds.top(), bounds.bottom());
        }
    }
    updateThinning();
    overlay_->update();
}

void ChartView::updateThinning()
{
    if (!axisX_)
        return;
    const int columns = std::max(1, static_cast<int>(chart()->plotArea().width()));
    for (auto& e : entries_) {
        if (e->series->kind() != ChartSeries::Kind::Line)
            continue;
        const auto* s = static_cast<const LineSeries*>(e->series.get());
        if (!s->isActive()) {
            if (e->line->count() > 0)
                e->line->clear();
            continue;
        }
        const QList<QPointF>& all = s->points();
        if (all.size() <= kThinningThresholdPerColumn * columns)
            e->line->replace(all);
        else
            e->line->replace(ChartThinned(all, axisX_->min(), axisX_->max(), columns));
    }
}

void ChartView::updateTickDensity()
{
    if (!axisX_)
        return;
    const QRectF plot = chart()->plotArea();
    axisX_->setMaxIntervals(std::max(2, static_cast<int>(plot.width() / 70)));
    axisY_->setMaxIntervals(std::max(2, static_cast<int>(plot.height() / 40)));
}

bool ChartView::isZoomed() const
{
    return chart()->isZoomed();
}

void ChartView::zoomToRect(const QRect& viewRect)
{
    if (!axisX_)
        return;
    sync();
    const QRectF inChart = chart()->mapFromScene(mapToScene(viewRect).boundingRect()).boundingRect();
    const QRectF rect = inChart.intersected(chart()->plotArea());
    if (rect.width() < 1 || rect.height() < 1)
        return;
    chart()->zoomIn(rect);
}

void ChartView::unzoom()
{
    chart()->zoomReset();
    if (axisX_) {
        // zoomReset alone restores nothing when the range was set after the first zoom.
        const QRectF bounds = dataBounds();
        axisX_->setRange(bounds.left(), bounds.right());
        axisY_->setRange(bounds.top(), bounds.bottom());
    }
}

QImage ChartView::renderImage(const QColor& background)
{
    sync();
    QImage image(size(), QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    render(&painter);
    return image;
}

void ChartView::renderTo(QPainter& painter, const QRectF& target)
{
    sync();
    scene()->render(&painter, target, chart()->geometry(), Qt::KeepAspectRatio);
}

QPair<double, double> ChartView::axisRange(Qt::Orientation orientation) const
{
    const PatternAxis* axis = orientation == Qt::Horizontal ? axisX_ : axisY_;
    if (!axis)
        return {0.0, 0.0};
    return {axis->min(), axis->max()};
}

QStringList ChartView::axisLabels(Qt::Orientation orientation) const
{
    PatternAxis* axis = orientation == Qt::Horizontal ? axisX_ : axisY_;
    return axis ? axis->categoriesLabels() : QStringList();
}

ChartView::Entry* ChartView::entryOf(const ChartSeries* series) const
{
    for (const auto& e : entries_) {
        if (e->series.get() == series)
            return e.get();
    }
    return nullptr;
}

int ChartView::drawnPointCount(const LineSeries* series) const
{
    const Entry* e = entryOf(series);
    return e && e->line ? static_cast<int>(e->line->count()) : 0;
}

bool ChartView::drawnVisible(const ChartSeries* series) const
{
    const Entry* e = entryOf(series);
    if (!e)
        return false;
    if (e->line)
        return e->line->isVisible();
    if (e->area)
        return e->area->isVisible();
    if (e->pie)
        return e->pie->isVisible();
    return series->isActive();
}

void ChartView::mousePressEvent(QMouseEvent* event)
{
    if (zoomEnabled_ && event->button() == Qt::LeftButton) {
        dragging_ = true;
        bandOrigin_ = event->position().toPoint();
        if (!band_)
            band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
        band_->setGeometry(QRect(bandOrigin_, QSize()));
        band_->show();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void ChartView::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) {
        band_->setGeometry(QRect(bandOrigin_, event->position().toPoint()).normalized());
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        band_->hide();
        const QPoint end = event->position().toPoint();
        const QPoint d = end - bandOrigin_;
        if (d.x() > 3 && d.y() > 3)
            zoomToRect(QRect(bandOrigin_, end));
        else if (d.x() < -3 || d.y() < -3)
            unzoom();
        event->accept();
        return;
    }
    // No zoom-out on the right button: it opens the context menu.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void ChartView::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    overlay_->chartResized();
}
