#include "genepop/Selection.h"

#include <fstream>
#include <set>
#include <sstream>

#include "genepop/Text.h"

namespace genepop {

namespace {

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImportError(path + ": cannot open the file for reading.");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The CSV records of a text with their line numbers; blank lines are skipped.
struct Record {
    int line = 0;
    std::vector<std::string> fields;
};

std::vector<Record> CsvRecords(const std::string& text, const std::string& file)
{
    std::vector<Record> records;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (Trim(line).empty()) continue;
        Record r;
        r.line = lineNo;
        if (!SplitCsvLine(line, r.fields))
            throw ImportError(Where(file, lineNo) + "a quoted field is not closed; expected a closing \".");
        records.push_back(std::move(r));
    }
    return records;
}

bool IsPosition(const std::string& ref, size_t count, size_t& index)
{
    if (ref.empty() || ref.size() > 6) return false;
    for (char c : ref) {
        if (c < '0' || c > '9') return false;
    }
    const size_t n = std::stoul(ref);
    if (n < 1 || n > count) return false;
    index = n - 1;
    return true;
}

}  // namespace

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, ',')) items.push_back(Trim(item));
    if (!text.empty() && text.back() == ',') items.push_back("");
    return items;
}

std::string DescribeSample(const GenepopData& data, const std::vector<std::string>& labels, int sample)
{
    std::string text = "sample " + std::to_string(sample + 1) + " (";
    const std::string& name = data.samples[static_cast<size_t>(sample)].Name();
    text += name.empty() ? std::string("unnamed") : name;
    if (!labels.empty() && !labels[static_cast<size_t>(sample)].empty())
        text += ", label " + labels[static_cast<size_t>(sample)];
    return text + ")";
}

int ResolveSample(const GenepopData& data, const std::vector<std::string>& labels, const std::string& ref,
                  const std::string& where)
{
    const std::string r = Trim(ref);
    if (r.empty()) throw ImportError(where + "empty sample; expected a position, a sample name or a label.");
    std::set<size_t> found;
    size_t index = 0;
    if (IsPosition(r, data.samples.size(), index)) found.insert(index);
    for (size_t s = 0; s < data.samples.size(); ++s) {
        if (data.samples[s].Name() == r) found.insert(s);
        if (s < labels.size() && labels[s] == r) found.insert(s);
    }
    if (found.empty())
        throw ImportError(where + "no sample \"" + r + "\"; expected a position from 1 to " +
                          std::to_string(data.samples.size()) +
                          ", a sample name (the identifier of the sample's last individual) or a label.");
    if (found.size() > 1) {
        std::string list;
        for (size_t s : found) list += (list.empty() ? "" : ", ") + DescribeSample(data, labels, static_cast<int>(s));
        throw ImportError(where + "\"" + r + "\" could mean " + list + "; expected a reference to one sample (use its position).");
    }
    return static_cast<int>(*found.begin());
}

std::vector<std::string> ParseLabels(const std::string& text, const std::string& file, const GenepopData& data)
{
    const std::vector<Record> records = CsvRecords(text, file);
    if (records.empty()) throw ImportError(Where(file, 0) + "the file is empty; expected a header line, then one row per sample.");
    size_t column = 0;
    const std::vector<std::string>& header = records.front().fields;
    for (size_t c = 0; c < header.size(); ++c) {
        if (EqualsIgnoreCase(header[c], "label")) column = c;
    }
    const size_t rows = records.size() - 1;
    if (rows != data.samples.size())
        throw ImportError(Where(file, 0) + std::to_string(rows) + " rows after the header; expected one row per sample of " +
                          data.file + " (" + std::to_string(data.samples.size()) + "), in file order.");
    std::vector<std::string> labels;
    for (size_t k = 1; k < records.size(); ++k) {
        const Record& r = records[k];
        if (column >= r.fields.size())
            throw ImportError(Where(file, r.line) + "the row has " + std::to_string(r.fields.size()) +
                              " fields; expected the label in field " + std::to_string(column + 1) + ".");
        labels.push_back(r.fields[column]);
    }
    return labels;
}

std::vector<std::string> ReadLabels(const std::string& path, const GenepopData& data)
{
    return ParseLabels(ReadWholeFile(path), path, data);
}

FactorTable ParseFactors(const std::string& text, const std::string& file)
{
    const std::vector<Record> records = CsvRecords(text, file);
    if (records.empty()) throw ImportError(Where(file, 0) + "the file is empty; expected a header line sample,G1,G2.");
    const Record& header = records.front();
    int columns[3] = {-1, -1, -1};
    const char* names[3] = {"sample", "G1", "G2"};
    for (size_t c = 0; c < header.fields.size(); ++c) {
        for (int k = 0; k < 3; ++k) {
            if (EqualsIgnoreCase(header.fields[c], names[k]) && columns[k] < 0) columns[k] = static_cast<int>(c);
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (columns[k] < 0)
            throw ImportError(Where(file, header.line) + "no column \"" + names[k] +
                              "\" in the header; expected the columns sample, G1 and G2.");
    }
    FactorTable table;
    table.file = file;
    for (size_t k = 1; k < records.size(); ++k) {
        const Record& r = records[k];
        FactorRow row;
        row.line = r.line;
        for (int c = 0; c < 3; ++c) {
            if (static_cast<size_t>(columns[c]) >= r.fields.size())
                throw ImportError(Where(file, r.line) + "the row has " + std::to_string(r.fields.size()) +
                                  " fields; expected a value in column \"" + names[c] + "\".");
        }
        row.sample = r.fields[static_cast<size_t>(columns[0])];
        for (int c = 1; c < 3; ++c) {
            const std::string& v = r.fields[static_cast<size_t>(columns[c])];
            double& target = c == 1 ? row.g1 : row.g2;
            if (!ParseNumber(v, target))
                throw ImportError(Where(file, r.line) + "\"" + Excerpt(v) + "\" in column " + names[c] +
                                  "; expected a number with \".\" as the decimal separator.");
        }
        table.rows.push_back(row);
    }
    if (table.rows.empty()) throw ImportError(Where(file, 0) + "no rows after the header; expected one row per source.");
    return table;
}

FactorTable ReadFactors(const std::string& path)
{
    return ParseFactors(ReadWholeFile(path), path);
}

Selection BuildSelection(const GenepopData& data, const std::vector<std::string>& labels,
                         const SelectionRequest& request)
{
    Selection sel;
    if (Trim(request.mixture).empty()) throw ImportError("command line: no mixture; expected the mixture sample (--mixture).");
    sel.mixture = ResolveSample(data, labels, request.mixture, "command line, mixture: ");

    const bool fromCommandLine = !request.g1.empty() || !request.g2.empty();
    if (fromCommandLine && request.haveFactors)
        throw ImportError("command line: G1 and G2 given both as values and in " + request.factors.file +
                          "; expected one of the two.");
    if (!fromCommandLine && !request.haveFactors)
        throw ImportError("command line: no G1 and G2; expected values for each source (--g1, --g2) or a factors CSV (--factors).");

    if (request.sources.empty()) {
        if (!request.haveFactors)
            throw ImportError("command line: no sources; expected the source samples (--sources) or a factors CSV (--factors).");
        for (const FactorRow& row : request.factors.rows) {
            const int s = ResolveSample(data, labels, row.sample, Where(request.factors.file, row.line));
            if (s == sel.mixture)
                throw ImportError(Where(request.factors.file, row.line) + DescribeSample(data, labels, s) +
                                  " is the mixture; expected only sources in the factors CSV when no sources are given.");
            sel.sources.push_back({s, row.g1, row.g2});
        }
    } else {
        for (size_t k = 0; k < request.sources.size(); ++k) {
            const int s = ResolveSample(data, labels, request.sources[k],
                                        "command line, source " + std::to_string(k + 1) + ": ");
            sel.sources.push_back({s, 0.0, 0.0});
        }
        if (fromCommandLine) {
            const size_t n = request.sources.size();
            if (request.g1.size() != n || request.g2.size() != n)
                throw ImportError("command line: " + std::to_string(request.g1.size()) + " values of G1 and " +
                                  std::to_string(request.g2.size()) + " of G2 for " + std::to_string(n) +
                                  " sources; expected one of each per source, in source order.");
            for (size_t k = 0; k < n; ++k) {
                sel.sources[k].g1 = request.g1[k];
                sel.sources[k].g2 = request.g2[k];
            }
        } else {
            // The factors CSV may hold more samples than are chosen as sources.
            for (SourceChoice& src : sel.sources) {
                const FactorRow* match = nullptr;
                for (const FactorRow& row : request.factors.rows) {
                    if (ResolveSample(data, labels, row.sample, Where(request.factors.file, row.line)) != src.sample) continue;
                    if (match != nullptr)
                        throw ImportError(Where(request.factors.file, row.line) + DescribeSample(data, labels, src.sample) +
                                          " has a row already at line " + std::to_string(match->line) +
                                          "; expected one row per sample.");
                    match = &row;
                }
                if (match == nullptr)
                    throw ImportError(Where(request.factors.file, 0) + "no row for source " +
                                      DescribeSample(data, labels, src.sample) + "; expected G1 and G2 for every source.");
                src.g1 = match->g1;
                src.g2 = match->g2;
            }
        }
    }

    std::set<int> seen;
    for (const SourceChoice& src : sel.sources) {
        if (src.sample == sel.mixture)
            throw ImportError("selection: " + DescribeSample(data, labels, src.sample) +
                              " is the mixture; expected the mixture not to be a source as well.");
        if (!seen.insert(src.sample).second)
            throw ImportError("selection: " + DescribeSample(data, labels, src.sample) +
                              " is chosen twice as a source; expected each source once.");
    }
    return sel;
}

}  // namespace genepop
