#include "foundation/KESOString.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

// Also app paths, resolved against the program folder.
TEST(KESOString, AppendingFindingPartsUtf8AndAppPathsKeepToTheText)
{
    String copy(u"abcdef");
    copy += copy; // appending to itself doubles
    EXPECT_EQ((String(u"x") + String(u"y") + copy).toUtf8(), "xyabcdefabcdef");
    String s(u"abcb");
    EXPECT_EQ(std::tuple(s.find(u"b", 2), s.find(u"abcbx", 0), s.find(u"", 4)), std::tuple(3, -1, 4));
    String hello(u"hello");
    for (auto [from, count, part] :
         {std::tuple{-5, 2, "he"}, {3, 100, "lo"}, {5, 1, ""}, {1, 0, ""}, {2, 0x7FFFFFFF, "llo"}})
        EXPECT_EQ(hello.mid(from, count).toUtf8(), part) << from << " " << count;
    // Either separator splits a path; a bare name has no parts.
    for (auto [path, folder, name] : {std::tuple{u"C:\\a\\b.vdl", "C:\\a", "b.vdl"},
                                      {u"/home/me/song.vdl", "/home/me", "song.vdl"}, {u"b.vdl", "", ""}}) {
        EXPECT_EQ(String(path).directoryPart().toUtf8(), folder);
        EXPECT_EQ(String(path).fileNamePart().toUtf8(), name);
    }
    for (int n : {-120, 0, -2147483647 - 1})
        EXPECT_EQ(intToString(n).toUtf8(), std::to_string(n));
    const std::string text = "Zevivuvo \xC3\xA9\xE2\x82\xAC \xF0\x9F\x8E\xB5";
    EXPECT_EQ(String::fromUtf8(text).length(), 14); // the last character takes two units
    EXPECT_EQ(String::fromUtf8(text).toUtf8(), text);
    EXPECT_EQ(String::fromUtf8("a\xFF" "b").toUtf8(), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(String::fromUtf8("\xE2\x82").length(), 2); // cut short: each byte replaced
    FakeServices services;
    EXPECT_EQ(makeAppPath(u"data/newsong.vdl").toUtf8(), "data/newsong.vdl"); // no program folder known
    setAppDirectory(String());
    services.programPath.path = "/opt/ruzi/bin/ruzi";
    for (auto [path, resolved] : {std::pair{u"data\\newsong.vdl", "/opt/ruzi/bin/data/newsong.vdl"},
                                  {u"/home/me/song.vdl", "/home/me/song.vdl"}, {u"D:\\x.vdl", "D:/x.vdl"},
                                  {u"/opt/ruzi/bin/skin/skin.dat", "/opt/ruzi/bin/skin/skin.dat"},
                                  {u"ab", "/opt/ruzi/bin/ab"}})
        EXPECT_EQ(makeAppPath(path).toUtf8(), resolved);
    setAppDirectory(u"C:\\prog");
    EXPECT_EQ(makeAppPath(u"data\\newsong.vdl").toUtf8(), "C:/prog/data/newsong.vdl");
}
