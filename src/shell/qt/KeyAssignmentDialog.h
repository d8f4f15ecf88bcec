// KeyAssignmentDialog: the "Tastaturbelegung" box of the help menu (command
// cmd::kKeyAssignment). A two-column table of the function keys and what each does, then the
// command-line switch; it closes with "OK" (the default button, also Return) or Escape and has
// no other action.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QDialog>

namespace wirbelix {

// One line of the table: the key and its description, as the box shows them (UTF-8).
struct KeyAssignmentLine {
    const char* key;
    const char* description;
};

inline constexpr char kKeyAssignmentCaption[] = "Tastaturbelegung";
inline constexpr KeyAssignmentLine kKeyAssignmentKeys[] = {
    {"F1", ": Sterne ++ links"},     {"F2", ": Sterne ++ rechts"},
    {"F3", ": Sterne -- links"},     {"F4", ": Sterne -- rechts"},
    {"F5", ": Starten ohne Balken"}, {"F6", ": Zeiger anhalten"},
    {"F7", ": Starten links"},       {"F8", ": Starten rechts"},
    {"F9", ": Zeiger anhalten"},     {"F10", ": Fenster zommen"},
};
inline constexpr char kKeyAssignmentSwitchHeading[] = "Kommandozeilenparameter :";
inline constexpr KeyAssignmentLine kKeyAssignmentSwitch = {"-z", ": Programm gezoomt starten"};

class KeyAssignmentDialog : public QDialog {
    Q_OBJECT

public:
    explicit KeyAssignmentDialog(QWidget* parent = nullptr);
    ~KeyAssignmentDialog() override;
};

// Shows the box modally over parent; answers how it was closed (QDialog::Accepted for "OK",
// QDialog::Rejected for Escape or the window's close button).
int ShowKeyAssignmentDialog(QWidget* parent);

}  // namespace wirbelix
