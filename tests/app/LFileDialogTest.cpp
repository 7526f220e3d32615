#include "app/LFileDialog.h"

#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(LFileDialogTest, APathThatDoesNotFitTheBufferCountsAsCancelledNotCut)
{
    FakeServices services;
    LFileDialog dialog;
    dialog.init({{u"Wave file (*.WAV)", u"*.WAV"}}, u"WAV");
    const std::string fits = "/" + std::string(LFileDialog::PathCapacity - 2, 'a');    // 511 units
    const std::string tooLong = "/" + std::string(LFileDialog::PathCapacity - 1, 'b'); // 512 units
    const std::string farTooLong = "/" + std::string(4 * LFileDialog::PathCapacity, 'c');
    services.fileChooser.answers = {String::fromUtf8(fits), String::fromUtf8(tooLong), String::fromUtf8(farTooLong)};
    // Whether the dialog counts as cancelled, and the path it holds, after a dialog.
    const auto after = [&](void (LFileDialog::*choose)()) {
        (dialog.*choose)();
        return std::pair(dialog.cancelled, String(dialog.pathBuffer).toUtf8());
    };
    EXPECT_EQ(after(&LFileDialog::chooseSave), std::pair(false, fits));
    EXPECT_EQ(after(&LFileDialog::chooseSave), std::pair(true, fits)); // the earlier choice, whole
    EXPECT_EQ(after(&LFileDialog::chooseOpen), std::pair(true, std::string()));
}
