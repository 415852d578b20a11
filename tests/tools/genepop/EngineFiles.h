// Reads the two data files by the engine's rules (line reads of at most 499 characters,
// one scanf value at a time, a 19-character line read after each source), but strictly:
// every scan must convert and every rest-of-line read must hold only the line end, so a
// file that passes reads aligned in the engine.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace enginefiles {

struct Locus {
    int label = 0, value = 0;
    std::vector<int> counts;
    int closing = 0;
};

struct SourceFile {
    int numSources = 0, numLoci = 0;
    std::vector<double> g1;
    std::vector<std::vector<Locus>> loci;  // [source][locus]
};

struct MixtureFile {
    std::vector<double> g2;
    int numMixture = 0;
    std::vector<std::vector<int>> codes;  // [individual][locus]
};

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text), f_(fmemopen(text_.data(), text_.size(), "r")) {}
    ~Reader()
    {
        if (f_) std::fclose(f_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    std::string error;

    void Line(int size = 500)
    {
        char buf[500];
        if (!ok()) return;
        if (!std::fgets(buf, size, f_)) fail("line read hit the end of the file");
        else if (std::strchr(buf, '\n') == nullptr) fail("line longer than the line read");
    }
    void Rest(int size = 500)
    {
        char buf[500];
        if (!ok()) return;
        if (!std::fgets(buf, size, f_)) fail("rest-of-line read hit the end of the file");
        else if (std::strcmp(buf, "\n") != 0) fail(std::string("text after the last value of a line: '") + buf + "'");
    }
    int Int()
    {
        int v = 0;
        if (ok() && std::fscanf(f_, "%d", &v) != 1) fail("an integer did not convert");
        return v;
    }
    double Real()
    {
        double v = 0.0;
        if (ok() && std::fscanf(f_, "%lg", &v) != 1) fail("a real did not convert");
        return v;
    }
    void End()
    {
        if (!ok()) return;
        int c;
        while ((c = std::fgetc(f_)) != EOF) {
            if (c != ' ' && c != '\n') return fail("text after the last value");
        }
    }
    bool ok() const { return f_ != nullptr && error.empty(); }

private:
    void fail(const std::string& what)
    {
        if (error.empty()) error = what;
    }
    std::string text_;
    FILE* f_;
};

// Empty error on success.
inline SourceFile ReadSource(const std::string& text, std::string& error)
{
    SourceFile d;
    Reader r(text);
    r.Line();
    d.numSources = r.Int();
    d.numLoci = r.Int();
    r.Rest();
    r.Line();
    for (int s = 0; s < d.numSources && r.ok(); ++s) d.g1.push_back(r.Real());
    r.Rest();
    r.Line();
    for (int s = 0; s < d.numSources && r.ok(); ++s) {
        std::vector<Locus> loci;
        for (int l = 0; l < d.numLoci && r.ok(); ++l) {
            Locus locus;
            locus.label = r.Int();
            locus.value = r.Int();
            const int a = r.Int();
            if (a < 0 || a > 100) {
                r.error = "allele count out of range";
                break;
            }
            for (int k = 0; k < a; ++k) locus.counts.push_back(r.Int());
            locus.closing = r.Int();
            loci.push_back(locus);
        }
        r.Rest(20);
        d.loci.push_back(loci);
    }
    r.End();
    error = r.error;
    return d;
}

inline MixtureFile ReadMixture(const std::string& text, int numSources, int numLoci, std::string& error)
{
    MixtureFile d;
    Reader r(text);
    r.Line();
    r.Line();
    for (int s = 0; s < numSources && r.ok(); ++s) d.g2.push_back(r.Real());
    d.numMixture = r.Int();
    r.Rest();
    r.Line();
    for (int i = 0; i < d.numMixture && r.ok(); ++i) {
        r.Int();  // label
        std::vector<int> codes;
        for (int l = 0; l < numLoci; ++l) codes.push_back(r.Int());
        d.codes.push_back(codes);
    }
    r.End();
    error = r.error;
    return d;
}

}  // namespace enginefiles
