#include "genepop/GenepopReader.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "genepop/Text.h"

namespace genepop {

namespace {

bool IsPopLine(const std::string& trimmed)
{
    return EqualsIgnoreCase(trimmed, "pop");
}

bool AllDigits(const std::string& token)
{
    for (char c : token) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

const char* kExpectedGenotype = "expected 2 alleles of 2 or 3 digits each, e.g. 0410 or 090090";

class Parser {
public:
    Parser(std::istream& in, const std::string& file) : in_(in) { data_.file = file; }

    GenepopData Run()
    {
        std::string line;
        if (!Next(line)) Fail(0, "the file is empty; expected a title line, the locus names and samples each opened by a line \"Pop\".");
        // A byte-order mark is not part of the title.
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        data_.title = Trim(line);
        ReadLoci();
        ReadSamples();
        return std::move(data_);
    }

private:
    bool Next(std::string& line)
    {
        if (!std::getline(in_, line)) return false;
        ++lineNo_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }

    [[noreturn]] void Fail(int line, const std::string& text) const
    {
        throw ImportError(Where(data_.file, line) + text);
    }

    void ReadLoci()
    {
        std::string line;
        while (Next(line)) {
            const std::string t = Trim(line);
            if (IsPopLine(t)) {
                if (data_.loci.empty())
                    Fail(lineNo_, "expected the locus names (one per line or separated by commas) between the title and the first line \"Pop\".");
                data_.samples.emplace_back();
                data_.samples.back().popLine = lineNo_;
                return;
            }
            std::vector<std::string> names;
            SplitCsvLine(line, names);
            for (const std::string& name : names) {
                if (!name.empty()) data_.loci.push_back(name);
            }
        }
        Fail(lineNo_, "end of file: expected a line \"Pop\" after the locus names, opening the first sample.");
    }

    void ReadSamples()
    {
        std::string line;
        Individual* open = nullptr;  // an individual still short of genotypes
        while (Next(line)) {
            const std::string t = Trim(line);
            if (t.empty()) continue;
            if (IsPopLine(t)) {
                CloseSample(open);
                open = nullptr;
                data_.samples.emplace_back();
                data_.samples.back().popLine = lineNo_;
                continue;
            }
            const size_t comma = line.find(',');
            if (comma == std::string::npos) {
                if (open == nullptr)
                    Fail(lineNo_, "expected an individual as \"name , genotypes\" (a comma after the name) or a line \"Pop\", found \"" + Excerpt(line) + "\".");
                AddGenotypes(*open, line);
            } else {
                if (open != nullptr) Short(*open);
                Sample& sample = data_.samples.back();
                sample.individuals.emplace_back();
                Individual& ind = sample.individuals.back();
                ind.name = Trim(std::string_view(line).substr(0, comma));
                ind.line = lineNo_;
                AddGenotypes(ind, line.substr(comma + 1));
                open = &ind;
            }
            if (open->genotypes.size() == data_.loci.size()) open = nullptr;
        }
        CloseSample(open);
    }

    void CloseSample(const Individual* open)
    {
        if (open != nullptr) Short(*open);
        const Sample& sample = data_.samples.back();
        if (sample.individuals.empty())
            Fail(sample.popLine, "sample " + std::to_string(data_.samples.size()) + " has no individuals; expected at least one line \"name , genotypes\" after the line \"Pop\".");
    }

    [[noreturn]] void Short(const Individual& ind) const
    {
        Fail(ind.line, "individual \"" + ind.name + "\" has " + std::to_string(ind.genotypes.size()) +
                           " genotypes; expected " + std::to_string(data_.loci.size()) +
                           ", one per locus (an individual may go on in the following lines, which hold no comma).");
    }

    void AddGenotypes(Individual& ind, const std::string& text)
    {
        std::istringstream tokens(text);
        std::string token;
        while (tokens >> token) {
            const size_t locus = ind.genotypes.size() + 1;
            if (locus > data_.loci.size())
                Fail(lineNo_, "individual \"" + ind.name + "\" has more than " + std::to_string(data_.loci.size()) +
                                  " genotypes; expected one per locus.");
            const std::string at = "genotype \"" + Excerpt(token) + "\" at locus " + std::to_string(locus) + " (" +
                                   data_.loci[locus - 1] + ")";
            if (!AllDigits(token)) Fail(lineNo_, at + ": " + kExpectedGenotype + ".");
            if (token.size() == 2 || token.size() == 3)
                Fail(lineNo_, at + " holds a single allele; haploid data cannot be converted: " + kExpectedGenotype + ".");
            if (token.size() != 4 && token.size() != 6) Fail(lineNo_, at + ": " + kExpectedGenotype + ".");
            const int digits = static_cast<int>(token.size() / 2);
            if (data_.digits == 0) {
                data_.digits = digits;
                data_.firstGenotypeLine = lineNo_;
            } else if (digits != data_.digits) {
                Fail(lineNo_, at + " has " + std::to_string(digits) + "-digit alleles, but the file's first genotype (line " +
                                  std::to_string(data_.firstGenotypeLine) + ") has " + std::to_string(data_.digits) +
                                  "-digit alleles; expected one width throughout the file.");
            }
            Genotype g;
            g.a = std::stoi(token.substr(0, digits));
            g.b = std::stoi(token.substr(digits));
            ind.genotypes.push_back(g);
        }
    }

    std::istream& in_;
    GenepopData data_;
    int lineNo_ = 0;
};

}  // namespace

GenepopData ParseGenepop(std::istream& in, const std::string& fileName)
{
    return Parser(in, fileName).Run();
}

GenepopData ReadGenepop(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImportError(path + ": cannot open the file for reading.");
    return ParseGenepop(in, path);
}

}  // namespace genepop
