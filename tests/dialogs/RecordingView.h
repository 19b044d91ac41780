#pragma once
// A front end for the dialogs' states in tests: it keeps every notice and question, answers the
// questions, and lets a test look at the state whenever a box comes up.

#include <functional>
#include <string>
#include <vector>

#include "dialogs/DialogView.h"

namespace vemora::test {

class RecordingView : public DialogView {
  public:
    void Show(const Notice& notice) override {
        shown.push_back(notice);
        if (atShow) {
            atShow();
        }
    }
    bool Ask(const std::string& question) override {
        asked.push_back(question);
        return answer;
    }
    void Refresh() override {
        ++refreshes;
        if (atRefresh) {
            atRefresh();
        }
    }

    std::vector<Notice> shown;
    std::vector<std::string> asked;
    bool answer = false;  // to every question
    int refreshes = 0;
    std::function<void()> atShow;     // what the operator sees while a box is up
    std::function<void()> atRefresh;  // what the controls show at each change
};

}  // namespace vemora::test
