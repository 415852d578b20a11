// The run set-up window: the settings of a run on four pages, the engine launch with its
// progress, the outcome of the last run, and the way to the plot windows.
#pragma once

#include "Platform/EngineProcess.h"

#include <QElapsedTimer>
#include <QWidget>

class Dialogs;
class Gauge;
class KeyFilter;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTextEdit;
class ShutdownService;
struct RunSettings;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Everything the window asks of the system; tests pass their own.
    struct Services {
        Dialogs* dialogs = nullptr;
        EngineProcessFactory newEngine;
        ShutdownService* shutdownService = nullptr;
        // The program's folder: the help file and the default engine sit there.
        QString programFolder;
    };

    // The real dialogs, processes and shutdown, with the folder of the running executable.
    static Services systemServices();

    explicit TForm1(const Services& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings as the controls hold them.
    RunSettings settings() const;
    // The engine beside the program: what `prog` shows at start and after Restore.
    QString defaultProgram() const;
    bool running() const { return running_; }

    // Controls, named as the handlers and the configuration refer to them.
    QTabWidget* Pages;
    QWidget* Pmain;
    QWidget* Poptions;
    QWidget* Padvanced;
    QWidget* Help;

    QLabel* lseed0;
    QLineEdit* seed0;
    QLabel* lseed1;
    QLineEdit* seed1;
    QCheckBox* shutdown;
    QLabel* Lgeneration;
    QRadioButton* F1;
    QRadioButton* F0;
    QLabel* Lsource;
    QLineEdit* source;
    QPushButton* Browsesource;
    QLabel* Lmixture;
    QLineEdit* mixture;
    QPushButton* Browsemixture;
    QPushButton* Importgenepop;  // "Import GENEPOP...": writes both data files from a GENEPOP file
    QLabel* Loutdir;
    QLineEdit* outdir;
    QPushButton* Browseoutdir;
    QLabel* Lout_file;
    QLineEdit* out_file;
    QPushButton* Restore;
    QPushButton* go;
    QPushButton* plot;
    Gauge* progress;
    QLabel* Ldone;

    QGroupBox* Chain;
    QLabel* Lsample_size;
    QLineEdit* sample_size;
    QLabel* Linterval;
    QLineEdit* interval;
    QLabel* Lburn_in;
    QLineEdit* Burn_in;
    QGroupBox* Epsilons;
    QLabel* Lepsilon_w;
    QLineEdit* epsilon_w;
    QSlider* Tepsilon_w;
    QLabel* Lepsilon_x;
    QLineEdit* epsilon_x;
    QSlider* Tepsilon_x;
    QLabel* Lepsilon_p;
    QLineEdit* epsilon_p;
    QSlider* Tepsilon_p;
    QLabel* Lotherplot;
    QCheckBox* CNP;
    QCheckBox* Csources;

    QGroupBox* Priors;
    QLabel* Lsigmap;
    QLineEdit* sigmap;
    QLabel* Lalphax;
    QLineEdit* alphax;
    QLabel* Lgamma1;
    QLineEdit* gamma1;
    QLabel* Lgamma2;
    QLineEdit* gamma2;
    QGroupBox* Options;
    QLabel* algo;
    QRadioButton* RJMCMC;
    QRadioButton* MCMC;
    QLabel* Lmodel;
    QComboBox* model;
    QLabel* Lprog;
    QLineEdit* prog;
    QPushButton* browseprog;

    QTextEdit* RichEdit1;

    // The key filters of the integer and the real edits.
    KeyFilter* IntEdit;
    KeyFilter* FloatEdit;

public slots:
    void FormCreate();
    void epsilon_wChange();
    void epsilon_xChange();
    void epsilon_pChange();
    void Tepsilon_wChange();
    void Tepsilon_xChange();
    void Tepsilon_pChange();
    void BrowsesourceClick();
    void BrowsemixtureClick();
    void ImportgenepopClick();
    void BrowseoutdirClick();
    void browseprogClick();
    void RestoreClick();
    void plotClick();
    void goClick();
    void FormCloseQuery(bool& canClose);
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMainPage();
    void buildOptionsPage();
    void buildAdvancedPage();
    void buildHelpPage();
    void editToTrack(QLineEdit* edit, QSlider* track);
    void trackToEdit(QSlider* track, QLineEdit* edit);
    void startRun();
    void stopRun();
    // Reads one chunk into the gauge and the kept output; the count read, -1 on failure.
    long readChunk(QByteArray& output);

    Services services_;
    // The current directory when the window was created; Restore goes back to it.
    QString startDirectory_;
    bool centred_ = false;

    // Keeps an edit and its track bar from driving each other in a circle.
    bool editDriving_ = false;
    bool trackDriving_ = false;

    // The engine of the current or last run.
    std::unique_ptr<EngineProcess> engine_;
    bool running_ = false;
    bool finished_ = false;
    bool aborted_ = false;
};
