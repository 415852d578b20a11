#include "genepop/OutputFiles.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "genepop/Text.h"

namespace genepop {

namespace fs = std::filesystem;

OutputPaths PathsForPrefix(const std::string& prefix)
{
    return {prefix + "_source.txt", prefix + "_mixture.txt", prefix + "_alleles.csv"};
}

std::string DefaultPrefix(const std::string& input)
{
    fs::path p(input);
    p.replace_extension();
    return p.string();
}

void WriteOutputs(const EngineData& d, const OutputPaths& paths)
{
    const std::string texts[3] = {SourceFileText(d), MixtureFileText(d), RecodingTableText(d)};
    const std::string targets[3] = {paths.source, paths.mixture, paths.table};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < i; ++j) {
            if (targets[i] == targets[j]) throw ImportError(targets[i] + ": named for two outputs; expected three different file names.");
        }
        if (targets[i] == d.genepopFile) throw ImportError(targets[i] + ": this is the input file; expected another output name.");
    }
    std::string temps[3];
    auto removeTemps = [&temps] {
        std::error_code ignored;
        for (const std::string& t : temps) {
            if (!t.empty()) fs::remove(t, ignored);
        }
    };
    for (int i = 0; i < 3; ++i) {
        temps[i] = targets[i] + ".part";
        std::ofstream out(temps[i], std::ios::binary | std::ios::trunc);
        if (out) out << texts[i];
        if (out) out.close();
        if (!out) {
            removeTemps();
            throw ImportError(targets[i] + ": cannot write the file; expected a writable folder.");
        }
    }
    for (int i = 0; i < 3; ++i) {
        std::error_code ec;
        fs::rename(temps[i], targets[i], ec);
        if (ec) {
            removeTemps();
            throw ImportError(targets[i] + ": cannot create the file (" + ec.message() + ").");
        }
        temps[i].clear();
    }
}

}  // namespace genepop
