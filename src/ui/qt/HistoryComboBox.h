// The Qt side of the path histories (rules in ui/ComboHistory.h): filling an editable combo box
// from a stored history when a dialog opens, storing it when the dialog is confirmed, and
// letting the user drop a file onto it.
//
// The combo boxes are "sorted": items are kept in alphabetical order (case folded), whatever
// order the history has; the history's order is kept in the settings.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <string>
#include <string_view>

class QComboBox;
class QMimeData;
class QString;

namespace wirbelix {

// Replaces the combo box's items by the entries of the history valueName of the key that
// keyPath selects (each cut to 255 bytes), in sorted order. When the history has entries, the
// first (most recent) one, cut to 2047 bytes, goes into *currentText. Answers the number of
// items added; 0, with the combo box and *currentText untouched, when there is no history.
int FillComboHistory(QComboBox* combo, const char* valueName, std::string_view keyPath, std::string* currentText);

// Stores the combo box's history: its text (or, when that is empty, its selected item) first,
// then its other items in list order, at most 16, none empty, none repeating the first. When
// no item is selected the combo box is filled again from the new list. Answers the number of
// entries written; 0 when the text is empty (the old history stays) or the write failed.
int StoreComboHistory(QComboBox* combo, const char* valueName, std::string_view keyPath);

// The first local file among the dropped URLs; empty when there is none (other URLs, such as
// web addresses, are ignored).
QString FirstDroppedFile(const QMimeData* data);

// Lets the combo box (and its edit field) take dropped files: the first local file of a drop
// becomes its text, with no item selected. Drops without a local file change nothing; dropped
// plain text is left to the edit field as usual. The handler lives as long as the combo box.
void AcceptFileDrops(QComboBox* combo);

}  // namespace wirbelix
