// InputBoxDialog: the modal dialog that asks the user for one line of text. It shows a caption,
// a prompt line, an edit field prefilled with a text, and the buttons "OK" (the default) and
// "Abbrechen".
//
// Use: construct, SetValue, SetCaption, SetPrompt, exec(); on IDOK read the text with GetValue.
// Texts are UTF-8. exec() answers IDOK (1) for "OK" or Enter and IDCANCEL (2) for "Abbrechen",
// Escape or closing the window; only "OK" copies the edit field's text into m_value.
//
// The options below take effect as the dialog opens:
//   m_password   the edit field hides what is typed;
//   m_focusEdit  the keyboard focus goes to the edit field (it is also the first in the tab
//                order, so it has the focus anyway unless the caller moved it);
//   m_widen      the dialog opens that many pixels wider, the prompt and the edit field growing.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

#include "ui/InputBox.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace wirbelix {

class InputBoxDialog : public QDialog {
    Q_OBJECT

public:
    // The caption shown when SetCaption was not given a text.
    static constexpr const char* kDefaultCaption = "Dateinamen eingeben";

    // password selects the edit field that hides what is typed (sets m_password).
    explicit InputBoxDialog(QWidget* parent = nullptr, bool password = false);
    ~InputBoxDialog() override;

    void SetValue(std::string_view text) { m_value = text; }
    // An empty caption keeps kDefaultCaption; an empty prompt leaves the prompt line empty.
    void SetCaption(std::string_view text) { m_caption = text; }
    void SetPrompt(std::string_view text) { m_prompt = text; }
    // A tooltip on the edit field.
    void SetEditToolTip(std::string_view text);

    // Copies m_value into buffer (size bytes): see CopyInputValue. Answers the bytes copied.
    int GetValue(char* buffer, int size) const;
    const std::string& value() const { return m_value; }

    // Shows the dialog modally; IDOK or IDCANCEL.
    int exec() override;

    int m_password = 0;
    int m_focusEdit = 0;
    int m_widen = 0;

protected:
    void showEvent(QShowEvent* event) override;

public slots:
    void accept() override;

private:
    std::string m_value;
    std::string m_caption;
    std::string m_prompt;
    QLabel* prompt_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace wirbelix
