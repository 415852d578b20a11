#include "genepop/Cli.h"

#include <cstdio>

#include "genepop/Convert.h"
#include "genepop/GenepopReader.h"
#include "genepop/OutputFiles.h"
#include "genepop/Selection.h"
#include "genepop/Text.h"

namespace genepop {

std::string HelpText()
{
    return R"(Usage: genepop2orvanta [options] FILE.gen

Converts a GENEPOP genotype file (diploid, 2- or 3-digit alleles) into the source
and mixture data files of the ORVANTA engine, with a table of the allele recoding.

A sample (a block opened by a line "Pop") is named by its position in the file
(1, 2, ...), by its GENEPOP name (the identifier of its last individual), or by a
label from --labels. Samples that are neither sources nor the mixture are ignored.

Choosing the samples:
  -m, --mixture SAMPLE    the sample that is the mixture (required)
  -s, --sources LIST      the source samples, comma-separated, in the order the
                          engine gets them (2 to 15); default: the samples listed
                          in --factors, in its order
      --g1 LIST           G1 of each source, comma-separated, in source order
      --g2 LIST           G2 of each source, comma-separated, in source order
  -f, --factors FILE.csv  G1 and G2 from a CSV: a header line with the columns
                          sample,G1,G2 (any order, other columns ignored), then one
                          row per source; with --sources, rows of other samples
                          are ignored
  -l, --labels FILE.csv   labels for the samples: a CSV with a header line and one
                          row per sample in file order; the label is the column
                          "label", or the first column when there is none

Output:
  -o, --output PREFIX     write PREFIX_source.txt, PREFIX_mixture.txt and
                          PREFIX_alleles.csv (default: FILE without its extension)
      --list              list the samples of FILE.gen and write nothing
  -h, --help              show this text

Alleles are recoded per locus: the alleles seen in the sources and the mixture,
in ascending GENEPOP order, become engine codes 0, 1, 2, ... (at most 99 per
locus); PREFIX_alleles.csv lists locus,locus_name,genepop_allele,engine_code.
A mixture genotype is written as 100 * first code + second code, 99 standing for
a missing allele: 312, 9999 (missing), 399 or 9903 (one allele missing; the
engine skips such a locus for that individual, as it does a missing genotype).
Loci with fewer than two alleles in the chosen samples are left out, with a
warning. Nothing is written when the input is refused.

Examples:
  genepop2orvanta --list microbov.gen
  genepop2orvanta -m 1 -s 2,3,4 --g1 1,0,0 --g2 1,1,1 -o cattle microbov.gen
  genepop2orvanta -l microbov_pops.csv -m Borgou -f factors.csv -o cattle microbov.gen

Exit status: 0 files written (or listed), 1 input refused (nothing written),
2 bad command line.
)";
}

namespace {

struct Options {
    std::string input, mixture, sources, g1, g2, factors, labels, output;
    bool haveSources = false, haveG1 = false, haveG2 = false, list = false, help = false;
};

// Empty on success.
std::string ParseOptions(const std::vector<std::string>& args, Options& o)
{
    struct Valued {
        const char* shortName;
        const char* longName;
        std::string* target;
        bool* given;
    };
    const Valued valued[] = {
        {"-m", "--mixture", &o.mixture, nullptr}, {"-s", "--sources", &o.sources, &o.haveSources},
        {nullptr, "--g1", &o.g1, &o.haveG1},        {nullptr, "--g2", &o.g2, &o.haveG2},
        {"-f", "--factors", &o.factors, nullptr},   {"-l", "--labels", &o.labels, nullptr},
        {"-o", "--output", &o.output, nullptr},
    };
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
            if (!o.input.empty()) return "more than one input file (\"" + o.input + "\" and \"" + a + "\").";
            o.input = a;
            continue;
        }
        if (a == "--") {
            onlyFiles = true;
            continue;
        }
        if (a == "-h" || a == "--help") {
            o.help = true;
            continue;
        }
        if (a == "--list") {
            o.list = true;
            continue;
        }
        bool known = false;
        for (const Valued& v : valued) {
            const std::string longEq = std::string(v.longName) + "=";
            std::string value;
            if (a.rfind(longEq, 0) == 0) {
                value = a.substr(longEq.size());
            } else if (a == v.longName || (v.shortName && a == v.shortName)) {
                if (i + 1 >= args.size()) return "option " + a + " needs a value.";
                value = args[++i];
            } else {
                continue;
            }
            *v.target = value;
            if (v.given) *v.given = true;
            known = true;
            break;
        }
        if (!known) return "unknown option " + a + ".";
    }
    if (o.help) return {};
    if (o.input.empty()) return "no input file; expected a GENEPOP file.";
    if (o.list) return {};
    if (o.mixture.empty()) return "no mixture; expected --mixture SAMPLE.";
    if (o.haveG1 != o.haveG2) return "--g1 and --g2 go together; expected both or neither.";
    if (o.haveG1 && !o.factors.empty()) return "G1 and G2 given both by --g1/--g2 and by --factors; expected one of the two.";
    if (!o.haveG1 && o.factors.empty()) return "no G1 and G2; expected --g1 and --g2, or --factors.";
    if (o.haveG1 && !o.haveSources) return "--g1 and --g2 need --sources, which says which source each value belongs to.";
    return {};
}

bool ParseValues(const std::string& option, const std::string& text, std::vector<double>& values, std::string& error)
{
    for (const std::string& item : SplitList(text)) {
        double v = 0.0;
        if (!ParseNumber(item, v)) {
            error = option + ": \"" + item + "\" is not a number; expected comma-separated numbers with \".\" as the decimal separator.";
            return false;
        }
        values.push_back(v);
    }
    return true;
}

void ListSamples(const GenepopData& data, const std::vector<std::string>& labels, std::ostream& out)
{
    out << data.file << ": " << data.samples.size() << " samples, " << data.loci.size() << " loci, "
        << data.digits << "-digit alleles\n";
    out << "  #  individuals  line  name" << (labels.empty() ? "" : "  label") << "\n";
    for (size_t s = 0; s < data.samples.size(); ++s) {
        const Sample& sample = data.samples[s];
        char row[64];
        std::snprintf(row, sizeof row, "%3zu  %11zu  %4d  ", s + 1, sample.individuals.size(), sample.popLine);
        out << row << (sample.Name().empty() ? "(unnamed)" : sample.Name());
        if (!labels.empty()) out << "  " << labels[s];
        out << "\n";
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Options o;
    const std::string usage = ParseOptions(args, o);
    if (o.help) {
        out << HelpText();
        return kExitOk;
    }
    if (!usage.empty()) {
        err << "genepop2orvanta: " << usage << "\nTry 'genepop2orvanta --help'.\n";
        return kExitUsage;
    }
    SelectionRequest request;
    request.mixture = o.mixture;
    if (o.haveSources) request.sources = SplitList(o.sources);
    std::string bad;
    if (o.haveG1 && (!ParseValues("--g1", o.g1, request.g1, bad) || !ParseValues("--g2", o.g2, request.g2, bad))) {
        err << "genepop2orvanta: " << bad << "\nTry 'genepop2orvanta --help'.\n";
        return kExitUsage;
    }
    try {
        const GenepopData data = ReadGenepop(o.input);
        std::vector<std::string> labels;
        if (!o.labels.empty()) labels = ReadLabels(o.labels, data);
        if (o.list) {
            ListSamples(data, labels, out);
            return kExitOk;
        }
        if (!o.factors.empty()) {
            request.factors = ReadFactors(o.factors);
            request.haveFactors = true;
        }
        const Selection selection = BuildSelection(data, labels, request);
        const EngineData converted = Convert(data, selection, labels);
        const OutputPaths paths = PathsForPrefix(o.output.empty() ? DefaultPrefix(o.input) : o.output);
        WriteOutputs(converted, paths);
        for (const std::string& w : converted.warnings) err << "genepop2orvanta: warning: " << w << "\n";
        out << data.file << ": " << converted.sources.size() << " sources, " << converted.loci.size() << " of "
            << data.loci.size() << " loci, " << converted.mixture.size() << " mixture individuals\n";
        for (size_t s = 0; s < converted.sources.size(); ++s) {
            const EngineSource& src = converted.sources[s];
            out << "  source " << s + 1 << ": " << src.description << ", " << src.individuals
                << " individuals, G1 " << NumberText(src.g1) << ", G2 " << NumberText(src.g2) << "\n";
        }
        out << "  mixture: " << converted.mixtureDescription << "\n";
        out << "wrote " << paths.source << ", " << paths.mixture << ", " << paths.table << "\n";
        return kExitOk;
    } catch (const ImportError& e) {
        err << "genepop2orvanta: " << e.what() << "\n";
        return kExitRefused;
    }
}

}  // namespace genepop
