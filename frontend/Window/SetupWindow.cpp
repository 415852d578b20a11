#include "Window/SetupWindow.h"

#include "Window/ImportGenepopDialog.h"

#include <QFile>

#include "Platform/Dialogs.h"
#include "Platform/Gauge.h"
#include "Platform/KeyFilter.h"
#include "Platform/RtfReader.h"
#include "Platform/ShutdownService.h"
#include "Plotwin2/Plotwin2.h"
#include "Window/EpsilonLink.h"
#include "Window/RunConfiguration.h"
#include "Window/RunMonitor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

const QString kStart = QStringLiteral("Start");
const QString kStop = QStringLiteral("Stop");

// Reads fit the 1024-byte receive buffer with room for the terminator.
constexpr long kReadSize = 1023;
constexpr int kPollWaitMs = 10;
// Output kept for the error report of a failed run.
constexpr qsizetype kKeptOutput = 1 << 20;
// Reads after the engine has ended: what it wrote last, not an endless stream of a leftover.
constexpr int kMaxDrainReads = 1024;

template <class T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* label(const char* name, const QString& text, QWidget* parent)
{
    return named(new QLabel(text, parent), name);
}

QLineEdit* edit(const char* name, const QString& text, QWidget* parent)
{
    return named(new QLineEdit(text, parent), name);
}

QPushButton* button(const char* name, const QString& text, QWidget* parent)
{
    return named(new QPushButton(text, parent), name);
}

QPushButton* browseButton(const char* name, QWidget* parent)
{
    QPushButton* b = button(name, QStringLiteral("..."), parent);
    b->setFixedWidth(28);
    return b;
}

QSlider* track(const char* name, int position, QWidget* parent)
{
    QSlider* t = named(new QSlider(Qt::Horizontal, parent), name);
    t->setRange(0, 100);
    t->setTickInterval(10);
    t->setTickPosition(QSlider::TicksBelow);
    t->setPageStep(10);
    t->setValue(position);
    return t;
}

QString withSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

}  // namespace

TForm1::Services TForm1::systemServices()
{
    Services s;
    s.dialogs = &systemDialogs();
    s.newEngine = newSystemEngineProcess;
    s.shutdownService = &systemShutdown();
    s.programFolder = QCoreApplication::applicationDirPath();
    return s;
}

TForm1::TForm1(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      services_(services)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ORVANTA v1.0"));
    setFixedSize(583, 326);

    IntEdit = named(new KeyFilter(KeyFilter::Kind::Integer, this), "IntEdit");
    FloatEdit = named(new KeyFilter(KeyFilter::Kind::Real, this), "FloatEdit");

    Pages = named(new QTabWidget(this), "Pages");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Pages);

    buildMainPage();
    buildOptionsPage();
    buildAdvancedPage();
    buildHelpPage();
    Pages->setCurrentWidget(Pmain);

    // Escape restores, Enter presses the focused button or else Start.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Restore, &QPushButton::click);
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, this, [this] {
            auto* focused = qobject_cast<QPushButton*>(focusWidget());
            (focused ? focused : go)->click();
        });
    }

    startDirectory_ = QDir::currentPath();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildMainPage()
{
    Pmain = named(new QWidget, "Pmain");
    Pages->addTab(Pmain, QStringLiteral("Main"));
    QWidget* p = Pmain;

    Lsource = label("Lsource", QStringLiteral("Sources data:"), p);
    source = edit("source", QStringLiteral("source.dat"), p);
    Browsesource = browseButton("Browsesource", p);
    Lmixture = label("Lmixture", QStringLiteral("Mixture data:"), p);
    mixture = edit("mixture", QStringLiteral("mixture.dat"), p);
    Browsemixture = browseButton("Browsemixture", p);
    Importgenepop = button("Importgenepop", QStringLiteral("Import GENEPOP..."), p);
    Loutdir = label("Loutdir", QStringLiteral("Output files directory: "), p);
    outdir = edit("outdir", QString(), p);
    Browseoutdir = browseButton("Browseoutdir", p);
    Lout_file = label("Lout_file", QStringLiteral("Output files prefix: "), p);
    out_file = edit("out_file", QStringLiteral("output"), p);

    lseed0 = label("lseed0", QStringLiteral("Seed 0:"), p);
    seed0 = edit("seed0", QStringLiteral("12345"), p);
    lseed1 = label("lseed1", QStringLiteral("Seed 1:"), p);
    seed1 = edit("seed1", QStringLiteral("678910"), p);
    Lgeneration = label("Lgeneration", QStringLiteral("Generation:"), p);
    F1 = named(new QRadioButton(QStringLiteral("F1"), p), "F1");
    F0 = named(new QRadioButton(QStringLiteral("F0"), p), "F0");
    F1->setChecked(true);
    auto* generation = new QButtonGroup(p);
    generation->addButton(F1);
    generation->addButton(F0);
    shutdown = named(new QCheckBox(QStringLiteral("Shutdown system when finished"), p), "shutdown");

    progress = named(new Gauge(p), "progress");
    progress->setFixedHeight(22);
    Ldone = label("Ldone", QString(), p);
    Ldone->setFixedWidth(96);
    Ldone->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Restore = button("Restore", QStringLiteral("Restore"), p);
    go = button("go", kStart, p);
    plot = button("plot", QStringLiteral("Plot"), p);
    for (QPushButton* b : {Restore, go, plot})
        b->setFixedWidth(80);

    for (QLineEdit* e : {seed0, seed1}) {
        IntEdit->attach(e);
        e->setFixedWidth(90);
    }

    auto* files = new QGridLayout;
    files->setHorizontalSpacing(6);
    files->addWidget(Lsource, 0, 0);
    files->addWidget(source, 0, 1);
    files->addWidget(Browsesource, 0, 2);
    files->addWidget(Lmixture, 1, 0);
    files->addWidget(mixture, 1, 1);
    files->addWidget(Browsemixture, 1, 2);
    files->addWidget(Importgenepop, 0, 3, 2, 1);
    files->addWidget(Loutdir, 2, 0);
    files->addWidget(outdir, 2, 1);
    files->addWidget(Browseoutdir, 2, 2);
    files->addWidget(Lout_file, 3, 0);
    out_file->setFixedWidth(160);
    files->addWidget(out_file, 3, 1, Qt::AlignLeft);

    auto* seeds = new QHBoxLayout;
    seeds->addWidget(lseed0);
    seeds->addWidget(seed0);
    seeds->addSpacing(12);
    seeds->addWidget(lseed1);
    seeds->addWidget(seed1);
    seeds->addStretch(1);
    seeds->addWidget(Lgeneration);
    seeds->addWidget(F1);
    seeds->addWidget(F0);

    auto* run = new QHBoxLayout;
    run->addWidget(progress, 1);
    run->addSpacing(8);
    run->addWidget(Ldone);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Restore);
    buttons->addWidget(go);
    buttons->addWidget(plot);

    auto* v = new QVBoxLayout(p);
    v->setContentsMargins(10, 10, 10, 8);
    v->addLayout(files);
    v->addSpacing(4);
    v->addLayout(seeds);
    v->addSpacing(4);
    v->addWidget(shutdown);
    v->addStretch(1);
    v->addLayout(run);
    v->addSpacing(4);
    v->addLayout(buttons);

    connect(Browsesource, &QPushButton::clicked, this, &TForm1::BrowsesourceClick);
    connect(Browsemixture, &QPushButton::clicked, this, &TForm1::BrowsemixtureClick);
    connect(Importgenepop, &QPushButton::clicked, this, &TForm1::ImportgenepopClick);
    connect(Browseoutdir, &QPushButton::clicked, this, &TForm1::BrowseoutdirClick);
    connect(Restore, &QPushButton::clicked, this, &TForm1::RestoreClick);
    connect(go, &QPushButton::clicked, this, &TForm1::goClick);
    connect(plot, &QPushButton::clicked, this, &TForm1::plotClick);
}

void TForm1::buildOptionsPage()
{
    Poptions = named(new QWidget, "Poptions");
    Pages->addTab(Poptions, QStringLiteral("Options"));
    QWidget* p = Poptions;

    Chain = named(new QGroupBox(QStringLiteral(" Parameters of the chain: "), p), "Chain");
    Lsample_size = label("Lsample_size", QStringLiteral("Sample size:"), Chain);
    sample_size = edit("sample_size", QStringLiteral("10000"), Chain);
    Linterval = label("Linterval", QStringLiteral("Thinning interval:"), Chain);
    interval = edit("interval", QStringLiteral("25"), Chain);
    Lburn_in = label("Lburn_in", QStringLiteral("Burn-in period:"), Chain);
    Burn_in = edit("Burn_in", QStringLiteral("0"), Chain);
    auto* chain = new QGridLayout(Chain);
    int row = 0;
    for (auto [l, e] : {std::pair{Lsample_size, sample_size}, {Linterval, interval}, {Lburn_in, Burn_in}}) {
        IntEdit->attach(e);
        e->setFixedWidth(80);
        chain->addWidget(l, row, 0);
        chain->addWidget(e, row, 1);
        ++row;
    }
    chain->setRowStretch(row, 1);

    Epsilons = named(new QGroupBox(QStringLiteral(" Epsilon values: "), p), "Epsilons");
    Lepsilon_w = label("Lepsilon_w", QStringLiteral("w:"), Epsilons);
    epsilon_w = edit("epsilon_w", QStringLiteral("0.3"), Epsilons);
    Tepsilon_w = track("Tepsilon_w", 30, Epsilons);
    Lepsilon_x = label("Lepsilon_x", QStringLiteral("x:"), Epsilons);
    epsilon_x = edit("epsilon_x", QStringLiteral("0.1"), Epsilons);
    Tepsilon_x = track("Tepsilon_x", 10, Epsilons);
    Lepsilon_p = label("Lepsilon_p", QStringLiteral("p:"), Epsilons);
    epsilon_p = edit("epsilon_p", QStringLiteral("0.06"), Epsilons);
    Tepsilon_p = track("Tepsilon_p", 6, Epsilons);
    auto* eps = new QGridLayout(Epsilons);
    row = 0;
    for (auto [l, e, t] : {std::tuple{Lepsilon_w, epsilon_w, Tepsilon_w},
                           {Lepsilon_x, epsilon_x, Tepsilon_x},
                           {Lepsilon_p, epsilon_p, Tepsilon_p}}) {
        FloatEdit->attach(e);
        e->setFixedWidth(60);
        eps->addWidget(l, row, 0);
        eps->addWidget(e, row, 1);
        eps->addWidget(t, row, 2);
        ++row;
    }
    eps->setColumnStretch(2, 1);

    Lotherplot = label("Lotherplot", QStringLiteral("Optional output files:"), p);
    CNP = named(new QCheckBox(QStringLiteral("Not useful parameters"), p), "CNP");
    Csources = named(new QCheckBox(QStringLiteral("Sources alleles frequences"), p), "Csources");

    auto* groups = new QHBoxLayout;
    groups->addWidget(Chain, 2);
    groups->addWidget(Epsilons, 3);
    auto* others = new QHBoxLayout;
    others->addWidget(Lotherplot);
    others->addSpacing(8);
    others->addWidget(CNP);
    others->addSpacing(8);
    others->addWidget(Csources);
    others->addStretch(1);
    auto* v = new QVBoxLayout(p);
    v->setContentsMargins(10, 10, 10, 10);
    v->addLayout(groups);
    v->addSpacing(6);
    v->addLayout(others);
    v->addStretch(1);

    connect(epsilon_w, &QLineEdit::textChanged, this, &TForm1::epsilon_wChange);
    connect(epsilon_x, &QLineEdit::textChanged, this, &TForm1::epsilon_xChange);
    connect(epsilon_p, &QLineEdit::textChanged, this, &TForm1::epsilon_pChange);
    connect(Tepsilon_w, &QSlider::valueChanged, this, &TForm1::Tepsilon_wChange);
    connect(Tepsilon_x, &QSlider::valueChanged, this, &TForm1::Tepsilon_xChange);
    connect(Tepsilon_p, &QSlider::valueChanged, this, &TForm1::Tepsilon_pChange);
}

void TForm1::buildAdvancedPage()
{
    Padvanced = named(new QWidget, "Padvanced");
    Pages->addTab(Padvanced, QStringLiteral("Advanced"));
    QWidget* p = Padvanced;

    Priors = named(new QGroupBox(QStringLiteral(" Priors parameters: "), p), "Priors");
    Lsigmap = label("Lsigmap", QStringLiteral("Variance for loglinear model for mu:"), Priors);
    sigmap = edit("sigmap", QStringLiteral("10"), Priors);
    Lalphax = label("Lalphax", QStringLiteral("AlphaX variance proposal:"), Priors);
    alphax = edit("alphax", QStringLiteral("5.5"), Priors);
    Lgamma1 = label("Lgamma1", QStringLiteral("Gamma parameter aTau:"), Priors);
    gamma1 = edit("gamma1", QStringLiteral("1"), Priors);
    Lgamma2 = label("Lgamma2", QStringLiteral("Gamma parameter bTau:"), Priors);
    gamma2 = edit("gamma2", QStringLiteral("1"), Priors);
    auto* priors = new QGridLayout(Priors);
    int row = 0;
    for (auto [l, e] : {std::pair{Lsigmap, sigmap}, {Lalphax, alphax}, {Lgamma1, gamma1}, {Lgamma2, gamma2}}) {
        FloatEdit->attach(e);
        e->setFixedWidth(70);
        priors->addWidget(l, row, 0);
        priors->addWidget(e, row, 1);
        ++row;
    }
    priors->setRowStretch(row, 1);

    Options = named(new QGroupBox(QStringLiteral("Options: "), p), "Options");
    algo = label("algo", QStringLiteral("Algorithm:"), Options);
    RJMCMC = named(new QRadioButton(QStringLiteral("RJMCMC"), Options), "RJMCMC");
    MCMC = named(new QRadioButton(QStringLiteral("MCMC"), Options), "MCMC");
    RJMCMC->setChecked(true);
    auto* algorithm = new QButtonGroup(Options);
    algorithm->addButton(RJMCMC);
    algorithm->addButton(MCMC);
    Lmodel = label("Lmodel", QStringLiteral("Initial model:"), Options);
    model = named(new QComboBox(Options), "model");
    for (int number = 1; number <= 9; ++number)
        model->addItem(QString::number(number));
    model->setCurrentIndex(1);
    model->setMaxVisibleItems(9);
    model->setFixedWidth(60);
    auto* options = new QGridLayout(Options);
    options->addWidget(algo, 0, 0);
    options->addWidget(RJMCMC, 0, 1);
    options->addWidget(MCMC, 1, 1);
    options->addWidget(Lmodel, 2, 0);
    options->addWidget(model, 2, 1, Qt::AlignLeft);
    options->setRowStretch(3, 1);
    options->setColumnStretch(2, 1);

    Lprog = label("Lprog", QStringLiteral("Program name: "), p);
    prog = edit("prog", QString(), p);
    browseprog = browseButton("browseprog", p);

    auto* groups = new QHBoxLayout;
    groups->addWidget(Priors, 3);
    groups->addWidget(Options, 2);
    auto* program = new QHBoxLayout;
    program->addWidget(Lprog);
    program->addWidget(prog, 1);
    program->addWidget(browseprog);
    auto* v = new QVBoxLayout(p);
    v->setContentsMargins(10, 10, 10, 10);
    v->addLayout(groups);
    v->addSpacing(6);
    v->addLayout(program);
    v->addStretch(1);

    connect(browseprog, &QPushButton::clicked, this, &TForm1::browseprogClick);
}

void TForm1::buildHelpPage()
{
    Help = named(new QWidget, "Help");
    Pages->addTab(Help, QStringLiteral("Help"));
    RichEdit1 = named(new QTextEdit(Help), "RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setFrameShape(QFrame::NoFrame);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setTabStopDistance(40);
    QPalette palette = RichEdit1->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    RichEdit1->setPalette(palette);
    auto* v = new QVBoxLayout(Help);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(RichEdit1);
}

QString TForm1::defaultProgram() const
{
    return QDir(services_.programFolder).filePath(QStringLiteral("trellin"));
}

RunSettings TForm1::settings() const
{
    RunSettings s;
    s.sample_size = sample_size->text();
    s.interval = interval->text();
    s.Burn_in = Burn_in->text();
    s.epsilon_w = epsilon_w->text();
    s.epsilon_x = epsilon_x->text();
    s.epsilon_p = epsilon_p->text();
    s.sigmap = sigmap->text();
    s.alphax = alphax->text();
    s.gamma1 = gamma1->text();
    s.gamma2 = gamma2->text();
    s.seed0 = seed0->text();
    s.seed1 = seed1->text();
    s.RJMCMC = RJMCMC->isChecked();
    s.modelIndex = model->currentIndex();
    s.outdir = outdir->text();
    s.out_file = out_file->text();
    s.F1 = F1->isChecked();
    s.source = source->text();
    s.mixture = mixture->text();
    s.CNP = CNP->isChecked();
    s.Csources = Csources->isChecked();
    return s;
}

void TForm1::FormCreate()
{
    outdir->setText(withSeparator(QDir::currentPath()));
    prog->setText(defaultProgram());
    const QString help = QDir(services_.programFolder).filePath(QStringLiteral("help.rtf"));
    QString error;
    if (!RtfReader::loadFile(help, *RichEdit1->document(), &error))
        services_.dialogs->error(this, error);
    RichEdit1->moveCursor(QTextCursor::Start);
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!centred_ && screen()) {
        centred_ = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
}

void TForm1::editToTrack(QLineEdit* edit, QSlider* track)
{
    const double v = leadingNumber(edit->text());
    if (v > 1)
        edit->setText(shortestText(1.0));
    // The track bar moved this text: moving it back would undo the user's choice.
    if (trackDriving_)
        return;
    editDriving_ = true;
    track->setValue(trackPosition(v));
    editDriving_ = false;
}

void TForm1::trackToEdit(QSlider* track, QLineEdit* edit)
{
    // Only a move by the user writes the edit; a move made by the edit does not.
    if (editDriving_)
        return;
    trackDriving_ = true;
    edit->setText(shortestText(trackValue(track->value())));
    trackDriving_ = false;
}

void TForm1::epsilon_wChange() { editToTrack(epsilon_w, Tepsilon_w); }
void TForm1::epsilon_xChange() { editToTrack(epsilon_x, Tepsilon_x); }
void TForm1::epsilon_pChange() { editToTrack(epsilon_p, Tepsilon_p); }
void TForm1::Tepsilon_wChange() { trackToEdit(Tepsilon_w, epsilon_w); }
void TForm1::Tepsilon_xChange() { trackToEdit(Tepsilon_x, epsilon_x); }
void TForm1::Tepsilon_pChange() { trackToEdit(Tepsilon_p, epsilon_p); }

void TForm1::BrowsesourceClick()
{
    const QString file = services_.dialogs->openFile(this, QStringLiteral("Open sources data"),
                                                     QStringLiteral("All files (*)"));
    if (!file.isEmpty())
        source->setText(QFileInfo(file).absoluteFilePath());
}

void TForm1::BrowsemixtureClick()
{
    const QString file = services_.dialogs->openFile(this, QStringLiteral("Open mixture data"),
                                                     QStringLiteral("All files (*)"));
    if (!file.isEmpty())
        mixture->setText(QFileInfo(file).absoluteFilePath());
}

void TForm1::ImportgenepopClick()
{
    QString sourceFile, mixtureFile;
    if (ImportGenepopDialog::run(this, *services_.dialogs, sourceFile, mixtureFile)) {
        source->setText(sourceFile);
        mixture->setText(mixtureFile);
    }
}

void TForm1::BrowseoutdirClick()
{
    const QString folder = services_.dialogs->selectFolder(
        this, QStringLiteral("Select output directory:"), QStringLiteral("/"));
    if (!folder.isEmpty())
        outdir->setText(withSeparator(folder));
}

void TForm1::browseprogClick()
{
    const QString file = services_.dialogs->openFile(this, QStringLiteral("Open program"),
                                                     QStringLiteral("All files (*)"));
    if (file.isEmpty())
        return;
    const QFileInfo info(file);
    prog->setText(info.absoluteFilePath());
    // Choosing the program also makes its folder the current one, where the configuration is
    // written and the engine runs; Restore goes back.
    QDir::setCurrent(info.absolutePath());
}

void TForm1::RestoreClick()
{
    Burn_in->setText(QStringLiteral("0"));
    interval->setText(QStringLiteral("25"));
    sample_size->setText(QStringLiteral("10000"));
    epsilon_p->setText(QStringLiteral("0.06"));
    epsilon_x->setText(QStringLiteral("0.1"));
    epsilon_w->setText(QStringLiteral("0.3"));
    alphax->setText(QStringLiteral("5.5"));
    gamma1->setText(QStringLiteral("1"));
    gamma2->setText(QStringLiteral("1"));
    sigmap->setText(QStringLiteral("10"));
    model->setCurrentIndex(1);
    RJMCMC->setChecked(true);
    out_file->setText(QStringLiteral("output"));
    prog->setText(defaultProgram());
    QDir::setCurrent(startDirectory_);
    progress->setProgress(0);
    Ldone->clear();
}

void TForm1::plotClick()
{
    const QString path = outdir->text() + out_file->text() + QStringLiteral("UP.out");
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        services_.dialogs->error(this, QStringLiteral("Couldn't open output file.\n"));
        return;
    }
    probe.close();
    auto* window = new TForm3(path, this, *services_.dialogs);
    window->show();
}

void TForm1::goClick()
{
    // While a run is polled, a click on the same button arrives here nested, as "Stop".
    if (go->text() == kStop)
        stopRun();
    else
        startRun();
}

long TForm1::readChunk(QByteArray& output)
{
    char buffer[kReadSize + 1];
    const long n = engine_->read(buffer, kReadSize);
    if (n <= 0)
        return n;
    buffer[n] = '\0';
    progress->setProgress(progressValue(buffer));
    if (output.size() < kKeptOutput)
        output.append(buffer, n);
    return n;
}

void TForm1::startRun()
{
    QString error;
    // Every field is converted before the file is touched.
    if (!writeConfiguration(settings(), &error)) {
        services_.dialogs->error(this, error);
        return;
    }

    std::unique_ptr<EngineProcess> engine = services_.newEngine();
    switch (engine->start(prog->text())) {
    case EngineProcess::StartResult::Started:
        break;
    case EngineProcess::StartResult::PipeFailed:
        services_.dialogs->error(this, QStringLiteral("Couldn't create a pipe: %1.")
                                           .arg(engine->errorString()));
        return;
    case EngineProcess::StartResult::SpawnFailed:
        services_.dialogs->error(this, QStringLiteral("Can't execute command."));
        return;
    }
    engine_ = std::move(engine);

    QElapsedTimer clock;  // monotonic: a run over midnight or a clock change still adds up
    clock.start();
    go->setText(kStop);
    Ldone->clear();
    aborted_ = false;
    finished_ = false;
    running_ = true;

    QByteArray output;
    bool pipeBroken = false;
    // The engine runs on after a pipe failure; the loop keeps watching the process so that it
    // can still be stopped and its end reported.
    auto pipeFailed = [&] {
        pipeBroken = true;
        services_.dialogs->error(this, QStringLiteral("Reading the engine's output failed: %1.")
                                           .arg(engine_->errorString()));
    };
    while (!finished_) {
        const long available = pipeBroken ? 0 : engine_->peek();
        if (available < 0) {
            pipeFailed();
        } else if (available > 0) {
            if (readChunk(output) < 0)
                pipeFailed();
            QCoreApplication::processEvents();
        } else if (engine_->waitFinished(kPollWaitMs)) {
            // What the engine wrote just before it ended may still be in the pipe.
            for (int i = 0; i < kMaxDrainReads && !pipeBroken && engine_->peek() > 0; ++i)
                if (readChunk(output) <= 0)
                    break;
            finished_ = true;
        } else {
            QCoreApplication::processEvents();
        }
    }

    const int exitCode = engine_->exitCode();
    engine_.reset();
    running_ = false;
    go->setText(kStart);
    const qint64 elapsed = clock.elapsed();

    if (aborted_) {
        Ldone->setText(outcomeText(RunOutcome::Aborted, elapsed));
    } else if (exitCode != 0) {
        Ldone->setText(outcomeText(RunOutcome::Failed, elapsed));
        services_.dialogs->error(this, failureText(output, exitCode));
    } else {
        Ldone->setText(outcomeText(RunOutcome::Done, elapsed));
        progress->setProgress(100);
        if (shutdown->isChecked())
            services_.shutdownService->shutdown();
    }
}

void TForm1::stopRun()
{
    if (!services_.dialogs->confirm(this,
                                    QStringLiteral("      Are you sure ?\n The program is still running...")))
        return;
    if (engine_)
        engine_->terminate();
    aborted_ = true;
    finished_ = true;
}

void TForm1::FormCloseQuery(bool& canClose)
{
    if (go->text() == kStop)
        canClose = services_.dialogs->confirm(this, QStringLiteral("Are you sure ?\n The program is running..."));
}

void TForm1::FormClose()
{
    // An interrupted run counts as aborted, so it never leads to a shutdown.
    if (running_ && engine_) {
        engine_->terminate();
        aborted_ = true;
    }
    finished_ = true;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    // The plot windows belong to this one and go with it.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow() && child->isVisible())
            child->close();
}
