#include "platform/IniDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

using platform::IniDocument;

namespace {

using namespace std::string_literals;

struct IntCase {
    std::string text;
    int expected;
};

TEST(IniDocumentParseInt, FollowsTheProfileNumberRules)
{
    const IntCase cases[] = {
        {"0", 0},           {"42", 42},           {" \t42", 42},
        {"+7", 7},          {"-7", -7},           {"00012", 12},
        {"0x1F", 31},       {"0X1f", 31},         {"-0x10", -16},
        {"+0xa", 10},       {"12abc", 12},        {"1.5", 1},
        {"1e3", 1},         {"abc", 0},           {"", 0},
        {"0x", 0},          {"0xG", 0},           {"0x0x5", 0},
        {"0b101", 0},       {"--5", 0},           {"+-5", 0},
        {"- 5", 0},         {"2147483647", INT_MAX}, {"2147483648", INT_MIN},
        {"-2147483648", INT_MIN}, {"4294967295", -1}, {"4294967296", 0},
        {"4294967297", 1},  {"0xFFFFFFFF", -1},   {"0x100000001", 1},
        {"-4294967295", 1}, {"99999999999999999999", 1661992959},
    };
    for (const IntCase& c : cases)
        EXPECT_EQ(IniDocument::parseInt(c.text), c.expected) << '"' << c.text << '"';
}

struct ReadCase {
    const char* what;
    std::string file;
    std::string section;
    std::string key;
    std::string expected; // "DEF" is the default passed in
};

TEST(IniDocumentRead, ReadsAsTheProfileFunctions)
{
    const ReadCase cases[] = {
        {"plain", "[Ostrel]\nKey=Value\n", "Ostrel", "Key", "Value"},
        {"names ignore case", "[OSTREL]\nkEY=v\n", "Ostrel", "Key", "v"},
        {"names are trimmed", "[ S ]\n K =v\n", " S", "K ", "v"},
        {"value trimmed", "[S]\n  K  =   spaced value \t\n", "S", "K", "spaced value"},
        {"double quotes", "[S]\nK=\" quoted \"\n", "S", "K", " quoted "},
        {"single quotes", "[S]\nK='single'\n", "S", "K", "single"},
        {"unmatched quote", "[S]\nK=\"open\n", "S", "K", "\"open"},
        {"lone quote", "[S]\nK=\"\n", "S", "K", "\""},
        {"inner quotes", "[S]\nK=\"a\" b\n", "S", "K", "\"a\" b"},
        {"empty value", "[S]\nK=\n", "S", "K", ""},
        {"missing key", "[S]\nA=1\n", "S", "K", "DEF"},
        {"missing section", "[T]\nK=1\n", "S", "K", "DEF"},
        {"key of the next section", "[S]\n[T]\nK=1\n", "S", "K", "DEF"},
        {"key before any section", "K=1\n[S]\n", "S", "K", "DEF"},
        {"key without equals", "[S]\nK\n", "S", "K", "DEF"},
        {"first duplicate key", "[S]\nK=1\nk=2\n", "S", "K", "1"},
        {"first duplicate section", "[S]\nA=1\n[T]\n[S]\nA=2\nB=3\n", "S", "A", "1"},
        {"later duplicate section unseen", "[S]\nA=1\n[S]\nB=3\n", "S", "B", "DEF"},
        {"comments", "[S]\n;K=1\n  #K=2\nK=3\n", "S", "K", "3"},
        {"crlf", "[S]\r\nK=v\r\n", "S", "K", "v"},
        {"no final newline", "[S]\nK=v", "S", "K", "v"},
        {"utf-8 bom", "\xEF\xBB\xBF[S]\nK=v\n", "S", "K", "v"},
        {"utf-8 value", "[S]\nK=\xC2\xB0" "C\n", "S", "K", "\xC2\xB0" "C"},
        {"header without bracket", "[S\nK=v\n", "S", "K", "DEF"},
        {"broken header keeps section", "[S]\n[T\nK=v\n", "S", "K", "v"},
        {"text after header", "[S] ; note\nK=v\n", "S", "K", "v"},
        {"last bracket closes", "[a]b]\nK=v\n", "a]b", "K", "v"},
        {"equals in value", "[S]\nK=a=b\n", "S", "K", "a=b"},
        {"nul ends the value", "[S]\nK=ab\0cd\n"s, "S", "K", "ab"},
        {"nul ends the name", "[S]\nK\0junk=v\n"s, "S", "K", "v"},
        {"blanks before a nul are trimmed", "[ S \0x]\n K \0junk= v \0w\n"s, "S", "K", "v"},
        {"junk around", "\x01\xFF\x7F\n[S]\n\x02\x03\nK=v\n\xFE", "S", "K", "v"},
        {"empty section name", "[]\nK=v\n", "", "K", "DEF"},
        {"empty key name", "[S]\n=v\n", "S", "", "DEF"},
    };
    for (const ReadCase& c : cases) {
        const IniDocument doc = IniDocument::parse(c.file);
        EXPECT_EQ(doc.readString(c.section, c.key, "DEF"), c.expected) << c.what;
    }
}

TEST(IniDocumentRead, IntegersUseDefaultOnlyWhenMissingOrEmpty)
{
    const IniDocument doc = IniDocument::parse(
        "[S]\nHex=0x10\nNeg= -5 \nQuoted=\"7\"\nEmpty=\nQuotedEmpty=\"\"\nWord=abc\n");
    const struct {
        const char* key;
        int expected;
    } cases[] = {
        {"Hex", 16}, {"Neg", -5}, {"Quoted", 7}, {"Empty", 99},
        {"QuotedEmpty", 99}, {"Word", 0}, {"Missing", 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.readInt("S", c.key, 99), c.expected) << c.key;
}

TEST(IniDocumentRead, SurvivesATenMegabyteLine)
{
    const std::string huge(10 * 1024 * 1024, 'x');
    const std::string text = "[S]\nK=" + huge + "\nL=5\n[" + huge + "\nM=6";
    const IniDocument doc = IniDocument::parse(text);
    EXPECT_EQ(doc.readString("S", "K", "").size(), huge.size());
    EXPECT_EQ(doc.readInt("S", "L", 0), 5);
    EXPECT_EQ(doc.readInt("S", "M", 0), 6); // the unclosed header is no section
    EXPECT_EQ(doc.serialize(), text);
}

TEST(IniDocumentParse, GivesBackArbitraryBytesUnchanged)
{
    std::mt19937 random(12345);
    const std::string alphabet = "[]=;#\r\n \t\"'\0abcK"s;
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 200, '\0');
        for (char& c : bytes)
            c = (round % 2) ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        EXPECT_EQ(IniDocument::parse(bytes).serialize(), bytes) << "round " << round;
    }
}

struct WriteCase {
    const char* what;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

TEST(IniDocumentWrite, ChangesOnlyTheKeyWritten)
{
    const WriteCase cases[] = {
        {"replace", "[S]\nA=1\nB=2\n", "S", "A", "9", "[S]\nA=9\nB=2\n"},
        {"replace keeps spelling and spacing", "[S]\r\n  a = 1 ; note\r\n", "S", "A", "2",
         "[S]\r\n  a = 2\r\n"},
        {"replace first duplicate", "[S]\nA=1\nA=2\n", "S", "A", "3", "[S]\nA=3\nA=2\n"},
        {"replace empty value", "[S]\nA=\nB=2\n", "S", "A", "x", "[S]\nA=x\nB=2\n"},
        {"add after last key", "[S]\nA=1\n\n; about T\n[T]\nB=2\n", "S", "C", "3",
         "[S]\nA=1\nC=3\n\n; about T\n[T]\nB=2\n"},
        {"add to keyless section", "[S]\n\n[T]\n", "S", "A", "1", "[S]\nA=1\n\n[T]\n"},
        {"add after unterminated line", "[S]\nA=1", "S", "B", "2", "[S]\nA=1\nB=2\n"},
        {"add keeps crlf", "[S]\r\nA=1\r\n", "S", "B", "2", "[S]\r\nA=1\r\nB=2\r\n"},
        {"add to first duplicate section", "[S]\nA=1\n[S]\nB=2\n", "S", "B", "3",
         "[S]\nA=1\nB=3\n[S]\nB=2\n"},
        {"line without equals is no key", "[S]\nA\n", "S", "A", "1", "[S]\nA=1\nA\n"},
        {"names ignore case", "[sEcT]\nkey=1\n", "SECT", "KEY", "2", "[sEcT]\nkey=2\n"},
        {"new section", "[S]\nA=1\n", "T", "B", "2", "[S]\nA=1\n\n[T]\nB=2\n"},
        {"new section crlf unterminated", "[S]\r\nA=1", "T", "B", "2",
         "[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n"},
        {"new section after blank", "[S]\nA=1\n\n", "T", "B", "2", "[S]\nA=1\n\n[T]\nB=2\n"},
        {"new section in empty file", "", "T", "B", "2", "[T]\nB=2\n"},
        {"unclosed header is no section", "x=1\n[S\n", "S", "A", "1",
         "x=1\n[S\n\n[S]\nA=1\n"},
        {"bom kept", "\xEF\xBB\xBF[S]\nA=1\n", "S", "A", "2", "\xEF\xBB\xBF[S]\nA=2\n"},
        {"names trimmed", "[S]\n", " S ", " A ", "1", "[S]\nA=1\n"},
        {"junk kept", "\x01\xFF\n[S]\n\x7F junk\nA=1\n\xFE", "S", "A", "2",
         "\x01\xFF\n[S]\n\x7F junk\nA=2\n\xFE"},
    };
    for (const WriteCase& c : cases) {
        IniDocument doc = IniDocument::parse(c.before);
        EXPECT_TRUE(doc.writeString(c.section, c.key, c.value)) << c.what;
        EXPECT_EQ(doc.serialize(), c.after) << c.what;
        EXPECT_EQ(doc.readString(c.section, c.key, "DEF"), c.value) << c.what;
    }
}

// Keys added to one section move every section after it; lookups must still
// find what a fresh parse of the same text finds.
TEST(IniDocumentWrite, LookupsStayRightAsWritesMoveLines)
{
    const char* const sections[] = {"A", "b", "C", "d"};
    IniDocument doc = IniDocument::parse("[A]\nk0=x\n[B]\n; note\n[a]\nk1=dup\n[C]\nk2=y\n");
    std::mt19937 random(11);
    for (int write = 0; write < 200; ++write) {
        const std::string section = sections[random() % 4];
        const std::string key = "K" + std::to_string(random() % 8);
        ASSERT_TRUE(doc.writeString(section, key, std::to_string(write)));
        const IniDocument fresh = IniDocument::parse(doc.serialize());
        for (const char* s : sections)
            for (int k = 0; k < 8; ++k) {
                const std::string name = "k" + std::to_string(k);
                ASSERT_EQ(doc.rawValue(s, name), fresh.rawValue(s, name))
                    << "after write " << write << ": [" << s << "] " << name;
            }
    }
}

TEST(IniDocumentWrite, RefusesWhatCouldNotBeReadBack)
{
    const struct {
        std::string section;
        std::string key;
        std::string value;
    } cases[] = {
        {"", "K", "v"},    {"  ", "K", "v"},   {"a]b", "K", "v"},  {"a\nb", "K", "v"},
        {"S", "", "v"},    {"S", "a=b", "v"},  {"S", ";c", "v"},   {"S", "#c", "v"},
        {"S", "[c", "v"},  {"S", "a\rb", "v"}, {"S", "K\0"s, "v"}, {"S", "K", "a\nb"},
        {"S", "K", "a\r"}, {"S", "K", "a\0b"s},
    };
    const std::string before = "[S]\nK=1\n";
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::parse(before);
        EXPECT_FALSE(doc.writeString(c.section, c.key, c.value)) << c.section << '/' << c.key;
        EXPECT_EQ(doc.serialize(), before);
    }
}

// Reading trims values and strips a pair of quotes, so a value that would
// lose either is stored quoted; others are stored as they are.
TEST(IniDocumentWrite, WrittenValuesReadBackUnchanged)
{
    const struct {
        std::string value;
        std::string stored;
    } cases[] = {
        {"plain", "plain"},           {"inner  blanks", "inner  blanks"}, {"\"", "\""},
        {"\"a\" b", "\"a\" b"},       {"  x  ", "\"  x  \""},        {"T ", "\"T \""},
        {"\tx", "\"\tx\""},           {" ", "\" \""},                 {"\"q\"", "\"\"q\"\""},
        {"'s'", "\"'s'\""},           {"\"\"", "\"\"\"\""},             {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("[" + c.value + "]");
        IniDocument doc = IniDocument::parse("[S]\nK=old\n");
        ASSERT_TRUE(doc.writeString("S", "K", c.value));
        ASSERT_TRUE(doc.writeString("S", "New", c.value));
        EXPECT_EQ(doc.serialize(), "[S]\nK=" + c.stored + "\nNew=" + c.stored + "\n");
        const IniDocument reread = IniDocument::parse(doc.serialize());
        EXPECT_EQ(reread.readString("S", "K", "DEF"), c.value);
        EXPECT_EQ(reread.readString("S", "New", "DEF"), c.value);
    }
    IniDocument doc;
    ASSERT_TRUE(doc.writeInt("S", "Min", INT_MIN));
    EXPECT_EQ(IniDocument::parse(doc.serialize()).readInt("S", "Min", 0), INT_MIN);
}

} // namespace
