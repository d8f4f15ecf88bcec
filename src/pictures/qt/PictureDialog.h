// PictureDialog: the modal dialog "Neues Bild erstellen" in which the user chooses the
// background and rotor pictures, their pivots, the sections, the rotor offset and the
// revolutions of a full-strength spin.
//
// Opening: the numbers become texts (PictureDialogRules.h); the two path combo boxes are filled
// from the histories "PicPaths" and "RotPaths" of the application's default key, and a
// non-empty history replaces the given path by its most recent entry. Both combo boxes take a
// dropped file; the browse buttons show bitmap 139 and open the file dialog ("Bilder (*.png)",
// "Alle Dateien (*)", default suffix png, the recent names of "OfnListPng" as its history).
//
// OK: a path that is not empty and names no existing file asks the warning question ("Warnung",
// Cancel the default); any answer but OK keeps the dialog open.
//
// Previews: beside the fields, the background with the rotor as the game will show it (turned
// by the offset, with the section boundaries drawn over it) and the rotor alone. They follow
// every change of a path or a number; a picture is read (off the window thread) only when its
// path changed. A click on a preview sets that picture's pivot. A picture that cannot be read
// shows the reader's German error text in its preview's place. Then the texts become numbers,
// the histories are stored and the dialog ends with Accepted; choice() answers the numbers.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "pictures/PictureDialogRules.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wirbelix {

class PictureLoader;
class PreviewPane;
class RasterImage;

class PictureDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Neues Bild erstellen";
    static constexpr const char* kBackgroundHistory = "PicPaths";
    static constexpr const char* kRotorHistory = "RotPaths";
    static constexpr const char* kBackgroundBrowseTitle = "Bilddatei für Hintergrund auswählen";
    static constexpr const char* kRotorBrowseTitle = "Bilddatei für Rotor auswählen";
    static constexpr const char* kDefaultExtension = "*.png";
    static constexpr int kBrowseBitmap = 139;

    explicit PictureDialog(const PictureChoice& current, QWidget* parent = nullptr);
    ~PictureDialog() override;

    // The dialog's texts as they are in the controls now, and the numbers taken at OK.
    PictureTexts texts() const;
    const PictureChoice& choice() const { return choice_; }

    // Asks the warning question; answers true for OK. Replaceable so that a caller without a
    // screen can answer it; by default a warning message box with Cancel as its default.
    std::function<bool(const QString& text)> confirm;

public slots:
    void accept() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Browse(QComboBox* combo, const char* title);
    bool AskWarning(const QString& text);
    void RequestPictures();
    void OnLoaded(int slot, const QString& path, std::shared_ptr<const RasterImage> picture, const QString& error);
    void UpdatePreview();

    PictureLoader* loader_;
    PreviewPane* backgroundPreview_;
    PreviewPane* rotorPreview_;
    std::shared_ptr<const RasterImage> pictures_[2];  // as read for the loader's latest requests
    QString errors_[2];

    PictureChoice choice_;
    QComboBox* imagePath_;
    QComboBox* rotorPath_;
    QPushButton* browseImage_;
    QPushButton* browseRotor_;
    QLineEdit* imageX_;
    QLineEdit* imageY_;
    QLineEdit* rotorX_;
    QLineEdit* rotorY_;
    QLineEdit* sections_;
    QLineEdit* offset_;
    QLineEdit* revolutions_;
};

}  // namespace wirbelix
