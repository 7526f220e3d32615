#include "platform/desktop/SdlMessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Puts an environment variable back as it was when the test ends.
class SavedVariable {
public:
    explicit SavedVariable(const char* name)
        : name_(name)
    {
        const char* value = std::getenv(name);
        had_ = value != nullptr;
        if (had_)
            value_ = value;
    }
    ~SavedVariable()
    {
        if (had_)
            setenv(name_, value_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string value_;
};

std::string shownOnStderr(const char16_t* text, const char16_t* caption)
{
    SdlMessageBox box;
    testing::internal::CaptureStderr();
    box.show(text, caption);
    return testing::internal::GetCapturedStderr();
}

} // namespace

// Where a modal box cannot be shown or must not be (a headless test would wait for ever), the
// message still reaches the user on standard error, and show returns.
TEST(SdlMessageBoxTest, WithoutABoxTheMessageGoesToStandardError)
{
    SavedVariable toStderr("RUZI_MESSAGES_TO_STDERR");
    SavedVariable display("DISPLAY");
    SavedVariable wayland("WAYLAND_DISPLAY");
    setenv("RUZI_MESSAGES_TO_STDERR", "1", 1);
    EXPECT_EQ(shownOnStderr(u"The .WAV export was aborted.", u"Aborted"), "Aborted: The .WAV export was aborted.\n");

    unsetenv("RUZI_MESSAGES_TO_STDERR");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(shownOnStderr(u"Error loading ddraw.dll", u"DDraw"), "DDraw: Error loading ddraw.dll\n");
}
