#pragma once

#include "platform/message_sink.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace sw {

// The window's message sink: modal QMessageBoxes owned by the window. The plain message is
// titled with the application's task-bar title, as the program's messages always were.
class QtMessageSink : public MessageSink {
public:
    QtMessageSink(QWidget* owner, std::function<std::string()> title);
    void showMessage(const std::string& text) override;
    void showError(const std::string& title, const std::string& text) override;
    // Yes and No, with No as the default button: Enter never removes anything by accident.
    bool askYesNo(const std::string& text) override;

private:
    QPointer<QWidget> m_owner;
    std::function<std::string()> m_title;
};

} // namespace sw
