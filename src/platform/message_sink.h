#pragma once

#include <string>

namespace sw {

// Where the program's messages go: the plain modal box with one OK button and one of the
// program's fixed texts, and the error box of an error that ended a handler. The window's
// sink shows QMessageBox; tests record; the command line prints.
class MessageSink {
public:
    virtual ~MessageSink() = default;

    // A plain message box with an OK button; returns when the user has dismissed it.
    virtual void showMessage(const std::string& text) = 0;

    // The error box of an error that ended a handler, titled with the application title.
    virtual void showError(const std::string& title, const std::string& text) = 0;
};

} // namespace sw
