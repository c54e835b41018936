#include "app/qt_message_sink.h"

#include <QMessageBox>

namespace sw {

QtMessageSink::QtMessageSink(QWidget* owner, std::function<std::string()> title)
    : m_owner(owner), m_title(std::move(title)) {}

void QtMessageSink::showMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(m_title()), QString::fromStdString(text),
                    QMessageBox::Ok, m_owner);
    box.exec();
}

void QtMessageSink::showError(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, m_owner);
    box.exec();
}

bool QtMessageSink::askYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(m_title()), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace sw
