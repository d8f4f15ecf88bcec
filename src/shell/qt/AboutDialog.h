// AboutDialog: the "Info über Wirbelix" box of the help menu (command cmd::kAbout). It shows
// the application icon, the program's name and version and a line saying what the program is,
// and closes with "OK" (the default button, also Return) or Escape. It has no other action.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QDialog>

namespace wirbelix {

// The box's texts (UTF-8).
inline constexpr char kAboutCaption[] = "Info über Wirbelix";
inline constexpr char kAboutVersionText[] = "Wirbelix Version 1.03";
inline constexpr char kAboutNoticeText[] = "Ein Würfelspiel für zwei Spieler";

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    // The icon is the application's window icon, or the embedded one when none is set.
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;
};

// Shows the box modally over parent; answers how it was closed (QDialog::Accepted for "OK",
// QDialog::Rejected for Escape or the window's close button).
int ShowAboutDialog(QWidget* parent);

}  // namespace wirbelix
