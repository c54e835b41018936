#pragma once

#include <string>

namespace sw {

// Where the program's messages go: the plain modal box with one OK button and one of the
// program's fixed texts, the error box of an error that ended a handler, and the question
// asked before a change that cannot be undone. The window's
// sink shows QMessageBox; tests record; the command line prints.
class MessageSink {
public:
    virtual ~MessageSink() = default;

    // A plain message box with an OK button; returns when the user has dismissed it.
    virtual void showMessage(const std::string& text) = 0;

    // The error box of an error that ended a handler, titled with the application title.
    virtual void showError(const std::string& title, const std::string& text) = 0;

    // A question with the buttons Yes and No; true when the user answered Yes. A sink with
    // nobody to ask (the command line, a benchmark) goes on: the command given is the answer.
    virtual bool askYesNo(const std::string& /*text*/) { return true; }
};

} // namespace sw
