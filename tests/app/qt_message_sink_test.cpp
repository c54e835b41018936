// The window's question box: Yes and No, No by default and on Escape.
#include "app/qt_message_sink.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace sw;

namespace {

// Answers the next modal question box with `act` once it is shown; records its texts.
struct Answerer {
    QString title;
    QString text;
    bool defaultIsNo = false;

    void answerWith(const std::function<void(QMessageBox&)>& act) {
        QTimer::singleShot(0, [this, act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
            act(*box);
        });
    }
};

} // namespace

TEST(QtMessageSink, QuestionIsAnsweredYesOrNo) {
    QWidget owner;
    QtMessageSink sink(&owner, [] { return std::string("ZEV SW"); });

    Answerer yes;
    yes.answerWith([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(sink.askYesNo("Blue is already installed in ZEV_A320. Install it again?"));
    EXPECT_EQ(yes.title, "ZEV SW");
    EXPECT_EQ(yes.text, "Blue is already installed in ZEV_A320. Install it again?");
    EXPECT_TRUE(yes.defaultIsNo);

    Answerer no;
    no.answerWith([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_FALSE(sink.askYesNo("Again?"));

    Answerer escape;
    escape.answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_FALSE(sink.askYesNo("Again?"));
}
