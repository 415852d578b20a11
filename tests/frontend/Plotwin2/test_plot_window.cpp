#include "FakePlotServices.h"
#include "PlotFixtures.h"
#include "Platform/Gauge.h"
#include "Plotwin2/Plotwin2.h"
#include "Plotwin2/SpinEdit.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// n rows; x1 runs 1, 2, 3, ...; w = 0.3 everywhere; model 3 in the first half, 9 after.
std::vector<UpRow> RisingRows(int n)
{
    std::vector<UpRow> rows;
    for (int i = 1; i <= n; ++i) {
        UpRow r;
        r.iteration = 25 * i;
        r.w = 0.3;
        r.model = i <= n / 2 ? 3 : 9;
        r.coefficients = {0.5, -0.25, r.model == 9 ? 1.0 : 0.0, 0.0};
        r.x = {static_cast<double>(i), 0.5};
        rows.push_back(r);
    }
    return rows;
}

class PlotWindow : public ::testing::Test {
protected:
    TForm3& open(const QString& path)
    {
        window_ = std::make_unique<TForm3>(path, nullptr, dialogs_, &printer_);
        return *window_;
    }
    TForm3& shown(const QString& path)
    {
        TForm3& w = open(path);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }

    TempFiles files_;
    FakePlotDialogs dialogs_;
    FakePrinter printer_;
    std::unique_ptr<TForm3> window_;
};

TEST_F(PlotWindow, OpensOnAUpFile)
{
    const QString path = FixturePath("up3.out");
    TForm3& w = open(path);
    EXPECT_EQ(w.windowTitle(), "Plot: " + path);
    EXPECT_EQ(w.DataFileName, path);
    EXPECT_EQ(w.size(), QSize(801, 815));
    EXPECT_EQ(w.Pages->currentWidget(), w.Details);
    EXPECT_TRUE(w.UP->isChecked());
    EXPECT_EQ(w.RowCount, 10);
    EXPECT_EQ(w.SourceCount, 3);
    EXPECT_EQ(Items(w.xi), (QStringList{"Iteration", "Log likelihood", "w", "Model", "Loglinear 1", "Loglinear 2",
                                        "Loglinear 3", "Loglinear 4", "x1", "x2", "x3"}));
    EXPECT_EQ(w.xi->currentText(), "x1");
    for (QWidget* hidden : std::initializer_list<QWidget*>{w.Locus, w.Allele, w.Llocus, w.Lallele})
        EXPECT_TRUE(hidden->isHidden());
    EXPECT_FALSE(w.xi->isHidden());
    // The first plot is x1 as a trace, with its statistics.
    EXPECT_TRUE(w.Serie->isActive());
    EXPECT_FALSE(w.histogram->isActive());
    ASSERT_EQ(w.Serie->count(), 10);
    EXPECT_EQ(w.Serie->y(0), 0.512345);
    EXPECT_EQ(w.Serie->x(9), 9);
    EXPECT_EQ(w.min->text(), "0.512345");
    EXPECT_EQ(w.max->text(), "0.55");
    // And the summary page is drawn.
    EXPECT_EQ(w.pie->count(), 3);
    EXPECT_EQ(w.hpdis->count(), 3);
    EXPECT_EQ(w.model->count(), 9);
    EXPECT_EQ(w.mModel->toPlainText().split('\n').value(1), "  Constant and G1 (3)");
    EXPECT_EQ(w.wgauge->progress(), 29);  // fewer than 20 values: the mode is the smallest, 0.295
}

TEST_F(PlotWindow, ControlsAsDesigned)
{
    TForm3& w = open(FixturePath("up3.out"));
    struct Caption {
        const char* name;
        QString text;
    };
    const Caption captions[] = {
        {"UP", "UP"}, {"NP", "NP"}, {"source", "Allele freq."}, {"none", "None"},
        {"normal", "Trace"}, {"mean", "Mean"}, {"histo", "Histogram:"}, {"density", "Density"},
        {"col", "Column to plot :"}, {"Llocus", "Locus: "}, {"Lallele", "Allele:"},
        {"LCutin", "Burn-in:"}, {"LCutout", "Burn-out:"},
        {"Lm", "Mean: "}, {"Lvar", "Variance: "}, {"Lmin", "Min: "}, {"Lmax", "Max:"}, {"Lmode", "Mode:"},
        {"LHPDI", "HPDI:"}, {"Lwidth", "Width:"}, {"Llevel", "Level:"}, {"Lpercent", "%"},
        {"Label3", "Tendancy w for individuals from the"}, {"Label4", "same colony to mate together:"},
    };
    for (const Caption& c : captions) {
        QWidget* widget = w.findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(widget))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            text = l->text();
        EXPECT_EQ(text, c.text) << c.name;
    }
    EXPECT_EQ(w.PlotGroup->title(), " Plot: ");
    EXPECT_EQ(w.RangeGroup->title(), " Data range: ");
    EXPECT_EQ(w.TypeGroup->title(), " Plot type: ");
    EXPECT_EQ(w.StatsGroup->title(), " Statistics: ");
    EXPECT_EQ(w.Pages->tabText(0), "Details");
    EXPECT_EQ(w.Pages->tabText(1), "Summary");
    EXPECT_EQ(w.Cutin->text(), "0");
    EXPECT_EQ(w.Cutout->text(), "0");
    EXPECT_EQ(w.nb_histo->text(), "30");
    EXPECT_FALSE(w.nb_histo->isEnabled());
    EXPECT_EQ(w.Cpc->text(), "95");
    for (QSlider* s : {w.Tburnin, w.Tburnout}) {
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 100);
        EXPECT_EQ(s->tickInterval(), 5);
        EXPECT_EQ(s->value(), 0);
    }
    EXPECT_EQ(w.xi->maxVisibleItems(), 15);
    EXPECT_EQ(w.Locus->maxVisibleItems(), 10);
    EXPECT_EQ(w.Allele->maxVisibleItems(), 12);
    EXPECT_TRUE(w.normal->isChecked());
    for (QLineEdit* f : {w.m, w.var, w.min, w.max, w.mode, w.HPDI, w.width})
        EXPECT_TRUE(f->isReadOnly());
    EXPECT_EQ(w.Chart1->seriesNames(), (QStringList{"Serie", "histogram"}));
    EXPECT_EQ(w.Chart2->series("pie"), w.pie);
    EXPECT_EQ(w.Chart3->series("model"), w.model);
    EXPECT_EQ(w.Chart4->series("hpdis"), w.hpdis);
    EXPECT_EQ(w.Chart3->title(), "Posterior model probability");
    EXPECT_EQ(w.Chart4->title(), "95% HPDI for xi");
    EXPECT_EQ(w.Serie->color(), QColor(255, 0, 0));
    EXPECT_FALSE(w.Serie->markersVisible());

    EXPECT_EQ(w.Save->text(), "Save graph as...");
    EXPECT_EQ(w.Save->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(w.Open->text(), "Open data file");
    EXPECT_EQ(w.Open->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(w.Print->text(), "Print graph");
    EXPECT_EQ(w.Print->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(w.Refresh1->text(), "Refresh (F5)");
    EXPECT_EQ(w.Refresh1->shortcut(), QKeySequence("F5"));
    EXPECT_EQ(w.File1->title(), "File");

    struct Group {
        QMenu* menu;
        QString title;
        QStringList items;
    };
    const Group groups[] = {
        {w.Color1, "Color", {"Red", "Black", "Blue", "Green", "Gray"}},
        {w.Backgroundcolor1, "Background color", {"None (grey)", "White"}},
        {w.Grid1, "Grid", {"On", "Off"}},
        {w.Style1, "Style", {"Lines", "Points", "Both"}},
    };
    for (const Group& g : groups) {
        EXPECT_EQ(g.menu->title(), g.title);
        QStringList items;
        for (QAction* a : g.menu->actions())
            items << a->text();
        EXPECT_EQ(items, g.items);
        EXPECT_TRUE(g.menu->actions().first()->isChecked()) << g.title.toStdString();
    }
}

TEST_F(PlotWindow, LayoutAndResizing)
{
    TForm3& w = open(FixturePath("up3.out"));
    EXPECT_EQ(w.Chart1->size(), QSize(801 - 55, 815 - 285));
    EXPECT_EQ(w.Pages->size(), QSize(801 - 8, 815 - 54));
    EXPECT_EQ(w.PlotGroup->geometry(), QRect(73, 8, 265, 89));
    EXPECT_EQ(w.RangeGroup->geometry(), QRect(73, 104, 265, 81));
    EXPECT_EQ(w.TypeGroup->geometry(), QRect(346, 34, 137, 121));
    EXPECT_EQ(w.StatsGroup->geometry(), QRect(491, 16, 220, 159));
    EXPECT_EQ(w.Chart1->pos(), QPoint(24, 188));
    EXPECT_EQ(w.Chart2->geometry(), QRect(0, 16, 513, 329));
    EXPECT_EQ(w.Chart3->geometry(), QRect(396, 376, 386, 321));
    EXPECT_EQ(w.Chart4->geometry(), QRect(3, 392, 401, 289));
    EXPECT_EQ(w.mModel->geometry(), QRect(496, 144, 273, 209));

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize chart = w.Chart1->size();
    const QSize pages = w.Pages->size();
    w.resize(w.size() + QSize(100, 40));
    QApplication::processEvents();
    EXPECT_EQ(w.Chart1->size(), chart + QSize(100, 40));
    EXPECT_EQ(w.Pages->size(), pages + QSize(100, 40));
    EXPECT_EQ(w.Chart3->size(), QSize(386, 321));  // the summary charts keep their size
}

TEST_F(PlotWindow, MissingFileGivesAWindowWithNothingLoaded)
{
    TForm3& w = open("/nonexistent/outputUP.out");
    EXPECT_EQ(w.windowTitle(), "Plot: /nonexistent/outputUP.out");
    EXPECT_EQ(w.xi->count(), 0);
    EXPECT_EQ(w.Serie->count(), 0);
    EXPECT_TRUE(dialogs_.errors.isEmpty());
}

TEST_F(PlotWindow, NpNamesAndTheSummaryKeepsWhatItShowed)
{
    TForm3& w = open(FixturePath("up3.out"));
    dialogs_.openToReturn = FixturePath("np13.out");
    w.OpenClick();
    const QString summary = w.mModel->toPlainText();
    EXPECT_EQ(w.windowTitle(), "Plot: " + FixturePath("np13.out"));
    // Still read as UP: 13 columns give x1 to x5.
    EXPECT_EQ(w.xi->itemText(12), "x5");
    w.NP->setChecked(true);
    const QStringList names = Items(w.xi);
    ASSERT_EQ(names.size(), 13);
    EXPECT_EQ(names.mid(0, 4), (QStringList{"x dir. var", "Alphax1", "Alphax2", "Alphax3"}));
    EXPECT_EQ(names[4], "Scalar1");
    EXPECT_EQ(names[12], "Scalar9");
    EXPECT_EQ(w.xi->currentIndex(), 0);
    ASSERT_EQ(w.Serie->count(), 4);
    EXPECT_EQ(w.Serie->y(0), 0.5);  // column 1
    w.Pages->setCurrentIndex(1);
    w.Refresh1Click();  // F5 with NP checked leaves the summary alone
    EXPECT_EQ(w.mModel->toPlainText(), summary);
    EXPECT_EQ(w.pie->count(), 5);  // drawn when np13.out was opened as UP, kept since
    w.none->setChecked(true);
    EXPECT_EQ(Items(w.xi).mid(0, 3), (QStringList{"1", "2", "3"}));
}

TEST_F(PlotWindow, AlleleFrequencyColumnsByLocusAndAllele)
{
    TForm3& w = open(FixturePath("up3.out"));
    dialogs_.openToReturn = FixturePath("p_4_6.out");
    w.OpenClick();
    w.source->setChecked(true);
    EXPECT_TRUE(w.xi->isHidden());
    EXPECT_TRUE(w.col->isHidden());
    EXPECT_FALSE(w.Locus->isHidden());
    EXPECT_FALSE(w.Allele->isHidden());
    EXPECT_EQ(w.LocusAlleleCounts, (std::vector<int>{4, 6}));
    EXPECT_EQ(Items(w.Locus), (QStringList{"1", "2"}));
    EXPECT_EQ(Items(w.Allele), (QStringList{"1", "2", "3", "4"}));
    ASSERT_EQ(w.Serie->count(), 3);
    EXPECT_EQ(w.Serie->y(0), 0.251);  // column 3

    w.Locus->setCurrentIndex(1);
    w.LocusChange();
    EXPECT_EQ(Items(w.Allele), (QStringList{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(w.Serie->y(0), 0.267667);  // column 8
    w.Allele->setCurrentIndex(5);
    w.AlleleChange();
    EXPECT_EQ(w.Serie->y(0), 0.272667);  // column 13
    w.Refresh1Click();
    EXPECT_EQ(w.Serie->y(0), 0.272667);

    // Back to UP: the column list comes back.
    w.UP->setChecked(true);
    EXPECT_FALSE(w.xi->isHidden());
    EXPECT_TRUE(w.Locus->isHidden());
}

TEST_F(PlotWindow, DataRangeEditsAndSliders)
{
    TForm3& w = shown(files_.writeUp("runUP.out", RisingRows(1000)));
    ASSERT_EQ(w.RowCount, 1000);
    w.Cutin->setText("2000");
    EXPECT_EQ(w.Cutin->text(), "998");
    EXPECT_EQ(w.Tburnin->value(), 99);
    w.Cutin->setText("100");
    EXPECT_EQ(w.Tburnin->value(), 10);
    // The code moving a slider writes nothing.
    w.Tburnout->setValue(30);
    EXPECT_EQ(w.Cutout->text(), "0");
    // The user moving it does.
    w.Tburnin->setFocus();
    ASSERT_TRUE(w.Tburnin->hasFocus());
    w.Tburnin->setValue(50);
    EXPECT_EQ(w.Cutin->text(), "500");
    EXPECT_EQ(w.Tburnin->value(), 50);

    w.Cutin->setText("100");
    w.Cutout->setText("50");
    w.Refresh1Click();
    ASSERT_EQ(w.Serie->count(), 850);
    EXPECT_EQ(w.Serie->y(0), 101);
    EXPECT_EQ(w.Serie->y(849), 950);
    EXPECT_EQ(w.Serie->x(849), 849);
}

TEST_F(PlotWindow, KeyFiltersAndSpinEditLimits)
{
    TForm3& w = shown(FixturePath("up3.out"));
    w.Cutin->clear();
    QTest::keyClicks(w.Cutin, "1a2-");
    EXPECT_EQ(w.Cutin->text(), "8");  // the letter and the minus are dropped; 12 is clamped to 10 - 2
    w.Cutin->setText("5");
    QTest::keyClick(w.Cutin, Qt::Key_Backspace);
    EXPECT_EQ(w.Cutin->text(), "");

    w.histo->setChecked(true);
    EXPECT_TRUE(w.nb_histo->isEnabled());
    w.nb_histo->setFocus();
    w.nb_histo->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(w.nb_histo, "25x0");
    EXPECT_EQ(w.nb_histo->text(), "200");
    w.nb_histo->setText("1");
    w.Cpc->setFocus();  // leaving the spin edit puts it back to its minimum
    EXPECT_EQ(w.nb_histo->text(), "2");
    w.Cpc->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(w.Cpc, "150");
    EXPECT_EQ(w.Cpc->text(), "99");
}

TEST_F(PlotWindow, PlotTypes)
{
    std::vector<double> values;
    for (int i = 0; i <= 100; ++i)
        values.push_back(i / 100.0);
    TForm3& w = open(files_.writeColumn("c.out", values));
    w.none->setChecked(true);
    ASSERT_EQ(w.Serie->count(), 101);

    w.histo->setChecked(true);
    EXPECT_TRUE(w.nb_histo->isEnabled());
    EXPECT_TRUE(w.histogram->isActive());
    EXPECT_FALSE(w.Serie->isActive());
    ASSERT_EQ(w.histogram->count(), 30);
    EXPECT_EQ(w.histogram->x(0), 0);
    EXPECT_NEAR(w.histogram->x(29), 1, 1e-12);
    w.nb_histo->setText("");
    w.Refresh1Click();
    EXPECT_EQ(w.histogram->count(), 2);  // an empty text reads as the minimum
    EXPECT_EQ(w.nb_histo->text(), "2");

    w.density->setChecked(true);
    EXPECT_FALSE(w.nb_histo->isEnabled());
    ASSERT_EQ(w.Serie->count(), 50);
    EXPECT_EQ(w.Serie->x(0), 0);
    EXPECT_NEAR(w.Serie->x(49), 1, 1e-12);
    EXPECT_EQ(w.histogram->count(), 0);

    w.mean->setChecked(true);
    ASSERT_EQ(w.Serie->count(), 101);
    EXPECT_NEAR(w.Serie->y(100), 0.5, 1e-12);
    // The statistics describe the column, whatever is drawn.
    EXPECT_EQ(w.m->text(), "0.5");
    EXPECT_EQ(w.min->text(), "0");
    EXPECT_EQ(w.max->text(), "1");
    EXPECT_FALSE(w.HPDI->text().isEmpty());
}

TEST_F(PlotWindow, ContextMenuActsOnChart1AndSurvivesRedrawsAndLoads)
{
    TForm3& w = shown(FixturePath("up3.out"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100), w.Chart1->viewport()->mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(w.Chart1->viewport(), &event);
    EXPECT_TRUE(w.PopupMenu1->isVisible());
    w.PopupMenu1->hide();

    w.histo->setChecked(true);
    w.Line_Blue->trigger();
    EXPECT_TRUE(w.Line_Blue->isChecked());
    EXPECT_FALSE(w.Line_Red->isChecked());
    EXPECT_EQ(w.histogram->color(), QColor(0, 0, 255));
    const QImage bars = w.Chart1->renderImage();
    int blue = 0, red = 0;
    for (int y = 0; y < bars.height(); ++y) {
        for (int x = 0; x < bars.width(); ++x) {
            blue += bars.pixel(x, y) == qRgb(0, 0, 255);
            red += bars.pixel(x, y) == qRgb(255, 0, 0);
        }
    }
    EXPECT_GT(blue, 1000);
    EXPECT_EQ(red, 0);
    w.normal->setChecked(true);
    EXPECT_EQ(w.Serie->color(), QColor(0, 0, 255));

    w.Points->trigger();
    EXPECT_TRUE(w.Serie->markersVisible());
    EXPECT_FALSE(w.Serie->lineVisible());
    w.Both->trigger();
    EXPECT_TRUE(w.Serie->markersVisible());
    EXPECT_TRUE(w.Serie->lineVisible());
    w.Points->trigger();

    w.Grid_Off->trigger();
    EXPECT_FALSE(w.Chart1->gridVisible());
    w.Back_White->trigger();
    EXPECT_EQ(w.Chart1->backgroundColor(), QColor(255, 255, 255));
    EXPECT_NE(w.Chart2->backgroundColor(), QColor(255, 255, 255));  // Chart1 only

    dialogs_.openToReturn = FixturePath("np12.out");
    w.OpenClick();
    w.Refresh1Click();
    EXPECT_EQ(w.Serie->color(), QColor(0, 0, 255));
    EXPECT_TRUE(w.Serie->markersVisible());
    EXPECT_FALSE(w.Serie->lineVisible());
    EXPECT_FALSE(w.Chart1->gridVisible());
    EXPECT_EQ(w.Chart1->backgroundColor(), QColor(255, 255, 255));

    w.Back_Grey->trigger();
    EXPECT_EQ(w.Chart1->backgroundColor(), w.palette().color(QPalette::Button));
    w.Line_Green->trigger();
    EXPECT_EQ(w.Serie->color(), QColor(0, 128, 0));
    w.Line_Gray->trigger();
    EXPECT_EQ(w.histogram->color(), QColor(128, 128, 128));
    w.Line_Black->trigger();
    EXPECT_EQ(w.Serie->color(), QColor(0, 0, 0));
    w.Lines->trigger();
    EXPECT_FALSE(w.Serie->markersVisible());
    w.Grid_On->trigger();
    EXPECT_TRUE(w.Chart1->gridVisible());
}

TEST_F(PlotWindow, SaveWritesTheDetailsChart)
{
    TForm3& w = shown(FixturePath("up3.out"));
    dialogs_.saveToReturn = files_.path("graph.bmp");
    w.SaveClick();
    EXPECT_EQ(dialogs_.saveFilter, "BMP image (*.bmp)");
    EXPECT_EQ(dialogs_.saveSuffix, "bmp");
    QImage saved(files_.path("graph.bmp"), "BMP");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), w.Chart1->size());

    // From the Summary page it is still the Details chart.
    w.Pages->setCurrentWidget(w.Summary);
    QApplication::processEvents();
    dialogs_.saveToReturn = files_.path("fromsummary.png");
    w.SaveClick();
    QImage png(files_.path("fromsummary.png"), "PNG");
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), w.Chart1->size());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), saved.convertToFormat(QImage::Format_RGB32));

    // Cancelling writes nothing.
    const QStringList before = QDir(files_.path("")).entryList(QDir::Files);
    dialogs_.saveToReturn.clear();
    w.SaveClick();
    EXPECT_EQ(QDir(files_.path("")).entryList(QDir::Files), before);
    EXPECT_EQ(dialogs_.saveCalls, 3);
    EXPECT_TRUE(dialogs_.errors.isEmpty());

    dialogs_.saveToReturn = "/nonexistent/folder/g.bmp";
    w.SaveClick();
    EXPECT_EQ(dialogs_.errors.size(), 1);
}

TEST_F(PlotWindow, PrintShowsTheDetailsChart)
{
    TForm3& w = open(FixturePath("up3.out"));
    w.Pages->setCurrentWidget(w.Summary);
    w.PrintClick();
    EXPECT_EQ(printer_.calls, 1);
    EXPECT_EQ(printer_.chart, w.Chart1);
}

TEST_F(PlotWindow, RefreshAfterABurnInChangeRedrawsStatisticsAndSummary)
{
    std::vector<UpRow> rows = RisingRows(100);
    for (int i = 0; i < 100; ++i)
        rows[static_cast<size_t>(i)].w = i < 60 ? 0.2 : 0.8;
    TForm3& w = open(files_.writeUp("runUP.out", rows));
    const QString mean = w.m->text();
    const QString text = w.mModel->toPlainText();
    const double slice = w.pie->value(0);
    const int gauge = w.wgauge->progress();
    EXPECT_EQ(w.mModel->toPlainText().split('\n').value(1), "  Constant and G1 (3)");

    w.Cutin->setText("70");
    // Nothing is redrawn until F5.
    EXPECT_EQ(w.m->text(), mean);
    w.Refresh1Click();
    EXPECT_NE(w.m->text(), mean);
    EXPECT_EQ(w.m->text(), "85.5");
    EXPECT_NE(w.mModel->toPlainText(), text);
    EXPECT_EQ(w.mModel->toPlainText().split('\n').value(1), "  All (9)");
    EXPECT_NE(w.pie->value(0), slice);
    EXPECT_NE(w.wgauge->progress(), gauge);
    EXPECT_EQ(w.wgauge->progress(), 80);
    EXPECT_EQ(w.model->y(8), 30);
    EXPECT_EQ(w.model->y(2), 0);
}

TEST_F(PlotWindow, RowsWrittenAfterTheLoadWaitForTheNextLoad)
{
    const QString file = files_.writeUp("runUP.out", RisingRows(10));
    TForm3& w = open(file);
    files_.writeUp("runUP.out", RisingRows(20));
    w.Refresh1Click();
    EXPECT_EQ(w.RowCount, 10);
    EXPECT_EQ(w.Serie->count(), 10);
    w.NP->setChecked(true);
    w.UP->setChecked(true);
    EXPECT_EQ(w.RowCount, 20);
    EXPECT_EQ(w.Serie->count(), 20);
}

TEST_F(PlotWindow, EmptyFileShowsNothing)
{
    TForm3& w = open(files_.write("emptyUP.out", ""));
    EXPECT_EQ(w.RowCount, 0);
    EXPECT_EQ(w.Serie->count(), 0);
    for (QLineEdit* f : {w.m, w.var, w.min, w.max, w.mode, w.HPDI, w.width})
        EXPECT_TRUE(f->text().isEmpty());
    EXPECT_EQ(w.pie->count(), 0);
    EXPECT_EQ(w.model->count(), 0);
    EXPECT_EQ(w.hpdis->count(), 0);
    EXPECT_TRUE(w.mModel->toPlainText().isEmpty());
    w.Cutin->setText("5");
    EXPECT_EQ(w.Cutin->text(), "0");
    EXPECT_EQ(w.Tburnin->value(), 0);
    EXPECT_TRUE(dialogs_.errors.isEmpty());
}

TEST_F(PlotWindow, BurnInAndBurnOutTogetherKeepTwoRows)
{
    TForm3& w = open(files_.writeUp("runUP.out", RisingRows(10)));
    ASSERT_FALSE(w.m->text().isEmpty());
    w.Cutin->setText("5");
    w.Cutout->setText("5");  // clamped to 3: rows 6 and 7 stay
    EXPECT_EQ(w.Cutout->text(), "3");
    w.Refresh1Click();
    EXPECT_EQ(w.Serie->count(), 2);
    EXPECT_EQ(w.var->text(), "0.5");
}

TEST_F(PlotWindow, EmptyNumberTextsShowTheConversionError)
{
    TForm3& w = open(FixturePath("up3.out"));
    w.Cutin->setText("");
    // An empty burn-in is 0 for the edit's own consistency, but a pass needs a whole number.
    w.Refresh1Click();
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_EQ(dialogs_.errors[0], "'' is not a valid integer value");
    EXPECT_EQ(w.Serie->count(), 0);
    EXPECT_TRUE(w.m->text().isEmpty());
    EXPECT_TRUE(w.HPDI->text().isEmpty());

    w.Cutin->setText("0");
    w.Cpc->setText("");
    w.Refresh1Click();
    ASSERT_EQ(dialogs_.errors.size(), 2);
    EXPECT_EQ(w.Serie->count(), 10);
    EXPECT_FALSE(w.m->text().isEmpty());
    EXPECT_FALSE(w.var->text().isEmpty());
    EXPECT_TRUE(w.HPDI->text().isEmpty());
    EXPECT_TRUE(w.mode->text().isEmpty());

    w.Cpc->setText("60");
    w.Refresh1Click();
    EXPECT_EQ(dialogs_.errors.size(), 2);
    EXPECT_FALSE(w.HPDI->text().isEmpty());
}

}  // namespace
