// Throughput of the link scanners over 50 MB of letter-like text, line by line, as the
// editor runs them over the lines it shows or that changed.

#include "editor/links.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

namespace {

std::string makeText(std::size_t bytes)
{
    const char* words[] = {"Sehr", "geehrte", "Damen", "und", "Herren,", "wir", "freuen", "uns", "\xFC" "ber",
                           "Ihre", "Anfrage", "vom", "12.03.", "Bitte", "beachten", "Sie", "die", "Hinweise", "unter",
                           "www.beispiel-firma.de/hinweise.", "oder", "schreiben", "an", "info@beispiel-firma.de",
                           "(siehe", "https://www.beispiel-firma.de/agb?v=2)", "Gr\xFC\xDF" "e", "z.B.", "-",
                           "Preis:", "12,50", "EUR;", "mailto:verkauf@beispiel.de", "ftp://ftp.beispiel.de/pub"};
    std::mt19937 rng(42);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(words) - 1);
    std::uniform_int_distribution<int> lineLength(20, 110);
    std::string text;
    text.reserve(bytes + 200);
    while (text.size() < bytes) {
        const std::size_t lineEnd = text.size() + std::size_t(lineLength(rng));
        while (text.size() < lineEnd) {
            text += words[pick(rng)];
            text += ' ';
        }
        text += "\r\n";
    }
    return text;
}

// CPU time of this thread: the machine is shared, so wall time says little.
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

volatile std::size_t sink = 0;

template <class Scan>
void run(const char* name, const std::string& text, Scan scan)
{
    std::size_t links = 0;
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        links = 0;
        const double start = cpuSeconds();
        std::size_t pos = 0;
        while (pos < text.size()) {
            const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
            std::size_t end = nl ? std::size_t(nl - text.data()) : text.size();
            std::size_t lineEnd = end;
            if (lineEnd > pos && text[lineEnd - 1] == '\r')
                --lineEnd;
            links += scan(std::string_view(text.data() + pos, lineEnd - pos));
            pos = end + 1;
        }
        best = std::min(best, cpuSeconds() - start);
    }
    std::printf("%-20s %8.1f ms CPU  %8.1f MB/s  %zu links\n", name, best * 1000.0, double(text.size()) / 1e6 / best, links);
}

}  // namespace

int main()
{
    const std::string text = makeText(50u << 20);
    std::printf("text: %.1f MB\n", double(text.size()) / 1e6);
    const TURLCollection urls;
    run("line split only", text, [](std::string_view line) {
        sink = sink + line.size();
        return std::size_t(0);
    });
    run("built-in detector", text, [](std::string_view line) { return FindDefaultLinks(line).size(); });
    run("scheme word scan", text, [&](std::string_view line) { return FindExtendedLinks(line, urls).size(); });
    return 0;
}
