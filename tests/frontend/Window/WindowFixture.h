// A set-up window on fake services, created in a temporary current directory, with the help
// file beside a pretend executable.
#pragma once

#include "FakeServices.h"
#include "Window/SetupWindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        ASSERT_TRUE(programFolder_.isValid());
        QFile::copy(QStringLiteral(ORVANTA_SOURCE_DIR "/frontend/help.rtf"), programFolder_.filePath("help.rtf"));
        previous_ = QDir::currentPath();
        QDir::setCurrent(work_.path());
    }

    void TearDown() override
    {
        window_.reset();
        QDir::setCurrent(previous_);
    }

    TForm1::Services services()
    {
        TForm1::Services s;
        s.dialogs = &dialogs_;
        s.newEngine = [this]() {
            ++enginesMade_;
            return newSystemEngineProcess();
        };
        s.shutdownService = &shutdown_;
        s.programFolder = programFolder_.path();
        return s;
    }

    TForm1& window()
    {
        if (!window_)
            window_ = std::make_unique<TForm1>(services());
        return *window_;
    }

    QString workFile(const QString& name) const { return QDir(work_.path()).filePath(name); }

    QTemporaryDir work_;
    QTemporaryDir programFolder_;
    QString previous_;
    FakeDialogs dialogs_;
    FakeShutdown shutdown_;
    int enginesMade_ = 0;
    std::unique_ptr<TForm1> window_;
};
