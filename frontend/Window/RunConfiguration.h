// The run configuration file the engine reads: composed from the set-up window's texts, every
// number converted before anything is written.
#pragma once

#include <QByteArray>
#include <QString>

// The one name both programs use for the file on a case-sensitive file system.
inline constexpr const char* kConfigurationFileName = "inival.dat";

// The settings as the window holds them: texts of the edits, states of the buttons.
struct RunSettings {
    QString sample_size, interval, Burn_in;
    QString epsilon_w, epsilon_x, epsilon_p;
    QString sigmap, alphax, gamma1, gamma2;
    QString seed0, seed1;
    bool RJMCMC = true;
    int modelIndex = 1;  // item index of the model list; the file carries index + 1
    QString outdir, out_file;
    bool F1 = true;
    QString source, mixture;
    bool CNP = false;
    bool Csources = false;
};

// Text to number as the window converts it; on failure `error` names the text and the kind of
// number expected, e.g. "'1.2.3' is not a valid floating point value.".
bool toInteger(const QString& text, int* value, QString* error);
bool toReal(const QString& text, double* value, QString* error);

// The twenty lines of the file. Empty with `error` set when a field does not convert.
QByteArray composeConfiguration(const RunSettings& settings, QString* error);

// Composes and writes the file in the current directory. A field that does not convert leaves
// any earlier file untouched. `error` receives the message to show.
bool writeConfiguration(const RunSettings& settings, QString* error);
