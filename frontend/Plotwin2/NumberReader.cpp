#include "Plotwin2/NumberReader.h"

#include <QFile>

#include <charconv>
#include <cstring>

namespace {

constexpr size_t kBufferSize = 1 << 16;

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool NumberReader::open(const QString& path)
{
    close();
    failed_ = false;
    eof_ = false;
    pos_ = end_ = 0;
    const QByteArray name = QFile::encodeName(path);
    file_ = name.isEmpty() ? nullptr : std::fopen(name.constData(), "rb");
    if (!file_) {
        failed_ = true;
        return false;
    }
    buffer_.resize(kBufferSize);
    return true;
}

void NumberReader::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

bool NumberReader::refill()
{
    if (!file_)
        return false;
    // Keep what is still unread: the exponent check looks a few characters ahead.
    if (pos_ < end_ && pos_ > 0)
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    end_ += got;
    return got > 0;
}

int NumberReader::peek()
{
    if (pos_ == end_ && !refill())
        return EOF;
    return static_cast<unsigned char>(buffer_[pos_]);
}

int NumberReader::get()
{
    const int c = peek();
    if (c != EOF)
        ++pos_;
    return c;
}

// Longest number text read; a token that runs past it is not taken for a number.
constexpr size_t kMaxToken = 128;

bool NumberReader::skipSpace()
{
    if (!good()) {
        failed_ = true;
        return false;
    }
    for (;;) {
        if (pos_ == end_ && !refill()) {
            eof_ = true;
            failed_ = true;
            return false;
        }
        const char* p = buffer_.data() + pos_;
        const char* e = buffer_.data() + end_;
        while (p < e && isSpace(static_cast<unsigned char>(*p)))
            ++p;
        pos_ = static_cast<size_t>(p - buffer_.data());
        if (p < e)
            break;
    }
    // The whole token is in the buffer from here on, unless it is absurdly long.
    if (end_ - pos_ < kMaxToken)
        refill();
    return true;
}

const char* NumberReader::scanNumber(bool integer)
{
    const char* p = buffer_.data() + pos_;
    const char* e = buffer_.data() + end_;
    if (p < e && (*p == '+' || *p == '-'))
        ++p;
    int digits = 0;
    while (p < e && isDigit(static_cast<unsigned char>(*p))) {
        ++p;
        ++digits;
    }
    if (!integer && p < e && *p == '.') {
        ++p;
        while (p < e && isDigit(static_cast<unsigned char>(*p))) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0)
        return nullptr;
    if (!integer && p < e && (*p == 'e' || *p == 'E')) {
        // An exponent only when digits follow; otherwise the "e" starts the next token.
        const char* q = p + 1;
        if (q < e && (*q == '+' || *q == '-'))
            ++q;
        if (q < e && isDigit(static_cast<unsigned char>(*q))) {
            while (q < e && isDigit(static_cast<unsigned char>(*q)))
                ++q;
            p = q;
        }
    }
    // Cut off by the end of the buffer rather than ended: too long to be a number.
    if (p == e && static_cast<size_t>(p - (buffer_.data() + pos_)) >= kMaxToken)
        return nullptr;
    return p;
}

template <class T>
bool NumberReader::convert(T& value, bool integer)
{
    if (!skipSpace())
        return false;
    const char* first = buffer_.data() + pos_;
    const char* last = scanNumber(integer);
    if (!last) {
        failed_ = true;
        return false;
    }
    pos_ = static_cast<size_t>(last - buffer_.data());
    if (*first == '+')
        ++first;
    T v{};
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) {
        failed_ = true;
        return false;
    }
    value = v;
    if (peek() == EOF)
        eof_ = true;
    return true;
}

bool NumberReader::readDouble(double& value)
{
    return convert(value, false);
}

bool NumberReader::readInteger(long long& value)
{
    return convert(value, true);
}

bool NumberReader::skipNumber()
{
    if (!skipSpace())
        return false;
    const char* last = scanNumber(false);
    if (!last) {
        failed_ = true;
        return false;
    }
    // Checked like a conversion would check it, without converting.
    const char* first = buffer_.data() + pos_;
    pos_ = static_cast<size_t>(last - buffer_.data());
    if (*first == '+')
        ++first;
    double v = 0.0;
    if (last - first > 17) {
        const auto [ptr, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || ptr != last) {
            failed_ = true;
            return false;
        }
    } else {
        // Short decimal texts are always in range; only the exponent could overflow.
        const char* e = first;
        while (e < last && *e != 'e' && *e != 'E')
            ++e;
        if (e != last) {
            const auto [ptr, ec] = std::from_chars(first, last, v);
            if (ec != std::errc() || ptr != last) {
                failed_ = true;
                return false;
            }
        }
    }
    if (peek() == EOF)
        eof_ = true;
    return true;
}

bool NumberReader::readDoubles(int n, double& last)
{
    for (int i = 0; i + 1 < n; ++i) {
        if (!skipNumber())
            return false;
    }
    return n < 1 || readDouble(last);
}

bool NumberReader::atLineEnd()
{
    if (!good())
        return false;
    for (;;) {
        const int c = peek();
        if (c == '\n')
            return true;
        if (c == EOF) {
            eof_ = true;
            return false;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            ++pos_;
            continue;
        }
        return false;
    }
}

void NumberReader::skipRestOfLine()
{
    if (!good())
        return;
    for (;;) {
        // Whole buffers at a time: lines of allele-frequency files can be very long.
        if (pos_ == end_ && !refill()) {
            eof_ = true;
            return;
        }
        const void* lf = std::memchr(buffer_.data() + pos_, '\n', end_ - pos_);
        if (lf) {
            pos_ = static_cast<size_t>(static_cast<const char*>(lf) - buffer_.data()) + 1;
            return;
        }
        pos_ = end_;
    }
}
