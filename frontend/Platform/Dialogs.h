// Every dialog and message box the windows show goes through this interface, so tests
// can answer them without a user.
#pragma once

#include <QString>

class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box titled "Error" with the error icon.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // A message box with the given title and text (information icon).
    virtual void message(QWidget* parent, const QString& title, const QString& text) = 0;
    // OK / Cancel confirmation; true for OK.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // File dialogs; an empty result means cancelled.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& defaultSuffix) = 0;
    virtual QString selectFolder(QWidget* parent, const QString& caption, const QString& root) = 0;
};

// The real dialogs (Qt message boxes and file dialogs).
Dialogs& systemDialogs();
