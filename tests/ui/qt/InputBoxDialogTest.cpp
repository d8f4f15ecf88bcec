#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "ui/qt/InputBoxDialog.h"

namespace wirbelix {
namespace {

QLineEdit* Edit(InputBoxDialog& dialog) { return dialog.findChild<QLineEdit*>("edit"); }
QLabel* Prompt(InputBoxDialog& dialog) { return dialog.findChild<QLabel*>("prompt"); }
QPushButton* Button(InputBoxDialog& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// Runs the dialog modally while user does something to it; a dialog the user left open is
// closed with "Abbrechen" afterwards, so a failing test cannot hang.
int RunModal(InputBoxDialog& dialog, const std::function<void()>& user) {
    QTimer::singleShot(0, &dialog, [&] {
        user();
        if (dialog.isVisible()) dialog.reject();
    });
    return dialog.exec();
}

// The dialog as the game view sets it up for the choice of the serial port.
struct PortDialog : testing::Test {
    PortDialog() {
        dialog.SetValue("COM1");
        dialog.SetCaption("COM-Port");
        dialog.SetPrompt("Bitte hier das COM-Port angeben :");
    }
    std::string Value(int size, int* copied = nullptr) {
        char buffer[64] = {};
        const int n = dialog.GetValue(buffer, size);
        if (copied) *copied = n;
        return buffer;
    }
    InputBoxDialog dialog;
};

TEST_F(PortDialog, OpensWithTheTextsAndOkReturnsTheEditedText) {
    QString title, prompt, text, ok;
    bool okIsDefault = false;
    const int result = RunModal(dialog, [&] {
        title = dialog.windowTitle();
        prompt = Prompt(dialog)->text();
        text = Edit(dialog)->text();
        okIsDefault = Button(dialog, "OK")->isDefault();
        ASSERT_NE(Button(dialog, "Abbrechen"), nullptr);
        Edit(dialog)->clear();
        QTest::keyClicks(Edit(dialog), "COM3");
        QTest::keyClick(Edit(dialog), Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(title, "COM-Port");
    EXPECT_EQ(prompt, "Bitte hier das COM-Port angeben :");
    EXPECT_EQ(text, "COM1");
    EXPECT_TRUE(okIsDefault);
    int copied = -1;
    EXPECT_EQ(Value(32, &copied), "COM3");
    EXPECT_EQ(copied, 4);
}

TEST_F(PortDialog, EscapeAbbrechenAndClosingCancelAndKeepTheValue) {
    const std::function<void()> leave[] = {
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [&] { QTest::mouseClick(Button(dialog, "Abbrechen"), Qt::LeftButton); },
        [&] { dialog.close(); },
    };
    for (const auto& how : leave) {
        EXPECT_EQ(RunModal(dialog,
                      [&] {
                          QTest::keyClicks(Edit(dialog), "X");
                          how();
                      }),
                  IDCANCEL);
        EXPECT_EQ(Value(32), "COM1");
    }
}

TEST_F(PortDialog, LongTextIsCutToTheBuffer) {
    const QString forty(40, QChar('7'));
    const int result = RunModal(dialog, [&] {
        Edit(dialog)->setText(forty);
        QTest::mouseClick(Button(dialog, "OK"), Qt::LeftButton);
    });
    ASSERT_EQ(result, IDOK);
    int copied = -1;
    EXPECT_EQ(Value(32, &copied), std::string(31, '7'));
    EXPECT_EQ(copied, 31);
}

TEST_F(PortDialog, EmptyTextGivesZero) {
    ASSERT_EQ(RunModal(dialog, [&] {
                  Edit(dialog)->clear();
                  QTest::keyClick(Edit(dialog), Qt::Key_Enter);
              }),
              IDOK);
    int copied = -1;
    EXPECT_EQ(Value(32, &copied), "");
    EXPECT_EQ(copied, 0);
    char untouched[2] = {'#', '#'};
    EXPECT_EQ(dialog.GetValue(untouched, 0), 0);
    EXPECT_EQ(untouched[0], '#');
}

TEST(InputBoxDialog, DefaultsAndOptions) {
    InputBoxDialog dialog;
    dialog.m_password = 1;
    dialog.m_focusEdit = 1;
    dialog.SetEditToolTip("Name der Datei");
    QString title, prompt, tip;
    bool hidden = false, focused = false;
    RunModal(dialog, [&] {
        title = dialog.windowTitle();
        prompt = Prompt(dialog)->text();
        tip = Edit(dialog)->toolTip();
        hidden = Edit(dialog)->echoMode() == QLineEdit::Password;
        QTRY_VERIFY(Edit(dialog)->hasFocus());
        focused = true;
    });
    EXPECT_EQ(title, "Dateinamen eingeben");
    EXPECT_EQ(prompt, "");
    EXPECT_EQ(tip, "Name der Datei");
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(focused);
}

}  // namespace
}  // namespace wirbelix
