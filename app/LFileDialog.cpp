#include "app/LFileDialog.h"

#include "foundation/KESOServices.h"

#include <algorithm>

bool LFileDialog::init(const std::vector<KESOFileChooser::Filter>& filters, const String& defaultExtension)
{
    enabled_ = true;
    request_ = KESOFileChooser::Request();
    request_.filters = filters;
    request_.defaultExtension = defaultExtension;
    std::fill(std::begin(pathBuffer), std::end(pathBuffer), u'\0');
    return true;
}

void LFileDialog::chooseOpen()
{
    std::fill(std::begin(pathBuffer), std::end(pathBuffer), u'\0');
    cancelled = !choose(false);
}

void LFileDialog::chooseSave()
{
    cancelled = !choose(true);
}

bool LFileDialog::choose(bool save)
{
    KESOFileChooser* chooser = KESOServices::instance().fileChooser;
    // Without a dialog to show there is no choice, and the caller must not act on the buffer.
    if (!enabled_ || chooser == nullptr)
        return false;
    request_.path = String(pathBuffer);
    if (!(save ? chooser->chooseSave(request_) : chooser->chooseOpen(request_)))
        return false;
    // A cut path would name another file: a path that does not fit counts as no choice.
    const int length = request_.path.length();
    if (length == 0 || length >= PathCapacity)
        return false;
    std::copy(request_.path.c_str(), request_.path.c_str() + length + 1, pathBuffer);
    return true;
}
