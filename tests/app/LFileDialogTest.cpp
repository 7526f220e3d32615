#include "app/LFileDialog.h"

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
