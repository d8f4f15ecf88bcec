#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "shell/qt/AboutDialog.h"
#include "shell/qt/ApplicationIcon.h"
#include "shell/qt/KeyAssignmentDialog.h"

namespace wirbelix {
namespace {

QString Text(QWidget& dialog, const char* name) {
    auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QString("<no label %1>").arg(name);
}

// Whether some pixel of the picture is not fully transparent.
bool ShowsSomething(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
}

TEST(AboutDialog, ApplicationIconHoldsEveryPictureOfTheEmbeddedIcon) {
    const QIcon icon = ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    std::vector<int> sides;
    for (const QSize& size : icon.availableSizes()) {
        EXPECT_EQ(size.width(), size.height());
        sides.push_back(size.width());
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, (std::vector<int>{16, 24, 32, 48, 64, 256}));
    EXPECT_TRUE(ShowsSomething(icon.pixmap(32, 32)));
}

TEST(AboutDialog, ShowsCaptionIconVersionAndNoticeBesideTheOkButton) {
    // The test program sets no window icon: the box falls back to the embedded one.
    ASSERT_TRUE(QApplication::windowIcon().isNull());
    AboutDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Info über Wirbelix"));
    EXPECT_EQ(Text(dialog, "version"), "Wirbelix Version 1.03");
    EXPECT_EQ(Text(dialog, "notice"), QString::fromUtf8("Ein Würfelspiel für zwei Spieler"));
    auto* icon = dialog.findChild<QLabel*>("icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(ShowsSomething(icon->pixmap()));
    auto* ok = dialog.findChild<QPushButton*>("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());

    // Icon, text lines and button side by side, left to right; the version above the notice,
    // and every text shown in full.
    auto* version = dialog.findChild<QLabel*>("version");
    auto* notice = dialog.findChild<QLabel*>("notice");
    EXPECT_LT(icon->geometry().right(), version->geometry().left());
    EXPECT_LT(version->geometry().right(), ok->geometry().left());
    EXPECT_LT(version->geometry().bottom(), notice->geometry().top());
    EXPECT_EQ(version->geometry().left(), notice->geometry().left());
    for (QLabel* line : {version, notice})
        EXPECT_GE(line->width(), line->sizeHint().width()) << line->text().toStdString();
    // A wide, low box: 235 x 55 units is more than four times as wide as high.
    EXPECT_GT(dialog.width(), 3 * dialog.height());
}

TEST(AboutDialog, ShowsTheApplicationsWindowIconWhenOneIsSet) {
    QPixmap red(64, 64);
    red.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(red));
    AboutDialog dialog;
    QApplication::setWindowIcon(QIcon());
    const QImage shown = dialog.findChild<QLabel*>("icon")->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));
}

TEST(KeyAssignmentDialog, ShowsTheKeysAndTheSwitchAsATableInOrder) {
    KeyAssignmentDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Tastaturbelegung");

    // The labels as a reader meets them: top to bottom, left to right.
    std::vector<QLabel*> labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) labels.push_back(label);
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) {
        const QRect ra = a->geometry(), rb = b->geometry();
        return ra.bottom() != rb.bottom() ? ra.bottom() < rb.bottom() : ra.left() < rb.left();
    });
    QStringList texts;
    for (QLabel* label : labels) texts << label->text();
    const QStringList expected = {
        "F1", ": Sterne ++ links", "F2", ": Sterne ++ rechts",
        "F3", ": Sterne -- links", "F4", ": Sterne -- rechts",
        "F5", ": Starten ohne Balken", "F6", ": Zeiger anhalten",
        "F7", ": Starten links", "F8", ": Starten rechts",
        "F9", ": Zeiger anhalten", "F10", ": Fenster zommen",
        "Kommandozeilenparameter :",
        "-z", ": Programm gezoomt starten",
    };
    ASSERT_EQ(texts, expected);

    // Two columns: every key at one x, every description at one x further right, each on its
    // key's line; the heading starts at the keys' column.
    std::vector<QLabel*> keys, descriptions;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i]->text().startsWith("Kommando")) continue;
        (labels[i]->text().startsWith(":") ? descriptions : keys).push_back(labels[i]);
    }
    ASSERT_EQ(keys.size(), descriptions.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]->text().toStdString());
        EXPECT_EQ(keys[i]->x(), keys[0]->x());
        EXPECT_EQ(descriptions[i]->x(), descriptions[0]->x());
        EXPECT_LT(keys[i]->geometry().right(), descriptions[i]->x());
        EXPECT_EQ(keys[i]->geometry().bottom(), descriptions[i]->geometry().bottom());
        EXPECT_GE(descriptions[i]->width(), descriptions[i]->sizeHint().width());
    }
    EXPECT_EQ(labels[20]->x(), keys[0]->x());

    auto* ok = dialog.findChild<QPushButton*>("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_GT(ok->y(), labels.back()->geometry().bottom());
}

// Both boxes close only one way or the other: "OK" and Return accept, Escape rejects. The
// user acts on the modal box once it is up; a box still open afterwards is closed with -1, so
// a failing case cannot hang the test.
TEST(AboutAndKeyAssignmentDialogs, OkAndReturnAcceptEscapeRejects) {
    struct Box {
        const char* caption;
        int (*show)(QWidget*);
    };
    const Box boxes[] = {{"Info über Wirbelix", ShowAboutDialog},
                         {"Tastaturbelegung", ShowKeyAssignmentDialog}};
    struct Way {
        const char* name;
        std::function<void(QWidget*)> act;
        int result;
    };
    const Way ways[] = {
        {"OK clicked",
         [](QWidget* box) {
             QTest::mouseClick(box->findChild<QPushButton*>("ok"), Qt::LeftButton);
         },
         QDialog::Accepted},
        {"Return", [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }, QDialog::Accepted},
        {"Escape", [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, QDialog::Rejected},
    };
    for (const Box& box : boxes) {
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(box.caption) + ", " + way.name);
            QWidget parent;
            QString caption;
            QTimer::singleShot(0, [&] {
                auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!modal) {
                    for (QWidget* w : QApplication::topLevelWidgets())
                        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->done(-1);
                    return;
                }
                caption = modal->windowTitle();
                way.act(modal);
                if (modal->isVisible()) modal->done(-1);
            });
            EXPECT_EQ(box.show(&parent), way.result);
            EXPECT_EQ(caption, QString::fromUtf8(box.caption));
        }
    }
}

}  // namespace
}  // namespace wirbelix
