// The plot window: one output file of the engine, plotted column by column on the Details page
// (trace, running mean, histogram, density, with the statistics beside it) and condensed on the
// Summary page. The window keeps no values: every plot and summary reads the file again, so a
// file the engine is still writing can be followed with F5.
#pragma once

#include "Platform/ChartView.h"

#include <QMainWindow>
#include <QString>

#include <optional>
#include <vector>

#include "Plotwin2/ColumnPlot.h"

class ChartPrinter;
class Dialogs;
class Gauge;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QRadioButton;
class QSlider;
class QTabWidget;
class SpinEdit;

class TForm3 : public QMainWindow {
    Q_OBJECT
public:
    // printer: the print preview to use (null: the system's).
    TForm3(const QString& path, QWidget* owner, Dialogs& dialogs, ChartPrinter* printer = nullptr);

    // The file shown and what its last load found.
    QString DataFileName;
    long long RowCount = 0;
    int SourceCount = 0;
    std::vector<int> LocusAlleleCounts;  // grows with the file: no limit of 16 loci

    // Pages
    QTabWidget* Pages;
    QWidget* Details;
    QWidget* Summary;

    // Group " Plot: "
    QGroupBox* PlotGroup;
    QRadioButton* UP;
    QRadioButton* NP;
    QRadioButton* source;
    QRadioButton* none;
    QLabel* col;
    QComboBox* xi;
    QLabel* Llocus;
    QComboBox* Locus;
    QLabel* Lallele;
    QComboBox* Allele;

    // Group " Data range: "
    QGroupBox* RangeGroup;
    QLabel* LCutin;
    QLineEdit* Cutin;
    QSlider* Tburnin;
    QLabel* LCutout;
    QLineEdit* Cutout;
    QSlider* Tburnout;

    // Group " Plot type: "
    QGroupBox* TypeGroup;
    QRadioButton* normal;
    QRadioButton* mean;
    QRadioButton* histo;
    QRadioButton* density;
    SpinEdit* nb_histo;

    // Group " Statistics: "
    QGroupBox* StatsGroup;
    QLineEdit* m;
    QLineEdit* var;
    QLineEdit* min;
    QLineEdit* max;
    QLineEdit* mode;
    QLineEdit* HPDI;
    QLineEdit* width;  // hides QWidget::width(): use size().width() for the window's
    SpinEdit* Cpc;

    // Details chart
    ChartView* Chart1;
    LineSeries* Serie;
    BarSeries* histogram;

    // Summary page
    ChartView* Chart2;
    PieSeries* pie;
    ChartView* Chart3;
    BarSeries* model;
    ChartView* Chart4;
    IntervalSeries* hpdis;
    QLabel* Label3;
    QLabel* Label4;
    Gauge* wgauge;
    QPlainTextEdit* mModel;

    // Main menu
    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* Save;
    QAction* Open;
    QAction* Print;
    QAction* Refresh1;

    // Context menu of Chart1
    QMenu* PopupMenu1;
    QMenu* Color1;
    QMenu* Backgroundcolor1;
    QMenu* Grid1;
    QMenu* Style1;
    QAction* Line_Red;
    QAction* Line_Black;
    QAction* Line_Blue;
    QAction* Line_Green;
    QAction* Line_Gray;
    QAction* Back_Grey;
    QAction* Back_White;
    QAction* Grid_On;
    QAction* Grid_Off;
    QAction* Lines;
    QAction* Points;
    QAction* Both;

    // File loading and column selection
    void LoadDataFile();
    void UPClick();
    void sourceClick();
    void OpenClick();
    void xiChange();
    void LocusChange();
    void AlleleChange();

    // Plotting; false when a conversion error stopped it.
    bool PlotColumn(int k);
    void DrawSummary();
    void normalClick();
    void meanClick();
    void histoClick();
    void densityClick();

    // Data range and levels
    void CutinChange();
    void CutoutChange();
    void TburninChange();
    void TburnoutChange();
    void nb_histoChange();
    void CpcChange();

    // Context menu
    void Line_RedClick();
    void Line_BlackClick();
    void Line_BlueClick();
    void Line_GreenClick();
    void Line_GrayClick();
    void Back_GreyClick();
    void Back_WhiteClick();
    void Grid_OnClick();
    void Grid_OffClick();
    void LinesClick();
    void PointsClick();
    void BothClick();

    // Main menu
    void SaveClick();
    void PrintClick();
    void Refresh1Click();

    void FormResize();

    FileKind checkedKind() const;
    PlotType checkedPlotType() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildDetailsPage();
    void buildSummaryPage();
    void buildMenus();
    void wire();
    void redraw();
    void clearStatistics(bool windowsToo);
    void applyBurn(QLineEdit* own, QLineEdit* other, QSlider* slider);
    void setLineColor(const QColor& color);
    // The data range of a pass; empty (after the conversion error was shown) when a burn text is
    // not a whole number.
    std::optional<DataRange> currentRange();

    Dialogs& dialogs_;
    ChartPrinter* printer_;
};
