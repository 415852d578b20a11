// The documentation's pictures of the plot window, taken from a real window when asked:
//
//   xvfb-run -a env QT_QPA_PLATFORM=xcb ORVANTA_PLOT_SCREENSHOTS=docs ORVANTA_PLOT_FILE=outputUP.out
//       test_frontend_Plotwin2 --gtest_filter=PlotScreenshots.*
//
// writes plot-trace.png, plot-histogram.png and plot-summary.png; skipped otherwise.
#include "FakePlotServices.h"
#include "Plotwin2/Plotwin2.h"

#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(60);
    }
}

TEST(PlotScreenshots, OfATraceAHistogramAndTheSummary)
{
    const QString folder = qEnvironmentVariable("ORVANTA_PLOT_SCREENSHOTS");
    const QString file = qEnvironmentVariable("ORVANTA_PLOT_FILE");
    if (folder.isEmpty() || file.isEmpty())
        GTEST_SKIP() << "set ORVANTA_PLOT_SCREENSHOTS and ORVANTA_PLOT_FILE to take the pictures";
    FakePlotDialogs dialogs;
    FakePrinter printer;
    TForm3 w(file, nullptr, dialogs, &printer);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The mating tendency w: the column with the most telling trace.
    w.xi->setCurrentIndex(2);
    w.xiChange();
    Settle();
    const QDir out(folder);
    EXPECT_TRUE(w.grab().save(out.filePath("plot-trace.png")));
    w.histo->setChecked(true);
    Settle();
    EXPECT_TRUE(w.grab().save(out.filePath("plot-histogram.png")));
    w.Pages->setCurrentWidget(w.Summary);
    Settle();
    EXPECT_TRUE(w.grab().save(out.filePath("plot-summary.png")));
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

}  // namespace
