#pragma once

// What the command line's standard streams are connected to.
class Terminal {
public:
    static bool errorIsTerminal();
};
