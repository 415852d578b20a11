// Stand-ins for the dialogs and the shutdown, so the window can be driven without a user and
// without ever touching the real system.
#pragma once

#include "Platform/Dialogs.h"
#include "Platform/ShutdownService.h"

#include <QString>
#include <QStringList>

#include <deque>

class FakeDialogs : public Dialogs {
public:
    QStringList errors;
    QStringList confirmations;
    // Answers for the coming confirmations, in order; OK once they run out.
    std::deque<bool> answers;
    // What the file and folder dialogs return (empty: cancelled), and what they were asked.
    QString fileToReturn;
    QString folderToReturn;
    QStringList fileCaptions;
    QString lastFilter;
    QString lastFolderCaption;
    QString lastFolderRoot;

    void error(QWidget*, const QString& text) override { errors << text; }
    void message(QWidget*, const QString&, const QString&) override {}
    bool confirm(QWidget*, const QString& text) override
    {
        confirmations << text;
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString openFile(QWidget*, const QString& caption, const QString& filter) override
    {
        fileCaptions << caption;
        lastFilter = filter;
        return fileToReturn;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QString selectFolder(QWidget*, const QString& caption, const QString& root) override
    {
        lastFolderCaption = caption;
        lastFolderRoot = root;
        return folderToReturn;
    }
};

class FakeShutdown : public ShutdownService {
public:
    int calls = 0;
    bool shutdown() override
    {
        ++calls;
        return true;
    }
};
