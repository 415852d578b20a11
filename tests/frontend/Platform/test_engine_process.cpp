#include "Platform/EngineProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

class EngineProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    // A small shell script standing in for the engine.
    QString script(const QString& name, const QByteArray& body)
    {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return f.fileName();
    }

    // Everything the process writes until it has ended and the pipe is empty.
    static QByteArray readAll(EngineProcess& p)
    {
        QByteArray all;
        for (int i = 0; i < 3000; ++i) {
            const long n = p.peek();
            EXPECT_GE(n, 0);
            if (n > 0) {
                char buffer[1024];
                const long got = p.read(buffer, sizeof buffer);
                EXPECT_GT(got, 0);
                all.append(buffer, got);
            } else if (p.waitFinished(10) && p.peek() == 0) {
                return all;
            }
        }
        ADD_FAILURE() << "the process did not end";
        return all;
    }

    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(EngineProcessTest, StandardOutputAndErrorShareOnePipeInOrder)
{
    const QString prog = script("engine", "printf 'out1 '\nprintf 'err1 ' >&2\nprintf 'out2'\n");
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(prog), EngineProcess::StartResult::Started);
    EXPECT_EQ(readAll(*p), "out1 err1 out2");
    EXPECT_EQ(p->exitCode(), 0);
}

TEST_F(EngineProcessTest, StandardInputIsAtItsEndAtOnce)
{
    // The engine's fatal stop waits for one character; it must not hang.
    const QString prog = script("engine", "if read line; then echo got; else echo eof; fi\nexit 1\n");
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(prog), EngineProcess::StartResult::Started);
    EXPECT_EQ(readAll(*p), "eof\n");
    EXPECT_EQ(p->exitCode(), 1);
}

TEST_F(EngineProcessTest, InheritsTheCurrentDirectoryAndTheEnvironment)
{
    qputenv("ORVANTA_ENGINE_TEST", "inherited");
    const QString prog = script("engine", "pwd\necho \"$ORVANTA_ENGINE_TEST\"\n");
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(prog), EngineProcess::StartResult::Started);
    EXPECT_EQ(readAll(*p), QDir::currentPath().toLocal8Bit() + "\ninherited\n");
    qunsetenv("ORVANTA_ENGINE_TEST");
}

TEST_F(EngineProcessTest, AProgramIsNamedByItsPathNeverSearchedFor)
{
    script("engine", "echo here\n");
    // A bare name is taken from the current directory...
    auto local = newSystemEngineProcess();
    ASSERT_EQ(local->start("engine"), EngineProcess::StartResult::Started);
    EXPECT_EQ(readAll(*local), "here\n");
    // ...and a program only found on the search path does not start.
    ASSERT_FALSE(QFile::exists(dir_.filePath("sh")));
    auto searched = newSystemEngineProcess();
    EXPECT_EQ(searched->start("sh"), EngineProcess::StartResult::SpawnFailed);
}

TEST_F(EngineProcessTest, ProgramsThatCannotRunFailToStart)
{
    QFile plain(dir_.filePath("notexecutable"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\necho no\n");
    plain.close();
    QDir(dir_.path()).mkdir("afolder");
    for (const QString& name : {QString(), QString("missing"), QString("notexecutable"), QString("afolder")}) {
        auto p = newSystemEngineProcess();
        EXPECT_EQ(p->start(name), EngineProcess::StartResult::SpawnFailed) << name.toStdString();
        EXPECT_FALSE(p->errorString().isEmpty());
    }
}

TEST_F(EngineProcessTest, ReportsTheExitStatus)
{
    for (int status : {0, 1, 3}) {
        auto p = newSystemEngineProcess();
        ASSERT_EQ(p->start(script("engine", "exit " + QByteArray::number(status) + "\n")),
                  EngineProcess::StartResult::Started);
        readAll(*p);
        EXPECT_EQ(p->exitCode(), status);
    }
}

TEST_F(EngineProcessTest, OutputWrittenJustBeforeTheEndIsStillInThePipe)
{
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(script("engine", "printf '0 1 2 100\\n'\n")), EngineProcess::StartResult::Started);
    QElapsedTimer t;
    t.start();
    while (!p->waitFinished(10))
        ASSERT_LT(t.elapsed(), 10000);
    EXPECT_EQ(p->peek(), 10);
    char buffer[16];
    EXPECT_EQ(p->read(buffer, 4), 4);
    EXPECT_EQ(QByteArray(buffer, 4), "0 1 ");
    EXPECT_EQ(p->peek(), 6);
}

TEST_F(EngineProcessTest, WaitingReturnsWhileTheProcessRuns)
{
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(script("engine", "sleep 5\n")), EngineProcess::StartResult::Started);
    EXPECT_FALSE(p->waitFinished(10));
    EXPECT_EQ(p->peek(), 0);
    p->terminate();
    EXPECT_TRUE(p->waitFinished(0));
}

TEST_F(EngineProcessTest, TerminateEndsTheEngineAndWhatItStarted)
{
    // The script waits on a child of its own, as an engine busy in a helper would.
    const QString prog = script("engine", "sleep 30 &\necho $! > child.pid\nwait\n");
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(prog), EngineProcess::StartResult::Started);
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(dir_.filePath("child.pid")) || QFile(dir_.filePath("child.pid")).size() == 0)
        ASSERT_FALSE(p->waitFinished(10));
    QFile pidFile(dir_.filePath("child.pid"));
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const pid_t child = pidFile.readAll().trimmed().toInt();
    ASSERT_GT(child, 0);

    p->terminate();
    EXPECT_TRUE(p->waitFinished(0));
    EXPECT_EQ(p->exitCode(), 128 + SIGTERM);
    EXPECT_LT(t.elapsed(), 10000);
    // The helper is gone too (or a zombie waiting for its new parent to collect it).
    bool ended = false;
    // The signal reaches the helper a little later than the script: poll for up to 5 s
    // (waitFinished returns at once now that the script has ended).
    for (int i = 0; i < 500 && !ended; ++i) {
        QFile stat(QString("/proc/%1/stat").arg(child));
        ended = !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        if (!ended)
            QThread::msleep(10);
    }
    EXPECT_TRUE(ended);
}

TEST_F(EngineProcessTest, AnEngineIgnoringTheRequestIsKilled)
{
    const QString prog = script("engine", "trap '' TERM\necho ready\nwhile :; do sleep 0.05; done\n");
    auto p = newSystemEngineProcess();
    ASSERT_EQ(p->start(prog), EngineProcess::StartResult::Started);
    while (p->peek() == 0)
        ASSERT_FALSE(p->waitFinished(10));
    p->terminate();
    EXPECT_TRUE(p->waitFinished(0));
    EXPECT_EQ(p->exitCode(), 128 + SIGKILL);
}

}  // namespace
