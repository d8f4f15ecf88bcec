#include "pictures/qt/PictureDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "pictures/qt/PicturePreviewPane.h"
#include "shell/qt/DialogUnits.h"
#include "ui/ComboHistory.h"
#include "ui/qt/HistoryComboBox.h"
#include "ui/qt/QtButtonBitmap.h"

namespace wirbelix {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QComboBox* PathCombo(QWidget* parent, const char* name, int id) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setProperty("controlId", id);
    combo->setEditable(true);
    // The list is the history; typing a path and pressing Enter adds nothing to it.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return combo;
}

QLineEdit* NumberEdit(QWidget* parent, const char* name, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setProperty("controlId", id);
    return edit;
}

QPushButton* BrowseButton(QWidget* parent, const char* name, int id) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setProperty("controlId", id);
    button->setAutoDefault(false);
    SetButtonBitmap(button, PictureDialog::kBrowseBitmap);
    return button;
}

}  // namespace

PictureDialog::PictureDialog(const PictureChoice& current, QWidget* parent) : QDialog(parent), choice_(current) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    imagePath_ = PathCombo(this, "imagePath", 1016);
    browseImage_ = BrowseButton(this, "browseImage", 1035);
    rotorPath_ = PathCombo(this, "rotorPath", 1022);
    browseRotor_ = BrowseButton(this, "browseRotor", 1037);
    imageX_ = NumberEdit(this, "imageX", 1009);
    imageY_ = NumberEdit(this, "imageY", 1013);
    rotorX_ = NumberEdit(this, "rotorX", 1018);
    rotorY_ = NumberEdit(this, "rotorY", 1020);
    sections_ = NumberEdit(this, "sections", 1039);
    offset_ = NumberEdit(this, "offset", 1041);
    revolutions_ = NumberEdit(this, "revolutions", 1012);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Abbrechen", this);
    cancel->setObjectName("cancel");
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &PictureDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browseImage_, &QPushButton::clicked, this, [this] { Browse(imagePath_, kBackgroundBrowseTitle); });
    connect(browseRotor_, &QPushButton::clicked, this, [this] { Browse(rotorPath_, kRotorBrowseTitle); });

    // The texts, then the histories, whose most recent entries replace the paths.
    PictureTexts t = FormatPictureTexts(current);
    FillComboHistory(imagePath_, kBackgroundHistory, kDefaultHistoryKey, &t.imagePath);
    FillComboHistory(rotorPath_, kRotorHistory, kDefaultHistoryKey, &t.rotorPath);
    AcceptFileDrops(imagePath_);
    AcceptFileDrops(rotorPath_);
    imagePath_->setCurrentIndex(-1);
    imagePath_->setEditText(FromUtf8(t.imagePath));
    rotorPath_->setCurrentIndex(-1);
    rotorPath_->setEditText(FromUtf8(t.rotorPath));
    imageX_->setText(FromUtf8(t.imageX));
    imageY_->setText(FromUtf8(t.imageY));
    rotorX_->setText(FromUtf8(t.rotorX));
    rotorY_->setText(FromUtf8(t.rotorY));
    sections_->setText(FromUtf8(t.sections));
    offset_->setText(FromUtf8(t.offset));
    revolutions_->setText(FromUtf8(t.revolutions));

    // The layout in dialog units: two path rows across the dialog, then the numbers in two
    // columns of label and field, the revolutions on a row of their own, the buttons at the
    // right.
    const DialogUnits du(*this);
    const auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(du.X(4));
    grid->setVerticalSpacing(du.Y(3));
    grid->addWidget(label("Pfad der Bilddatei :", imagePath_), 0, 0);
    grid->addWidget(imagePath_, 0, 1, 1, 3);
    grid->addWidget(browseImage_, 0, 4);
    grid->addWidget(label("Pfad des Rotors :", rotorPath_), 1, 0);
    grid->addWidget(rotorPath_, 1, 1, 1, 3);
    grid->addWidget(browseRotor_, 1, 4);
    grid->addWidget(label("Bilddrehpunkt X : ", imageX_), 2, 0);
    grid->addWidget(imageX_, 2, 1);
    grid->addWidget(label("Bilddrehpunkt Y : ", imageY_), 2, 2);
    grid->addWidget(imageY_, 2, 3);
    grid->addWidget(label("Rotordrehpunkt X : ", rotorX_), 3, 0);
    grid->addWidget(rotorX_, 3, 1);
    grid->addWidget(label("Rotordrehpunkt Y : ", rotorY_), 3, 2);
    grid->addWidget(rotorY_, 3, 3);
    grid->addWidget(label("Abschnitte : ", sections_), 4, 0);
    grid->addWidget(sections_, 4, 1);
    grid->addWidget(label("Rotorverschub [°] : ", offset_), 4, 2);
    grid->addWidget(offset_, 4, 3);
    grid->addWidget(label("Maximale Umdrehungen bei 100% (2..20) : ", revolutions_), 5, 0, 1, 3);
    grid->addWidget(revolutions_, 5, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    imagePath_->setMinimumWidth(du.X(240));

    // The previews: the background with the rotor wide, the rotor alone narrow beside it.
    backgroundPreview_ = new PreviewPane(QSize(du.X(200), du.Y(110)), this);
    backgroundPreview_->setObjectName("backgroundPreview");
    backgroundPreview_->setToolTip(QString::fromUtf8("Klicken setzt den Bilddrehpunkt"));
    rotorPreview_ = new PreviewPane(QSize(du.X(60), du.Y(110)), this);
    rotorPreview_->setObjectName("rotorPreview");
    rotorPreview_->setToolTip(QString::fromUtf8("Klicken setzt den Rotordrehpunkt"));
    auto* previews = new QHBoxLayout;
    previews->addWidget(backgroundPreview_, 3);
    previews->addWidget(rotorPreview_, 1);
    connect(backgroundPreview_, &PreviewPane::clicked, this, [this](Point p) {
        imageX_->setText(QString::number(p.x));
        imageY_->setText(QString::number(p.y));
    });
    connect(rotorPreview_, &PreviewPane::clicked, this, [this](Point p) {
        rotorX_->setText(QString::number(p.x));
        rotorY_->setText(QString::number(p.y));
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {ok, cancel}) {
        b->setMinimumWidth(du.X(50));
        b->setMinimumHeight(du.Y(14));
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    layout->addLayout(grid);
    layout->addSpacing(du.Y(4));
    layout->addLayout(previews, 1);
    layout->addSpacing(du.Y(6));
    layout->addLayout(buttons);

    confirm = [this](const QString& text) { return AskWarning(text); };

    loader_ = new PictureLoader(this);
    connect(loader_, &PictureLoader::loaded, this, &PictureDialog::OnLoaded);
    for (QComboBox* combo : {imagePath_, rotorPath_})
        connect(combo, &QComboBox::currentTextChanged, this, &PictureDialog::RequestPictures);
    for (QLineEdit* edit : {imageX_, imageY_, rotorX_, rotorY_, sections_, offset_, revolutions_})
        connect(edit, &QLineEdit::textChanged, this, &PictureDialog::UpdatePreview);
    RequestPictures();
    UpdatePreview();
}

void PictureDialog::RequestPictures() {
    std::string image = imagePath_->currentText().toStdString();
    std::string rotor = rotorPath_->currentText().toStdString();
    // Without both paths the game shows its built-in pair; so does the preview.
    if (image.empty() || rotor.empty()) {
        image = "res://bitmap/153";
        rotor = "res://bitmap/154";
    }
    loader_->Request(0, image);
    loader_->Request(1, rotor);
}

void PictureDialog::OnLoaded(int slot, const QString& path, std::shared_ptr<const RasterImage> picture,
                             const QString& error) {
    // An answer to a request since replaced by another path is dropped.
    if (slot < 0 || slot > 1 || path.toStdString() != loader_->requested(slot)) return;
    pictures_[slot] = std::move(picture);
    errors_[slot] = error;
    UpdatePreview();
}

void PictureDialog::UpdatePreview() {
    const PictureChoice c = ParsePictureTexts(texts());
    const QString& rotorError = errors_[1];
    RasterImage out;
    PictureFit frame;
    if (pictures_[1] && RenderRotorPreview(*pictures_[1], Point{c.rotorX, c.rotorY}, rotorPreview_->width(),
                                           rotorPreview_->height(), out, &frame)) {
        rotorPreview_->ShowPicture(out, frame);
    } else {
        rotorPreview_->ShowText(rotorError);
    }
    if (pictures_[0] && RenderPicturePreview(*pictures_[0], pictures_[1].get(), c, backgroundPreview_->width(),
                                             backgroundPreview_->height(), out, &frame)) {
        backgroundPreview_->ShowPicture(out, frame);
    } else {
        backgroundPreview_->ShowText(errors_[0]);
    }
}

void PictureDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    UpdatePreview();
}

PictureDialog::~PictureDialog() {
    ReleaseButtonBitmap(browseImage_);
    ReleaseButtonBitmap(browseRotor_);
}

PictureTexts PictureDialog::texts() const {
    return PictureTexts{imagePath_->currentText().toStdString(), rotorPath_->currentText().toStdString(),
                        imageX_->text().toStdString(),           imageY_->text().toStdString(),
                        rotorX_->text().toStdString(),           rotorY_->text().toStdString(),
                        sections_->text().toStdString(),         offset_->text().toStdString(),
                        revolutions_->text().toStdString()};
}

bool PictureDialog::AskWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(texts::kWarningCaption), text,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void PictureDialog::Browse(QComboBox* combo, const char* title) {
    const QString path = combo->currentText();
    QFileDialog files(this, QString::fromUtf8(title));
    // Qt's own file dialog, because it shows the recent names as its history.
    files.setOption(QFileDialog::DontUseNativeDialog, true);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    files.setFileMode(QFileDialog::ExistingFile);
    files.setNameFilters({QStringLiteral("Bilder (*.png)"), QStringLiteral("Alle Dateien (*)")});
    files.setDefaultSuffix(QStringLiteral("png"));
    QStringList history;
    for (const std::string& name : ReadFileHistory(kDefaultExtension)) history << FromUtf8(name);
    files.setHistory(history);
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        files.setDirectory(info.absolutePath());
        files.selectFile(info.fileName());
    }
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return;
    const QString chosen = files.selectedFiles().front();
    RememberFileName(kDefaultExtension, chosen.toStdString());
    combo->setCurrentIndex(-1);
    combo->setEditText(chosen);
}

void PictureDialog::accept() {
    const PictureTexts t = texts();
    if (NeedsPathWarning(t.imagePath) && !confirm(QString::fromUtf8(texts::kInvalidBackground))) return;
    if (NeedsPathWarning(t.rotorPath) && !confirm(QString::fromUtf8(texts::kInvalidRotor))) return;
    choice_ = ParsePictureTexts(t);
    StoreComboHistory(imagePath_, kBackgroundHistory, kDefaultHistoryKey);
    StoreComboHistory(rotorPath_, kRotorHistory, kDefaultHistoryKey);
    QDialog::accept();
}

}  // namespace wirbelix
