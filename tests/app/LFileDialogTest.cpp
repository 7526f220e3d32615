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
    chooser.answers = {String(u"/songs/a.VDL"), String(u"/songs/b.VDL")};
    dialog.chooseOpen();
    EXPECT_TRUE(dialog.cancelled);
    dialog.chooseSave();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_TRUE(chooser.shown.empty());

    initForWaves();
    KESOServices::instance().fileChooser = nullptr;
    dialog.chooseSave();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(path(), "");
}

TEST_F(LFileDialogTest, OpenPassesTheFiltersAndStartsFromAnEmptyNameEachTime)
{
    dialog.init({{u"VandrelStudio Song (*.VDL)", u"*.VDL"}, {u"Old songs", u"*.vdl;*.bak"}}, u"VDL");
    chooser.answers = {String(u"/songs/first.VDL"), String(u"/songs/second.vdl")};

    dialog.chooseOpen();
    EXPECT_FALSE(dialog.cancelled);
    EXPECT_EQ(path(), "/songs/first.VDL");
    dialog.chooseOpen();
    EXPECT_FALSE(dialog.cancelled);
    EXPECT_EQ(path(), "/songs/second.vdl");

    ASSERT_EQ(chooser.shown.size(), 2u);
    EXPECT_EQ(chooser.shown[0].path.toUtf8(), "");
    EXPECT_EQ(chooser.shown[1].path.toUtf8(), "");
    const KESOFileChooser::Request& shown = chooser.shown[1];
    EXPECT_EQ(shown.defaultExtension.toUtf8(), "VDL");
    ASSERT_EQ(shown.filters.size(), 2u);
    EXPECT_EQ(shown.filters[0].description.toUtf8(), "VandrelStudio Song (*.VDL)");
    EXPECT_EQ(shown.filters[0].pattern.toUtf8(), "*.VDL");
    EXPECT_EQ(shown.filters[1].pattern.toUtf8(), "*.vdl;*.bak");

    dialog.chooseOpen(); // no answer lined up: the user cancels
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(path(), "");
}

TEST_F(LFileDialogTest, SaveOffersThePreviousChoiceAndKeepsItWhenCancelled)
{
    initForWaves();
    chooser.answers = {String(u"/takes/Über take.WAV"), std::nullopt, String(u"/takes/second.WAV")};

    dialog.chooseSave();
    EXPECT_FALSE(dialog.cancelled);
    EXPECT_EQ(path(), "/takes/Über take.WAV");
    dialog.chooseSave();
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_EQ(path(), "/takes/Über take.WAV");
    dialog.chooseSave();
    EXPECT_FALSE(dialog.cancelled);
    EXPECT_EQ(path(), "/takes/second.WAV");

    ASSERT_EQ(chooser.shown.size(), 3u);
    EXPECT_EQ(chooser.shown[0].path.toUtf8(), "");
    EXPECT_EQ(chooser.shown[1].path.toUtf8(), "/takes/Über take.WAV");
    EXPECT_EQ(chooser.shown[2].path.toUtf8(), "/takes/Über take.WAV");
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
