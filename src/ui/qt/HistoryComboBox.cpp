#include "ui/qt/HistoryComboBox.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <vector>

#include "ui/ComboHistory.h"

namespace wirbelix {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Where a new item goes so that the list stays in alphabetical order, case folded.
int SortedPosition(const QComboBox* combo, const QString& text) {
    int i = 0;
    while (i < combo->count() && QString::compare(combo->itemText(i), text, Qt::CaseInsensitive) <= 0) ++i;
    return i;
}

void AddItems(QComboBox* combo, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const QString text = FromUtf8(CutText(entry, kHistoryEntryBytes));
        combo->insertItem(SortedPosition(combo, text), text);
    }
}

// The drop handler of one combo box; it watches the combo box and its edit field.
class FileDropFilter final : public QObject {
public:
    explicit FileDropFilter(QComboBox* combo) : QObject(combo), combo_(combo) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!drag->mimeData()->hasUrls()) break;
            if (FirstDroppedFile(drag->mimeData()).isEmpty()) {
                drag->ignore();
            } else {
                drag->acceptProposedAction();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!drop->mimeData()->hasUrls()) break;
            const QString file = FirstDroppedFile(drop->mimeData());
            if (file.isEmpty()) {
                drop->ignore();
                return true;
            }
            combo_->setCurrentIndex(-1);
            combo_->setEditText(file);
            drop->acceptProposedAction();
            return true;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QComboBox* combo_;
};

}  // namespace

int FillComboHistory(QComboBox* combo, const char* valueName, std::string_view keyPath, std::string* currentText) {
    const auto entries = ReadHistory(keyPath, valueName);
    if (!entries) return 0;
    const QString text = combo->currentText();
    combo->clear();
    if (!entries->empty() && currentText != nullptr)
        *currentText = CutText(entries->front(), kHistoryTextBytes - 1);
    AddItems(combo, *entries);
    // Clearing the items took the edit field's text with them; the caller sets its own.
    if (combo->isEditable()) combo->setEditText(text);
    return static_cast<int>(entries->size());
}

int StoreComboHistory(QComboBox* combo, const char* valueName, std::string_view keyPath) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
    // An editable combo box keeps its last chosen index while the user types something else;
    // only an item that still shows counts as selected.
    int selected = combo->currentIndex();
    if (selected >= 0 && combo->isEditable() && combo->itemText(selected) != combo->currentText()) selected = -1;
    const std::string text = combo->isEditable() ? combo->currentText().toStdString() : std::string();
    const std::string current = HistoryCurrentText(text, items, selected);
    const std::vector<std::string> list = BuildHistory(current, items);
    if (list.empty()) return 0;
    if (selected < 0) {
        const QString shown = combo->currentText();
        combo->clear();
        AddItems(combo, list);
        combo->setCurrentIndex(-1);
        if (combo->isEditable()) combo->setEditText(shown);
    }
    return WriteHistory(keyPath, valueName, list);
}

QString FirstDroppedFile(const QMimeData* data) {
    if (data == nullptr) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
    return {};
}

void AcceptFileDrops(QComboBox* combo) {
    auto* filter = new FileDropFilter(combo);
    combo->setAcceptDrops(true);
    combo->installEventFilter(filter);
    if (QLineEdit* edit = combo->lineEdit()) {
        edit->setAcceptDrops(true);
        edit->installEventFilter(filter);
    }
}

}  // namespace wirbelix
