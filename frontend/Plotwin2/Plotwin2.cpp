#include "Plotwin2/Plotwin2.h"

#include "Platform/ChartPrinter.h"
#include "Platform/Dialogs.h"
#include "Platform/Gauge.h"
#include "Platform/KeyFilter.h"
#include "Plotwin2/DataRangeEdits.h"
#include "Plotwin2/RedGauge.h"
#include "Plotwin2/SpinEdit.h"
#include "Plotwin2/Summary.h"

#include <QActionGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>

namespace {

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 60, int h = 17)
{
    auto* l = named(new QLabel(text, parent), name);
    l->setGeometry(x, y, w, h);
    return l;
}

QFont arial16()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    return font;
}

QString conversionError(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

}  // namespace

TForm3::TForm3(const QString& path, QWidget* owner, Dialogs& dialogs, ChartPrinter* printer)
    : QMainWindow(owner), dialogs_(dialogs), printer_(printer ? printer : &systemChartPrinter())
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Plot Window"));
    auto* client = new QWidget(this);
    setCentralWidget(client);
    Pages = named(new QTabWidget(client), "Pages");
    Pages->move(0, 0);
    Details = named(new QWidget(), "Details");
    Summary = named(new QWidget(), "Summary");
    Pages->addTab(Details, QStringLiteral("Details"));
    Pages->addTab(Summary, QStringLiteral("Summary"));
    buildDetailsPage();
    buildSummaryPage();
    buildMenus();

    resize(801, 815);
    if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(801 / 2, 815 / 2));
    FormResize();

    Locus->hide();
    Allele->hide();
    Llocus->hide();
    Lallele->hide();
    DataFileName = path;
    setWindowTitle(QStringLiteral("Plot: ") + path);
    Pages->setCurrentIndex(0);
    wire();
    // Checking UP loads the file through its click handler.
    UP->setChecked(true);
}

void TForm3::buildDetailsPage()
{
    QWidget* page = Details;

    PlotGroup = named(new QGroupBox(QStringLiteral(" Plot: "), page), "PlotGroup");
    PlotGroup->setGeometry(73, 8, 265, 89);
    UP = named(new QRadioButton(QStringLiteral("UP"), PlotGroup), "UP");
    UP->setGeometry(8, 18, 44, 20);
    NP = named(new QRadioButton(QStringLiteral("NP"), PlotGroup), "NP");
    NP->setGeometry(54, 18, 44, 20);
    source = named(new QRadioButton(QStringLiteral("Allele freq."), PlotGroup), "source");
    source->setGeometry(100, 18, 92, 20);
    none = named(new QRadioButton(QStringLiteral("None"), PlotGroup), "none");
    none->setGeometry(194, 18, 62, 20);
    col = label(PlotGroup, "col", QStringLiteral("Column to plot :"), 8, 54, 100);
    xi = named(new QComboBox(PlotGroup), "xi");
    xi->setGeometry(110, 50, 145, 24);
    xi->setMaxVisibleItems(15);
    Llocus = label(PlotGroup, "Llocus", QStringLiteral("Locus: "), 8, 54, 44);
    Locus = named(new QComboBox(PlotGroup), "Locus");
    Locus->setGeometry(52, 50, 70, 24);
    Locus->setMaxVisibleItems(10);
    Lallele = label(PlotGroup, "Lallele", QStringLiteral("Allele:"), 134, 54, 44);
    Allele = named(new QComboBox(PlotGroup), "Allele");
    Allele->setGeometry(180, 50, 75, 24);
    Allele->setMaxVisibleItems(12);
    Locus->addItem(QStringLiteral("1"));
    Allele->addItem(QStringLiteral("1"));

    RangeGroup = named(new QGroupBox(QStringLiteral(" Data range: "), page), "RangeGroup");
    RangeGroup->setGeometry(73, 104, 265, 81);
    LCutin = label(RangeGroup, "LCutin", QStringLiteral("Burn-in:"), 8, 22, 62);
    Cutin = named(new QLineEdit(QStringLiteral("0"), RangeGroup), "Cutin");
    Cutin->setGeometry(72, 19, 60, 22);
    Tburnin = named(new QSlider(Qt::Horizontal, RangeGroup), "Tburnin");
    Tburnin->setGeometry(138, 16, 120, 28);
    LCutout = label(RangeGroup, "LCutout", QStringLiteral("Burn-out:"), 8, 52, 62);
    Cutout = named(new QLineEdit(QStringLiteral("0"), RangeGroup), "Cutout");
    Cutout->setGeometry(72, 49, 60, 22);
    Tburnout = named(new QSlider(Qt::Horizontal, RangeGroup), "Tburnout");
    Tburnout->setGeometry(138, 46, 120, 28);
    for (QSlider* s : {Tburnin, Tburnout}) {
        s->setRange(0, 100);
        s->setTickInterval(5);
        s->setTickPosition(QSlider::TicksBelow);
        s->setValue(0);
    }

    TypeGroup = named(new QGroupBox(QStringLiteral(" Plot type: "), page), "TypeGroup");
    TypeGroup->setGeometry(346, 34, 137, 121);
    normal = named(new QRadioButton(QStringLiteral("Trace"), TypeGroup), "normal");
    normal->setGeometry(8, 20, 120, 20);
    mean = named(new QRadioButton(QStringLiteral("Mean"), TypeGroup), "mean");
    mean->setGeometry(8, 44, 120, 20);
    histo = named(new QRadioButton(QStringLiteral("Histogram:"), TypeGroup), "histo");
    histo->setGeometry(8, 68, 92, 20);
    nb_histo = named(new SpinEdit(2, 200, 30, TypeGroup), "nb_histo");
    nb_histo->setGeometry(98, 66, 36, 22);
    nb_histo->setEnabled(false);
    density = named(new QRadioButton(QStringLiteral("Density"), TypeGroup), "density");
    density->setGeometry(8, 92, 120, 20);
    normal->setChecked(true);

    StatsGroup = named(new QGroupBox(QStringLiteral(" Statistics: "), page), "StatsGroup");
    StatsGroup->setGeometry(491, 16, 220, 159);
    struct Field {
        QLineEdit** field;
        const char* name;
        const char* labelName;
        const char* caption;
    };
    const Field fields[] = {
        {&m, "m", "Lm", "Mean: "},          {&var, "var", "Lvar", "Variance: "},
        {&min, "min", "Lmin", "Min: "},     {&max, "max", "Lmax", "Max:"},
        {&mode, "mode", "Lmode", "Mode:"},  {&HPDI, "HPDI", "LHPDI", "HPDI:"},
        {&width, "width", "Lwidth", "Width:"},
    };
    int y = 19;
    for (const Field& f : fields) {
        label(StatsGroup, f.labelName, QString::fromLatin1(f.caption), 8, y, 62, 16);
        auto* edit = named(new QLineEdit(StatsGroup), f.name);
        edit->setGeometry(72, y - 1, 140, 17);
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
        *f.field = edit;
        y += 16;
    }
    label(StatsGroup, "Llevel", QStringLiteral("Level:"), 8, y + 4, 40);
    Cpc = named(new SpinEdit(1, 99, 95, StatsGroup), "Cpc");
    Cpc->setGeometry(50, y + 1, 48, 22);
    label(StatsGroup, "Lpercent", QStringLiteral("%"), 102, y + 4, 20);

    auto* keys = new KeyFilter(KeyFilter::Kind::Integer, this);
    for (QWidget* w : std::initializer_list<QWidget*>{Cutin, Cutout, nb_histo, Cpc})
        keys->attach(w);
    for (SpinEdit* s : {nb_histo, Cpc})
        keys->attach(s->findChild<QLineEdit*>());

    // Usable once a file has been loaded.
    for (QWidget* w : std::initializer_list<QWidget*>{xi, normal, mean, histo, density, Cutin, Cutout, Tburnin,
                                                      Tburnout, Locus, Allele})
        w->setEnabled(false);

    Chart1 = named(new ChartView(page), "Chart1");
    Chart1->setGeometry(24, 188, 609, 545);
    Chart1->setZoomEnabled(true);
    Serie = Chart1->addLineSeries(QStringLiteral("Serie"));
    histogram = Chart1->addBarSeries(QStringLiteral("histogram"));
    Serie->setColor(QColor(255, 0, 0));
    histogram->setColor(QColor(255, 0, 0));
    histogram->setActive(false);
    Chart1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TForm3::buildSummaryPage()
{
    QWidget* page = Summary;
    const QFont font = arial16();

    Chart2 = named(new ChartView(page), "Chart2");
    Chart2->setGeometry(0, 16, 513, 329);
    Chart2->setTitle(QStringLiteral("Composition of the newly colonised population"), font);
    pie = Chart2->addPieSeries(QStringLiteral("pie"));

    Label3 = named(new QLabel(QStringLiteral("Tendancy w for individuals from the"), page), "Label3");
    Label3->setGeometry(516, 24, 241, 20);
    Label3->setFont(font);
    Label4 = named(new QLabel(QStringLiteral("same colony to mate together:"), page), "Label4");
    Label4->setGeometry(516, 46, 241, 20);
    Label4->setFont(font);
    // The captions size themselves to their text, as labels do.
    Label3->adjustSize();
    Label4->adjustSize();
    wgauge = named(new RedGauge(page), "wgauge");
    wgauge->setGeometry(516, 76, 241, 29);

    mModel = named(new QPlainTextEdit(page), "mModel");
    mModel->setGeometry(496, 144, 273, 209);
    mModel->setReadOnly(true);
    mModel->setFrameShape(QFrame::NoFrame);
    mModel->setFont(font);
    mModel->setStyleSheet(QStringLiteral("QPlainTextEdit { background: palette(button); }"));

    Chart4 = named(new ChartView(page), "Chart4");
    Chart4->setGeometry(3, 392, 401, 289);
    Chart4->setTitle(QStringLiteral("95% HPDI for xi"), QFont());
    Chart4->setAxisLabelsVisible(Qt::Vertical, false);
    hpdis = Chart4->addIntervalSeries(QStringLiteral("hpdis"));
    hpdis->setThickness(10);

    Chart3 = named(new ChartView(page), "Chart3");
    Chart3->setGeometry(396, 376, 386, 321);
    Chart3->setTitle(QStringLiteral("Posterior model probability"), QFont());
    Chart3->setTickStep(Qt::Horizontal, 1.0);
    model = Chart3->addBarSeries(QStringLiteral("model"));
    model->setPercentMarks(true);
}

void TForm3::buildMenus()
{
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    setMenuBar(MainMenu1);
    File1 = named(MainMenu1->addMenu(QStringLiteral("File")), "File1");
    Save = named(File1->addAction(QStringLiteral("Save graph as...")), "Save");
    Save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Open = named(File1->addAction(QStringLiteral("Open data file")), "Open");
    Open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Print = named(File1->addAction(QStringLiteral("Print graph")), "Print");
    Print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Refresh1 = named(MainMenu1->addAction(QStringLiteral("Refresh (F5)")), "Refresh1");
    Refresh1->setShortcut(QKeySequence(Qt::Key_F5));
    // Shortcuts work on either page and whatever has the focus inside the window.
    for (QAction* a : {Save, Open, Print, Refresh1}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    auto group = [this](QMenu* menu, std::initializer_list<std::pair<QAction**, std::pair<const char*, const char*>>> items) {
        auto* actions = new QActionGroup(menu);
        actions->setExclusive(true);
        bool first = true;
        for (const auto& [slot, names] : items) {
            QAction* a = named(menu->addAction(QString::fromLatin1(names.second)), names.first);
            a->setCheckable(true);
            a->setChecked(first);
            actions->addAction(a);
            *slot = a;
            first = false;
        }
    };
    Color1 = named(PopupMenu1->addMenu(QStringLiteral("Color")), "Color1");
    group(Color1, {{&Line_Red, {"Line_Red", "Red"}},
                   {&Line_Black, {"Line_Black", "Black"}},
                   {&Line_Blue, {"Line_Blue", "Blue"}},
                   {&Line_Green, {"Line_Green", "Green"}},
                   {&Line_Gray, {"Line_Gray", "Gray"}}});
    Backgroundcolor1 = named(PopupMenu1->addMenu(QStringLiteral("Background color")), "Backgroundcolor1");
    group(Backgroundcolor1, {{&Back_Grey, {"Back_Grey", "None (grey)"}}, {&Back_White, {"Back_White", "White"}}});
    Grid1 = named(PopupMenu1->addMenu(QStringLiteral("Grid")), "Grid1");
    group(Grid1, {{&Grid_On, {"Grid_On", "On"}}, {&Grid_Off, {"Grid_Off", "Off"}}});
    Style1 = named(PopupMenu1->addMenu(QStringLiteral("Style")), "Style1");
    group(Style1, {{&Lines, {"Lines", "Lines"}}, {&Points, {"Points", "Points"}}, {&Both, {"Both", "Both"}}});
}

void TForm3::wire()
{
    connect(UP, &QRadioButton::toggled, this, [this](bool on) { if (on) UPClick(); });
    connect(NP, &QRadioButton::toggled, this, [this](bool on) { if (on) UPClick(); });
    connect(none, &QRadioButton::toggled, this, [this](bool on) { if (on) UPClick(); });
    connect(source, &QRadioButton::toggled, this, [this](bool on) { if (on) sourceClick(); });
    // Only the user's choices redraw; filling the lists does not.
    connect(xi, &QComboBox::activated, this, [this](int) { xiChange(); });
    connect(Locus, &QComboBox::activated, this, [this](int) { LocusChange(); });
    connect(Allele, &QComboBox::activated, this, [this](int) { AlleleChange(); });

    connect(normal, &QRadioButton::toggled, this, [this](bool on) { if (on) normalClick(); });
    connect(mean, &QRadioButton::toggled, this, [this](bool on) { if (on) meanClick(); });
    connect(histo, &QRadioButton::toggled, this, [this](bool on) { if (on) histoClick(); });
    connect(density, &QRadioButton::toggled, this, [this](bool on) { if (on) densityClick(); });

    connect(Cutin, &QLineEdit::textChanged, this, [this](const QString&) { CutinChange(); });
    connect(Cutout, &QLineEdit::textChanged, this, [this](const QString&) { CutoutChange(); });
    connect(Tburnin, &QSlider::valueChanged, this, [this](int) { TburninChange(); });
    connect(Tburnout, &QSlider::valueChanged, this, [this](int) { TburnoutChange(); });
    connect(nb_histo, &SpinEdit::textChanged, this, [this](const QString&) { nb_histoChange(); });
    connect(Cpc, &SpinEdit::textChanged, this, [this](const QString&) { CpcChange(); });

    connect(Line_Red, &QAction::triggered, this, &TForm3::Line_RedClick);
    connect(Line_Black, &QAction::triggered, this, &TForm3::Line_BlackClick);
    connect(Line_Blue, &QAction::triggered, this, &TForm3::Line_BlueClick);
    connect(Line_Green, &QAction::triggered, this, &TForm3::Line_GreenClick);
    connect(Line_Gray, &QAction::triggered, this, &TForm3::Line_GrayClick);
    connect(Back_Grey, &QAction::triggered, this, &TForm3::Back_GreyClick);
    connect(Back_White, &QAction::triggered, this, &TForm3::Back_WhiteClick);
    connect(Grid_On, &QAction::triggered, this, &TForm3::Grid_OnClick);
    connect(Grid_Off, &QAction::triggered, this, &TForm3::Grid_OffClick);
    connect(Lines, &QAction::triggered, this, &TForm3::LinesClick);
    connect(Points, &QAction::triggered, this, &TForm3::PointsClick);
    connect(Both, &QAction::triggered, this, &TForm3::BothClick);
    connect(Chart1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Chart1->viewport()->mapToGlobal(at)); });

    connect(Save, &QAction::triggered, this, &TForm3::SaveClick);
    connect(Open, &QAction::triggered, this, &TForm3::OpenClick);
    connect(Print, &QAction::triggered, this, &TForm3::PrintClick);
    connect(Refresh1, &QAction::triggered, this, &TForm3::Refresh1Click);
}

FileKind TForm3::checkedKind() const
{
    if (NP->isChecked())
        return FileKind::NP;
    if (source->isChecked())
        return FileKind::AlleleFreq;
    if (none->isChecked())
        return FileKind::None;
    return FileKind::UP;
}

PlotType TForm3::checkedPlotType() const
{
    if (mean->isChecked())
        return PlotType::Mean;
    if (histo->isChecked())
        return PlotType::Histogram;
    if (density->isChecked())
        return PlotType::Density;
    return PlotType::Trace;
}

// ---- Loading and selecting ----

void TForm3::LoadDataFile()
{
    const long long rows = CountRows(DataFileName);
    if (rows >= 0)
        RowCount = rows;
    const int columns = CountColumns(DataFileName);
    // A file that does not open leaves the lists and the plots as they were.
    if (columns < 0)
        return;

    xi->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{xi, normal, mean, histo, density, Cutin, Cutout, Tburnin,
                                                      Tburnout, Locus, Allele})
        w->setEnabled(true);

    const FileKind kind = checkedKind();
    switch (kind) {
    case FileKind::UP:
        xi->addItems(ColumnNames(kind, columns));
        xi->setCurrentIndex(8);
        if (!PlotColumn(9))
            return;
        SourceCount = std::max(0, columns - 8);
        DrawSummary();
        break;
    case FileKind::NP:
    case FileKind::None:
        xi->addItems(ColumnNames(kind, columns));
        xi->setCurrentIndex(0);
        PlotColumn(1);
        break;
    case FileKind::AlleleFreq: {
        Locus->clear();
        Allele->clear();
        LocusAlleleCounts = LocusScan(DataFileName);
        for (size_t l = 0; l < LocusAlleleCounts.size(); ++l)
            Locus->addItem(QString::number(l + 1));
        const int first = LocusAlleleCounts.empty() ? 0 : LocusAlleleCounts[0];
        for (int a = 1; a <= first; ++a)
            Allele->addItem(QString::number(a));
        Allele->setCurrentIndex(Allele->count() > 0 ? 0 : -1);
        Locus->setCurrentIndex(Locus->count() > 0 ? 0 : -1);
        LocusChange();
        break;
    }
    }
}

void TForm3::UPClick()
{
    LoadDataFile();
    Locus->hide();
    Allele->hide();
    Llocus->hide();
    Lallele->hide();
    xi->show();
    col->show();
}

void TForm3::sourceClick()
{
    LoadDataFile();
    Locus->show();
    Allele->show();
    Llocus->show();
    Lallele->show();
    xi->hide();
    col->hide();
}

void TForm3::OpenClick()
{
    const QString path = dialogs_.openFile(this, QStringLiteral("Open data file"), QString());
    if (path.isEmpty())
        return;
    DataFileName = path;
    setWindowTitle(QStringLiteral("Plot: ") + path);
    LoadDataFile();
}

void TForm3::xiChange()
{
    PlotColumn(xi->currentIndex() + 1);
}

void TForm3::LocusChange()
{
    Allele->clear();
    const int l = Locus->currentIndex();
    const int alleles = l >= 0 && l < static_cast<int>(LocusAlleleCounts.size()) ? LocusAlleleCounts[static_cast<size_t>(l)] : 0;
    for (int a = 1; a <= alleles; ++a)
        Allele->addItem(QString::number(a));
    Allele->setCurrentIndex(Allele->count() > 0 ? 0 : -1);
    AlleleChange();
}

void TForm3::AlleleChange()
{
    const int l = Locus->currentIndex();
    const int a = Allele->currentIndex();
    // Nothing selected (a file without loci): nothing to plot.
    PlotColumn(l < 0 || a < 0 ? 0 : ColumnOfLocusAllele(LocusAlleleCounts, l, a));
}

// ---- Plotting ----

std::optional<DataRange> TForm3::currentRange()
{
    const std::optional<long long> burnIn = WholeNumber(Cutin->text());
    if (!burnIn) {
        dialogs_.error(this, conversionError(Cutin->text()));
        return std::nullopt;
    }
    const std::optional<long long> burnOut = WholeNumber(Cutout->text());
    if (!burnOut) {
        dialogs_.error(this, conversionError(Cutout->text()));
        return std::nullopt;
    }
    return DataRange{*burnIn, *burnOut, RowCount};
}

void TForm3::clearStatistics(bool windowsToo)
{
    for (QLineEdit* f : {m, var, min, max})
        f->clear();
    if (windowsToo) {
        for (QLineEdit* f : {mode, HPDI, width})
            f->clear();
    }
}

bool TForm3::PlotColumn(int k)
{
    Serie->clear();
    histogram->clear();
    const PlotType type = checkedPlotType();
    Serie->setActive(type != PlotType::Histogram);
    histogram->setActive(type == PlotType::Histogram);

    const std::optional<DataRange> range = currentRange();
    if (!range) {
        clearStatistics(true);
        return false;
    }
    const int bins = type == PlotType::Histogram ? nb_histo->value() : kMaxBins;
    ColumnPlot plot = ComputeColumnPlot(DataFileName, k, *range, type, bins);
    if (plot.bars)
        histogram->setPoints(std::move(plot.points));
    else
        Serie->setPoints(std::move(plot.points));

    const std::optional<long long> level = WholeNumber(Cpc->text());
    const StatisticsTexts t = FormatStatistics(plot.statistics, level.value_or(0), level.has_value());
    m->setText(t.mean);
    var->setText(t.variance);
    min->setText(t.min);
    max->setText(t.max);
    mode->setText(t.mode);
    HPDI->setText(t.hpdi);
    width->setText(t.width);
    if (!level) {
        dialogs_.error(this, conversionError(Cpc->text()));
        return false;
    }
    return true;
}

void TForm3::DrawSummary()
{
    pie->clear();
    model->clear();
    hpdis->clear();
    mModel->clear();
    wgauge->setProgress(0);
    const std::optional<DataRange> range = currentRange();
    if (!range)
        return;
    const ::Summary s = ComputeSummary(DataFileName, *range, SourceCount);
    for (const PieSlice& slice : s.slices)
        pie->add(slice.value, slice.label, slice.color);
    for (const IntervalBar& bar : s.intervals)
        hpdis->add(bar.start, bar.end, bar.y, bar.label, bar.color);
    if (s.bestModel > 0) {
        for (int mNumber = 1; mNumber <= 9; ++mNumber)
            model->addXY(mNumber, static_cast<double>(s.modelCounts[static_cast<size_t>(mNumber - 1)]));
    }
    mModel->setPlainText(s.lines.join(QLatin1Char('\n')));
    if (s.gauge)
        wgauge->setProgress(*s.gauge);
}

void TForm3::redraw()
{
    if (source->isChecked())
        AlleleChange();
    else
        PlotColumn(xi->currentIndex() + 1);
}

void TForm3::normalClick()
{
    nb_histo->setEnabled(false);
    redraw();
}

void TForm3::meanClick()
{
    nb_histo->setEnabled(false);
    redraw();
}

void TForm3::histoClick()
{
    nb_histo->setEnabled(true);
    redraw();
}

void TForm3::densityClick()
{
    nb_histo->setEnabled(false);
    redraw();
}

// ---- Data range ----

void TForm3::applyBurn(QLineEdit* own, QLineEdit* other, QSlider* slider)
{
    const BurnEdit edit = ClampBurn(own->text(), other->text(), RowCount);
    // A new text runs this handler again, which then finds the value in range.
    if (edit.text)
        own->setText(*edit.text);
    slider->setValue(edit.sliderPosition);
}

void TForm3::CutinChange()
{
    applyBurn(Cutin, Cutout, Tburnin);
}

void TForm3::CutoutChange()
{
    applyBurn(Cutout, Cutin, Tburnout);
}

void TForm3::TburninChange()
{
    // Only a slider the user moves writes its edit; the code moving it does nothing more.
    if (Tburnin->hasFocus() || Tburnin->isSliderDown())
        Cutin->setText(BurnTextForSlider(Tburnin->value(), RowCount));
}

void TForm3::TburnoutChange()
{
    if (Tburnout->hasFocus() || Tburnout->isSliderDown())
        Cutout->setText(BurnTextForSlider(Tburnout->value(), RowCount));
}

void TForm3::nb_histoChange()
{
    bool ok = false;
    const double v = nb_histo->text().toDouble(&ok);
    if (ok && v > nb_histo->maximum())
        nb_histo->setText(QString::number(nb_histo->maximum()));
}

void TForm3::CpcChange()
{
    bool ok = false;
    const double v = Cpc->text().toDouble(&ok);
    if (ok && v > Cpc->maximum())
        Cpc->setText(QString::number(Cpc->maximum()));
}

// ---- Context menu ----

void TForm3::setLineColor(const QColor& color)
{
    Serie->setColor(color);
    histogram->setColor(color);
}

void TForm3::Line_RedClick()
{
    setLineColor(QColor(255, 0, 0));
    Line_Red->setChecked(true);
}

void TForm3::Line_BlackClick()
{
    setLineColor(QColor(0, 0, 0));
    Line_Black->setChecked(true);
}

void TForm3::Line_BlueClick()
{
    setLineColor(QColor(0, 0, 255));
    Line_Blue->setChecked(true);
}

void TForm3::Line_GreenClick()
{
    setLineColor(QColor(0, 128, 0));
    Line_Green->setChecked(true);
}

void TForm3::Line_GrayClick()
{
    setLineColor(QColor(128, 128, 128));
    Line_Gray->setChecked(true);
}

void TForm3::Back_GreyClick()
{
    Chart1->setBackgroundColor(palette().color(QPalette::Button));
    Back_Grey->setChecked(true);
}

void TForm3::Back_WhiteClick()
{
    Chart1->setBackgroundColor(QColor(255, 255, 255));
    Back_White->setChecked(true);
}

void TForm3::Grid_OnClick()
{
    Chart1->setGridVisible(true);
    Grid_On->setChecked(true);
}

void TForm3::Grid_OffClick()
{
    Chart1->setGridVisible(false);
    Grid_Off->setChecked(true);
}

void TForm3::LinesClick()
{
    Serie->setMarkersVisible(false);
    Serie->setLineVisible(true);
    Lines->setChecked(true);
}

void TForm3::PointsClick()
{
    Serie->setMarkersVisible(true);
    Serie->setLineVisible(false);
    Points->setChecked(true);
}

void TForm3::BothClick()
{
    Serie->setMarkersVisible(true);
    Serie->setLineVisible(true);
    Both->setChecked(true);
}

// ---- Main menu ----

void TForm3::SaveClick()
{
    // The Details chart, whichever page is shown.
    const QImage image = Chart1->renderImage(Qt::white);
    const QString file = dialogs_.saveFile(this, QStringLiteral("Save graph as"), QStringLiteral("BMP image (*.bmp)"),
                                           QStringLiteral("bmp"));
    if (file.isEmpty())
        return;
    const char* format = file.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? "PNG" : "BMP";
    if (!image.save(file, format))
        dialogs_.error(this, QStringLiteral("Cannot create file \"%1\".").arg(file));
}

void TForm3::PrintClick()
{
    printer_->preview(this, *Chart1);
    Chart1->update();
}

void TForm3::Refresh1Click()
{
    if (source->isChecked()) {
        AlleleChange();
        return;
    }
    if (!PlotColumn(xi->currentIndex() + 1))
        return;
    if (UP->isChecked())
        DrawSummary();
}

void TForm3::FormResize()
{
    const QSize outer = size();
    Chart1->resize(outer.width() - 55, outer.height() - 285);
    Pages->resize(outer.width() - 8, outer.height() - 54);
}

void TForm3::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}
