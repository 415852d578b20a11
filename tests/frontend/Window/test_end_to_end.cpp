// The front end driving the real engine on a two-source data set.
#include "WindowFixture.h"

#include "Platform/Gauge.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>

namespace {

using EndToEnd = WindowFixture;

TEST_F(EndToEnd, ARunOfTheEngineIsDoneAndLeavesItsTrace)
{
    for (const char* name : {"source.dat", "mixture.dat"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_SOURCE_DIR "/tests/frontend/Window/data/") + name, workFile(name)));
    ASSERT_TRUE(QDir(work_.path()).mkdir("out"));

    TForm1& w = window();
    w.prog->setText(QStringLiteral(TRELLIN_PATH));
    w.outdir->setText("out/");
    w.out_file->setText("run");
    w.sample_size->setText("200");
    w.interval->setText("1");
    w.shutdown->setChecked(true);
    QList<int> gauge;
    QObject::connect(w.progress, &QProgressBar::valueChanged, [&](int v) { gauge << v; });

    w.go->click();

    EXPECT_TRUE(dialogs_.errors.isEmpty()) << dialogs_.errors.join('|').toStdString();
    EXPECT_TRUE(w.Ldone->text().startsWith("Done !\n")) << w.Ldone->text().toStdString();
    EXPECT_EQ(w.progress->progress(), 100);
    EXPECT_EQ(shutdown_.calls, 1);
    // The gauge only ever rises.
    for (qsizetype i = 1; i < gauge.size(); ++i)
        EXPECT_LE(gauge[i - 1], gauge[i]);

    // One trace line per iteration after the first: iteration, log-likelihood, w, model,
    // four coefficients and the two shares.
    QFile trace(workFile("out/runUP.out"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly | QIODevice::Text));
    int lines = 0;
    QTextStream in(&trace);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(fields.size(), 10) << "line " << lines + 1;
        EXPECT_EQ(fields[0].toInt(), lines + 1);
        const double x1 = fields[8].toDouble(), x2 = fields[9].toDouble();
        EXPECT_NEAR(x1 + x2, 1.0, 2e-6);
        ++lines;
    }
    EXPECT_EQ(lines, 199);
    EXPECT_TRUE(QFile::exists(workFile("out/run.art")));
}

}  // namespace
