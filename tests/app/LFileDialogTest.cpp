#include "app/LFileDialog.h"

#include "foundation/KESOServices.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LFileDialogTest : public ::testing::Test {
protected:
    std::string path() const { return String(dialog.pathBuffer).toUtf8(); }
    void initForWaves() { dialog.init({{u"Wave file (*.WAV)", u"*.WAV"}}, u"WAV"); }

    FakeServices services;
    FakeFileChooser& chooser = services.fileChooser;
    LFileDialog dialog;
};

TEST_F(LFileDialogTest, WithoutInitOrChooserNothingIsShownAndTheDialogCountsAsCancelled)
{
    chooser.answers = {String(u"/songs/a.VDL")};
    dialog.chooseOpen();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_TRUE(chooser.shown.empty());
    initForWaves();
    KESOServices::instance().fileChooser = nullptr;
    dialog.chooseSave();
    EXPECT_TRUE(dialog.cancelled);
}

// Save offers the previous choice and keeps it when cancelled; Open starts from an empty name each
// time and forgets the choice when cancelled.
TEST_F(LFileDialogTest, SaveStartsFromThePreviousChoiceAndOpenFromNothing)
{
    dialog.init({{u"VandrelStudio Song (*.VDL)", u"*.VDL"}, {u"Old songs", u"*.vdl;*.bak"}}, u"VDL");
    chooser.answers = {String(u"/takes/Über take.WAV"), std::nullopt, String(u"/takes/second.WAV"),
                       String(u"/songs/first.VDL"), std::nullopt};
    for (const char* expected : {"/takes/Über take.WAV", "/takes/Über take.WAV", "/takes/second.WAV"}) {
        dialog.chooseSave();
        EXPECT_EQ(path(), expected);
    }
    dialog.chooseOpen();
    EXPECT_FALSE(dialog.cancelled);
    EXPECT_EQ(path(), "/songs/first.VDL");
    dialog.chooseOpen();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(path(), "");

    ASSERT_EQ(chooser.shown.size(), 5u);
    for (auto [shown, offered] : {std::pair{0, ""}, {1, "/takes/Über take.WAV"}, {2, "/takes/Über take.WAV"},
                                  {3, ""}, {4, ""}})
        EXPECT_EQ(chooser.shown[shown].path.toUtf8(), offered) << shown;
    const KESOFileChooser::Request& open = chooser.shown[3];
    EXPECT_EQ(open.defaultExtension.toUtf8(), "VDL");
    ASSERT_EQ(open.filters.size(), 2u);
    EXPECT_EQ(open.filters[0].description.toUtf8(), "VandrelStudio Song (*.VDL)");
    EXPECT_EQ(open.filters[1].pattern.toUtf8(), "*.vdl;*.bak");
}

TEST_F(LFileDialogTest, APathThatDoesNotFitTheBufferCountsAsCancelledNotCut)
{
    initForWaves();
    const std::string fits = "/" + std::string(LFileDialog::PathCapacity - 2, 'a');    // 511 units
    const std::string tooLong = "/" + std::string(LFileDialog::PathCapacity - 1, 'b'); // 512 units
    const std::string farTooLong = "/" + std::string(4 * LFileDialog::PathCapacity, 'c');
    chooser.answers = {String::fromUtf8(fits), String::fromUtf8(tooLong), String::fromUtf8(farTooLong)};

    dialog.chooseSave();
    EXPECT_FALSE(dialog.cancelled);
    EXPECT_EQ(path(), fits);
    dialog.chooseSave();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(path(), fits); // the earlier choice, whole
    dialog.chooseOpen();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(path(), "");
}

} // namespace
