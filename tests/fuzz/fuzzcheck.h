#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Shared helpers of the fuzz targets: a failed invariant prints what was expected and
// aborts, which libFuzzer reports as a crash and saves the input.

namespace fuzz {

[[noreturn]] inline void fail(const char* check, const char* file, int line, const QString& detail)
{
    std::fprintf(stderr, "\n*** invariant violated: %s\n    at %s:%d\n", check, file, line);
    if (!detail.isEmpty())
        std::fprintf(stderr, "    %s\n", detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

// Bytes shown with C escapes, for failure messages.
inline QString show(const QByteArray& bytes, int limit = 200)
{
    QString out = QStringLiteral("\"");
    for (int i = 0; i < bytes.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\\' || c == '"')
            out += QLatin1Char('\\') + QChar(c);
        else if (c >= 0x20 && c < 0x7F)
            out += QChar(c);
        else
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    if (bytes.size() > limit)
        out += QStringLiteral("...(%1 bytes)").arg(bytes.size());
    return out + QLatin1Char('"');
}

inline QString show(const QString& text, int limit = 200)
{
    QString out = QStringLiteral("\"");
    for (int i = 0; i < text.size() && i < limit; ++i) {
        const char16_t u = text[i].unicode();
        if (u >= 0x20 && u < 0x7F && u != '\\' && u != '"')
            out += text[i];
        else
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    }
    if (text.size() > limit)
        out += QStringLiteral("...(%1 chars)").arg(text.size());
    return out + QLatin1Char('"');
}

// A small deterministic generator for choices derived from the input itself, so that a
// saved input replays exactly.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ull) {}
    static std::uint64_t hash(const std::uint8_t* data, std::size_t size)
    {
        std::uint64_t h = 1469598103934665603ull;
        for (std::size_t i = 0; i < size; ++i)
            h = (h ^ data[i]) * 1099511628211ull;
        return h;
    }
    std::uint64_t next()
    {
        state_ += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % std::uint64_t(n)); }

private:
    std::uint64_t state_;
};

}  // namespace fuzz

#define FUZZ_CHECK(cond, detail)                                    \
    do {                                                            \
        if (!(cond))                                                \
            ::fuzz::fail(#cond, __FILE__, __LINE__, (detail));      \
    } while (0)
