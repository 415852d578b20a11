// Stand-ins for the dialogs and the print preview, so the plot window runs without a user.
#pragma once

#include "Platform/ChartPrinter.h"
#include "Platform/Dialogs.h"

#include <QString>
#include <QStringList>

class ChartView;

class FakePlotDialogs : public Dialogs {
public:
    QStringList errors;
    // What the file dialogs return (empty: cancelled) and what they were asked.
    QString openToReturn;
    QString saveToReturn;
    int saveCalls = 0;
    QString saveFilter;
    QString saveSuffix;

    void error(QWidget*, const QString& text) override { errors << text; }
    void message(QWidget*, const QString&, const QString&) override {}
    bool confirm(QWidget*, const QString&) override { return true; }
    QString openFile(QWidget*, const QString&, const QString&) override { return openToReturn; }
    QString saveFile(QWidget*, const QString&, const QString& filter, const QString& suffix) override
    {
        ++saveCalls;
        saveFilter = filter;
        saveSuffix = suffix;
        return saveToReturn;
    }
    QString selectFolder(QWidget*, const QString&, const QString&) override { return QString(); }
};

class FakePrinter : public ChartPrinter {
public:
    int calls = 0;
    ChartView* chart = nullptr;
    void preview(QWidget*, ChartView& c) override
    {
        ++calls;
        chart = &c;
    }
};
