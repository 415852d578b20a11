#include "WindowFixture.h"

#include "Platform/Gauge.h"
#include "Platform/KeyFilter.h"
#include "Window/RunConfiguration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest/QTest>

namespace {

using SetupWindow = WindowFixture;

QString captionOf(QObject* o)
{
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(o))
        return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(o))
        return g->title();
    return QStringLiteral("<no caption>");
}

TEST_F(SetupWindow, IsAFixedWindowWithFourPagesMainFirst)
{
    TForm1& w = window();
    EXPECT_EQ(w.windowTitle(), "ORVANTA v1.0");
    EXPECT_EQ(w.size(), QSize(583, 326));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    ASSERT_EQ(w.Pages->count(), 4);
    const char* names[] = {"Pmain", "Poptions", "Padvanced", "Help"};
    const char* captions[] = {"Main", "Options", "Advanced", "Help"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.Pages->widget(i)->objectName(), names[i]);
        EXPECT_EQ(w.Pages->tabText(i), captions[i]);
    }
    EXPECT_EQ(w.Pages->currentWidget(), w.Pmain);
}

TEST_F(SetupWindow, EveryControlHasItsNameCaptionAndDefaultOnItsPage)
{
    TForm1& w = window();
    const struct {
        QObject* control;
        const char* name;
        QWidget* page;
        const char* caption;
    } controls[] = {
        {w.lseed0, "lseed0", w.Pmain, "Seed 0:"},
        {w.seed0, "seed0", w.Pmain, "12345"},
        {w.lseed1, "lseed1", w.Pmain, "Seed 1:"},
        {w.seed1, "seed1", w.Pmain, "678910"},
        {w.shutdown, "shutdown", w.Pmain, "Shutdown system when finished"},
        {w.Lgeneration, "Lgeneration", w.Pmain, "Generation:"},
        {w.F1, "F1", w.Pmain, "F1"},
        {w.F0, "F0", w.Pmain, "F0"},
        {w.Lsource, "Lsource", w.Pmain, "Sources data:"},
        {w.source, "source", w.Pmain, "source.dat"},
        {w.Browsesource, "Browsesource", w.Pmain, "..."},
        {w.Lmixture, "Lmixture", w.Pmain, "Mixture data:"},
        {w.mixture, "mixture", w.Pmain, "mixture.dat"},
        {w.Browsemixture, "Browsemixture", w.Pmain, "..."},
        {w.Loutdir, "Loutdir", w.Pmain, "Output files directory: "},
        {w.Browseoutdir, "Browseoutdir", w.Pmain, "..."},
        {w.Lout_file, "Lout_file", w.Pmain, "Output files prefix: "},
        {w.out_file, "out_file", w.Pmain, "output"},
        {w.Restore, "Restore", w.Pmain, "Restore"},
        {w.go, "go", w.Pmain, "Start"},
        {w.plot, "plot", w.Pmain, "Plot"},
        {w.Ldone, "Ldone", w.Pmain, ""},
        {w.Chain, "Chain", w.Poptions, " Parameters of the chain: "},
        {w.Lsample_size, "Lsample_size", w.Poptions, "Sample size:"},
        {w.sample_size, "sample_size", w.Poptions, "10000"},
        {w.Linterval, "Linterval", w.Poptions, "Thinning interval:"},
        {w.interval, "interval", w.Poptions, "25"},
        {w.Lburn_in, "Lburn_in", w.Poptions, "Burn-in period:"},
        {w.Burn_in, "Burn_in", w.Poptions, "0"},
        {w.Epsilons, "Epsilons", w.Poptions, " Epsilon values: "},
        {w.Lepsilon_w, "Lepsilon_w", w.Poptions, "w:"},
        {w.epsilon_w, "epsilon_w", w.Poptions, "0.3"},
        {w.Lepsilon_x, "Lepsilon_x", w.Poptions, "x:"},
        {w.epsilon_x, "epsilon_x", w.Poptions, "0.1"},
        {w.Lepsilon_p, "Lepsilon_p", w.Poptions, "p:"},
        {w.epsilon_p, "epsilon_p", w.Poptions, "0.06"},
        {w.Lotherplot, "Lotherplot", w.Poptions, "Optional output files:"},
        {w.CNP, "CNP", w.Poptions, "Not useful parameters"},
        {w.Csources, "Csources", w.Poptions, "Sources alleles frequences"},
        {w.Priors, "Priors", w.Padvanced, " Priors parameters: "},
        {w.Lsigmap, "Lsigmap", w.Padvanced, "Variance for loglinear model for mu:"},
        {w.sigmap, "sigmap", w.Padvanced, "10"},
        {w.Lalphax, "Lalphax", w.Padvanced, "AlphaX variance proposal:"},
        {w.alphax, "alphax", w.Padvanced, "5.5"},
        {w.Lgamma1, "Lgamma1", w.Padvanced, "Gamma parameter aTau:"},
        {w.gamma1, "gamma1", w.Padvanced, "1"},
        {w.Lgamma2, "Lgamma2", w.Padvanced, "Gamma parameter bTau:"},
        {w.gamma2, "gamma2", w.Padvanced, "1"},
        {w.Options, "Options", w.Padvanced, "Options: "},
        {w.algo, "algo", w.Padvanced, "Algorithm:"},
        {w.RJMCMC, "RJMCMC", w.Padvanced, "RJMCMC"},
        {w.MCMC, "MCMC", w.Padvanced, "MCMC"},
        {w.Lmodel, "Lmodel", w.Padvanced, "Initial model:"},
        {w.Lprog, "Lprog", w.Padvanced, "Program name: "},
        {w.browseprog, "browseprog", w.Padvanced, "..."},
    };
    for (const auto& c : controls) {
        ASSERT_NE(c.control, nullptr) << c.name;
        EXPECT_EQ(c.control->objectName(), c.name);
        EXPECT_EQ(w.findChild<QObject*>(c.name), c.control) << c.name;
        EXPECT_TRUE(c.page->isAncestorOf(static_cast<QWidget*>(c.control))) << c.name;
        EXPECT_EQ(captionOf(c.control).toStdString(), c.caption) << c.name;
    }
    EXPECT_TRUE(w.F1->isChecked());
    EXPECT_FALSE(w.F0->isChecked());
    EXPECT_TRUE(w.RJMCMC->isChecked());
    EXPECT_FALSE(w.MCMC->isChecked());
    EXPECT_FALSE(w.shutdown->isChecked());
    EXPECT_FALSE(w.CNP->isChecked());
    EXPECT_FALSE(w.Csources->isChecked());
    EXPECT_EQ(w.progress->objectName(), "progress");
    EXPECT_EQ(w.progress->progress(), 0);
    EXPECT_EQ(w.RichEdit1->objectName(), "RichEdit1");
    EXPECT_TRUE(w.Help->isAncestorOf(w.RichEdit1));
}

TEST_F(SetupWindow, StartsWithTheCurrentFolderAndTheEngineBesideTheProgram)
{
    TForm1& w = window();
    EXPECT_EQ(w.outdir->text(), QDir::currentPath() + "/");
    EXPECT_EQ(w.prog->text(), QDir(programFolder_.path()).filePath("trellin"));
}

TEST_F(SetupWindow, TheModelListOffersTheNineModelNumbersWithTwoSelected)
{
    TForm1& w = window();
    ASSERT_EQ(w.model->count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(w.model->itemText(i), QString::number(i + 1));
    EXPECT_EQ(w.model->currentText(), "2");
    EXPECT_EQ(w.model->maxVisibleItems(), 9);
}

TEST_F(SetupWindow, TrackBarsRunFrom0To100WithATickEvery10)
{
    TForm1& w = window();
    const struct {
        QSlider* track;
        const char* name;
        int position;
    } tracks[] = {{w.Tepsilon_w, "Tepsilon_w", 30}, {w.Tepsilon_x, "Tepsilon_x", 10}, {w.Tepsilon_p, "Tepsilon_p", 6}};
    for (const auto& t : tracks) {
        EXPECT_EQ(t.track->objectName(), t.name);
        EXPECT_EQ(t.track->minimum(), 0);
        EXPECT_EQ(t.track->maximum(), 100);
        EXPECT_EQ(t.track->tickInterval(), 10);
        EXPECT_EQ(t.track->tickPosition(), QSlider::TicksBelow);
        EXPECT_EQ(t.track->orientation(), Qt::Horizontal);
        EXPECT_EQ(t.track->value(), t.position) << t.name;
    }
}

TEST_F(SetupWindow, NumericEditsFilterTheirKeys)
{
    TForm1& w = window();
    const struct {
        QLineEdit* edit;
        const char* typed;
        const char* result;
    } cases[] = {
        {w.seed0, "1a-,.2", "12"},       // a "." is ignored in a seed
        {w.seed1, "7 8x9", "789"},
        {w.sample_size, "5e3", "53"},
        {w.interval, "-25", "25"},
        {w.Burn_in, "1,000", "1000"},
        {w.epsilon_w, "0.a2", "0.2"},
        {w.epsilon_x, "-.,5", ".5"},
        {w.epsilon_p, "0..1", "0..1"},  // several points pass; Start catches them
        {w.sigmap, "1e5", "15"},
        {w.alphax, "2.5x", "2.5"},
        {w.gamma1, "+3", "3"},
        {w.gamma2, ".5", ".5"},
    };
    for (const auto& c : cases) {
        c.edit->clear();
        QTest::keyClicks(c.edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(c.edit->text().toStdString(), c.result) << c.edit->objectName().toStdString();
        QTest::keyClick(c.edit, Qt::Key_Backspace);
        std::string shorter = c.result;
        shorter.pop_back();
        EXPECT_EQ(c.edit->text().toStdString(), shorter) << "backspace in " << c.edit->objectName().toStdString();
    }
    // The text edits take anything.
    for (QLineEdit* e : {w.source, w.mixture, w.outdir, w.out_file, w.prog}) {
        e->clear();
        QTest::keyClicks(e, "a-b,c.d 1");
        EXPECT_EQ(e->text(), "a-b,c.d 1") << e->objectName().toStdString();
    }
}

TEST_F(SetupWindow, TypingAnEpsilonMovesItsTrackBar)
{
    TForm1& w = window();
    const struct {
        QLineEdit* edit;
        QSlider* track;
        const char* typed;
        const char* text;
        int position;
    } cases[] = {
        {w.epsilon_w, w.Tepsilon_w, "2", "1", 100},  // above 1: the text becomes "1"
        {w.epsilon_x, w.Tepsilon_x, "0.55", "0.55", 55},
        {w.epsilon_p, w.Tepsilon_p, "0.559", "0.559", 55},
        {w.epsilon_w, w.Tepsilon_w, "0.", "0.", 0},
        {w.epsilon_x, w.Tepsilon_x, "1.5", "1", 100},
        {w.epsilon_p, w.Tepsilon_p, "", "", 0},
        {w.epsilon_w, w.Tepsilon_w, "1.2.3", "1", 100},
    };
    for (const auto& c : cases) {
        c.edit->clear();
        QTest::keyClicks(c.edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(c.edit->text().toStdString(), c.text) << c.typed;
        EXPECT_EQ(c.track->value(), c.position) << c.typed;
    }
}

TEST_F(SetupWindow, MovingATrackBarWritesItsEpsilon)
{
    TForm1& w = window();
    // A drag to 40 writes 0.4.
    w.Tepsilon_x->setSliderDown(true);
    w.Tepsilon_x->setSliderPosition(40);
    w.Tepsilon_x->setSliderDown(false);
    EXPECT_EQ(w.epsilon_x->text(), "0.4");
    EXPECT_EQ(w.Tepsilon_x->value(), 40);
    // Keys on the focused track bar, one step at a time.
    QTest::keyClick(w.Tepsilon_w, Qt::Key_Right);
    EXPECT_EQ(w.epsilon_w->text(), "0.31");
    QTest::keyClick(w.Tepsilon_p, Qt::Key_End);
    EXPECT_EQ(w.epsilon_p->text(), "1");
    QTest::keyClick(w.Tepsilon_p, Qt::Key_Home);
    EXPECT_EQ(w.epsilon_p->text(), "0");
}

TEST_F(SetupWindow, ATrackBarStaysWhereTheUserPutsIt)
{
    // 0.57 × 100 truncates to 56: the text written by the track bar must not pull it back.
    TForm1& w = window();
    for (int position : {57, 29, 58, 7, 100, 1}) {
        w.Tepsilon_w->setValue(position);
        EXPECT_EQ(w.Tepsilon_w->value(), position);
        EXPECT_EQ(w.epsilon_w->text(), QString::number(position / 100.0, 'g', 15));
    }
}

TEST_F(SetupWindow, RestorePutsBackTheChainAndModelSettingsOnly)
{
    TForm1& w = window();
    const QString startFolder = QDir::currentPath();
    for (QLineEdit* e : {w.Burn_in, w.interval, w.sample_size, w.epsilon_p, w.epsilon_x, w.epsilon_w,
                         w.alphax, w.gamma1, w.gamma2, w.sigmap, w.out_file, w.prog})
        e->setText("0.9");
    w.seed0->setText("1");
    w.seed1->setText("2");
    w.F0->setChecked(true);
    w.shutdown->setChecked(true);
    w.source->setText("s.dat");
    w.mixture->setText("m.dat");
    w.outdir->setText("/elsewhere/");
    w.CNP->setChecked(true);
    w.Csources->setChecked(true);
    w.model->setCurrentIndex(8);
    w.MCMC->setChecked(true);
    w.progress->setProgress(64);
    w.Ldone->setText("Done !\n0h0m1s");
    QTemporaryDir other;
    QDir::setCurrent(other.path());

    w.RestoreClick();

    const struct {
        QLineEdit* edit;
        QString text;
    } restored[] = {
        {w.Burn_in, "0"}, {w.interval, "25"}, {w.sample_size, "10000"}, {w.epsilon_p, "0.06"},
        {w.epsilon_x, "0.1"}, {w.epsilon_w, "0.3"}, {w.alphax, "5.5"}, {w.gamma1, "1"},
        {w.gamma2, "1"}, {w.sigmap, "10"}, {w.out_file, "output"},
        {w.prog, QDir(programFolder_.path()).filePath("trellin")},
    };
    for (const auto& r : restored)
        EXPECT_EQ(r.edit->text(), r.text) << r.edit->objectName().toStdString();
    EXPECT_EQ(w.Tepsilon_w->value(), 30);
    EXPECT_EQ(w.Tepsilon_x->value(), 10);
    EXPECT_EQ(w.Tepsilon_p->value(), 6);
    EXPECT_EQ(w.model->currentText(), "2");
    EXPECT_TRUE(w.RJMCMC->isChecked());
    EXPECT_EQ(QDir::currentPath(), startFolder);
    EXPECT_EQ(w.progress->progress(), 0);
    EXPECT_EQ(w.Ldone->text(), "");
    // Left as they were.
    EXPECT_EQ(w.seed0->text(), "1");
    EXPECT_EQ(w.seed1->text(), "2");
    EXPECT_TRUE(w.F0->isChecked());
    EXPECT_TRUE(w.shutdown->isChecked());
    EXPECT_EQ(w.source->text(), "s.dat");
    EXPECT_EQ(w.mixture->text(), "m.dat");
    EXPECT_EQ(w.outdir->text(), "/elsewhere/");
    EXPECT_TRUE(w.CNP->isChecked());
    EXPECT_TRUE(w.Csources->isChecked());
}

TEST_F(SetupWindow, EscapeRestores)
{
    TForm1& w = window();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.interval->setText("7");
    w.interval->setFocus();
    QTest::keyClick(w.interval, Qt::Key_Escape);
    EXPECT_EQ(w.interval->text(), "25");
}

TEST_F(SetupWindow, BrowseButtonsEnterTheChosenNames)
{
    TForm1& w = window();
    QTemporaryDir data;
    const QString chosen = QDir(data.path()).filePath("chosen.dat");
    dialogs_.fileToReturn = chosen;
    w.Browsesource->click();
    EXPECT_EQ(w.source->text(), chosen);
    w.Browsemixture->click();
    EXPECT_EQ(w.mixture->text(), chosen);
    EXPECT_EQ(QDir::currentPath(), work_.path());  // the data dialog keeps the current folder

    dialogs_.folderToReturn = data.path();
    w.Browseoutdir->click();
    EXPECT_EQ(w.outdir->text(), data.path() + "/");
    EXPECT_EQ(dialogs_.lastFolderCaption, "Select output directory:");
    EXPECT_EQ(dialogs_.lastFolderRoot, "/");
    dialogs_.folderToReturn = "/";
    w.Browseoutdir->click();
    EXPECT_EQ(w.outdir->text(), "/");

    // Cancelled dialogs change nothing.
    dialogs_.fileToReturn.clear();
    dialogs_.folderToReturn.clear();
    w.Browsesource->click();
    w.Browseoutdir->click();
    EXPECT_EQ(w.source->text(), chosen);
    EXPECT_EQ(w.outdir->text(), "/");
}

TEST_F(SetupWindow, ChoosingTheProgramMakesItsFolderCurrentUntilRestore)
{
    TForm1& w = window();
    QTemporaryDir engineFolder;
    const QString engine = QDir(engineFolder.path()).filePath("trellin2");
    dialogs_.fileToReturn = engine;
    w.browseprog->click();
    EXPECT_EQ(w.prog->text(), engine);
    EXPECT_EQ(dialogs_.lastFilter, "All files (*)");
    EXPECT_EQ(QDir::currentPath(), engineFolder.path());
    w.RestoreClick();
    EXPECT_EQ(QDir::currentPath(), work_.path());
}

TEST_F(SetupWindow, TheHelpPageShowsTheShippedGuide)
{
    TForm1& w = window();
    EXPECT_TRUE(dialogs_.errors.isEmpty());
    EXPECT_TRUE(w.RichEdit1->isReadOnly());
    EXPECT_EQ(w.RichEdit1->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(w.RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(w.RichEdit1->palette().color(QPalette::Base), w.RichEdit1->palette().color(QPalette::Button));
    EXPECT_TRUE(w.RichEdit1->toPlainText().startsWith("ORVANTA v1.0"));
}

TEST_F(SetupWindow, AMissingHelpFileIsReportedAndLeavesTheHelpPageEmpty)
{
    QFile::remove(QDir(programFolder_.path()).filePath("help.rtf"));
    TForm1& w = window();
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_TRUE(dialogs_.errors[0].contains(QDir(programFolder_.path()).filePath("help.rtf")));
    EXPECT_TRUE(w.RichEdit1->toPlainText().isEmpty());
}

TEST_F(SetupWindow, SettingsMirrorTheControls)
{
    TForm1& w = window();
    w.outdir->setText("results/");
    QString error;
    QFile reference(QStringLiteral(ORVANTA_SOURCE_DIR "/tests/frontend/Window/data/inival_default.dat"));
    ASSERT_TRUE(reference.open(QIODevice::ReadOnly));
    EXPECT_EQ(composeConfiguration(w.settings(), &error), reference.readAll());
    w.MCMC->setChecked(true);
    w.F0->setChecked(true);
    w.model->setCurrentIndex(6);
    w.CNP->setChecked(true);
    const RunSettings s = w.settings();
    EXPECT_FALSE(s.RJMCMC);
    EXPECT_FALSE(s.F1);
    EXPECT_EQ(s.modelIndex, 6);
    EXPECT_TRUE(s.CNP);
    EXPECT_FALSE(s.Csources);
}

}  // namespace
