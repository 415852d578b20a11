// Placeholder until the plot window lands.
#pragma once

#include <QMainWindow>

class Dialogs;

class TForm3 : public QMainWindow {
    Q_OBJECT
public:
    TForm3(const QString& path, QWidget* owner, Dialogs& dialogs);
};
