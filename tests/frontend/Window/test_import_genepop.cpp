#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>

#include "Platform/Dialogs.h"
#include "Window/ImportGenepopDialog.h"
#include "Window/SetupWindow.h"

namespace {

// Answers the dialogs in order and records what was shown.
class ScriptedDialogs : public Dialogs {
public:
    std::deque<QString> files;  // answers of the coming file dialogs; empty: cancelled
    QString folder;
    QStringList errors, messages, fileCaptions;

    void error(QWidget*, const QString& text) override { errors << text; }
    void message(QWidget*, const QString&, const QString& text) override { messages << text; }
    bool confirm(QWidget*, const QString&) override { return true; }
    QString openFile(QWidget*, const QString& caption, const QString&) override
    {
        fileCaptions << caption;
        if (files.empty()) return QString();
        const QString f = files.front();
        files.pop_front();
        return f;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return QString(); }
    QString selectFolder(QWidget*, const QString&, const QString&) override { return folder; }
};

const char* kSmall =
    "three samples\nA, B\nPop\na1 , 0101 0102\na2 , 0202 0101\nPop\nb 1 , 0303 0202\nPop\nm1 , 0103 0000\n";

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void SetRole(ImportGenepopDialog& d, int row, int index)
{
    qobject_cast<QComboBox*>(d.samples->cellWidget(row, ImportGenepopDialog::ColRole))->setCurrentIndex(index);
}

void Type(ImportGenepopDialog& d, int row, int column, const QString& text)
{
    d.samples->item(row, column)->setText(text);
}

QString Cell(const ImportGenepopDialog& d, int row, int column)
{
    return d.samples->item(row, column)->text();
}

const QString kExample = QStringLiteral(ORVANTA_SOURCE_DIR "/examples/microbov/");

}  // namespace

TEST(ImportGenepopDialog, ListsTheSamplesOfTheOpenedFile)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.files = {Write(dir, "small.gen", kSmall)};
    ImportGenepopDialog d(dialogs);
    EXPECT_FALSE(d.Convert->isEnabled());
    d.Open->click();
    EXPECT_EQ(dialogs.fileCaptions, QStringList{"Open GENEPOP file"});
    ASSERT_EQ(d.samples->rowCount(), 3);
    EXPECT_EQ(Cell(d, 0, ImportGenepopDialog::ColName), "a2");
    EXPECT_EQ(Cell(d, 0, ImportGenepopDialog::ColIndividuals), "2");
    EXPECT_EQ(Cell(d, 1, ImportGenepopDialog::ColName), "b 1");
    EXPECT_EQ(Cell(d, 2, ImportGenepopDialog::ColNumber), "3");
    EXPECT_EQ(d.folder->text(), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(d.prefix->text(), "small");
    EXPECT_TRUE(d.Convert->isEnabled());
    EXPECT_EQ(d.Lsummary->text(), "0 sources, no mixture, 3 ignored");
    // G1 and G2 are typed for sources only.
    EXPECT_FALSE(d.samples->item(0, ImportGenepopDialog::ColG1)->flags() & Qt::ItemIsEditable);
    SetRole(d, 0, 1);
    EXPECT_TRUE(d.samples->item(0, ImportGenepopDialog::ColG1)->flags() & Qt::ItemIsEditable);
}

TEST(ImportGenepopDialog, ConvertsTheMarkedSamples)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.files = {Write(dir, "small.gen", kSmall)};
    QDir(dir.path()).mkdir("out");
    dialogs.folder = dir.filePath("out");
    ImportGenepopDialog d(dialogs);
    d.Open->click();
    d.Browsefolder->click();
    d.prefix->setText("run1");
    SetRole(d, 1, 1);
    SetRole(d, 0, 1);
    SetRole(d, 2, 2);
    Type(d, 0, ImportGenepopDialog::ColG1, "1");
    Type(d, 0, ImportGenepopDialog::ColG2, " 0.5 ");
    Type(d, 1, ImportGenepopDialog::ColG1, "0");
    Type(d, 1, ImportGenepopDialog::ColG2, "-2");
    EXPECT_EQ(d.Lsummary->text(), "2 sources, mixture: sample 3 (1 individuals), 0 ignored");
    d.Convert->click();
    EXPECT_EQ(dialogs.errors, QStringList());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.model.sourcePath(), dir.filePath("out/run1_source.txt"));
    EXPECT_EQ(d.model.mixturePath(), dir.filePath("out/run1_mixture.txt"));
    // Sources in file order: sample 1 (G1 1), then sample 2.
    const QByteArray source = ReadAll(d.model.sourcePath());
    EXPECT_TRUE(source.contains("\n2 2\n")) << source.constData();
    EXPECT_TRUE(source.contains("\n1 0\n")) << source.constData();
    const QByteArray mixture = ReadAll(d.model.mixturePath());
    EXPECT_TRUE(mixture.contains("\n0.5 -2\n1\n")) << mixture.constData();
    EXPECT_TRUE(mixture.endsWith("\n1 2 9999\n")) << mixture.constData();
    EXPECT_TRUE(QFile::exists(dir.filePath("out/run1_alleles.csv")));
}

TEST(ImportGenepopDialog, OnlyOneMixture)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.files = {Write(dir, "small.gen", kSmall)};
    ImportGenepopDialog d(dialogs);
    d.Open->click();
    SetRole(d, 0, 2);
    SetRole(d, 2, 2);
    EXPECT_EQ(qobject_cast<QComboBox*>(d.samples->cellWidget(0, ImportGenepopDialog::ColRole))->currentText(), "ignored");
    EXPECT_EQ(d.model.rows()[0].role, ImportGenepopModel::Role::Ignored);
    EXPECT_EQ(d.model.rows()[2].role, ImportGenepopModel::Role::Mixture);
}

TEST(ImportGenepopDialog, RefusalsAreShownAndNothingIsWritten)
{
    QTemporaryDir dir;
    const QString small = Write(dir, "small.gen", kSmall);
    const QString bad = Write(dir, "bad.gen", "t\nA\nPop\na , 0101\nb , 01\n");
    {
        ScriptedDialogs dialogs;
        dialogs.files = {bad};
        ImportGenepopDialog d(dialogs);
        d.Open->click();
        ASSERT_EQ(dialogs.errors.size(), 1);
        EXPECT_EQ(dialogs.errors[0], bad + ", line 5: genotype \"01\" at locus 1 (A) holds a single allele; haploid data "
                                           "cannot be converted: expected 2 alleles of 2 or 3 digits each, e.g. 0410 or 090090.");
        EXPECT_EQ(d.samples->rowCount(), 0);
        EXPECT_FALSE(d.Convert->isEnabled());
    }
    const struct {
        void (*mark)(ImportGenepopDialog&);
        const char* error;
    } cases[] = {
        {[](ImportGenepopDialog& d) { SetRole(d, 0, 1); SetRole(d, 1, 1); Type(d, 0, 5, "1"); Type(d, 0, 6, "1"); Type(d, 1, 5, "0"); Type(d, 1, 6, "0"); },
         "No mixture; expected one sample marked as the mixture."},
        {[](ImportGenepopDialog& d) { SetRole(d, 0, 1); SetRole(d, 1, 1); SetRole(d, 2, 2); Type(d, 0, 5, "1"); Type(d, 0, 6, "1,5"); Type(d, 1, 5, "0"); Type(d, 1, 6, "0"); },
         "sample 1 (a2): G2 \"1,5\" is not a number; expected a number with \".\" as the decimal separator."},
        {[](ImportGenepopDialog& d) { SetRole(d, 0, 1); SetRole(d, 2, 2); Type(d, 0, 5, "1"); Type(d, 0, 6, "1"); },
         "small.gen: 1 source chosen; expected at least 2."},
        {[](ImportGenepopDialog& d) { SetRole(d, 0, 1); SetRole(d, 1, 1); SetRole(d, 2, 2); Type(d, 0, 5, "1"); Type(d, 0, 6, "1"); Type(d, 1, 5, "0"); Type(d, 1, 6, "0"); d.prefix->setText(QString(130, 'x')); },
         "_source.txt: the name has"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        ScriptedDialogs dialogs;
        dialogs.files = {small};
        ImportGenepopDialog d(dialogs);
        d.Open->click();
        c.mark(d);
        d.Convert->click();
        ASSERT_EQ(dialogs.errors.size(), 1);
        EXPECT_TRUE(dialogs.errors[0].contains(c.error)) << dialogs.errors[0].toStdString();
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }
}

TEST(ImportGenepopDialog, LoadsLabelsAndFactorsOfTheCattleExample)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.files = {kExample + "microbov.gen", kExample + "breeds.csv", kExample + "factors.csv"};
    dialogs.folder = dir.path();
    ImportGenepopDialog d(dialogs);
    d.Open->click();
    d.Labels->click();
    d.Factors->click();
    ASSERT_EQ(dialogs.errors, QStringList());
    ASSERT_EQ(d.samples->rowCount(), 15);
    EXPECT_EQ(Cell(d, 1, ImportGenepopDialog::ColLabel), "Zebu");
    EXPECT_EQ(Cell(d, 1, ImportGenepopDialog::ColG1), "1");
    EXPECT_EQ(Cell(d, 9, ImportGenepopDialog::ColLabel), "Charolais");
    EXPECT_EQ(Cell(d, 9, ImportGenepopDialog::ColG2), "0");
    EXPECT_EQ(d.model.rows()[6].role, ImportGenepopModel::Role::Ignored);  // Bazadais
    EXPECT_EQ(d.Lsummary->text(), "8 sources, no mixture, 7 ignored");
    SetRole(d, 0, 2);
    d.Browsefolder->click();
    d.Convert->click();
    ASSERT_EQ(dialogs.errors, QStringList());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(ReadAll(d.model.sourcePath()).startsWith("source data converted from GENEPOP by genepop2orvanta: number of sources, number of loci\n8 30\n"));
}

TEST(ImportGenepopDialog, BadFactorsLeaveTheTableAsItWas)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    dialogs.files = {Write(dir, "small.gen", kSmall), Write(dir, "f.csv", "sample,G1,G2\n1,5,5\nnone,1,1\n")};
    ImportGenepopDialog d(dialogs);
    d.Open->click();
    d.Factors->click();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].endsWith("f.csv, line 3: no sample \"none\"; expected a position from 1 to 3, a sample name "
                                           "(the identifier of the sample's last individual) or a label."))
        << dialogs.errors[0].toStdString();
    EXPECT_EQ(d.model.rows()[0].role, ImportGenepopModel::Role::Ignored);
    EXPECT_EQ(Cell(d, 0, ImportGenepopDialog::ColG1), "");
}

TEST(ImportGenepopDialog, RunReturnsThePathsOnlyWhenFilesWereWritten)
{
    QTemporaryDir dir;
    const QString small = Write(dir, "small.gen", kSmall);
    for (bool convert : {true, false}) {
        ScriptedDialogs dialogs;
        dialogs.files = {small};
        QString source = "unchanged", mixture = "unchanged";
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<ImportGenepopDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            d->Open->click();
            if (!convert) {
                d->Cancel->click();
                return;
            }
            SetRole(*d, 0, 1);
            SetRole(*d, 1, 1);
            SetRole(*d, 2, 2);
            for (int r : {0, 1}) {
                Type(*d, r, ImportGenepopDialog::ColG1, "0");
                Type(*d, r, ImportGenepopDialog::ColG2, "0");
            }
            d->Convert->click();
        });
        const bool done = ImportGenepopDialog::run(nullptr, dialogs, source, mixture);
        EXPECT_EQ(done, convert);
        EXPECT_EQ(source, convert ? dir.filePath("small_source.txt") : QString("unchanged"));
        EXPECT_EQ(mixture, convert ? dir.filePath("small_mixture.txt") : QString("unchanged"));
    }
}

TEST(ImportGenepopDialog, MainPageButtonFillsTheDataFiles)
{
    QTemporaryDir dir;
    const QString small = Write(dir, "small.gen", kSmall);
    ScriptedDialogs dialogs;
    TForm1::Services services;
    services.dialogs = &dialogs;
    services.programFolder = dir.path();
    TForm1 window(services);
    dialogs.files = {small};
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<ImportGenepopDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->Open->click();
        SetRole(*d, 0, 1);
        SetRole(*d, 1, 1);
        SetRole(*d, 2, 2);
        for (int r : {0, 1}) {
            Type(*d, r, ImportGenepopDialog::ColG1, "1");
            Type(*d, r, ImportGenepopDialog::ColG2, "0");
        }
        d->Convert->click();
    });
    window.Importgenepop->click();
    EXPECT_EQ(window.source->text(), dir.filePath("small_source.txt"));
    EXPECT_EQ(window.mixture->text(), dir.filePath("small_mixture.txt"));
    EXPECT_TRUE(QFile::exists(dir.filePath("small_source.txt")));
}

// Not a check: GENEPOP_SCREENSHOT=file.png saves a picture of the dialog with the cattle example.
TEST(ImportGenepopDialog, Screenshot)
{
    const QByteArray target = qgetenv("GENEPOP_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "set GENEPOP_SCREENSHOT to save a picture";
    ScriptedDialogs dialogs;
    dialogs.files = {kExample + "microbov.gen", kExample + "breeds.csv", kExample + "factors.csv"};
    ImportGenepopDialog d(dialogs);
    d.Open->click();
    d.Labels->click();
    d.Factors->click();
    SetRole(d, 0, 2);
    d.genepopFile->setText(QStringLiteral("/home/user/cattle/microbov.gen"));
    d.folder->setText(QStringLiteral("/home/user/cattle"));
    d.prefix->setText(QStringLiteral("borgou"));
    d.resize(760, 560);
    d.show();
    QApplication::processEvents();
    EXPECT_TRUE(d.grab().save(QString::fromLocal8Bit(target)));
}
