#include "core/Inputs.h"

#include <cctype>
#include <cstdarg>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/FatalStop.h"

namespace {

// Reads one file with the engine's scan rules: header lines are skipped by position with
// bounded line reads, values are whitespace-separated tokens that may spread over lines,
// and every value is checked. A carriage return before a line feed is white space to the
// value scans and is stripped from the text lines, so files from other systems read the same.
class Scanner {
public:
    Scanner(FILE* file, const char* label) : file_(file), label_(label) {}
    ~Scanner() { std::fclose(file_); }
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // A line read of at most size - 1 characters, the line end included, discarded. A
    // "\r\n" pair counts as the one line-end character, so a file written on another system
    // splits into the same lines.
    void SkipLine(int size = 500)
    {
        for (int n = 0; n < size - 1; ++n) {
            const int c = std::fgetc(file_);
            if (c == EOF || c == '\n') return;
            if (c == '\r') {
                const int d = std::fgetc(file_);
                if (d == '\n') return;
                if (d != EOF) std::ungetc(d, file_);
            }
        }
    }

    int32_t Int(const char* what)
    {
        ReadToken(what);
        errno = 0;
        char* end = nullptr;
        const long long v = std::strtoll(token_, &end, 10);
        if (end == token_ || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
            Unexpected(what);
        return static_cast<int32_t>(v);
    }

    double Double(const char* what)
    {
        ReadToken(what);
        char* end = nullptr;
        const double v = std::strtod(token_, &end);
        if (end == token_ || *end != '\0' || !std::isfinite(v)) Unexpected(what);
        return v;
    }

    // A single-precision value converted the way a "%g" scan into a float does.
    float Float(const char* what)
    {
        ReadToken(what);
        char* end = nullptr;
        const float v = std::strtof(token_, &end);
        if (end == token_ || *end != '\0' || !std::isfinite(v)) Unexpected(what);
        return v;
    }

    // The rest of the line, blanks included; the line end stays for the next line read.
    void Text(char* out, const char* what)
    {
        int c = std::fgetc(file_);
        if (c == EOF) FatalStopf("%s: expected %s, but the file ends there.\n", label_, what);
        char line[NameSize];  // one more than a name holds: room for a trailing '\r'
        int n = 0;
        bool tooLong = false;
        while (c != EOF && c != '\n') {
            if (n < NameSize) line[n++] = static_cast<char>(c);
            else tooLong = true;
            c = std::fgetc(file_);
        }
        if (c == '\n') std::ungetc(c, file_);
        if (!tooLong && n > 0 && line[n - 1] == '\r') --n;
        if (tooLong || n > NameSize - 1)
            FatalStopf("%s: %s is longer than %d characters.\n", label_, what, NameSize - 1);
        std::memcpy(out, line, static_cast<size_t>(n));
        out[n] = '\0';
    }

    const char* label() const { return label_; }

private:
    void ReadToken(const char* what)
    {
        int c;
        do c = std::fgetc(file_);
        while (c != EOF && std::isspace(c));
        if (c == EOF)
            FatalStopf("%s: expected %s, but the file ends there.\n", label_, what);
        int n = 0;
        truncated_ = false;
        while (c != EOF && !std::isspace(c)) {
            if (n < static_cast<int>(sizeof token_) - 1) token_[n++] = static_cast<char>(c);
            else truncated_ = true;  // too long for any value: refused, not cut short
            c = std::fgetc(file_);
        }
        token_[n] = '\0';
        if (c != EOF) std::ungetc(c, file_);
        if (truncated_) Unexpected(what);
    }

    [[noreturn]] void Unexpected(const char* what)
    {
        // The token may come from a binary file: show it printable.
        char shown[sizeof token_];
        int n = 0;
        for (; token_[n]; ++n) {
            const auto c = static_cast<unsigned char>(token_[n]);
            shown[n] = (c < 0x20 || c >= 0x7f) ? '?' : static_cast<char>(c);
        }
        shown[n] = '\0';
        FatalStopf("%s: expected %s, found \"%s%s\".\n", label_, what, shown, truncated_ ? "..." : "");
    }

    FILE* file_;
    const char* label_;
    char token_[64] = {};
    bool truncated_ = false;
};

// Descriptions of a place in a file, for the messages.
struct Place {
    char text[160];
    Place(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
    }
    operator const char*() const { return text; }
};

void CheckConfiguration(const RunConfiguration& c)
{
    const char* f = "inival.dat";
    if (c.interval < 1)
        FatalStopf("%s: the thinning interval is %d, expected at least 1.\n", f, c.interval);
    if (c.sample_size < 0)
        FatalStopf("%s: the sample size is %d, expected 0 or more.\n", f, c.sample_size);
    if (c.Burn_in < 0)
        FatalStopf("%s: the burn-in period is %d, expected 0 or more.\n", f, c.Burn_in);
    const long long total = static_cast<long long>(c.Burn_in)
                          + static_cast<long long>(c.sample_size) * c.interval;
    if (total > INT32_MAX)
        FatalStopf("%s: burn-in plus sample size times thinning interval is %lld iterations, "
                   "expected at most %d.\n", f, total, INT32_MAX);
    const struct { float v; const char* name; } widths[] = {
        {c.epsilon_w, "the proposal width for w"},
        {c.epsilon_x, "the proposal width for x"},
        {c.epsilon_p, "the proposal width for p"},
    };
    for (const auto& e : widths)
        if (e.v < 0) FatalStopf("%s: %s is %g, expected 0 or more.\n", f, e.name, double(e.v));
    if (c.alphax < 0)
        FatalStopf("%s: the AlphaX proposal variance is %g, expected 0 or more.\n", f, c.alphax);
    const struct { double v; const char* name; } positive[] = {
        {c.sigmap, "the variance for the loglinear parameters"},
        {c.aTau, "the gamma parameter aTau"},
        {c.bTau, "the gamma parameter bTau"},
    };
    for (const auto& e : positive)
        if (!(e.v > 0)) FatalStopf("%s: %s is %g, expected more than 0.\n", f, e.name, e.v);
    // Every derived name (prefix + "_P_source_15.out" or "NP.out") must fit its buffer.
    const int limit = c.Csources ? 111 : 121;
    const int length = static_cast<int>(std::strlen(c.OutputPrefix));
    if (length > limit)
        FatalStopf("%s: the output prefix is %d characters long, expected at most %d.\n", f,
                   length, limit);
}

}  // namespace

void ReadRunConfiguration(SamplerState& S, const char* path)
{
    FILE* file = std::fopen(path, "r");
    if (!file) FatalStop("couldn't open inival.dat for reading.\n");
    RunConfiguration& c = S.cfg;
    Scanner in(file, "inival.dat");

    in.SkipLine();
    c.sample_size = in.Int("the sample size on line 2");
    c.interval = in.Int("the thinning interval on line 2");
    c.Burn_in = in.Int("the burn-in period on line 2");
    in.SkipLine();
    in.SkipLine();
    c.epsilon_w = in.Float("the proposal width for w on line 4");
    c.epsilon_x = in.Float("the proposal width for x on line 4");
    c.epsilon_p = in.Float("the proposal width for p on line 4");
    in.SkipLine();
    in.SkipLine();
    c.sigmap = in.Double("the variance for the loglinear parameters on line 6");
    c.alphax = in.Double("the AlphaX proposal variance on line 6");
    c.aTau = in.Double("the gamma parameter aTau on line 6");
    c.bTau = in.Double("the gamma parameter bTau on line 6");
    in.SkipLine();
    in.SkipLine();
    c.seed0 = in.Int("seed 0 on line 8");
    c.seed1 = in.Int("seed 1 on line 8");
    in.SkipLine();
    in.SkipLine();
    c.RJMCMC = in.Int("the algorithm (1 for RJMCMC, 0 for MCMC) on line 10");
    c.model = in.Int("the initial model on line 10");
    in.SkipLine();
    in.SkipLine();
    in.Text(c.OutputPrefix, "the output prefix on line 12");
    in.SkipLine();
    in.SkipLine();
    c.Generation = in.Int("the generation (1 for F1, 0 for F0) on line 14");
    in.SkipLine();
    in.SkipLine();
    in.Text(c.SourceFileName, "the source file name on line 16");
    in.SkipLine();
    in.SkipLine();
    in.Text(c.MixtureFileName, "the mixture file name on line 18");
    in.SkipLine();
    in.SkipLine();
    c.CNP = in.Int("the NP file flag on line 20");
    c.Csources = in.Int("the source allele frequency files flag on line 20");

    // The file carries a ModelNumber; the engine holds its ModelCode.
    if (c.model == 8) c.model = 14;
    else if (c.model == 9) c.model = 15;
    CheckConfiguration(c);
}

void ReadSourceData(SamplerState& S)
{
    FILE* file = std::fopen(S.cfg.SourceFileName, "r");
    if (!file) FatalStop("couldn't open source data file for reading.\n");
    char label[NameSize + 32];
    std::snprintf(label, sizeof label, "source data file %s", S.cfg.SourceFileName);
    Scanner in(file, label);

    in.SkipLine();
    S.NumSources = in.Int("the number of sources on line 2");
    S.NumLoci = in.Int("the number of loci on line 2");
    if (S.NumSources > MaxSources)
        FatalStopf("%s: %d sources, at most %d are allowed.\n", label, S.NumSources, MaxSources);
    if (S.NumSources < 2)
        FatalStopf("%s: %d sources, at least 2 are needed.\n", label, S.NumSources);
    if (S.NumLoci > MaxLoci)
        FatalStopf("%s: %d loci, at most %d are allowed.\n", label, S.NumLoci, MaxLoci);
    if (S.NumLoci < 0)
        FatalStopf("%s: %d loci, expected 0 or more.\n", label, S.NumLoci);
    in.SkipLine();
    in.SkipLine();
    for (int s = 0; s < S.NumSources; ++s)
        S.Sources[s].G1 = in.Double(Place("G1 of source %d", s + 1));
    in.SkipLine();
    in.SkipLine();
    for (int s = 0; s < S.NumSources; ++s) {
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            (void)in.Int(Place("the label of locus %d of source %d", l + 1, s + 1));
            L.LocusValue = in.Int(Place("the value after the label of locus %d of source %d", l + 1, s + 1));
            L.NumAlleles = in.Int(Place("the number of alleles of locus %d of source %d", l + 1, s + 1));
            if (L.NumAlleles > MaxAlleles || L.NumAlleles < 1)
                FatalStopf("%s: locus %d of source %d has %d alleles, expected 1 to %d.\n", label,
                           l + 1, s + 1, L.NumAlleles, MaxAlleles);
            for (int k = 0; k < L.NumAlleles; ++k) {
                L.Count[k] = in.Int(Place("the count of allele %d of locus %d of source %d", k + 1, l + 1, s + 1));
                if (L.Count[k] < 0)
                    FatalStopf("%s: the count of allele %d of locus %d of source %d is %d, "
                               "expected 0 or more.\n", label, k + 1, l + 1, s + 1, L.Count[k]);
            }
            (void)in.Int(Place("the value after the counts of locus %d of source %d", l + 1, s + 1));
        }
        in.SkipLine(20);
    }
}

void ReadMixtureData(SamplerState& S)
{
    FILE* file = std::fopen(S.cfg.MixtureFileName, "r");
    if (!file) FatalStop("couldn't open mixture data file for reading.\n");
    char label[NameSize + 32];
    std::snprintf(label, sizeof label, "mixture data file %s", S.cfg.MixtureFileName);
    Scanner in(file, label);

    in.SkipLine();
    in.SkipLine();
    for (int s = 0; s < S.NumSources; ++s)
        S.Sources[s].G2 = in.Double(Place("G2 of source %d", s + 1));
    S.NumMixture = in.Int("the number of mixture individuals");
    if (S.NumMixture > MaxMixture)
        FatalStopf("%s: %d mixture individuals, at most %d are allowed.\n", label, S.NumMixture,
                   MaxMixture);
    if (S.NumMixture < 0)
        FatalStopf("%s: %d mixture individuals, expected 0 or more.\n", label, S.NumMixture);
    in.SkipLine();
    in.SkipLine();
    for (int i = 0; i < S.NumMixture; ++i) {
        (void)in.Int(Place("the label of individual %d", i + 1));
        MixtureIndividual& M = S.Mixture[i];
        for (int l = 0; l < S.NumLoci; ++l) {
            const int32_t g = in.Int(Place("the genotype of individual %d at locus %d", i + 1, l + 1));
            if (g < 0 || g > 9999)
                FatalStopf("%s: the genotype of individual %d at locus %d is %d, expected 0 to 9999.\n",
                           label, i + 1, l + 1, g);
            M.Allele1[l] = g / 100;
            M.Allele2[l] = g % 100;
        }
    }
}

void CheckGammaShape(const SamplerState& S)
{
    // The start value of the precision and every DrawTau use a gamma draw of this shape,
    // and the generator needs a shape above 1.
    const double shape = S.NumSources * 0.5 + S.cfg.aTau;
    if (!(shape > 1))
        FatalStopf("inival.dat: with %d sources and the gamma parameter aTau %g the shape of the "
                   "precision draw is %g, expected more than 1.\n", S.NumSources, S.cfg.aTau, shape);
}

void ReadInputs(SamplerState& S)
{
    ReadRunConfiguration(S);
    ReadSourceData(S);
    CheckGammaShape(S);
    ReadMixtureData(S);
}
