#include "Window/ImportGenepopDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "Platform/Dialogs.h"
#include "genepop/Convert.h"
#include "genepop/OutputFiles.h"
#include "genepop/Selection.h"
#include "genepop/Text.h"

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The engine holds file names of at most 127 characters.
constexpr int kMaxEngineName = 127;

}  // namespace

// ---- model --------------------------------------------------------------------------

bool ImportGenepopModel::open(const QString& path, QString& error)
{
    try {
        genepop::GenepopData data = genepop::ReadGenepop(path.toStdString());
        data_ = std::move(data);
    } catch (const genepop::ImportError& e) {
        error = Q(e.what());
        return false;
    }
    fileName_ = path;
    labels_.clear();
    rows_.clear();
    for (const genepop::Sample& s : data_.samples) {
        Row row;
        row.name = Q(s.Name());
        row.individuals = int(s.individuals.size());
        rows_.push_back(row);
    }
    sourcePath_.clear();
    mixturePath_.clear();
    tablePath_.clear();
    warnings_.clear();
    return true;
}

bool ImportGenepopModel::loadLabels(const QString& path, QString& error)
{
    try {
        labels_ = genepop::ReadLabels(path.toStdString(), data_);
    } catch (const genepop::ImportError& e) {
        error = Q(e.what());
        return false;
    }
    for (size_t k = 0; k < rows_.size(); ++k) rows_[k].label = Q(labels_[k]);
    return true;
}

bool ImportGenepopModel::loadFactors(const QString& path, QString& error)
{
    try {
        const genepop::FactorTable table = genepop::ReadFactors(path.toStdString());
        // Resolve every row before changing anything, so a bad row leaves the table as it was.
        std::vector<int> target;
        for (const genepop::FactorRow& row : table.rows)
            target.push_back(genepop::ResolveSample(data_, labels_, row.sample, genepop::Where(table.file, row.line)));
        for (size_t k = 0; k < target.size(); ++k) {
            Row& row = rows_[size_t(target[k])];
            row.role = Role::Source;
            row.g1 = Q(genepop::NumberText(table.rows[k].g1));
            row.g2 = Q(genepop::NumberText(table.rows[k].g2));
        }
    } catch (const genepop::ImportError& e) {
        error = Q(e.what());
        return false;
    }
    return true;
}

void ImportGenepopModel::setRole(int row, Role role)
{
    if (role == Role::Mixture) {
        for (Row& r : rows_) {
            if (r.role == Role::Mixture) r.role = Role::Ignored;
        }
    }
    rows_.at(size_t(row)).role = role;
}

QString ImportGenepopModel::defaultFolder() const
{
    return QFileInfo(fileName_).absolutePath();
}

QString ImportGenepopModel::defaultPrefix() const
{
    return QFileInfo(fileName_).completeBaseName();
}

QString ImportGenepopModel::summary() const
{
    int sources = 0, ignored = 0, mixture = -1;
    for (size_t k = 0; k < rows_.size(); ++k) {
        if (rows_[k].role == Role::Source) ++sources;
        else if (rows_[k].role == Role::Mixture) mixture = int(k);
        else ++ignored;
    }
    QString text = QStringLiteral("%1 source%2, ").arg(sources).arg(sources == 1 ? "" : "s");
    if (mixture < 0)
        text += QStringLiteral("no mixture");
    else
        text += QStringLiteral("mixture: sample %1 (%2 individuals)").arg(mixture + 1).arg(rows_[size_t(mixture)].individuals);
    return text + QStringLiteral(", %1 ignored").arg(ignored);
}

bool ImportGenepopModel::convert(const QString& folder, const QString& prefix, QString& error)
{
    if (!isOpen()) {
        error = QStringLiteral("No GENEPOP file is open; expected a file opened with \"Open...\".");
        return false;
    }
    if (folder.trimmed().isEmpty() || prefix.trimmed().isEmpty()) {
        error = QStringLiteral("No output folder or file prefix; expected both.");
        return false;
    }
    genepop::Selection selection;
    for (size_t k = 0; k < rows_.size(); ++k) {
        const Row& row = rows_[k];
        if (row.role == Role::Mixture) {
            selection.mixture = int(k);
        } else if (row.role == Role::Source) {
            genepop::SourceChoice src;
            src.sample = int(k);
            const QString* texts[2] = {&row.g1, &row.g2};
            double* values[2] = {&src.g1, &src.g2};
            for (int f = 0; f < 2; ++f) {
                if (!genepop::ParseNumber(texts[f]->toStdString(), *values[f])) {
                    error = Q(genepop::DescribeSample(data_, labels_, int(k))) +
                            QStringLiteral(": G%1 \"%2\" is not a number; expected a number with \".\" as the decimal separator.")
                                .arg(f + 1)
                                .arg(*texts[f]);
                    return false;
                }
            }
            selection.sources.push_back(src);
        }
    }
    if (selection.mixture < 0) {
        error = QStringLiteral("No mixture; expected one sample marked as the mixture.");
        return false;
    }
    const QString base = QDir(folder).absoluteFilePath(prefix.trimmed());
    const genepop::OutputPaths paths = genepop::PathsForPrefix(base.toStdString());
    for (const std::string& p : {paths.source, paths.mixture}) {
        if (p.size() > size_t(kMaxEngineName)) {
            error = Q(p) + QStringLiteral(": the name has %1 characters; the engine reads at most %2. Expected a shorter folder or prefix.")
                               .arg(p.size())
                               .arg(kMaxEngineName);
            return false;
        }
    }
    try {
        const genepop::EngineData converted = genepop::Convert(data_, selection, labels_);
        genepop::WriteOutputs(converted, paths);
        warnings_.clear();
        for (const std::string& w : converted.warnings) warnings_ << Q(w);
    } catch (const genepop::ImportError& e) {
        error = Q(e.what());
        return false;
    }
    sourcePath_ = Q(paths.source);
    mixturePath_ = Q(paths.mixture);
    tablePath_ = Q(paths.table);
    return true;
}

// ---- dialog -------------------------------------------------------------------------

ImportGenepopDialog::ImportGenepopDialog(Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("ImportGenepopDialog"));
    setWindowTitle(QStringLiteral("Import GENEPOP"));
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("GENEPOP file:"), this));
    genepopFile = new QLineEdit(this);
    genepopFile->setObjectName(QStringLiteral("genepopFile"));
    genepopFile->setReadOnly(true);
    fileRow->addWidget(genepopFile, 1);
    Open = new QPushButton(QStringLiteral("Open..."), this);
    Open->setObjectName(QStringLiteral("Open"));
    fileRow->addWidget(Open);
    layout->addLayout(fileRow);

    auto* loadRow = new QHBoxLayout;
    Labels = new QPushButton(QStringLiteral("Load labels..."), this);
    Labels->setObjectName(QStringLiteral("Labels"));
    Labels->setToolTip(QStringLiteral("A CSV with a header line and one row per sample in file order; "
                                      "the label is the column \"label\", or the first column."));
    Factors = new QPushButton(QStringLiteral("Load G1/G2..."), this);
    Factors->setObjectName(QStringLiteral("Factors"));
    Factors->setToolTip(QStringLiteral("A CSV with the columns sample,G1,G2; the samples it names become sources."));
    loadRow->addWidget(Labels);
    loadRow->addWidget(Factors);
    loadRow->addStretch(1);
    layout->addLayout(loadRow);

    samples = new QTableWidget(0, ColumnCount, this);
    samples->setObjectName(QStringLiteral("samples"));
    samples->setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Sample"), QStringLiteral("Label"),
                                        QStringLiteral("Individuals"), QStringLiteral("Role"), QStringLiteral("G1"),
                                        QStringLiteral("G2")});
    samples->verticalHeader()->hide();
    samples->horizontalHeader()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    samples->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(samples, 1);

    Lsummary = new QLabel(this);
    Lsummary->setObjectName(QStringLiteral("Lsummary"));
    layout->addWidget(Lsummary);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Output folder:"), this));
    folder = new QLineEdit(this);
    folder->setObjectName(QStringLiteral("folder"));
    folderRow->addWidget(folder, 1);
    Browsefolder = new QPushButton(QStringLiteral("Browse..."), this);
    Browsefolder->setObjectName(QStringLiteral("Browsefolder"));
    folderRow->addWidget(Browsefolder);
    folderRow->addWidget(new QLabel(QStringLiteral("File prefix:"), this));
    prefix = new QLineEdit(this);
    prefix->setObjectName(QStringLiteral("prefix"));
    folderRow->addWidget(prefix);
    layout->addLayout(folderRow);
    auto* hint = new QLabel(QStringLiteral("Writes prefix_source.txt, prefix_mixture.txt and the allele recoding table prefix_alleles.csv."), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Convert = new QPushButton(QStringLiteral("Convert"), this);
    Convert->setObjectName(QStringLiteral("Convert"));
    Convert->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    buttons->addWidget(Convert);
    buttons->addWidget(Cancel);
    layout->addLayout(buttons);

    connect(Open, &QPushButton::clicked, this, &ImportGenepopDialog::OpenClick);
    connect(Labels, &QPushButton::clicked, this, &ImportGenepopDialog::LabelsClick);
    connect(Factors, &QPushButton::clicked, this, &ImportGenepopDialog::FactorsClick);
    connect(Browsefolder, &QPushButton::clicked, this, &ImportGenepopDialog::BrowsefolderClick);
    connect(Convert, &QPushButton::clicked, this, &ImportGenepopDialog::ConvertClick);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(samples, &QTableWidget::cellChanged, this, &ImportGenepopDialog::samplesCellChanged);

    resize(720, 520);
    updateControls();
}

bool ImportGenepopDialog::run(QWidget* parent, Dialogs& dialogs, QString& source, QString& mixture)
{
    ImportGenepopDialog dialog(dialogs, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    source = dialog.model.sourcePath();
    mixture = dialog.model.mixturePath();
    return true;
}

void ImportGenepopDialog::OpenClick()
{
    const QString file = dialogs_.openFile(this, QStringLiteral("Open GENEPOP file"),
                                           QStringLiteral("GENEPOP files (*.gen *.txt);;All files (*)"));
    if (file.isEmpty()) return;
    QString error;
    if (!model.open(file, error)) {
        dialogs_.error(this, error);
        return;
    }
    genepopFile->setText(QFileInfo(file).absoluteFilePath());
    folder->setText(QDir::toNativeSeparators(model.defaultFolder()));
    prefix->setText(model.defaultPrefix());
    fillTable();
}

void ImportGenepopDialog::LabelsClick()
{
    const QString file = dialogs_.openFile(this, QStringLiteral("Open sample labels"),
                                           QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (file.isEmpty()) return;
    QString error;
    if (!model.loadLabels(file, error)) {
        dialogs_.error(this, error);
        return;
    }
    fillTable();
}

void ImportGenepopDialog::FactorsClick()
{
    const QString file = dialogs_.openFile(this, QStringLiteral("Open G1 and G2 of the sources"),
                                           QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (file.isEmpty()) return;
    QString error;
    if (!model.loadFactors(file, error)) {
        dialogs_.error(this, error);
        return;
    }
    fillTable();
}

void ImportGenepopDialog::BrowsefolderClick()
{
    const QString chosen = dialogs_.selectFolder(this, QStringLiteral("Folder for the data files"), folder->text());
    if (!chosen.isEmpty()) folder->setText(QDir::toNativeSeparators(chosen));
}

void ImportGenepopDialog::ConvertClick()
{
    QString error;
    if (!model.convert(QDir::fromNativeSeparators(folder->text()), prefix->text(), error)) {
        dialogs_.error(this, error);
        return;
    }
    if (!model.warnings().isEmpty())
        dialogs_.message(this, QStringLiteral("Import GENEPOP"), model.warnings().join(QLatin1Char('\n')));
    accept();
}

void ImportGenepopDialog::roleChange(int row, int index)
{
    if (filling_) return;
    model.setRole(row, ImportGenepopModel::Role(index));
    // Another row may have lost the mixture.
    for (int r = 0; r < samples->rowCount(); ++r) refreshRow(r);
    updateControls();
}

void ImportGenepopDialog::samplesCellChanged(int row, int column)
{
    if (filling_) return;
    const QString text = samples->item(row, column)->text().trimmed();
    if (column == ColG1) model.setG1(row, text);
    else if (column == ColG2) model.setG2(row, text);
}

void ImportGenepopDialog::fillTable()
{
    filling_ = true;
    const auto& rows = model.rows();
    samples->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const ImportGenepopModel::Row& row = rows[size_t(r)];
        const QString cells[ColumnCount] = {QString::number(r + 1), row.name, row.label, QString::number(row.individuals),
                                            QString(), row.g1, row.g2};
        for (int c = 0; c < ColumnCount; ++c) {
            if (c == ColRole) continue;
            auto* item = new QTableWidgetItem(cells[c]);
            if (c != ColG1 && c != ColG2) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (c == ColNumber || c == ColIndividuals) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            samples->setItem(r, c, item);
        }
        auto* role = qobject_cast<QComboBox*>(samples->cellWidget(r, ColRole));
        if (role == nullptr) {
            role = new QComboBox(samples);
            role->addItems({QStringLiteral("ignored"), QStringLiteral("source"), QStringLiteral("mixture")});
            connect(role, &QComboBox::currentIndexChanged, this, [this, r](int index) { roleChange(r, index); });
            samples->setCellWidget(r, ColRole, role);
        }
    }
    for (int r = 0; r < int(rows.size()); ++r) refreshRow(r);
    samples->resizeColumnsToContents();
    // Room for typing values such as -0.25.
    for (int c : {ColG1, ColG2}) samples->setColumnWidth(c, std::max(samples->columnWidth(c), 64));
    samples->horizontalHeader()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    filling_ = false;
    updateControls();
}

void ImportGenepopDialog::refreshRow(int r)
{
    const ImportGenepopModel::Row& row = model.rows()[size_t(r)];
    const bool wasFilling = filling_;
    filling_ = true;
    if (auto* role = qobject_cast<QComboBox*>(samples->cellWidget(r, ColRole))) role->setCurrentIndex(int(row.role));
    // G1 and G2 matter for sources only.
    for (int c : {ColG1, ColG2}) {
        QTableWidgetItem* item = samples->item(r, c);
        if (item == nullptr) continue;
        item->setText(c == ColG1 ? row.g1 : row.g2);
        const Qt::ItemFlags flags = row.role == ImportGenepopModel::Role::Source
                                        ? (item->flags() | Qt::ItemIsEditable | Qt::ItemIsEnabled)
                                        : (item->flags() & ~(Qt::ItemIsEditable | Qt::ItemIsEnabled));
        item->setFlags(flags);
    }
    filling_ = wasFilling;
}

void ImportGenepopDialog::updateControls()
{
    const bool open = model.isOpen();
    Labels->setEnabled(open);
    Factors->setEnabled(open);
    Convert->setEnabled(open);
    Lsummary->setText(open ? model.summary() : QStringLiteral("Open a GENEPOP file to list its samples."));
}
