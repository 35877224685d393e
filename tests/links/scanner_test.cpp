#include "editor/links.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The links of one line as (text, entry) pairs, for readable expectations.
struct Found {
    std::string text;
    int entry;
    bool operator==(const Found&) const = default;
};

void PrintTo(const Found& f, std::ostream* os) { *os << '"' << f.text << "\" entry " << f.entry; }

std::vector<Found> texts(std::string_view line, const std::vector<LinkMark>& marks)
{
    std::vector<Found> out;
    for (const LinkMark& m : marks)
        out.push_back({std::string(line.substr(std::size_t(m.start), std::size_t(m.length))), m.entry});
    return out;
}

std::vector<Found> extended(std::string_view line, const TURLCollection& urls = TURLCollection())
{
    return texts(line, FindExtendedLinks(line, urls));
}

std::vector<Found> builtIn(std::string_view line) { return texts(line, FindDefaultLinks(line)); }

}  // namespace

TEST(UrlCollection, DefaultsAddAndAssign)
{
    TURLCollection urls;
    const char* names[] = {"e-mail", "http", "file", "mailto", "ftp", "https",
                           "gopher", "nntp", "prospero", "telnet", "news", "wais"};
    ASSERT_EQ(urls.Count(), 12);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(urls[k].Name, QString::fromLatin1(names[k]));
        EXPECT_EQ(urls[k].Color, clWindowText);
        EXPECT_EQ(urls[k].Cursor, crDefault);
        EXPECT_TRUE(urls[k].Underline);
    }

    // An existing name (exactly, case-sensitive) is changed in place; another is appended.
    urls.AddURLType("http", clBlue, false, crHandPoint);
    ASSERT_EQ(urls.Count(), 12);
    EXPECT_EQ(urls[1].Color, clBlue);
    EXPECT_FALSE(urls[1].Underline);
    EXPECT_EQ(urls[1].Cursor, crHandPoint);
    urls.AddURLType("HTTP", clDefault, true, -5);
    ASSERT_EQ(urls.Count(), 13);
    EXPECT_EQ(urls[12].Name, "HTTP");
    EXPECT_EQ(urls[12].Cursor, -5);

    TURLCollection copy;
    copy.AddURLType("gemini", clBlue, true, 0);
    copy.Assign(urls);
    EXPECT_TRUE(copy == urls);
    copy.Assign(copy);
    EXPECT_EQ(copy.Count(), 13);
    copy.Clear();
    EXPECT_EQ(copy.Count(), 0);
}

TEST(ExtendedScanner, SchemesInAnyCaseAndTheirEnds)
{
    EXPECT_EQ(extended("see HTTP://WWW.BEISPIEL.DE now"), (std::vector<Found>{{"HTTP://WWW.BEISPIEL.DE", 1}}));
    EXPECT_EQ(extended("Https://a.de"), (std::vector<Found>{{"Https://a.de", 5}}));
    // The hyphen, the question mark and letters outside ASCII are no link characters.
    EXPECT_EQ(extended("http://mein-server.de"), (std::vector<Found>{{"http://mein", 1}}));
    EXPECT_EQ(extended("ftp://x.de/a?b=c"), (std::vector<Found>{{"ftp://x.de/a", 4}}));
    EXPECT_EQ(extended("http://b\xFC" "cher.de"), (std::vector<Found>{{"http://b", 1}}));
    // The bare scheme is no link; one character more is.
    EXPECT_EQ(extended("http: news:"), std::vector<Found>{});
    EXPECT_EQ(extended("http:x"), (std::vector<Found>{{"http:x", 1}}));
    // The scheme must open the word: a word that has other link characters before it is plain.
    EXPECT_EQ(extended("siehe:http://a.de xhttp://b.de"), std::vector<Found>{});
    EXPECT_EQ(extended("(telnet://host)"), (std::vector<Found>{{"telnet://host", 9}}));
    // Backslashes and colons are link characters.
    EXPECT_EQ(extended("file:\\\\server\\share\\a.txt"), (std::vector<Found>{{"file:\\\\server\\share\\a.txt", 2}}));
}

TEST(ExtendedScanner, MailAddresses)
{
    // mailto is a scheme, tested before the e-mail rule.
    EXPECT_EQ(extended("mailto:max@firma.de"), (std::vector<Found>{{"mailto:max@firma.de", 3}}));
    EXPECT_EQ(extended("an max@firma.de."), (std::vector<Found>{{"max@firma.de.", 0}}));
    EXPECT_EQ(extended("max@firma"), std::vector<Found>{});   // no "." after the "@"
    EXPECT_EQ(extended("max@.de"), std::vector<Found>{});     // "." directly after the "@"
    EXPECT_EQ(extended("@firma.de"), std::vector<Found>{});   // "@" first
    EXPECT_EQ(extended("max@"), std::vector<Found>{});        // "@" last
    EXPECT_EQ(extended("a.b@c.d x@y.z"), (std::vector<Found>{{"a.b@c.d", 0}, {"x@y.z", 0}}));
    // The underscore ends the word, so the address starts after it.
    EXPECT_EQ(extended("max_mustermann@firma.de"), (std::vector<Found>{{"mustermann@firma.de", 0}}));
}

TEST(ExtendedScanner, CustomCollections)
{
    TURLCollection urls;
    urls.AddURLType("Gemini", clBlue, true, crHandPoint);
    // The scanner compares upper-cased names, so an entry written with capitals matches.
    EXPECT_EQ(extended("gemini://x", urls), (std::vector<Found>{{"gemini://x", 12}}));

    TURLCollection mailOnly;
    mailOnly.Clear();
    mailOnly.AddURLType("e-mail", clWindowText, true, 0);
    EXPECT_EQ(extended("http://a.de max@firma.de", mailOnly), (std::vector<Found>{{"max@firma.de", 0}}));
    TURLCollection none;
    none.Clear();
    EXPECT_EQ(extended("http://a.de max@firma.de", none), std::vector<Found>{});
}

TEST(DefaultDetector, GermanLetter)
{
    const std::vector<std::string> letter = {
        "Sehr geehrte Frau M\xFCller,",
        "",
        "unser neues Angebot finden Sie unter www.beispiel-firma.de/angebote.",
        "Fragen beantworten wir gern per E-Mail an info@beispiel-firma.de oder telefonisch.",
        "(Details: https://www.beispiel-firma.de/agb?version=2&lang=de)",
        "Die Preisliste liegt unter \x84" "ftp://ftp.beispiel-firma.de/pub/preise.pdf\x93 bereit.",
        "Bestellungen bitte an mailto:verkauf@beispiel-firma.de; R\xFC" "ckfragen an h.wei\xDF@beispiel-firma.de!",
        "Zum Begriff: http://de.wikipedia.org/wiki/Brief_(Kommunikation).",
        "Preis: 12.50 EUR, z.B. per Nachnahme; Server: user@localhost",
        "Mit freundlichen Gr\xFC\xDF" "en",
    };
    std::vector<Found> all;
    for (const std::string& line : letter)
        for (const Found& f : builtIn(line))
            all.push_back(f);
    const std::vector<Found> expected = {
        {"www.beispiel-firma.de/angebote", -1},
        {"info@beispiel-firma.de", 0},
        {"https://www.beispiel-firma.de/agb?version=2&lang=de", 5},
        {"ftp://ftp.beispiel-firma.de/pub/preise.pdf", 4},
        {"mailto:verkauf@beispiel-firma.de", 3},
        {"h.wei\xDF@beispiel-firma.de", 0},
        {"http://de.wikipedia.org/wiki/Brief_(Kommunikation)", 1},
    };
    EXPECT_EQ(all, expected);
}

TEST(DefaultDetector, EdgesOfLinks)
{
    EXPECT_EQ(builtIn("HTTP://A.DE"), (std::vector<Found>{{"HTTP://A.DE", 1}}));
    EXPECT_EQ(builtIn("http: http:. www. xhttp://a.de"), std::vector<Found>{});
    EXPECT_EQ(builtIn("news:de.comp.lang"), (std::vector<Found>{{"news:de.comp.lang", 10}}));
    EXPECT_EQ(builtIn("<http://a.de/x>"), (std::vector<Found>{{"http://a.de/x", 1}}));
    EXPECT_EQ(builtIn("\"www.a.de\","), (std::vector<Found>{{"www.a.de", -1}}));
    // A link runs to the end of the run; tabs and no-break spaces are white space.
    EXPECT_EQ(builtIn("http://a.de/b-c_d~e\thttp://x.de\xA0z"),
              (std::vector<Found>{{"http://a.de/b-c_d~e", 1}, {"http://x.de", 1}}));
    // Several addresses in one run, and addresses that must not start with a dot or hyphen.
    EXPECT_EQ(builtIn("a@b.de,c@d.de"), (std::vector<Found>{{"a@b.de", 0}, {"c@d.de", 0}}));
    EXPECT_EQ(builtIn("--x@b.de"), (std::vector<Found>{{"x@b.de", 0}}));
    EXPECT_EQ(builtIn("x@b..de y@.de z@de."), std::vector<Found>{});
    EXPECT_EQ(builtIn(""), std::vector<Found>{});
    // Closing brackets without a partner end the link, however many there are; those
    // with a partner inside belong to it.
    const std::string brackets = "http://a.de/x" + std::string(100000, ')') + " (http://b.de/(y)) [www.c.de]]";
    EXPECT_EQ(builtIn(brackets), (std::vector<Found>{{"http://a.de/x", 1}, {"http://b.de/(y)", 1}, {"www.c.de", -1}}));
}

TEST(LinkNotification, SchemeEntryAndCursor)
{
    TURLCollection urls;
    EXPECT_EQ(SchemeEntryFor("HTTP://x.de", urls), 1);
    EXPECT_EQ(SchemeEntryFor("mailto:max@firma.de", urls), 3);
    EXPECT_EQ(SchemeEntryFor("max@firma.de", urls), 0);
    EXPECT_EQ(SchemeEntryFor("gemini://x", urls), 11);       // unknown scheme: the last entry compared
    EXPECT_EQ(SchemeEntryFor("www.a.de:8080", urls), 11);
    EXPECT_EQ(SchemeEntryFor("www.a.de", urls), -1);
    EXPECT_EQ(SchemeEntryFor(":x@y", urls), 0);              // ":" first: no scheme, but an "@" after the start
    EXPECT_EQ(SchemeEntryFor("@firma.de", urls), -1);

    // An entry whose name holds capitals never matches in the notification.
    urls.AddURLType("Gemini", clBlue, true, -7);
    EXPECT_EQ(SchemeEntryFor("gemini://x", urls), 12);       // the last entry now is "Gemini" itself
    urls.AddURLType("wais", clWindowText, true, crDefault);
    urls.AddURLType("zzz", clWindowText, true, crDefault);
    EXPECT_EQ(SchemeEntryFor("gemini://x", urls), 13);

    TURLCollection plain;
    EXPECT_EQ(LinkCursorFor("http://a.de", plain, crHandPoint), crHandPoint);
    EXPECT_EQ(LinkCursorFor("http://a.de", plain, crDefault), crHandPoint);
    EXPECT_EQ(LinkCursorFor("www.a.de", plain, -3), -3);     // no entry: URLCursor
    plain.AddURLType("ftp", clBlue, true, -4);
    EXPECT_EQ(LinkCursorFor("FTP://a.de", plain, -3), -4);
    TURLCollection empty;
    empty.Clear();
    EXPECT_EQ(SchemeEntryFor("http://a", empty), -1);
    EXPECT_EQ(SchemeEntryFor("a@b.c", empty), -1);
    EXPECT_EQ(LinkCursorFor("http://a", empty, crDefault), crHandPoint);
}

TEST(LinkRangeWidening, WholeRunsOfLinkCharacters)
{
    const std::string text = "ab http://x.de cd";
    LinkRange r{};
    ASSERT_TRUE(WidenLinkRange(text, 8, 9, r));
    EXPECT_EQ(r.start, 3);
    EXPECT_EQ(r.end, 14);
    ASSERT_TRUE(WidenLinkRange(text, 1, 1, r));       // inside the first word
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.end, 2);
    ASSERT_TRUE(WidenLinkRange(text, 40, 40, r));     // beyond the end: the last character
    EXPECT_EQ(r.start, 15);
    EXPECT_EQ(r.end, 17);
    ASSERT_TRUE(WidenLinkRange(" abc", 0, 2, r));     // a non-link first character is left out
    EXPECT_EQ(r.start, 1);
    EXPECT_EQ(r.end, 4);
    EXPECT_FALSE(WidenLinkRange("a    b", 3, 2, r));  // in white space the end falls before the start
    EXPECT_FALSE(WidenLinkRange("ab", 0, 2, r));      // too short a text
    EXPECT_FALSE(WidenLinkRange("", 0, 0, r));
}
