// "Bilder auswählen" in the view: the dialog is asked with the current settings, its answer is
// taken over, stored in a real settings file and loaded, or nothing changes after cancel.
#include <gtest/gtest.h>

#include "game/CommandTable.h"
#include "game/ViewFixture.h"
#include "shell/RegistryKey.h"

namespace wirbelix::test {
namespace {

RasterImage Picture(int width, int height, std::uint32_t colour) {
    RasterImage image;
    image.Create(24, width, height, colour);
    return image;
}

class ChoosePicturesTest : public ViewFixture {
protected:
    // A pair of pictures on disk and an answer of the dialog naming them.
    PictureChoice Answer(int bgWidth = 400, int bgHeight = 300, int rotorWidth = 40, int rotorHeight = 120) {
        const std::string bg = dir() + "/dial.png", rt = dir() + "/pointer.png";
        EXPECT_TRUE(WritePngFile(bg, Picture(bgWidth, bgHeight, 0x336699)));
        EXPECT_TRUE(WritePngFile(rt, Picture(rotorWidth, rotorHeight, 0xFF0000)));
        PictureChoice c;
        c.imagePath = bg;
        c.rotorPath = rt;
        c.imageX = 200;
        c.imageY = 150;
        c.rotorX = 20;
        c.rotorY = 100;
        c.sections = 8;
        c.offset = 32768;
        c.revolutions = 7.5;
        return c;
    }
    static std::string ReadText(const char* name) {
        RegistryKey key;
        std::string text;
        key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ);
        key.ReadString(&text, name);
        return text;
    }
};

TEST_F(ChoosePicturesTest, ConfirmedChoiceIsStoredLoadedAndLaidOutAgain) {
    StoreInt("StarSize", 2);
    CWirbelixView& view = MakeView(800, 600);
    Frame();
    ASSERT_EQ(view.m_LayoutValid, 1);
    view.m_ComPort.store(3);
    ws_.pictureAnswer = Answer();

    ASSERT_TRUE(view.HandlesCommand(cmd::kChoosePictures));
    ASSERT_TRUE(view.OnCommand(cmd::kChoosePictures));

    // The dialog saw the built-in pair's settings the view had.
    ASSERT_EQ(ws_.pictureRequests.size(), 1u);
    EXPECT_EQ(ws_.pictureRequests[0].imageX, 514);
    EXPECT_EQ(ws_.pictureRequests[0].sections, 6);
    EXPECT_EQ(ws_.pictureRequests[0].offset, 10922);
    EXPECT_EQ(ws_.pictureRequests[0].revolutions, 5.0);

    EXPECT_EQ(view.m_CustomPictures, 1);
    EXPECT_EQ(view.m_Background.width(), 400u);
    EXPECT_EQ(view.m_Rotor.height(), 120u);
    EXPECT_EQ(view.m_LayoutValid, 0);
    EXPECT_EQ(view.m_DrawnAngle, -1);
    EXPECT_EQ(view.m_StepCount(view.LockGameInput()), 8);
    EXPECT_EQ(view.m_TurnCount(view.LockGameInput()), 7.5);
    EXPECT_TRUE(ws_.messages.empty());

    EXPECT_EQ(ReadInt("StarSize"), 2);
    EXPECT_EQ(ReadInt("ComPort"), 3);
    EXPECT_EQ(ReadInt("ImageX"), 200);
    EXPECT_EQ(ReadInt("ImageY"), 150);
    EXPECT_EQ(ReadInt("RotorX"), 20);
    EXPECT_EQ(ReadInt("RotorY"), 100);
    EXPECT_EQ(ReadInt("StepStart"), 32768);
    EXPECT_EQ(ReadInt("StepCount"), 8);
    EXPECT_EQ(ReadText("ImagePath"), dir() + "/dial.png");
    EXPECT_EQ(ReadText("RotorPath"), dir() + "/pointer.png");
    EXPECT_EQ(ReadText("TurnCount"), "7.5");

    // The next frame shows the new pair, and so does a view made from the stored settings.
    Frame();
    EXPECT_EQ(view.m_LayoutValid, 1);
    view_.reset();
    CWirbelixView& again = MakeView(800, 600);
    EXPECT_EQ(again.m_CustomPictures, 1);
    EXPECT_EQ(again.m_ImageX, 200);
    EXPECT_EQ(again.m_StepStart, 32768);
    EXPECT_EQ(again.m_TurnCount(again.LockGameInput()), 7.5);
}

TEST_F(ChoosePicturesTest, CancelChangesNothing) {
    CWirbelixView& view = MakeView(800, 600);
    Frame();
    ws_.pictureAnswer.reset();
    view.OnChoosePictures();
    EXPECT_EQ(ws_.pictureRequests.size(), 1u);
    EXPECT_EQ(view.m_LayoutValid, 1);
    EXPECT_FALSE(ReadInt("ImageX").has_value());
    EXPECT_EQ(ReadText("ImagePath"), "");
}

TEST_F(ChoosePicturesTest, RevolutionsOutsideTheRangeBecomeFive) {
    const struct {
        double entered, taken;
    } cases[] = {{25, 5.0}, {1, 5.0}, {2, 2.0}, {20, 20.0}};
    CWirbelixView& view = MakeView(800, 600);
    for (const auto& c : cases) {
        PictureChoice answer = Answer();
        answer.revolutions = c.entered;
        ws_.pictureAnswer = answer;
        view.OnChoosePictures();
        EXPECT_EQ(view.m_TurnCount(view.LockGameInput()), c.taken) << c.entered;
        RegistryKey key;
        double stored = 0;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));
        ASSERT_TRUE(key.ReadDouble(&stored, "TurnCount"));
        EXPECT_EQ(stored, c.taken) << c.entered;
    }
}

TEST_F(ChoosePicturesTest, UnreadableOrMissingPictureFallsBackToTheBuiltInPairButKeepsTheChoice) {
    CWirbelixView& view = MakeView(800, 600);
    // An empty rotor path: no message, the built-in pair.
    PictureChoice answer = Answer();
    answer.rotorPath.clear();
    ws_.pictureAnswer = answer;
    view.OnChoosePictures();
    EXPECT_EQ(view.m_CustomPictures, 0);
    EXPECT_TRUE(ws_.messages.empty());
    EXPECT_EQ(view.m_ImageX, 514);

    // A rotor path naming a folder: the load error, then the built-in pair; the stored choice
    // stays for the dialog to show next time.
    answer = Answer();
    answer.rotorPath = dir();
    ws_.pictureAnswer = answer;
    view.OnChoosePictures();
    EXPECT_EQ(view.m_CustomPictures, 0);
    ASSERT_EQ(ws_.messages.size(), 1u);
    EXPECT_EQ(ws_.messages[0].title, "Fehler");
    EXPECT_EQ(ws_.messages[0].text.rfind("Das Bild " + dir() + " konnte nicht geladen werden !\n\n", 0), 0u);
    EXPECT_EQ(view.m_ImageX, 514);
    EXPECT_EQ(view.m_StepStart, 10922);
    EXPECT_EQ(view.m_RotorPath, dir());
    EXPECT_EQ(ReadText("RotorPath"), dir());
    EXPECT_EQ(ReadInt("ImageX"), 200);
}

TEST_F(ChoosePicturesTest, PivotsAreCheckedAgainstThePicturesAndTheOverhangFollows) {
    CWirbelixView& view = MakeView(800, 600);
    const struct {
        int imageX;
        int loadedX;
    } pivots[] = {{0, 512}, {1024, 512}, {150, 150}};
    for (const auto& p : pivots) {
        PictureChoice answer = Answer(1024, 768, 200, 200);
        answer.imageX = p.imageX;
        answer.rotorX = 100;
        answer.rotorY = 180;
        ws_.pictureAnswer = answer;
        view.OnChoosePictures();
        EXPECT_EQ(view.m_ImageX, p.loadedX) << p.imageX;
        EXPECT_EQ(ReadInt("ImageX"), p.imageX);
    }
    // A 200 x 200 rotor turning about (100, 180) reaches 207 pixels; at x 150 it passes the
    // background's left edge.
    EXPECT_EQ(view.m_RotorOverhang, 1);
}

}  // namespace
}  // namespace wirbelix::test
