#include "foundation/KESOString.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::string utf8(const String& s)
{
    return s.toUtf8();
}

} // namespace

TEST(KESOString, AppendingToItselfDoubles)
{
    String copy(u"abcdef");
    copy += copy;
    EXPECT_EQ(utf8(String(u"x") + String(u"y") + copy), "xyabcdefabcdef");
}

TEST(KESOString, FindMidPathPartsAndNumbersKeepToTheText)
{
    String s(u"abcb");
    EXPECT_EQ(s.find(u"b", 2), 3);
    EXPECT_EQ(s.find(u"abcbx", 0), -1);
    EXPECT_EQ(s.find(u"", 4), 4);
    String hello(u"hello");
    for (auto [from, count, part] : {std::tuple{-5, 2, "he"}, {3, 100, "lo"}, {5, 1, ""}, {1, 0, ""}, {2, 0x7FFFFFFF, "llo"}})
        EXPECT_EQ(utf8(hello.mid(from, count)), part) << from << " " << count;
    // Either separator splits a path; a bare name has no parts.
    for (auto [path, folder, name] : {std::tuple{u"C:\\a\\b.vdl", "C:\\a", "b.vdl"},
                                      {u"/home/me/song.vdl", "/home/me", "song.vdl"}, {u"b.vdl", "", ""}}) {
        EXPECT_EQ(utf8(String(path).directoryPart()), folder);
        EXPECT_EQ(utf8(String(path).fileNamePart()), name);
    }
    for (int n : {-120, 0, -2147483647 - 1})
        EXPECT_EQ(utf8(intToString(n)), std::to_string(n));
}

TEST(KESOString, Utf8RoundTripAndBadBytes)
{
    std::string text = "Zevivuvo \xC3\xA9\xE2\x82\xAC \xF0\x9F\x8E\xB5";
    String s = String::fromUtf8(text);
    EXPECT_EQ(s.length(), 14); // the last character takes two units
    EXPECT_EQ(s.toUtf8(), text);
    EXPECT_EQ(String::fromUtf8("a\xFF" "b").toUtf8(), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(String::fromUtf8("\xE2\x82").length(), 2); // cut short: each byte replaced
}

TEST(KESOString, MakeAppPathResolvesAgainstTheProgramFolder)
{
    FakeServices services;
    EXPECT_EQ(utf8(makeAppPath(u"data/newsong.vdl")), "data/newsong.vdl"); // no program folder known
    setAppDirectory(String());
    services.programPath.path = "/opt/ruzi/bin/ruzi";
    EXPECT_EQ(utf8(makeAppPath(u"data\\newsong.vdl")), "/opt/ruzi/bin/data/newsong.vdl");
    EXPECT_EQ(utf8(makeAppPath(u"/home/me/song.vdl")), "/home/me/song.vdl");
    EXPECT_EQ(utf8(makeAppPath(u"D:\\x.vdl")), "D:/x.vdl");
    EXPECT_EQ(utf8(makeAppPath(u"/opt/ruzi/bin/skin/skin.dat")), "/opt/ruzi/bin/skin/skin.dat");
    EXPECT_EQ(utf8(makeAppPath(u"ab")), "/opt/ruzi/bin/ab");
    setAppDirectory(u"C:\\prog");
    EXPECT_EQ(utf8(makeAppPath(u"data\\newsong.vdl")), "C:/prog/data/newsong.vdl");
}
