// The output files: sample trace, acceptance rates with the run summary, and the optional
// nuisance-parameter and allele-frequency traces. Every line is flushed as it is written,
// since the plot window may read the files while the run goes on.
#include "core/Output.h"

#include <cstdio>
#include <cstring>

#include "core/FatalStop.h"
#include "model/model.h"

namespace {

// Loci whose homozygosity the nuisance-parameter trace reports.
constexpr int kReportedLoci[3] = {0, 3, 7};

void ComposeName(char* out, const char* prefix, const char* suffix)
{
    // The caller has checked that the name fits its buffer.
    std::snprintf(out, NameSize, "%s%s", prefix, suffix);
}

void CheckNameFits(const char* prefix, const char* suffix)
{
    const size_t length = std::strlen(prefix) + std::strlen(suffix);
    if (length > NameSize - 1)
        FatalStopf("inival.dat: output file name \"%s%s\" is %zu characters long, expected at most %d.\n",
                   prefix, suffix, length, NameSize - 1);
}

void SourceSuffix(char* suffix, int number)
{
    std::snprintf(suffix, 32, "_P_source_%d.out", number);
}

FILE* OpenForWriting(const char* name)
{
    FILE* f = std::fopen(name, "w");
    if (f == nullptr) FatalStopf("couldn't open %s for writing.\n", name);
    return f;
}

int ReportedSources(const SamplerState& S)
{
    return S.NumSources < MaxSources ? S.NumSources : MaxSources;
}

void WriteTraceLine(SamplerState& S, int32_t k, int32_t m)
{
    FILE* f = S.UpFile;
    std::fprintf(f, "%6d   %10.6Lf   %10.6f %4d", k, S.LogLikelihood, S.w, m);
    for (int j = 0; j < 4; ++j) std::fprintf(f, "   %11.6f", S.LogLinPar[j]);
    for (int s = 0; s < S.NumSources; ++s) std::fprintf(f, "   %10.6f", S.x[s]);
    std::fprintf(f, "\n");
    std::fflush(f);
}

void WriteNuisanceLine(SamplerState& S)
{
    FILE* f = S.NpFile;
    std::fprintf(f, "  %10.6f", S.AlphaVariance);
    for (int s = 0; s < S.NumSources; ++s) std::fprintf(f, "  %10.6f", S.AlphaX[s]);
    for (int s = 0; s < S.NumSources; ++s)
        for (int l : kReportedLoci)
            if (l < S.NumLoci) std::fprintf(f, "  %10.6f", S.Sources[s].loci[l].Homozygosity);
    std::fprintf(f, "\n");
    std::fflush(f);
}

void WriteFrequencyLine(SamplerState& S, int s, int32_t k)
{
    FILE* f = S.SourceOutFile[s];
    std::fprintf(f, " %6d ", k);
    for (int l = 0; l < S.NumLoci; ++l) {
        const LocusData& L = S.Sources[s].loci[l];
        std::fprintf(f, "%3d ", L.NumAlleles);
        for (int a = 0; a < L.NumAlleles; ++a) std::fprintf(f, "  %10.6f", L.p[a]);
    }
    std::fprintf(f, "\n");
    std::fflush(f);
}

void WriteRateLine(SamplerState& S, int32_t k, int32_t AcceptX, int32_t AcceptW, float AcceptP,
                   float AcceptAlphaX, int32_t AcceptJump)
{
    const double kk = k;
    std::fprintf(S.ArtFile, "%10.6f %10.6f %10.6f %10.6f %10.6f\n", (double)AcceptX / kk,
                 (double)AcceptW / kk, (double)AcceptP / kk, (double)AcceptAlphaX / kk,
                 (double)AcceptJump / kk);
    std::fflush(S.ArtFile);
}

// Mean = sum / n and the population variance = (sum of squares) / n - mean^2, stored in
// the accumulator, then the model's block.
void WriteSummaryBlock(SamplerState& S, int number)
{
    ModelAccumulator& A = S.Accumulators[number - 1];
    double* v = A.v;
    const double n = A.SampleCount;
    const int sources = ReportedSources(S);
    auto finish = [v, n](int sum, int sq, int mean, int var) {
        v[mean] = v[sum] / n;
        v[var] = v[sq] / n - v[mean] * v[mean];
    };
    finish(Acc::SumW, Acc::SqW, Acc::MeanW, Acc::VarW);
    for (int s = 0; s < sources; ++s) finish(Acc::SumX + s, Acc::SqX + s, Acc::MeanX + s, Acc::VarX + s);
    for (int j = 0; j < 4; ++j)
        finish(Acc::SumLogLin + j, Acc::SqLogLin + j, Acc::MeanLogLin + j, Acc::VarLogLin + j);

    FILE* f = S.ArtFile;
    std::fprintf(f, "Model %d\n", number);
    std::fprintf(f, "Sample Size = %d\n", A.SampleCount);
    std::fprintf(f, "Mean and Variance of w.\n");
    std::fprintf(f, "%10.6f %10.6f\n", v[Acc::MeanW], v[Acc::VarW]);
    std::fprintf(f, "Mean and Variance of x.\n");
    for (int s = 0; s < sources; ++s) std::fprintf(f, "%10.6f", v[Acc::MeanX + s]);
    std::fprintf(f, "\n");
    for (int s = 0; s < sources; ++s) std::fprintf(f, "%10.6f", v[Acc::VarX + s]);
    std::fprintf(f, "\n");
    std::fprintf(f, "Mean and Variance of LogLinPar.\n");
    for (int j = 0; j < 4; ++j) std::fprintf(f, "%10.6f", v[Acc::MeanLogLin + j]);
    std::fprintf(f, "\n");
    for (int j = 0; j < 4; ++j) std::fprintf(f, "%10.6f", v[Acc::VarLogLin + j]);
    std::fprintf(f, "\n");
    std::fprintf(f, "\n");
    std::fflush(f);
}

}  // namespace

void DeriveOutputNames(SamplerState& S)
{
    const char* prefix = S.cfg.OutputPrefix;
    // Over-long names would not fit their buffers: refuse them rather than cut them.
    CheckNameFits(prefix, "UP.out");
    ComposeName(S.UpFileName, prefix, "UP.out");
    ComposeName(S.ArtFileName, prefix, ".art");
    ComposeName(S.NpFileName, prefix, "NP.out");
}

void OpenOutputFiles(SamplerState& S)
{
    DeriveOutputNames(S);
    const int sources = ReportedSources(S);
    char suffix[32];
    // Every name is checked before the first file is created.
    if (S.cfg.Csources != 0 && sources > 0) {
        SourceSuffix(suffix, sources);
        CheckNameFits(S.cfg.OutputPrefix, suffix);
    }
    S.UpFile = OpenForWriting(S.UpFileName);
    S.ArtFile = OpenForWriting(S.ArtFileName);
    if (S.cfg.CNP != 0) S.NpFile = OpenForWriting(S.NpFileName);
    if (S.cfg.Csources != 0)
        for (int s = 0; s < sources; ++s) {
            char name[NameSize];
            SourceSuffix(suffix, s + 1);
            ComposeName(name, S.cfg.OutputPrefix, suffix);
            S.SourceOutFile[s] = OpenForWriting(name);
        }
}

void OutputStep(SamplerState& S, int32_t k, int32_t AcceptX, int32_t AcceptW, float AcceptP,
                float AcceptAlphaX, int32_t AcceptJump)
{
    const int32_t m = ModelNumberOf(S.CurrentModel);
    // A divisor below 1 never selects a line (the schedule refuses such settings).
    const int32_t interval = S.cfg.interval;
    if (interval > 0 && k % interval == 0 && k > S.cfg.Burn_in) {
        if (S.UpFile) WriteTraceLine(S, k, m);
        if (S.cfg.CNP != 0 && S.NpFile) WriteNuisanceLine(S);
        if (S.cfg.Csources != 0)
            for (int s = 0; s < ReportedSources(S); ++s)
                if (S.SourceOutFile[s]) WriteFrequencyLine(S, s, k);
    }
    if (S.ArtInterval > 0 && k % S.ArtInterval == 0 && k > 0 && S.ArtFile)
        WriteRateLine(S, k, AcceptX, AcceptW, AcceptP, AcceptAlphaX, AcceptJump);
    if (k == S.TotalIterations - 1 && S.ArtFile)
        for (int number = 1; number <= 9; ++number)
            if (S.Accumulators[number - 1].SampleCount > 0) WriteSummaryBlock(S, number);
}

void CloseOutputFiles(SamplerState& S)
{
    auto close = [](FILE*& f) {
        if (f) std::fclose(f);
        f = nullptr;
    };
    close(S.UpFile);
    close(S.ArtFile);
    close(S.NpFile);
    for (FILE*& f : S.SourceOutFile) close(f);
}
