#pragma once

#include "foundation/KESOFileChooser.h"

#include <deque>
#include <optional>
#include <vector>

// A file chooser that gives the answers a test lined up (no answer left: cancelled) and keeps the
// requests it was shown.
class FakeFileChooser : public KESOFileChooser {
public:
    bool chooseOpen(Request& request) override { return answer(request, false); }
    bool chooseSave(Request& request) override { return answer(request, true); }

    std::deque<std::optional<String>> answers; // nullopt: the user cancels
    std::vector<Request> shown;

private:
    bool answer(Request& request, bool save)
    {
        shown.push_back(request);
        std::optional<String> next;
        if (!answers.empty()) {
            next = answers.front();
            answers.pop_front();
        }
        if (next) {
            request.path = *next;
            return true;
        }
        if (!save)
            request.path = String();
        return false;
    }
};
