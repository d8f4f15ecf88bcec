#include "ui/qt/InputBoxDialog.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace wirbelix {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

InputBoxDialog::InputBoxDialog(QWidget* parent, bool password)
    : QDialog(parent), m_password(password ? 1 : 0) {
    setWindowTitle(QString::fromUtf8(kDefaultCaption));
    // A dialog's title bar: a caption and a close button, nothing to minimize or maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    prompt_ = new QLabel(this);
    prompt_->setObjectName("prompt");
    prompt_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("edit");
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("ok");
    ok_->setDefault(true);
    cancel_ = new QPushButton("Abbrechen", this);
    cancel_->setObjectName("cancel");
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The layout of the original dialog in dialog units (a quarter of the font's average
    // character width across, an eighth of its height down): a 220-unit prompt line and edit
    // field, then the two 50 x 14 buttons at the right.
    const QFontMetrics metrics(font());
    const auto unitsX = [&](int units) { return units * metrics.averageCharWidth() / 4; };
    const auto unitsY = [&](int units) { return units * metrics.height() / 8; };
    edit_->setMinimumWidth(unitsX(220));
    for (QPushButton* button : {ok_, cancel_}) {
        button->setMinimumWidth(unitsX(50));
        button->setMinimumHeight(unitsY(14));
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addSpacing(unitsX(5));
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(unitsX(5), unitsY(5), unitsX(7), unitsY(9));
    layout->setSpacing(unitsY(2));
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    layout->addSpacing(unitsY(7));
    layout->addLayout(buttons);
}

InputBoxDialog::~InputBoxDialog() = default;

void InputBoxDialog::SetEditToolTip(std::string_view text) { edit_->setToolTip(FromUtf8(text)); }

int InputBoxDialog::GetValue(char* buffer, int size) const {
    return CopyInputValue(m_value, buffer, size);
}

int InputBoxDialog::exec() { return QDialog::exec() == QDialog::Accepted ? IDOK : IDCANCEL; }

void InputBoxDialog::showEvent(QShowEvent* event) {
    edit_->setEchoMode(m_password ? QLineEdit::Password : QLineEdit::Normal);
    if (m_focusEdit) {
        // Posted, so that it comes after the focus the dialog gives itself as it is shown.
        QTimer::singleShot(0, edit_, [edit = edit_] { edit->setFocus(Qt::OtherFocusReason); });
    }
    if (m_widen != 0) resize(width() + m_widen, height());
    edit_->setText(FromUtf8(m_value));
    edit_->selectAll();
    if (!m_caption.empty()) setWindowTitle(FromUtf8(m_caption));
    if (!m_prompt.empty()) prompt_->setText(FromUtf8(m_prompt));
    QDialog::showEvent(event);
}

void InputBoxDialog::accept() {
    m_value = edit_->text().toStdString();
    QDialog::accept();
}

}  // namespace wirbelix
