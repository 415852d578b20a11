#include "Plotwin2/Plotwin2.h"

TForm3::TForm3(const QString& path, QWidget* owner, Dialogs&) : QMainWindow(owner)
{
    setWindowTitle(QStringLiteral("Plot: ") + path);
}
