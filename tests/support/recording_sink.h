#pragma once

#include "platform/message_sink.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace sw::test {

// A message sink that never blocks: it records every message box in order. Errors are
// recorded twice, as "error: <text>" among the messages (to see their order) and with their
// title in `errors`. Questions are recorded as "question: <text>" and answered from
// `answers` in order, then with `defaultAnswer`.
class RecordingSink : public MessageSink {
public:
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, std::string>> errors; // (title, text)
    std::deque<bool> answers;
    bool defaultAnswer = true;

    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showError(const std::string& title, const std::string& text) override {
        messages.push_back("error: " + text);
        errors.emplace_back(title, text);
    }
    bool askYesNo(const std::string& text) override {
        messages.push_back("question: " + text);
        if (answers.empty())
            return defaultAnswer;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace sw::test
