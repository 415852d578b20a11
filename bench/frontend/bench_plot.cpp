// The plot window on long sample traces of 20 columns (12 sources): opening a window (load,
// first plot, summary), redrawing a column in each plot type, drawing the Summary page, and
// zooming into a long trace. Every figure includes drawing the charts into an image, since the
// user waits for the picture, not for the numbers.
//
//   bench_plot [--benchmark_filter=...]     runs headless (offscreen) unless told otherwise
#include "Platform/ChartView.h"
#include "Platform/Dialogs.h"
#include "Plotwin2/Plotwin2.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

class NoDialogs : public Dialogs {
public:
    void error(QWidget*, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    void message(QWidget*, const QString&, const QString&) override {}
    bool confirm(QWidget*, const QString&) override { return true; }
    QString openFile(QWidget*, const QString&, const QString&) override { return QString(); }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return QString(); }
    QString selectFolder(QWidget*, const QString&, const QString&) override { return QString(); }
};

constexpr int kSources = 12;

// A sample trace of `rows` lines in the engine's format: a wandering chain with model switches.
QString TraceFile(int rows)
{
    static QTemporaryDir dir;
    static std::map<int, QString> made;
    if (made.count(rows))
        return made[rows];
    const QString path = QDir(dir.path()).filePath(QStringLiteral("bench%1UP.out").arg(rows));
    std::setlocale(LC_NUMERIC, "C");
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "w");
    std::mt19937 random(20240611);
    std::normal_distribution<double> step(0.0, 1.0);
    double logL = -5230, w = 0.3, share[kSources];
    for (double& s : share)
        s = 1.0;
    int model = 3;
    for (int i = 1; i <= rows; ++i) {
        logL += 0.1 * (-5230 - logL) + 2 * step(random);
        w = std::clamp(w + 0.02 * step(random), 0.0, 1.0);
        if (random() % 50 == 0)
            model = 1 + static_cast<int>(random() % 9);
        double sum = 0;
        for (int s = 0; s < kSources; ++s) {
            share[s] = std::max(0.01, share[s] * std::exp(0.05 * step(random)));
            sum += share[s];
        }
        std::fprintf(f, "%6d   %10.6f   %10.6f %4d", 25 * i, logL, w, model);
        for (int c = 0; c < 4; ++c)
            std::fprintf(f, "   %11.6f", (c == 0 || c == 1) ? 0.5 + 0.1 * step(random) : 0.0);
        for (int s = 0; s < kSources; ++s)
            std::fprintf(f, "   %10.6f", share[s] / sum);
        std::fprintf(f, "\n");
    }
    std::fclose(f);
    made[rows] = path;
    return path;
}

NoDialogs dialogs;

void RenderDetails(TForm3& w)
{
    benchmark::DoNotOptimize(w.Chart1->renderImage().constBits());
}

void RenderSummary(TForm3& w)
{
    for (ChartView* c : {w.Chart2, w.Chart3, w.Chart4})
        benchmark::DoNotOptimize(c->renderImage().constBits());
}

// A new window on the file: measure, list, first plot (x1), summary, and both pages drawn.
void OpenWindow(benchmark::State& state)
{
    const QString file = TraceFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TForm3 w(file, nullptr, dialogs);
        RenderDetails(w);
        RenderSummary(w);
    }
    state.SetLabel("rows=" + std::to_string(state.range(0)));
}

// One redraw of the Details page (two passes over the file and the chart drawn).
void PlotColumn(benchmark::State& state, QRadioButton* TForm3::*type)
{
    const QString file = TraceFile(static_cast<int>(state.range(0)));
    TForm3 w(file, nullptr, dialogs);
    (w.*type)->setChecked(true);
    for (auto _ : state) {
        w.PlotColumn(3);
        RenderDetails(w);
    }
}

void DrawSummary(benchmark::State& state)
{
    const QString file = TraceFile(static_cast<int>(state.range(0)));
    TForm3 w(file, nullptr, dialogs);
    for (auto _ : state) {
        w.DrawSummary();
        RenderSummary(w);
    }
}

// Zooming into a tenth of the trace and back: the thinned copy is rebuilt each time.
void ZoomTrace(benchmark::State& state)
{
    const QString file = TraceFile(static_cast<int>(state.range(0)));
    TForm3 w(file, nullptr, dialogs);
    w.PlotColumn(3);
    ChartView& chart = *w.Chart1;
    chart.sync();
    const QRect all = chart.rect();
    for (auto _ : state) {
        chart.zoomToRect(QRect(all.left() + all.width() / 2, all.top() + 10, all.width() / 10, all.height() - 60));
        RenderDetails(w);
        chart.unzoom();
        RenderDetails(w);
    }
}

void Trace(benchmark::State& s) { PlotColumn(s, &TForm3::normal); }
void Mean(benchmark::State& s) { PlotColumn(s, &TForm3::mean); }
void Histogram(benchmark::State& s) { PlotColumn(s, &TForm3::histo); }
void Density(benchmark::State& s) { PlotColumn(s, &TForm3::density); }

BENCHMARK(OpenWindow)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(Trace)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Mean)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Histogram)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Density)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DrawSummary)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ZoomTrace)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
