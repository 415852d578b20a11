// An independent reader of the engine's two data files, for the tools' tests. It follows
// the engine's reading rules step by step (line reads of at most 499 characters, one scanf
// value at a time, the short line read after each source) and is stricter than the engine:
// every scan must convert and every "rest of a line" read must hold nothing but the line
// end, so a file that passes reads aligned in the engine.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace datareader {

struct Locus {
    int label = 0, value = 0;
    std::vector<int> counts;
    int closing = 0;
};

struct SourceFile {
    int num_sources = 0, num_loci = 0;
    std::vector<double> g1;
    std::vector<std::vector<Locus>> loci;  // [source][locus]
};

struct MixtureFile {
    std::vector<double> g2;
    int num_mixture = 0;
    std::vector<int> labels;
    std::vector<std::vector<int>> codes;  // [individual][locus]
};

class Reader {
public:
    explicit Reader(const std::string& text) : f_(fmemopen(const_cast<char*>(text.data()), text.size(), "r")) {}
    ~Reader() { if (f_) std::fclose(f_); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    std::string error;

    // A whole line that fits the reader's buffer.
    void Line(int size = 500)
    {
        char buf[500];
        if (!ok()) return;
        if (!std::fgets(buf, size, f_)) fail("line read hit the end of the file");
        else if (std::strchr(buf, '\n') == nullptr) fail("line longer than the line read");
    }
    // What remains of a value line: only its line end.
    void Rest(int size = 500)
    {
        char buf[500];
        if (!ok()) return;
        if (!std::fgets(buf, size, f_)) fail("rest-of-line read hit the end of the file");
        else if (std::strspn(buf, " \t\r") != std::strlen(buf) - 1 || buf[std::strlen(buf) - 1] != '\n')
            fail(std::string("text after the last value of a line: '") + buf + "'");
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
        while ((c = std::fgetc(f_)) != EOF)
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return fail("text after the last value");
    }
    bool ok() const { return f_ != nullptr && error.empty(); }

private:
    void fail(const std::string& what) { if (error.empty()) error = what; }
    FILE* f_;
};

inline std::string ReadSource(const std::string& text, SourceFile& out)
{
    Reader r(text);
    r.Line();
    out.num_sources = r.Int();
    out.num_loci = r.Int();
    r.Rest();
    r.Line();
    for (int s = 0; s < out.num_sources && r.ok(); ++s) out.g1.push_back(r.Real());
    r.Rest();
    r.Line();
    out.loci.assign(out.num_sources, {});
    for (int s = 0; s < out.num_sources && r.ok(); ++s) {
        for (int l = 0; l < out.num_loci && r.ok(); ++l) {
            Locus L;
            L.label = r.Int();
            L.value = r.Int();
            const int k = r.Int();
            if (k < 0 || k > 100) return "bad allele count " + std::to_string(k);
            for (int a = 0; a < k; ++a) L.counts.push_back(r.Int());
            L.closing = r.Int();
            out.loci[s].push_back(L);
        }
        r.Rest(20);  // the engine's 20-character buffer
    }
    r.End();
    return r.error;
}

inline std::string ReadMixture(const std::string& text, int num_sources, int num_loci, MixtureFile& out)
{
    Reader r(text);
    r.Line();
    r.Line();
    for (int s = 0; s < num_sources && r.ok(); ++s) out.g2.push_back(r.Real());
    out.num_mixture = r.Int();
    r.Rest();
    r.Line();
    for (int i = 0; i < out.num_mixture && r.ok(); ++i) {
        out.labels.push_back(r.Int());
        std::vector<int> row;
        for (int l = 0; l < num_loci; ++l) row.push_back(r.Int());
        out.codes.push_back(row);
    }
    r.End();
    return r.error;
}

}  // namespace datareader
