#include "genepop/Text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace genepop {

std::string Where(const std::string& file, int line)
{
    if (line <= 0) return file + ": ";
    return file + ", line " + std::to_string(line) + ": ";
}

std::string Trim(std::string_view text)
{
    const char* blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

std::string Excerpt(std::string_view text, size_t max)
{
    std::string t = Trim(text);
    if (t.size() > max) t = t.substr(0, max) + "...";
    return t;
}

bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields)
{
    fields.clear();
    std::string field;
    bool quoted = false;
    bool wasQuoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"') {
            // A quote opens a quoted part only at the start of a field (blanks aside).
            if (Trim(field).empty()) {
                field.clear();
                quoted = true;
                wasQuoted = true;
            } else {
                field += c;
            }
        } else if (c == ',') {
            fields.push_back(wasQuoted ? field : Trim(field));
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    if (quoted) return false;
    fields.push_back(wasQuoted ? field : Trim(field));
    return true;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos && Trim(text) == text) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

bool ParseNumber(const std::string& text, double& value)
{
    const std::string t = Trim(text);
    if (t.empty()) return false;
    // Only plain decimal notation: no hex, no "inf"/"nan", no locale separators.
    for (char c : t) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' ||
              c == 'E'))
            return false;
    }
    // from_chars, unlike strtod, ignores the process locale (a Qt program sets it).
    const char* first = t.c_str();
    const char* last = first + t.size();
    if (*first == '+' && ++first != last && *first == '-') return false;
    double v = 0.0;
    const auto result = std::from_chars(first, last, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::string NumberText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace genepop
