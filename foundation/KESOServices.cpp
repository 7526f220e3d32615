#include "foundation/KESOServices.h"

#include "foundation/KESOKeyState.h"
#include "foundation/KESOMessageBox.h"

KESOServices& KESOServices::instance()
{
    static KESOServices services;
    return services;
}

void KESOServices::showMessage(const String& text, const String& caption)
{
    if (messageBox != nullptr)
        messageBox->show(text, caption);
}

bool KESOServices::isKeyDown(int virtualKey)
{
    return keyState != nullptr && keyState->isKeyDown(virtualKey);
}
