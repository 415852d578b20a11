#include "simulate/Scenario.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvsim {

namespace {

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ToDouble(const std::string& text, double& out)
{
    const std::string t = Trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ToLong(const std::string& text, long long& out)
{
    const std::string t = Trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE) return false;
    out = v;
    return true;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

std::string IntIn(const std::string& key, const std::string& value, long long lo, long long hi, int& out)
{
    long long v = 0;
    if (!ToLong(value, v) || v < lo || v > hi)
        return key + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
               ", not " + Quoted(value);
    out = static_cast<int>(v);
    return "";
}

// "N" or "LO-HI".
std::string RangeIn(const std::string& key, const std::string& value, int lo, int hi, IntRange& out)
{
    const std::string what = key + " must be N or LO-HI with " + std::to_string(lo) + " <= LO <= HI <= " +
                             std::to_string(hi) + ", not " + Quoted(value);
    const std::string t = Trim(value);
    const auto dash = t.find('-', 1);
    long long a = 0, b = 0;
    if (dash == std::string::npos) {
        if (!ToLong(t, a)) return what;
        b = a;
    } else if (!ToLong(t.substr(0, dash), a) || !ToLong(t.substr(dash + 1), b)) {
        return what;
    }
    if (a < lo || b > hi || a > b) return what;
    out = {static_cast<int>(a), static_cast<int>(b)};
    return "";
}

std::string RealIn(const std::string& key, const std::string& value, double lo, double hi, bool open_lo,
                   bool open_hi, double& out)
{
    double v = 0.0;
    const bool ok = ToDouble(value, v) && (open_lo ? v > lo : v >= lo) && (open_hi ? v < hi : v <= hi);
    if (!ok) {
        std::ostringstream m;
        m << key << " must be a number in " << (open_lo ? "(" : "[") << lo << ", " << hi << (open_hi ? ")" : "]")
          << ", not " << Quoted(value);
        return m.str();
    }
    out = v;
    return "";
}

std::string RealList(const std::string& key, const std::string& value, std::vector<double>& out)
{
    std::vector<double> v;
    std::stringstream ss(value);
    std::string item;
    while (std::getline(ss, item, ',')) {
        double d = 0.0;
        if (!ToDouble(item, d)) return key + " must be a comma-separated list of numbers, not " + Quoted(value);
        v.push_back(d);
    }
    if (v.empty()) return key + " must be a comma-separated list of numbers, not " + Quoted(value);
    out = v;
    return "";
}

std::string FileName(const std::string& key, const std::string& value, std::string& out)
{
    const std::string t = Trim(value);
    if (t.empty()) return key + " must not be empty";
    if (static_cast<int>(t.size()) > kMaxNameLength)
        return key + " must be at most " + std::to_string(kMaxNameLength) + " characters long";
    out = t;
    return "";
}

}  // namespace

std::string ApplySetting(Scenario& s, const std::string& key, const std::string& value)
{
    if (key == "seed") {
        long long v = 0;
        if (!ToLong(value, v) || v < 0) return "seed must be a whole number of 0 or more, not " + Quoted(value);
        s.seed = static_cast<uint64_t>(v);
        return "";
    }
    if (key == "sources") return IntIn(key, value, 2, kMaxSources, s.sources);
    if (key == "loci") return IntIn(key, value, 1, kMaxLoci, s.loci);
    if (key == "alleles") return RangeIn(key, value, 2, kMaxAlleles, s.alleles);
    if (key == "sample-size") return RangeIn(key, value, 1, 10000, s.sample_size);
    if (key == "g1") return RealList(key, value, s.g1);
    if (key == "g2") return RealList(key, value, s.g2);
    if (key == "g1-range" || key == "g2-range") {
        std::vector<double> r;
        const std::string e = RealList(key, value, r);
        if (!e.empty() || r.size() != 2 || r[0] > r[1])
            return key + " must be LO,HI with LO <= HI, not " + Quoted(value);
        (key == "g1-range" ? s.g1_lo : s.g2_lo) = r[0];
        (key == "g1-range" ? s.g1_hi : s.g2_hi) = r[1];
        return "";
    }
    if (key == "x") {
        std::vector<double> v;
        std::string e = RealList(key, value, v);
        if (!e.empty()) return e;
        double sum = 0.0;
        for (double d : v) {
            if (d < 0.0) return "x must hold no negative share, not " + Quoted(value);
            sum += d;
        }
        if (sum <= 0.0) return "x must hold at least one positive share";
        s.x = v;
        return "";
    }
    if (key == "coef") {
        std::vector<double> v;
        const std::string e = RealList(key, value, v);
        if (!e.empty() || v.size() != 4) return "coef must be four numbers b0,b1,b2,b3, not " + Quoted(value);
        for (int k = 0; k < 4; ++k) s.coef[k] = v[k];
        return "";
    }
    if (key == "alpha-variance") return RealIn(key, value, 0.0, 100.0, false, false, s.alpha_variance);
    if (key == "generation") {
        const std::string t = Trim(value);
        if (t == "F1" || t == "f1" || t == "1") s.generation = 1;
        else if (t == "F0" || t == "f0" || t == "0") s.generation = 0;
        else return "generation must be F0 or F1, not " + Quoted(value);
        return "";
    }
    if (key == "w") return RealIn(key, value, 0.0, 1.0, false, false, s.w);
    if (key == "mixture") return IntIn(key, value, 0, kMaxMixture, s.mixture);
    if (key == "missing") return RealIn(key, value, 0.0, 1.0, false, false, s.missing);
    if (key == "fst") return RealIn(key, value, 0.0, 1.0, true, true, s.fst);
    if (key == "out-dir") {
        const std::string t = Trim(value);
        if (t.empty()) return "out-dir must not be empty";
        s.out_dir = t;
        return "";
    }
    if (key == "source-file") return FileName(key, value, s.source_file);
    if (key == "mixture-file") return FileName(key, value, s.mixture_file);
    if (key == "truth-file") return FileName(key, value, s.truth_file);
    return "unknown setting " + Quoted(key);
}

std::string CheckScenario(const Scenario& s)
{
    const auto n = static_cast<size_t>(s.sources);
    const std::string count = std::to_string(s.sources);
    if (!s.g1.empty() && s.g1.size() != n) return "g1 has " + std::to_string(s.g1.size()) + " values for " + count + " sources";
    if (!s.g2.empty() && s.g2.size() != n) return "g2 has " + std::to_string(s.g2.size()) + " values for " + count + " sources";
    if (!s.x.empty() && s.x.size() != n) return "x has " + std::to_string(s.x.size()) + " shares for " + count + " sources";
    if (s.source_file == s.mixture_file || s.source_file == s.truth_file || s.mixture_file == s.truth_file)
        return "source-file, mixture-file and truth-file must be three different names";
    return "";
}

namespace {

std::string ReadScenarioFile(Scenario& s, const std::string& path)
{
    std::ifstream in(path);
    if (!in) return "cannot read scenario file " + Quoted(path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        line = Trim(line);
        if (line.empty()) continue;
        const auto eq = line.find('=');
        const std::string where = "scenario file " + Quoted(path) + ", line " + std::to_string(number) + ": ";
        if (eq == std::string::npos) return where + "expected key = value, found " + Quoted(line);
        const std::string key = Trim(line.substr(0, eq));
        if (key == "scenario") return where + "a scenario file cannot name another one";
        const std::string e = ApplySetting(s, key, Trim(line.substr(eq + 1)));
        if (!e.empty()) return where + e;
    }
    return "";
}

struct Option {
    std::string key, value;
    bool has_value = false;
};

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& args)
{
    ParseResult r;
    std::vector<Option> options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            r.help = true;
            return r;
        }
        if (a.rfind("--", 0) != 0 || a.size() == 2) {
            r.error = "unexpected argument " + Quoted(a) + "; options are written --key=value";
            return r;
        }
        Option o;
        const auto eq = a.find('=');
        if (eq != std::string::npos) {
            o.key = a.substr(2, eq - 2);
            o.value = a.substr(eq + 1);
        } else {
            o.key = a.substr(2);
            if (i + 1 >= args.size()) {
                r.error = "option --" + o.key + " needs a value";
                return r;
            }
            o.value = args[++i];
        }
        options.push_back(o);
    }
    for (const Option& o : options)
        if (o.key == "scenario") {
            r.error = ReadScenarioFile(r.scenario, o.value);
            if (!r.error.empty()) return r;
        }
    for (const Option& o : options) {
        if (o.key == "scenario") continue;
        const std::string e = ApplySetting(r.scenario, o.key, o.value);
        if (!e.empty()) {
            r.error = e.rfind("unknown setting", 0) == 0 ? "unknown option --" + o.key : "option --" + e;
            return r;
        }
    }
    r.error = CheckScenario(r.scenario);
    return r;
}

std::string HelpText()
{
    return R"(Usage: orvanta-simulate [--scenario FILE] [--key=value ...]

Writes a source data file and a mixture data file in the formats the engine reads, and a
truth file with the values used to make them. The same seed gives the same files.

Settings (on the command line as --key=value or --key value; in a scenario file as
"key = value" lines, '#' starts a comment; command-line settings override the file):
  seed=N            seed of the random numbers (default 1)
  sources=N         number of source populations, 2..15 (default 6)
  loci=N            number of loci, 1..1500 (default 10)
  alleles=LO-HI     alleles per locus, drawn uniformly per locus, 2..98; or one number (default 6-15)
  sample-size=LO-HI individuals sampled per source, 1..10000, drawn uniformly per source;
                    or one number (default 50); each individual adds two genes to the counts
  g1=V1,V2,...      G1 of each source (e.g. log population size); if absent, drawn uniformly
  g1-range=LO,HI    from this range (default 0,1)
  g2=V1,V2,...      G2 of each source (e.g. distance to the colony); if absent, drawn
  g2-range=LO,HI    uniformly from this range (default 0,1)
  x=S1,S2,...       composition of the colonists, one share per source, normalised to sum 1;
                    if absent, drawn from the log-linear model:
                      log AlphaX[s] = b0 + b1 G1[s] + b2 G2[s] + b3 G1[s] G2[s] + e[s],
                      e[s] ~ Normal(0, alpha-variance),  x ~ Dirichlet(AlphaX)
  coef=B0,B1,B2,B3  coefficients of that model (default 1,0,0,0)
  alpha-variance=V  variance of e[s], 0 or more (default 0.1)
  generation=F0|F1  F0: each colonist comes from one source; F1: with probability w both
                    parents come from one source s ~ x, else from two sources drawn
                    independently from x (default F1)
  w=P               mating tendency, 0..1, used for F1 (default 0.3)
  mixture=N         number of mixture individuals, 0..601 (default 150)
  missing=P         probability that a mixture genotype is missing (written 9999), 0..1
                    (default 0)
  fst=F             differentiation, 0 < F < 1: at each locus the ancestral frequencies are
                    Dirichlet(1,...,1) and each source's are Dirichlet(ancestral (1-F)/F);
                    the source samples are multinomial draws from them (default 0.05)
  out-dir=DIR       folder of the three files, created if missing (default .)
  source-file=NAME  (default source.dat)
  mixture-file=NAME (default mixture.dat)
  truth-file=NAME   (default truth.txt)
  scenario=FILE     read settings from FILE (command line only)
  -h, --help        show this text

Exit status: 0 on success, 2 for a bad option or scenario, 1 if a file cannot be written.
)";
}

}  // namespace orvsim
