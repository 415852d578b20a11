// "Import GENEPOP...": turns the samples of a GENEPOP file into the engine's source and
// mixture data files. ImportGenepopModel holds the logic without widgets; the dialog only
// wires its controls to it.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "genepop/GenepopReader.h"

class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class ImportGenepopModel {
public:
    enum class Role { Ignored = 0, Source = 1, Mixture = 2 };

    struct Row {
        QString name;   // the GENEPOP name: the identifier of the sample's last individual
        QString label;  // from a labels CSV, else empty
        int individuals = 0;
        Role role = Role::Ignored;
        QString g1, g2;  // as typed; used for sources only
    };

    // Each returns false with the converter's message (file, line, what was expected).
    bool open(const QString& path, QString& error);
    bool loadLabels(const QString& path, QString& error);
    // Rows named in a sample,G1,G2 CSV become sources with these values.
    bool loadFactors(const QString& path, QString& error);

    bool isOpen() const { return !rows_.empty(); }
    const std::vector<Row>& rows() const { return rows_; }
    // One mixture only: marking a second one makes the earlier one ignored.
    void setRole(int row, Role role);
    void setG1(int row, const QString& text) { rows_.at(size_t(row)).g1 = text; }
    void setG2(int row, const QString& text) { rows_.at(size_t(row)).g2 = text; }

    QString fileName() const { return fileName_; }
    // The folder and base name the outputs get unless the user changes them.
    QString defaultFolder() const;
    QString defaultPrefix() const;
    // "2 sources, mixture: sample 1 (50 individuals), 12 ignored".
    QString summary() const;

    // Writes folder/prefix_source.txt, _mixture.txt and _alleles.csv; all or nothing.
    bool convert(const QString& folder, const QString& prefix, QString& error);
    QString sourcePath() const { return sourcePath_; }
    QString mixturePath() const { return mixturePath_; }
    QString tablePath() const { return tablePath_; }
    QStringList warnings() const { return warnings_; }

private:
    QString fileName_;
    genepop::GenepopData data_;
    std::vector<std::string> labels_;
    std::vector<Row> rows_;
    QString sourcePath_, mixturePath_, tablePath_;
    QStringList warnings_;
};

class ImportGenepopDialog : public QDialog {
    Q_OBJECT
public:
    ImportGenepopDialog(Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the dialog; true when the files were written, with their paths in source and
    // mixture (left untouched otherwise).
    static bool run(QWidget* parent, Dialogs& dialogs, QString& source, QString& mixture);

    ImportGenepopModel model;

    enum Column { ColNumber, ColName, ColLabel, ColIndividuals, ColRole, ColG1, ColG2, ColumnCount };

    QLineEdit* genepopFile;
    QPushButton* Open;
    QPushButton* Labels;
    QPushButton* Factors;
    QTableWidget* samples;
    QLabel* Lsummary;
    QLineEdit* folder;
    QPushButton* Browsefolder;
    QLineEdit* prefix;
    QPushButton* Convert;
    QPushButton* Cancel;

public slots:
    void OpenClick();
    void LabelsClick();
    void FactorsClick();
    void BrowsefolderClick();
    void ConvertClick();
    void roleChange(int row, int index);
    void samplesCellChanged(int row, int column);

private:
    void fillTable();
    void refreshRow(int row);
    void updateControls();

    Dialogs& dialogs_;
    bool filling_ = false;
};
