#include "WindowFixture.h"

#include "Platform/Gauge.h"
#include "Plotwin2/Plotwin2.h"
#include "Window/RunConfiguration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest/QTest>

#include <cstring>
#include <deque>
#include <functional>

namespace {

const char* const kStopQuestion = "      Are you sure ?\n The program is still running...";
const char* const kCloseQuestion = "Are you sure ?\n The program is running...";

class Launcher : public WindowFixture {
protected:
    // A shell script standing in for the engine, in the current directory.
    QString engine(const QByteArray& body, const QString& name = "engine")
    {
        QFile f(workFile(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return f.fileName();
    }

    // Every value the gauge takes from now on.
    QList<int>& recordGauge()
    {
        QObject::connect(window().progress, &QProgressBar::valueChanged, [this](int v) { gauge_ << v; });
        return gauge_;
    }

    // Runs `action` once, from inside the polling loop, as soon as `ready` holds during a run.
    void duringRun(std::function<bool()> ready, std::function<void()> action)
    {
        auto* timer = new QTimer(&window());
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [this, timer, ready, action] {
            if (window().running() && ready()) {
                timer->stop();
                action();
            }
        });
        timer->start();
    }

    void atGauge(int value, std::function<void()> action)
    {
        duringRun([this, value] { return window().progress->progress() >= value; }, action);
    }

    // Presses Start and returns once the run is over, with its length in milliseconds.
    qint64 run()
    {
        QElapsedTimer t;
        t.start();
        window().go->click();
        return t.elapsed();
    }

    QByteArray readWork(const QString& name)
    {
        QFile f(workFile(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        return f.readAll();
    }

    QList<int> gauge_;
};

const QRegularExpression kElapsed(QStringLiteral("\n0h0m[0-9]s$"));

TEST_F(Launcher, ProgressChunksDriveTheGaugeUntilTheRunIsDone)
{
    TForm1& w = window();
    w.prog->setText(engine("cp inival.dat seen.dat\n"
                           "printf '0 '\nsleep 0.3\nprintf '12 13 '\nsleep 0.3\nprintf '100\\n'\n"));
    QList<int>& gauge = recordGauge();
    QString captionDuringRun;
    atGauge(0, [&] { captionDuringRun = w.go->text(); });

    run();

    EXPECT_EQ(captionDuringRun, "Stop");
    EXPECT_EQ(w.go->text(), "Start");
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n")) << w.Ldone->text().toStdString();
    EXPECT_TRUE(kElapsed.match(w.Ldone->text()).hasMatch()) << w.Ldone->text().toStdString();
    EXPECT_EQ(w.progress->progress(), 100);
    EXPECT_TRUE(gauge.contains(12));
    EXPECT_FALSE(gauge.contains(13));  // a chunk's first number only
    EXPECT_LT(gauge.indexOf(12), gauge.lastIndexOf(100));
    EXPECT_TRUE(dialogs_.errors.isEmpty()) << dialogs_.errors.join('|').toStdString();
    EXPECT_EQ(shutdown_.calls, 0);  // the box is not checked
    // The configuration was complete when the engine started.
    QString error;
    EXPECT_EQ(readWork("seen.dat"), composeConfiguration(w.settings(), &error));
}

TEST_F(Launcher, ACompletedRunWithTheBoxCheckedAsksForTheShutdownOnce)
{
    TForm1& w = window();
    w.prog->setText(engine("printf '0 50 '\nprintf '100\\n'\n"));
    w.shutdown->setChecked(true);
    run();
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n"));
    EXPECT_EQ(shutdown_.calls, 1);
}

TEST_F(Launcher, AnEngineErrorIsAFailureWithTheEnginesMessage)
{
    TForm1& w = window();
    w.prog->setText(engine("printf '0 '\nsleep 0.2\nprintf '12 '\nsleep 0.2\n"
                           "printf \"couldn't open source data file for reading.\\n\"\nexit 1\n"));
    w.shutdown->setChecked(true);
    QList<int>& gauge = recordGauge();
    run();
    EXPECT_TRUE(w.Ldone->text().startsWith("Failed !\n")) << w.Ldone->text().toStdString();
    EXPECT_TRUE(kElapsed.match(w.Ldone->text()).hasMatch());
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_EQ(dialogs_.errors[0], "couldn't open source data file for reading.");
    EXPECT_TRUE(gauge.contains(12));
    EXPECT_EQ(w.progress->progress(), 0);  // the message chunk reads as 0, and no 100 follows
    EXPECT_EQ(shutdown_.calls, 0);
    EXPECT_EQ(w.go->text(), "Start");
}

TEST_F(Launcher, WhatTheEngineWritesJustBeforeItEndsIsNeverLost)
{
    TForm1& w = window();
    w.prog->setText(engine("sleep 0.1\nprintf '0 41 model not allowed.\\n'\nexit 1\n"));
    for (int i = 0; i < 5; ++i) {
        dialogs_.errors.clear();
        run();
        ASSERT_EQ(dialogs_.errors.size(), 1) << "run " << i;
        EXPECT_EQ(dialogs_.errors[0], "model not allowed.") << "run " << i;
    }
}

TEST_F(Launcher, AFailureWithoutWordsReportsTheExitStatus)
{
    TForm1& w = window();
    w.prog->setText(engine("printf '0 1 2 '\nexit 3\n"));
    run();
    EXPECT_TRUE(w.Ldone->text().startsWith("Failed !\n"));
    EXPECT_EQ(dialogs_.errors, QStringList{"The engine stopped with exit status 3."});
}

TEST_F(Launcher, StopConfirmedEndsTheEngineAsAborted)
{
    TForm1& w = window();
    w.prog->setText(engine("printf '0 '\nsleep 0.1\nprintf '5 '\nsleep 30\n"));
    w.shutdown->setChecked(true);
    dialogs_.answers = {true};
    atGauge(5, [&] { w.go->click(); });  // the nested click reads "Stop"

    const qint64 took = run();

    EXPECT_EQ(dialogs_.confirmations, QStringList{kStopQuestion});
    EXPECT_TRUE(w.Ldone->text().startsWith("Aborted !\n")) << w.Ldone->text().toStdString();
    EXPECT_TRUE(kElapsed.match(w.Ldone->text()).hasMatch());
    EXPECT_EQ(w.progress->progress(), 5);  // left where it was
    EXPECT_EQ(shutdown_.calls, 0);
    EXPECT_TRUE(dialogs_.errors.isEmpty());
    EXPECT_EQ(w.go->text(), "Start");
    EXPECT_LT(took, 10000);
}

TEST_F(Launcher, StopCancelledLetsTheRunFinish)
{
    TForm1& w = window();
    w.prog->setText(engine("printf '0 '\nsleep 0.2\nprintf '12 13 '\nsleep 0.4\nprintf '100\\n'\n"));
    w.shutdown->setChecked(true);
    dialogs_.answers = {false};
    QString captionAfterCancel;
    atGauge(12, [&] {
        w.go->click();
        captionAfterCancel = w.go->text();
    });
    run();
    EXPECT_EQ(dialogs_.confirmations, QStringList{kStopQuestion});
    EXPECT_EQ(captionAfterCancel, "Stop");
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n"));
    EXPECT_EQ(w.progress->progress(), 100);
    EXPECT_EQ(shutdown_.calls, 1);
}

TEST_F(Launcher, ClosingDuringARunAsksAndThenEndsTheEngine)
{
    TForm1& w = window();
    w.show();
    w.prog->setText(engine("printf '0 '\nsleep 0.1\nprintf '5 '\nsleep 30\n"));
    w.shutdown->setChecked(true);
    dialogs_.answers = {false, true};
    bool closedFirst = true;
    bool visibleAfterCancel = false;
    atGauge(5, [&] {
        closedFirst = w.close();
        visibleAfterCancel = w.isVisible() && w.running();
        w.close();
    });
    const qint64 took = run();
    EXPECT_FALSE(closedFirst);
    EXPECT_TRUE(visibleAfterCancel);
    EXPECT_EQ(dialogs_.confirmations, (QStringList{kCloseQuestion, kCloseQuestion}));
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Ldone->text().startsWith("Aborted !\n"));
    EXPECT_EQ(shutdown_.calls, 0);
    EXPECT_LT(took, 10000);
}

TEST_F(Launcher, ClosingWhenIdleAsksNothing)
{
    TForm1& w = window();
    w.show();
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(dialogs_.confirmations.isEmpty());
}

TEST_F(Launcher, AProgramThatCannotBeStartedIsReported)
{
    TForm1& w = window();
    QFile plain(workFile("notexecutable"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& prog : {QString(), workFile("missing"), QString("notexecutable")}) {
        dialogs_.errors.clear();
        w.prog->setText(prog);
        w.Ldone->setText("earlier");
        run();
        EXPECT_EQ(dialogs_.errors, QStringList{"Can't execute command."}) << prog.toStdString();
        EXPECT_EQ(w.go->text(), "Start");
        EXPECT_EQ(w.Ldone->text(), "earlier");
        EXPECT_FALSE(w.running());
    }
}

TEST_F(Launcher, AfterRestoreStartWritesTheDefaultConfiguration)
{
    TForm1& w = window();
    w.sample_size->setText("1");
    w.epsilon_w->setText("0.9");
    w.sigmap->setText("3");
    w.MCMC->setChecked(true);
    w.model->setCurrentIndex(5);
    w.out_file->setText("other");
    w.RestoreClick();
    w.outdir->setText("results/");
    w.prog->setText(QString());
    run();
    QFile reference(QStringLiteral(ORVANTA_SOURCE_DIR "/tests/frontend/Window/data/inival_default.dat"));
    ASSERT_TRUE(reference.open(QIODevice::ReadOnly));
    EXPECT_EQ(readWork("inival.dat"), reference.readAll());
}

TEST_F(Launcher, ABadNumberStopsTheStartBeforeAnythingIsWritten)
{
    TForm1& w = window();
    QFile earlier(workFile("inival.dat"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("previous");
    earlier.close();
    w.prog->setText(engine("printf '100\\n'\n"));
    w.sigmap->setText("1.2.3");
    w.seed1->clear();  // a later bad field
    run();
    EXPECT_EQ(dialogs_.errors, QStringList{"'1.2.3' is not a valid floating point value."});
    EXPECT_EQ(readWork("inival.dat"), "previous");
    EXPECT_EQ(enginesMade_, 0);
    EXPECT_EQ(w.go->text(), "Start");
}

TEST_F(Launcher, AConfigurationFileThatCannotBeWrittenStopsTheStart)
{
    TForm1& w = window();
    ASSERT_TRUE(QDir(work_.path()).mkdir("inival.dat"));
    w.prog->setText(engine("printf '100\\n'\n"));
    run();
    EXPECT_EQ(dialogs_.errors, QStringList{"Couldn't open INIVAL.dat for writing."});
    EXPECT_EQ(enginesMade_, 0);
}

TEST_F(Launcher, ARunCanFollowARun)
{
    TForm1& w = window();
    w.prog->setText(engine("printf '0 100\\n'\n"));
    run();
    w.prog->setText(engine("printf '0 '\nsleep 0.1\nprintf '7 '\nexit 1\n", "engine2"));
    run();
    EXPECT_TRUE(w.Ldone->text().startsWith("Failed !\n"));
    EXPECT_EQ(w.progress->progress(), 7);
    w.prog->setText(workFile("engine"));
    run();
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n"));
    EXPECT_EQ(enginesMade_, 3);
}

// An engine whose pipe and process are played from a script, to see how the loop uses them.
class ScriptedEngine : public EngineProcess {
public:
    struct Log {
        QList<long> readSizes;
        QList<int> waits;
        bool terminated = false;
    };

    ScriptedEngine(Log& log, std::deque<QByteArray> chunks, int waitsBeforeEnd, int exitCode,
                   bool peekFails = false, StartResult start = StartResult::Started)
        : log_(log), chunks_(std::move(chunks)), waitsLeft_(waitsBeforeEnd), exitCode_(exitCode),
          peekFails_(peekFails), start_(start)
    {
    }

    StartResult start(const QString&) override { return start_; }
    long peek() override
    {
        if (peekFails_)
            return -1;
        return chunks_.empty() ? 0 : long(chunks_.front().size());
    }
    long read(char* buffer, long size) override
    {
        log_.readSizes << size;
        if (readFails)
            return -1;
        QByteArray& front = chunks_.front();
        const long n = std::min<long>(size, front.size());
        std::memcpy(buffer, front.constData(), size_t(n));
        front.remove(0, n);
        if (front.isEmpty())
            chunks_.pop_front();
        return n;
    }
    bool waitFinished(int ms) override
    {
        log_.waits << ms;
        return waitsLeft_-- <= 0;
    }
    void terminate() override { log_.terminated = true; }
    int exitCode() const override { return exitCode_; }
    QString errorString() const override { return QStringLiteral("Broken pipe"); }

    bool readFails = false;

private:
    Log& log_;
    std::deque<QByteArray> chunks_;
    int waitsLeft_;
    int exitCode_;
    bool peekFails_;
    StartResult start_;
};

class ScriptedLauncher : public WindowFixture {
protected:
    TForm1& windowWith(std::function<std::unique_ptr<EngineProcess>()> factory)
    {
        TForm1::Services s = services();
        s.newEngine = std::move(factory);
        window_ = std::make_unique<TForm1>(s);
        return *window_;
    }
    ScriptedEngine::Log log_;
};

TEST_F(ScriptedLauncher, ReadsAtMost1023BytesAtATimeAndWaits10MsBetweenEmptyPolls)
{
    QByteArray big = "3 " + QByteArray(1500, ' ') + "64 " + QByteArray(600, 'x');
    TForm1& w = windowWith([&] {
        return std::make_unique<ScriptedEngine>(log_, std::deque<QByteArray>{"0 ", big, "100\n"}, 2, 0);
    });
    QList<int> gauge;
    QObject::connect(w.progress, &QProgressBar::valueChanged, [&](int v) { gauge << v; });
    w.goClick();
    for (long size : log_.readSizes)
        EXPECT_EQ(size, 1023);
    // "0 ", then the big chunk in pieces of 1023 bytes: "3 ...", blanks up to "64 xx", "xxx".
    EXPECT_EQ(log_.readSizes.size(), 1 + 3 + 1);
    EXPECT_TRUE(gauge.contains(3));
    EXPECT_TRUE(gauge.contains(64));
    for (int ms : log_.waits)
        EXPECT_EQ(ms, 10);
    EXPECT_EQ(log_.waits.size(), 3);
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n"));
}

TEST_F(ScriptedLauncher, AFailedPeekIsReportedAndTheRunIsStillWatchedToItsEnd)
{
    TForm1& w = windowWith([&] {
        return std::make_unique<ScriptedEngine>(log_, std::deque<QByteArray>{}, 3, 0, true);
    });
    w.goClick();
    EXPECT_EQ(dialogs_.errors, QStringList{"Reading the engine's output failed: Broken pipe."});
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n"));
    EXPECT_EQ(w.go->text(), "Start");
}

TEST_F(ScriptedLauncher, AFailedReadIsReportedOnceAndTheRunIsStillWatched)
{
    TForm1& w = windowWith([&] {
        auto e = std::make_unique<ScriptedEngine>(log_, std::deque<QByteArray>{"0 "}, 2, 0);
        e->readFails = true;
        return e;
    });
    w.goClick();
    EXPECT_EQ(dialogs_.errors, QStringList{"Reading the engine's output failed: Broken pipe."});
    EXPECT_EQ(log_.readSizes.size(), 1);
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n"));
}

TEST_F(ScriptedLauncher, APipeThatCannotBeMadeIsReported)
{
    TForm1& w = windowWith([&] {
        return std::make_unique<ScriptedEngine>(log_, std::deque<QByteArray>{}, 0, 0, false,
                                                EngineProcess::StartResult::PipeFailed);
    });
    w.goClick();
    EXPECT_EQ(dialogs_.errors, QStringList{"Couldn't create a pipe: Broken pipe."});
    EXPECT_EQ(w.go->text(), "Start");
}

TEST_F(Launcher, PlotOpensAWindowOnTheSampleTraceOfTheOutputLocation)
{
    TForm1& w = window();
    const QString folder = work_.path() + "/";
    w.outdir->setText(folder);
    w.out_file->setText("run1");
    QFile trace(folder + "run1UP.out");
    ASSERT_TRUE(trace.open(QIODevice::WriteOnly));
    trace.write("    25   -100.000000     0.500000    2      0.000000      1.000000      0.000000      0.000000     0.400000     0.600000\n");
    trace.close();
    w.plotClick();
    w.plotClick();
    const QList<TForm3*> plots = w.findChildren<TForm3*>();
    ASSERT_EQ(plots.size(), 2);  // one window per press, alive until the program ends
    for (TForm3* p : plots) {
        EXPECT_TRUE(p->isWindow());
        EXPECT_TRUE(p->isVisible());
        EXPECT_EQ(p->windowTitle(), "Plot: " + folder + "run1UP.out");
    }
    EXPECT_TRUE(dialogs_.errors.isEmpty());
}

TEST_F(Launcher, PlotWithoutTheTraceFileShowsAnErrorAndNoWindow)
{
    TForm1& w = window();
    w.outdir->setText(work_.path() + "/");
    w.out_file->setText("missing");
    w.plotClick();
    EXPECT_EQ(dialogs_.errors, QStringList{"Couldn't open output file.\n"});
    EXPECT_TRUE(w.findChildren<TForm3*>().isEmpty());
}

}  // namespace
