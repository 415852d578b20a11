// palvane: the ORVANTA front end. Shows the run set-up window.
//
//   palvane                      the program
//   palvane --screenshot FOLDER  saves each page of the window as setup-<page>.png in FOLDER
//                                and quits (for the documentation)
#include "Window/SetupWindow.h"

#include <QApplication>
#include <QDir>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

int saveScreenshots(TForm1& window, const QString& folder)
{
    const char* pages[] = {"main", "options", "advanced", "help"};
    int failures = 0;
    for (int i = 0; i < window.Pages->count(); ++i) {
        window.Pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QString file = QDir(folder).filePath(QStringLiteral("setup-%1.png").arg(QLatin1String(pages[i])));
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "palvane: couldn't write %s.\n", qPrintable(file));
            ++failures;
        }
    }
    window.Pages->setCurrentIndex(0);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TForm1 window(TForm1::systemServices());
    window.show();

    const QStringList arguments = QApplication::arguments();
    const qsizetype shot = arguments.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0) {
        const QString folder = shot + 1 < arguments.size() ? arguments[shot + 1] : QStringLiteral(".");
        int status = 0;
        // Once the window is on screen and painted.
        QTimer::singleShot(300, &window, [&] {
            status = saveScreenshots(window, folder);
            app.exit(status);
        });
        return app.exec();
    }
    return app.exec();
}
