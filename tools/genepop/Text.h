// Small text helpers shared by the GENEPOP reader, the CSV inputs and the writers.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace genepop {

// Every refusal of the converter: the message names the file, the line and what was expected.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "<file>, line <n>: " (or "<file>: " when line is 0).
std::string Where(const std::string& file, int line);

// Blanks, tabs and carriage returns removed at both ends.
std::string Trim(std::string_view text);

// The text shortened for an error message.
std::string Excerpt(std::string_view text, size_t max = 40);

// One CSV record: fields separated by commas, a field may be in double quotes ("" is a
// quote inside them); each field is trimmed. False for an unterminated quote.
bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields);

// A CSV field, quoted only when it has to be.
std::string CsvField(const std::string& text);

// A finite decimal number with "." as the separator and nothing after it.
bool ParseNumber(const std::string& text, double& value);

// The shortest text that reads back as exactly this double.
std::string NumberText(double value);

// Case-insensitive ASCII comparison.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace genepop
