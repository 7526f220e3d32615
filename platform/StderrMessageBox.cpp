#include "platform/StderrMessageBox.h"

#include <cstdio>

void StderrMessageBox::show(const String& text, const String& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.toUtf8().c_str(), text.toUtf8().c_str());
}
