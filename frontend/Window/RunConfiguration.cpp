#include "Window/RunConfiguration.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

// printf formats; QString::asprintf always writes "." as the decimal separator, whatever
// locale the application runs in.
QByteArray fixed(double v)
{
    return QString::asprintf("%f", v).toLatin1();
}

QByteArray integer(int v)
{
    return QString::asprintf("%d", v).toLatin1();
}

}  // namespace

bool toInteger(const QString& text, int* value, QString* error)
{
    bool ok = false;
    // Blanks around the number are accepted; a sign is, too (the key filter keeps it out).
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value.").arg(text);
        return false;
    }
    *value = v;
    return true;
}

bool toReal(const QString& text, double* value, QString* error)
{
    bool ok = false;
    const QString t = text.trimmed();
    // QString::toDouble uses the C locale: "." is the separator and no group separators pass.
    const double v = t.toDouble(&ok);
    // Infinity and not-a-number texts are no numbers to the user; a digit is required.
    const bool hasDigit = std::any_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !std::isfinite(v) || !hasDigit) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid floating point value.").arg(text);
        return false;
    }
    *value = v;
    return true;
}

QByteArray composeConfiguration(const RunSettings& s, QString* error)
{
    int sampleSize, interval, burnIn, seed0, seed1;
    double epsW, epsX, epsP, sigmap, alphax, gamma1, gamma2;
    // In the order of the file, so the first bad field is the one reported.
    if (!toInteger(s.sample_size, &sampleSize, error) || !toInteger(s.interval, &interval, error)
        || !toInteger(s.Burn_in, &burnIn, error) || !toReal(s.epsilon_w, &epsW, error)
        || !toReal(s.epsilon_x, &epsX, error) || !toReal(s.epsilon_p, &epsP, error)
        || !toReal(s.sigmap, &sigmap, error) || !toReal(s.alphax, &alphax, error)
        || !toReal(s.gamma1, &gamma1, error) || !toReal(s.gamma2, &gamma2, error)
        || !toInteger(s.seed0, &seed0, error) || !toInteger(s.seed1, &seed1, error))
        return QByteArray();

    QByteArray t;
    t += "parameters of the chain: sample size, thinning interval, and burn in period\n";
    t += integer(sampleSize) + ' ' + integer(interval) + ' ' + integer(burnIn) + '\n';
    t += "epsilon values for w, x, and p\n";
    t += fixed(epsW) + ' ' + fixed(epsX) + ' ' + fixed(epsP) + '\n';
    t += "variance for loglinear parameters, alphaX proposal, and gamma parameters\n";
    t += fixed(sigmap) + ' ' + fixed(alphax) + ' ' + fixed(gamma1) + ' ' + fixed(gamma2) + '\n';
    t += "seed for the random number generator\n";
    t += integer(seed0) + ' ' + integer(seed1) + '\n';
    t += "option (1=RJMCMC, 0=MCMC) - initial model\n";
    t += integer(s.RJMCMC ? 1 : 0) + ' ' + integer(s.modelIndex + 1) + '\n';
    t += "Output files name\n";
    t += (s.outdir + s.out_file).toLocal8Bit() + '\n';
    t += "Generation\n";
    t += s.F1 ? "1\n" : "0\n";
    t += "Source file name\n";
    t += s.source.toLocal8Bit() + '\n';
    t += "Mixture file name\n";
    t += s.mixture.toLocal8Bit() + '\n';
    t += "Optional output files (boolean) : NP sources alleles frequencies\n";
    t += integer(s.CNP ? 1 : 0) + ' ' + integer(s.Csources ? 1 : 0);
    return t;
}

bool writeConfiguration(const RunSettings& settings, QString* error)
{
    const QByteArray text = composeConfiguration(settings, error);
    if (text.isEmpty())
        return false;
    QFile file(QString::fromLatin1(kConfigurationFileName));
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(text) == text.size() && file.flush();
    file.close();
    if (!ok) {
        if (error)
            *error = QStringLiteral("Couldn't open INIVAL.dat for writing.");
        return false;
    }
    return true;
}
