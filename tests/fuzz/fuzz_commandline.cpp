// Fuzz target of the command-line joining rule: random parameters (blanks, control
// characters, empty ones) against a random set of existing names, many of them made by
// joining neighbouring parameters with no, one or two blanks so that the rule has
// something to find. The result must be what the rule, followed step by step, gives:
// 1. a parameter that names an existing file is opened, the pending prefix stays;
// 2.-4. else prefix + p, prefix + " " + p, prefix + "  " + p, the first that exists, is
//    opened and the prefix emptied;
// 5. else the prefix becomes prefix + " " + p with blanks and control characters
//    removed from both ends.
// Besides: every name opened exists, never more names than parameters, and the files
// to open are these names as absolute paths.

#include "app/commandline.h"
#include "tests/fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>

namespace {

QString trimControls(QString s)
{
    while (!s.isEmpty() && s.front().unicode() <= 0x20)
        s.remove(0, 1);
    while (!s.isEmpty() && s.back().unicode() <= 0x20)
        s.chop(1);
    return s;
}

QStringList byTheRule(const QStringList& parameters, const std::set<QString>& existing)
{
    const auto exists = [&](const QString& name) { return existing.count(name) > 0; };
    QStringList opened;
    QString prefix;
    for (const QString& p : parameters) {
        if (exists(p)) {
            opened << p;
        } else if (exists(prefix + p)) {
            opened << prefix + p;
            prefix.clear();
        } else if (exists(prefix + QLatin1Char(' ') + p)) {
            opened << prefix + QLatin1Char(' ') + p;
            prefix.clear();
        } else if (exists(prefix + QStringLiteral("  ") + p)) {
            opened << prefix + QStringLiteral("  ") + p;
            prefix.clear();
        } else {
            prefix = trimControls(prefix + QLatin1Char(' ') + p);
        }
    }
    return opened;
}

QString word(FuzzedDataProvider& fdp)
{
    static const char16_t kChars[] = {u'a', u'b', u'.', u'/', u' ', u'\t', 0x01, 0x7F, u'\u00E4', 0x00A0, u'"', u'x'};
    QString s;
    const int length = fdp.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < length; ++i)
        s += QChar(kChars[fdp.ConsumeIntegralInRange<std::size_t>(0, std::size(kChars) - 1)]);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    QStringList parameters;
    const int count = fdp.ConsumeIntegralInRange(0, 10);
    for (int i = 0; i < count; ++i)
        parameters << word(fdp);

    std::set<QString> existing;
    const int names = fdp.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < names && !parameters.isEmpty(); ++i) {
        // A run of neighbouring parameters joined with gaps of 0 to 2 blanks, sometimes
        // trimmed as the pending prefix would be.
        const int first = fdp.ConsumeIntegralInRange<int>(0, int(parameters.size()) - 1);
        const int last = fdp.ConsumeIntegralInRange<int>(first, int(parameters.size()) - 1);
        QString name = parameters[first];
        for (int k = first + 1; k <= last; ++k)
            name += QString(fdp.ConsumeIntegralInRange(0, 2), QLatin1Char(' ')) + parameters[k];
        if (fdp.ConsumeBool())
            name = trimControls(name);
        existing.insert(name);
    }
    if (fdp.ConsumeBool())
        existing.insert(word(fdp));
    existing.erase(QString());  // no file has an empty name

    QStringList asked;
    const QStringList got = CommandLine::JoinParameters(parameters, [&](const QString& name) {
        asked << name;
        return existing.count(name) > 0;
    });
    const QStringList expected = byTheRule(parameters, existing);
    const QString where = QStringLiteral("parameters [%1], existing {%2}: got [%3], expected [%4]")
                              .arg(parameters.join(QStringLiteral("|")),
                                   QStringList(existing.begin(), existing.end()).join(QStringLiteral("|")),
                                   got.join(QStringLiteral("|")), expected.join(QStringLiteral("|")));
    FUZZ_CHECK(got == expected, where);
    FUZZ_CHECK(got.size() <= parameters.size(), where);
    for (const QString& name : got)
        FUZZ_CHECK(existing.count(name) > 0, where);
    // At most four questions per parameter.
    FUZZ_CHECK(asked.size() <= 4 * parameters.size(), where);
    // The files to open are the same names made absolute.
    const QStringList files = CommandLine::FilesToOpen(parameters, [&](const QString& name) { return existing.count(name) > 0; });
    FUZZ_CHECK(files.size() == got.size(), where);
    for (const QString& file : files)
        FUZZ_CHECK(file.startsWith(QLatin1Char('/')), where + QStringLiteral(" file ") + file);
    return 0;
}
