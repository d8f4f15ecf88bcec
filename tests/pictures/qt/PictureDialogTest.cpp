// The picture dialog on the offscreen platform with a real settings file and real PNG files:
// filled from the view's settings and from the histories, confirmed and cancelled, the path
// warnings, the browse buttons' file dialog and a file drop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <functional>
#include <memory>

#include "pictures/PngWriter.h"
#include "pictures/RasterImage.h"
#include "pictures/qt/PictureDialog.h"
#include "pictures/qt/PicturePreviewPane.h"
#include "shell/SettingsFixture.h"
#include "ui/ComboHistory.h"

namespace wirbelix {
namespace {

using List = std::vector<std::string>;

// Runs handle on the next modal window that opens while action runs.
void OnNextModal(const std::function<void(QWidget*)>& handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || qobject_cast<PictureDialog*>(modal) != nullptr) return;
        timer->stop();
        timer->deleteLater();
        handle(modal);
    });
    timer->start();
}

class PictureDialogTest : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        background_ = dir() + "/dial.png";
        rotor_ = dir() + "/pointer.png";
        RasterImage image;
        ASSERT_TRUE(image.Create(24, 64, 48, 0x336699));
        ASSERT_TRUE(WritePngFile(background_, image));
        ASSERT_TRUE(WritePngFile(rotor_, image));
        current_.imagePath = background_;
        current_.rotorPath = rotor_;
        current_.imageX = 514;
        current_.imageY = 513;
        current_.rotorX = 59;
        current_.rotorY = 391;
        current_.sections = 6;
        current_.offset = 10922;
        current_.revolutions = 5.0;
    }

    template <class W>
    static W* Child(const QWidget& dialog, const char* name) {
        W* w = dialog.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void SetText(const QWidget& d, const char* name, const char* text) {
        Child<QLineEdit>(d, name)->setText(QString::fromUtf8(text));
    }
    static void SetPath(const QWidget& d, const char* name, const std::string& path) {
        Child<QComboBox>(d, name)->setEditText(QString::fromStdString(path));
    }

    std::string background_, rotor_;
    PictureChoice current_;
};

TEST_F(PictureDialogTest, ShowsEveryControlWithItsTextsAndTheViewsSettings) {
    PictureDialog dialog(current_);
    EXPECT_EQ(dialog.windowTitle(), "Neues Bild erstellen");
    QStringList labels;
    for (const QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
    for (const char* text : {"Pfad der Bilddatei :", "Pfad des Rotors :", "Bilddrehpunkt X : ", "Bilddrehpunkt Y : ",
                             "Rotordrehpunkt X : ", "Rotordrehpunkt Y : ", "Abschnitte : ", "Rotorverschub [°] : ",
                             "Maximale Umdrehungen bei 100% (2..20) : "})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(Child<QPushButton>(dialog, "ok")->text(), "OK");
    EXPECT_TRUE(Child<QPushButton>(dialog, "ok")->isDefault());
    EXPECT_EQ(Child<QPushButton>(dialog, "cancel")->text(), "Abbrechen");
    for (const char* name : {"browseImage", "browseRotor"}) {
        const QPushButton* b = Child<QPushButton>(dialog, name);
        EXPECT_FALSE(b->icon().isNull()) << name;
        // The disabled look is the greyed copy, not the picture itself.
        const QImage normal = b->icon().pixmap(b->iconSize(), QIcon::Normal).toImage();
        const QImage disabled = b->icon().pixmap(b->iconSize(), QIcon::Disabled).toImage();
        EXPECT_NE(normal, disabled) << name;
    }
    EXPECT_EQ(Child<QComboBox>(dialog, "imagePath")->currentText().toStdString(), background_);
    EXPECT_EQ(Child<QComboBox>(dialog, "rotorPath")->currentText().toStdString(), rotor_);
    const struct {
        const char* name;
        const char* text;
    } fields[] = {{"imageX", "514"}, {"imageY", "513"},    {"rotorX", "59"},     {"rotorY", "391"},
                  {"sections", "6"}, {"offset", "30"},     {"revolutions", "5"}};
    for (const auto& f : fields) EXPECT_EQ(Child<QLineEdit>(dialog, f.name)->text(), f.text) << f.name;
}

TEST_F(PictureDialogTest, HistoriesFillTheCombosSortedAndTheirFirstEntryReplacesThePath) {
    ASSERT_EQ(WriteHistory("#", "PicPaths", {"/z/recent.png", "/a/older.png"}), 2);
    PictureDialog dialog(current_);
    const QComboBox* combo = Child<QComboBox>(dialog, "imagePath");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "/a/older.png");
    EXPECT_EQ(combo->itemText(1), "/z/recent.png");
    EXPECT_EQ(combo->currentText(), "/z/recent.png");
    // No rotor history yet: the combo box stays empty and shows the view's path.
    EXPECT_EQ(Child<QComboBox>(dialog, "rotorPath")->count(), 0);
    EXPECT_EQ(Child<QComboBox>(dialog, "rotorPath")->currentText().toStdString(), rotor_);
}

TEST_F(PictureDialogTest, OkTakesTheNumbersByTheRulesAndStoresTheHistories) {
    ASSERT_EQ(WriteHistory("#", "PicPaths", {"/old/b.png"}), 1);
    PictureDialog dialog(current_);
    SetPath(dialog, "imagePath", background_);
    SetText(dialog, "imageX", "0x100");
    SetText(dialog, "imageY", "-1");
    SetText(dialog, "sections", "13");
    SetText(dialog, "offset", "-30");
    SetText(dialog, "revolutions", "25");
    Child<QPushButton>(dialog, "ok")->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const PictureChoice& c = dialog.choice();
    EXPECT_EQ(c.imagePath, background_);
    EXPECT_EQ(c.imageX, 256);
    EXPECT_EQ(c.imageY, 8191);
    EXPECT_EQ(c.rotorX, 59);
    EXPECT_EQ(c.sections, 12);
    EXPECT_EQ(c.offset, 120150);
    EXPECT_EQ(c.revolutions, 25.0);  // the view replaces it by 5.0
    EXPECT_EQ(ReadHistory("#", "PicPaths"), (List{background_, "/old/b.png"}));
    EXPECT_EQ(ReadHistory("#", "RotPaths"), List{rotor_});
}

TEST_F(PictureDialogTest, CancelStoresNothing) {
    PictureDialog dialog(current_);
    SetPath(dialog, "imagePath", "/elsewhere.png");
    Child<QPushButton>(dialog, "cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(ReadHistory("#", "PicPaths").has_value());
}

TEST_F(PictureDialogTest, PathsThatAreNoFilesAskFirstAndCancelKeepsTheDialogOpen) {
    const struct {
        const char* name;
        std::string image, rotor;
        std::vector<bool> answers;  // the answers given, in order
        List asked;                 // the questions asked
        bool accepted;
    } cases[] = {
        {"empty rotor path asks nothing", background_, "", {}, {}, true},
        {"folder as rotor, cancelled", background_, dir(), {false}, {texts::kInvalidRotor}, false},
        {"folder as rotor, accepted", background_, dir(), {true}, {texts::kInvalidRotor}, true},
        {"missing background, cancelled", dir() + "/missing.png", rotor_, {false}, {texts::kInvalidBackground}, false},
        {"both asked", dir() + "/missing.png", dir(), {true, true}, {texts::kInvalidBackground, texts::kInvalidRotor},
         true},
    };
    for (const auto& c : cases) {
        PictureDialog dialog(current_);
        List asked;
        std::size_t next = 0;
        dialog.confirm = [&](const QString& text) {
            asked.push_back(text.toStdString());
            return next < c.answers.size() && c.answers[next++];
        };
        dialog.setResult(-1);
        SetPath(dialog, "imagePath", c.image);
        SetPath(dialog, "rotorPath", c.rotor);
        dialog.accept();
        EXPECT_EQ(asked, c.asked) << c.name;
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(dialog.choice().rotorPath, c.rotor) << c.name;
        }
    }
}

TEST_F(PictureDialogTest, TheWarningIsAMessageBoxWithCancelAsDefault) {
    PictureDialog dialog(current_);
    SetPath(dialog, "rotorPath", dir());
    QString title, text;
    bool cancelDefault = false;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        cancelDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
        box->defaultButton()->click();
    });
    dialog.open();
    Child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(title, "Warnung");
    EXPECT_EQ(text.toStdString(), texts::kInvalidRotor);
    EXPECT_TRUE(cancelDefault);
    EXPECT_TRUE(dialog.isVisible());  // still open
    dialog.reject();
}

TEST_F(PictureDialogTest, BrowseOpensTheFileDialogAndRemembersTheChoice) {
    ASSERT_EQ(WriteHistory("#", "OfnListPng", {"/earlier/one.png"}), 1);
    PictureDialog dialog(current_);
    const std::string other = dir() + "/other.png";
    RasterImage image;
    ASSERT_TRUE(image.Create(24, 8, 8, 0));
    ASSERT_TRUE(WritePngFile(other, image));
    QString title, suffix, start;
    QStringList filters, history;
    OnNextModal([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(files, nullptr);
        title = files->windowTitle();
        filters = files->nameFilters();
        suffix = files->defaultSuffix();
        history = files->history();
        start = files->directory().absolutePath();
        files->selectFile(QString::fromStdString(other));
        static_cast<QDialog*>(files)->accept();
    });
    Child<QPushButton>(dialog, "browseRotor")->click();
    EXPECT_EQ(title, QString::fromUtf8("Bilddatei für Rotor auswählen"));
    EXPECT_EQ(filters, (QStringList{"Bilder (*.png)", "Alle Dateien (*)"}));
    EXPECT_EQ(suffix, "png");
    EXPECT_TRUE(history.contains("/earlier/one.png"));
    EXPECT_EQ(start.toStdString(), dir());
    EXPECT_EQ(Child<QComboBox>(dialog, "rotorPath")->currentText().toStdString(), other);
    EXPECT_EQ(ReadFileHistory("*.png"), (List{other, "/earlier/one.png"}));
}

TEST_F(PictureDialogTest, DropTakesTheFirstLocalFileOnly) {
    PictureDialog dialog(current_);
    dialog.show();
    QComboBox* combo = Child<QComboBox>(dialog, "imagePath");
    const struct {
        const char* name;
        QList<QUrl> urls;
        QString expected;
    } cases[] = {
        {"two files", {QUrl::fromLocalFile("/x/first.png"), QUrl::fromLocalFile("/x/second.png")}, "/x/first.png"},
        {"web address skipped", {QUrl("https://example.org/a.png"), QUrl::fromLocalFile("/x/third.png")},
         "/x/third.png"},
        {"no local file", {QUrl("https://example.org/b.png")}, "/x/third.png"},
    };
    for (const auto& c : cases) {
        QMimeData data;
        data.setUrls(c.urls);
        QWidget* target = combo->lineEdit();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        EXPECT_EQ(combo->currentText(), c.expected) << c.name;
        EXPECT_EQ(combo->currentIndex(), -1) << c.name;
    }
}

class PictureDialogPreview : public PictureDialogTest {
protected:
    // A 200 x 100 blue dial and a 20 x 80 red pointer (with alpha, as the game blends it), the
    // dialog shown with both read.
    void SetUp() override {
        PictureDialogTest::SetUp();
        RasterImage dial, pointer;
        ASSERT_TRUE(dial.Create(24, 200, 100, 0x0000FF));
        ASSERT_TRUE(pointer.Create(32, 20, 80, 0xFFFF0000));
        ASSERT_TRUE(WritePngFile(background_, dial));
        ASSERT_TRUE(WritePngFile(rotor_, pointer));
        current_.imageX = 100;
        current_.imageY = 50;
        current_.rotorX = 10;
        current_.rotorY = 70;
        current_.offset = 0;  // the pointer stands straight up
        dialog_ = std::make_unique<PictureDialog>(current_);
        dialog_->resize(700, 600);
        dialog_->show();
        loader_ = dialog_->findChild<PictureLoader*>();
        ASSERT_NE(loader_, nullptr);
        QObject::connect(loader_, &PictureLoader::loaded, [this] { ++loads_; });
        background = Child<PreviewPane>(*dialog_, "backgroundPreview");
        rotor = Child<PreviewPane>(*dialog_, "rotorPreview");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !background->image().isNull() && !rotor->image().isNull(); }));
        loads_ = 0;  // the two first reads
    }
    void TearDown() override {
        dialog_.reset();
        PictureDialogTest::TearDown();
    }

    std::unique_ptr<PictureDialog> dialog_;
    PictureLoader* loader_ = nullptr;
    PreviewPane* background = nullptr;
    PreviewPane* rotor = nullptr;
    int loads_ = 0;
};

TEST_F(PictureDialogPreview, ShowsTheRotorOnTheDialAndAClickSetsEachPivot) {
    const QImage& shown = background->image();
    ASSERT_EQ(shown.width(), 2 * shown.height());  // fitted with its proportions
    const int w = shown.width();
    // The pointer stands above the dial's pivot, a little above the middle; the section
    // boundaries pass beside it.
    EXPECT_EQ(shown.pixel(w / 2, shown.height() / 2 - w / 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(w / 10, shown.height() / 2 + 2) & 0xFFFFFF, 0x0000FFu);

    QTest::mouseClick(background, Qt::LeftButton, {}, background->origin() + QPoint(w / 4, w / 8));
    EXPECT_EQ(Child<QLineEdit>(*dialog_, "imageX")->text().toInt(), (w / 4) * 200 / w);
    EXPECT_EQ(Child<QLineEdit>(*dialog_, "imageY")->text().toInt(), (w / 8) * 200 / w);

    const QImage& alone = rotor->image();
    const int h = alone.height();
    QTest::mouseClick(rotor, Qt::LeftButton, {}, rotor->origin() + QPoint(alone.width() / 2, h / 4));
    EXPECT_EQ(Child<QLineEdit>(*dialog_, "rotorX")->text().toInt(), (alone.width() / 2) * 80 / h);
    EXPECT_EQ(Child<QLineEdit>(*dialog_, "rotorY")->text().toInt(), (h / 4) * 80 / h);

    // A click outside the picture changes nothing.
    Child<QLineEdit>(*dialog_, "imageX")->setText("7");
    QTest::mouseClick(background, Qt::LeftButton, {}, background->origin() + QPoint(-3, -3));
    EXPECT_EQ(Child<QLineEdit>(*dialog_, "imageX")->text(), "7");
}

TEST_F(PictureDialogPreview, NumbersRedrawWithoutReadingAgainAndAnUnreadablePictureShowsWhy) {
    const QImage before = background->image();
    Child<QLineEdit>(*dialog_, "offset")->setText("90");
    Child<QLineEdit>(*dialog_, "sections")->setText("3");
    EXPECT_NE(background->image(), before);
    QTest::qWait(50);
    EXPECT_EQ(loads_, 0);

    SetPath(*dialog_, "imagePath", dir() + "/missing.png");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !background->text().isEmpty(); }));
    EXPECT_EQ(background->text(), "Kann Datei nicht öffnen.");
    EXPECT_TRUE(background->image().isNull());

    const std::string notAPicture = dir() + "/notes.png";
    std::ofstream(notAPicture) << "no picture here, only some text to read";
    SetPath(*dialog_, "rotorPath", notAPicture);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rotor->text().isEmpty(); }));
    EXPECT_EQ(rotor->text(), "Unbekanntes Datei Format.");
    EXPECT_EQ(loads_, 2);
}

}  // namespace
}  // namespace wirbelix
