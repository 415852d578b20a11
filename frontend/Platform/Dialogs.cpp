#include "Platform/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

class SystemDialogs : public Dialogs {
public:
    void error(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, QStringLiteral("Error"), text);
    }
    void message(QWidget* parent, const QString& title, const QString& text) override
    {
        QMessageBox::information(parent, title, text);
    }
    bool confirm(QWidget* parent, const QString& text) override
    {
        return QMessageBox::question(parent, QStringLiteral("Confirm"), text,
                                     QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
            == QMessageBox::Ok;
    }
    QString openFile(QWidget* parent, const QString& caption, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    }
    QString saveFile(QWidget* parent, const QString& caption, const QString& filter,
                     const QString& defaultSuffix) override
    {
        QFileDialog dialog(parent, caption, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    }
    QString selectFolder(QWidget* parent, const QString& caption, const QString& root) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, root);
    }
};

}  // namespace

Dialogs& systemDialogs()
{
    static SystemDialogs dialogs;
    return dialogs;
}
