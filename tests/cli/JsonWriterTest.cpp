// The numbers of the tool's JSON and CSV output are the C library's "%.*g" with the fewest
// digits (at least 6) that read back: compared with snprintf and strtod over many random
// values and over the ones where the direct path for short decimals could go wrong. The
// writer's text is checked across its buffer's boundary, at depths past its prepared
// indentation, and for the bytes that need escaping or converting.
#include "cli/Cli.h"
#include "cli/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// "%.*g" from 6 digits up, the first that strtod reads back as the same value.
std::string printfShortest(double value) {
    if (std::isnan(value))
        return "nan";
    char buf[64];
    for (int precision = 6; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, value);
        if (std::strtod(buf, nullptr) == value)
            break;
    }
    return buf;
}

// Values to try: short decimals of every scale the direct path takes and a little beyond,
// their neighbouring doubles, halves, powers of ten and two, the limits where "%g" turns
// to exponential notation, and random bit patterns.
std::vector<double> numberValues() {
    std::mt19937_64 random(20261207);
    std::vector<double> v = {0.0,
                             -0.0,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max(),
                             0.1 + 0.2,
                             25.980762113534194,
                             99999.5,
                             999999,
                             999999.5,
                             1e6,
                             1234567,
                             12345670,
                             123456.7,
                             0.001,
                             0.0001,
                             0.00015,
                             1e-5,
                             6543210.123,
                             -6543210.123,
                             281474976710655.0,
                             281474976710656.0,
                             28147497671065.5,
                             281474976710.655};
    auto withNeighbours = [&v](double x) {
        v.push_back(x);
        v.push_back(-x);
        v.push_back(std::nextafter(x, 0.0));
        v.push_back(std::nextafter(x, HUGE_VAL));
    };
    for (int e = -30; e <= 30; ++e)
        withNeighbours(std::pow(10.0, e));
    for (int e = -60; e <= 64; ++e)
        withNeighbours(std::ldexp(1.0, e));
    for (int k = 0; k <= 6; ++k) {
        const double scale = std::pow(10.0, k);
        for (int i = 0; i < 12000; ++i) {
            // Up to 2^54 units of the last decimal, most of them small (coordinates).
            const int bits = 1 + static_cast<int>(random() % 54);
            const auto units = static_cast<int64_t>(random() >> (64 - bits));
            withNeighbours(static_cast<double>(units) / scale);
            withNeighbours((static_cast<double>(units) + 0.5) / scale);
        }
    }
    for (int i = 0; i < 100000; ++i) {
        uint64_t bits = random();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        v.push_back(x);
    }
    return v;
}

TEST(JsonWriterTest, NumbersAreTheShortestPrintfTextThatReadsBack) {
    int mismatches = 0;
    size_t tried = 0;
    for (double x : numberValues()) {
        char buf[cli::kNumberSize + 8];
        std::memset(buf, '#', sizeof buf);
        const char* end = cli::formatNumber(x, buf);
        ASSERT_LE(end - buf, static_cast<std::ptrdiff_t>(cli::kNumberSize));
        const std::string got(buf, static_cast<size_t>(end - buf));
        const std::string expected = printfShortest(x);
        if (got != expected && ++mismatches <= 10)
            ADD_FAILURE() << "value " << printfShortest(x) << " (%a " <<
                [x] {
                    char a[64];
                    std::snprintf(a, sizeof a, "%a", x);
                    return std::string(a);
                }() << "): got "
                          << got;
        EXPECT_EQ(cli::number(x), got);
        ++tried;
    }
    EXPECT_EQ(mismatches, 0) << "of " << tried << " values";
    EXPECT_GT(tried, 700000u);
}

std::string written(bool pretty, void (*write)(cli::JsonWriter&)) {
    std::ostringstream out;
    {
        cli::JsonWriter w(out, pretty);
        write(w);
    }
    return out.str();
}

TEST(JsonWriterTest, DocumentsPrettyAndCompact) {
    auto document = [](cli::JsonWriter& w) {
        w.beginObject();
        w.key("a\"b").value(-0.0);
        w.key("list").beginArray().value(1).value(2.5).value(true).null().endArray();
        w.key("empty").beginArray().endArray();
        w.key("none").beginObject().endObject();
        w.key("nan").value(std::nan(""));
        w.key("cp1252").text("\x80 \xe5\xe4\xf6 \x81 \x7f");
        const char fixed[4] = {'a', 'b', 'c', 'd'}; // a full field without its NUL
        w.key("field").field(fixed);
        w.key("ctl").value(std::string("t\tn\nr\rq\"s\\ \x01\x1f"));
        w.endObject();
        w.finish();
    };
    EXPECT_EQ(written(true, document), "{\n"
                                       "  \"a\\\"b\": -0,\n"
                                       "  \"list\": [\n"
                                       "    1,\n"
                                       "    2.5,\n"
                                       "    true,\n"
                                       "    null\n"
                                       "  ],\n"
                                       "  \"empty\": [],\n"
                                       "  \"none\": {},\n"
                                       "  \"nan\": null,\n"
                                       "  \"cp1252\": \"\xe2\x82\xac \xc3\xa5\xc3\xa4\xc3\xb6 "
                                       "\xef\xbf\xbd \x7f\",\n"
                                       "  \"field\": \"abcd\",\n"
                                       "  \"ctl\": \"t\\tn\\nr\\rq\\\"s\\\\ \\u0001\\u001f\"\n"
                                       "}\n");
    EXPECT_EQ(written(false, document),
              "{\"a\\\"b\":-0,\"list\":[1,2.5,true,null],\"empty\":[],\"none\":{},\"nan\":null,"
              "\"cp1252\":\"\xe2\x82\xac \xc3\xa5\xc3\xa4\xc3\xb6 \xef\xbf\xbd \x7f\","
              "\"field\":\"abcd\",\"ctl\":\"t\\tn\\nr\\rq\\\"s\\\\ \\u0001\\u001f\"}\n");
    EXPECT_EQ(cli::JsonWriter::escape(std::string("q\"\x02\\", 4)), "q\\\"\\u0002\\\\");
}

// Texts are checked and copied eight bytes at a time, the last few bytes as one word: a byte
// to escape or convert is found at every place of texts of every length around a word, and
// bytes past a text's end are never taken into it.
TEST(JsonWriterTest, EveryPlaceOfShortTexts) {
    const struct {
        char byte;
        const char* utf8; // inside a JSON string, from UTF-8 text
        const char* cp1252;
    } kSpecial[] = {{'"', "\\\"", "\\\""},
                    {'\\', "\\\\", "\\\\"},
                    {'\x01', "\\u0001", "\\u0001"},
                    {'\xe5', "\xe5", "\xc3\xa5"},
                    {' ', " ", " "}};
    for (std::size_t length = 0; length <= 19; ++length) {
        for (const auto& special : kSpecial) {
            for (std::size_t at = 0; at <= length; ++at) {
                // Cut from a longer text whose next bytes must not show.
                std::string text = std::string(length, 'x') + "y\"\x01yyyyyyyy";
                std::string utf8 = std::string(length, 'x'), cp1252 = utf8;
                if (at < length) {
                    text[at] = special.byte;
                    utf8 = utf8.substr(0, at) + special.utf8 + utf8.substr(at + 1);
                    cp1252 = cp1252.substr(0, at) + special.cp1252 + cp1252.substr(at + 1);
                }
                std::ostringstream out;
                {
                    cli::JsonWriter w(out, false);
                    w.beginArray()
                        .value(std::string_view(text.data(), length))
                        .text(std::string_view(text.data(), length))
                        .endArray();
                }
                EXPECT_EQ(out.str(), "[\"" + utf8 + "\",\"" + cp1252 + "\"]")
                    << "length " << length << ", byte " << at;
            }
        }
    }
}

// Texts longer than the writer's buffer, escaped and converted, and nesting deeper than its
// prepared indentation come out whole, in order.
TEST(JsonWriterTest, LongTextsAndDeepNesting) {
    std::string utf8, cp1252, utf8Expected, cp1252Expected;
    for (int i = 0; i < 40000; ++i) {
        utf8 += i % 7 == 0 ? '\n' : static_cast<char>('a' + i % 26);
        utf8Expected += i % 7 == 0 ? std::string("\\n") : std::string(1, 'a' + i % 26);
        cp1252 += i % 5 == 0 ? '\xe5' : static_cast<char>('A' + i % 26);
        cp1252Expected += i % 5 == 0 ? std::string("\xc3\xa5") : std::string(1, 'A' + i % 26);
    }
    std::ostringstream out;
    {
        cli::JsonWriter w(out);
        w.beginArray().value(utf8).text(cp1252.c_str());
        for (int depth = 0; depth < 70; ++depth)
            w.beginArray();
        w.value(7L);
        for (int depth = 0; depth < 70; ++depth)
            w.endArray();
        w.endArray();
        w.finish();
    }
    std::string expected = "[\n  \"" + utf8Expected + "\",\n  \"" + cp1252Expected + "\",\n  ";
    for (int depth = 2; depth <= 71; ++depth)
        expected += "[\n" + std::string(2 * depth, ' ');
    expected += "7";
    for (int depth = 70; depth >= 1; --depth)
        expected += "\n" + std::string(2 * depth, ' ') + "]";
    expected += "\n]\n";
    EXPECT_EQ(out.str(), expected);
}

// Prepared keys give the text of plain keys, whatever the depth (within and past the
// prepared indentation), the layout, a name that needs escaping or one too long to prepare;
// one Keys object serves writers of both layouts in turn.
TEST(JsonWriterTest, PreparedKeysWriteWhatPlainKeysWrite) {
    const std::string longName(60, 'k');
    cli::JsonWriter::Keys keys{"a", "q\"uote", longName, "b"};
    auto document = [&](bool pretty, bool prepared) {
        std::ostringstream out;
        {
            cli::JsonWriter w(out, pretty);
            auto key = [&](std::size_t i) -> cli::JsonWriter& {
                if (prepared)
                    return w.key(keys, i);
                static const std::string names[] = {"a", "q\"uote", std::string(60, 'k'), "b"};
                return w.key(names[i]);
            };
            w.beginArray();
            for (int depth : {1, 3, 40}) {
                for (int d = 1; d < depth; ++d)
                    w.beginArray();
                w.beginObject();
                key(0).value(1);
                key(1).value(2.5);
                key(2).beginArray().value("x").endArray();
                key(3).beginObject();
                key(0).null();
                w.endObject();
                w.endObject();
                for (int d = 1; d < depth; ++d)
                    w.endArray();
            }
            w.endArray();
            w.finish();
        }
        return out.str();
    };
    for (bool pretty : {true, false, true}) {
        const std::string plain = document(pretty, false);
        EXPECT_EQ(document(pretty, true), plain);
        EXPECT_NE(plain.find("\"q\\\"uote\":"), std::string::npos);
    }
}

// A stream that takes no more bytes is put in error, and nothing is lost before the limit.
TEST(JsonWriterTest, ShortWriteMarksTheStream) {
    struct Limited : std::stringbuf {
        std::streamsize xsputn(const char* s, std::streamsize n) override {
            const std::streamsize take = std::min<std::streamsize>(n, 100 - str().size());
            return std::stringbuf::xsputn(s, take > 0 ? take : 0);
        }
    } buffer;
    std::ostream out(&buffer);
    {
        cli::JsonWriter w(out, false);
        w.beginArray();
        for (int i = 0; i < 100; ++i)
            w.value(i);
        w.endArray();
        w.finish();
    }
    EXPECT_TRUE(out.bad());
    std::string all = "[";
    for (int i = 0; i < 100; ++i)
        all += std::to_string(i) + (i < 99 ? "," : "]\n");
    EXPECT_EQ(buffer.str(), all.substr(0, 100));
}

} // namespace
