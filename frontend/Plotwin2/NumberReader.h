// Whitespace-separated numbers from a text file, read the way a C++ input stream reads them:
// a read skips blanks, tabs and line ends, converts the next token and fails at the end of the
// file or on a token that is not a number; once failed, the reader stays failed.
//
// Differences from a plain stream, on purpose:
// - a carriage return before a line feed is part of the line end, so files written on Windows
//   read the same as files written here;
// - "the next character is a line feed" also holds when only blanks, tabs and carriage returns
//   stand before it, so trailing blanks do not make the next line look like more columns;
// - the conversion ignores the user's locale: the decimal separator is always the point;
// - "nan" and "inf" are not numbers.
#pragma once

#include <QString>

#include <cstdio>
#include <vector>

class NumberReader {
public:
    NumberReader() = default;
    explicit NumberReader(const QString& path) { open(path); }
    ~NumberReader() { close(); }
    NumberReader(const NumberReader&) = delete;
    NumberReader& operator=(const NumberReader&) = delete;

    // False when the file does not open; the reader is then failed.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return file_ != nullptr; }

    // Neither failed nor at the end of the file.
    bool good() const { return !failed_ && !eof_; }
    bool failed() const { return failed_; }
    bool atEnd() const { return eof_; }

    bool readDouble(double& value);
    bool readInteger(long long& value);
    // Reads a number without keeping it (faster than converting).
    bool skipNumber();
    // Reads n numbers and keeps the last; false as soon as one read fails.
    bool readDoubles(int n, double& last);

    // True when the next character (after blanks, tabs and carriage returns, which are consumed)
    // is a line feed; it is not consumed. At the end of the file: false, and the reader is at end.
    bool atLineEnd();

    // Discards everything up to and including the next line feed.
    void skipRestOfLine();

private:
    int peek();
    int get();
    bool refill();
    // Skips white space; false (and failed) at the end of the file.
    bool skipSpace();
    // End of the number text at the read position; null when there is none.
    const char* scanNumber(bool integer);
    template <class T>
    bool convert(T& value, bool integer);

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool failed_ = false;
    bool eof_ = false;
};
