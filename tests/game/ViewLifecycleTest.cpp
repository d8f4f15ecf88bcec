// The view as a window: its settings read and written with a real store, what it starts and
// stops and in which order, its commands, the choice of the serial port, the loading of the
// pictures and one whole spin from key to rest.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>

#include "audio/WaveDevice.h"
#include "audio/WaveStream.h"
#include "game/CommandTable.h"
#include "ViewFixture.h"
#include "pictures/ImageFile.h"
#include "pictures/PngWriter.h"
#include "remote/SerialDeviceName.h"
#include "remote/SerialPort.h"

namespace wirbelix::test {
namespace {

using ViewLifecycle = ViewFixture;

TEST_F(ViewLifecycle, ReadsItsSettingsAndClampsTheSections) {
    struct Case {
        std::int32_t stored;
        int expected;
    } cases[] = {{1, 6}, {13, 12}, {2, 2}, {12, 12}, {-5, 6}};
    for (const Case& c : cases) {
        StoreInt("StepCount", c.stored);
        StoreInt("StarSize", 2);
        StoreInt("ComPort", 4);
        StoreText("TurnCount", "7.5");
        CWirbelixView v;
        EXPECT_EQ(v.m_StepCount(v.LockGameInput()), c.expected) << c.stored;
        EXPECT_EQ(v.m_StarSize, 2);
        EXPECT_EQ(v.m_ComPort.load(), 4);
        EXPECT_EQ(v.m_TurnCount(v.LockGameInput()), 7.5);
    }
}

TEST_F(ViewLifecycle, MissingSettingsKeepTheDefaultsAndDestructionStoresStarSizeAndPort) {
    {
        CWirbelixView v;
        EXPECT_EQ(v.m_StarSize, 0);
        EXPECT_EQ(v.m_StepCount(v.LockGameInput()), 6);
        EXPECT_EQ(v.m_TurnCount(v.LockGameInput()), 5.0);
        EXPECT_TRUE(v.m_ImagePath.empty());
        v.SetStarSize(3);
        v.m_ComPort = 2;
        EXPECT_FALSE(ReadInt("StarSize").has_value()) << "written at destruction, not before";
    }
    EXPECT_EQ(ReadInt("StarSize"), 3);
    EXPECT_EQ(ReadInt("ComPort"), 2);
    EXPECT_FALSE(ReadInt("StepCount").has_value()) << "only the picture dialog writes the others";
}

TEST_F(ViewLifecycle, CreationStartsTheTimerAndTheThreadsAndDestructionEndsThemInOrder) {
    // A device that notes, when it is closed, whether the mixing thread had already ended.
    struct OrderDevice final : WaveDevice {
        bool Open(const WaveFormat&, std::uint32_t) override { return true; }
        bool Start() override { return true; }
        bool Pause() override { return true; }
        bool Close() override {
            mixerEndedAtClose = view != nullptr && view->m_AudioDone.load() == 1;
            ++closes;
            return true;
        }
        const CWirbelixView* view = nullptr;
        bool mixerEndedAtClose = false;
        int closes = 0;
    } device;
    SetWaveDevice(&device);
    CWirbelixView& v = MakeView(640, 480);
    device.view = &v;
    ASSERT_EQ(ws_.timers.size(), 1u);
    EXPECT_EQ(ws_.timers[0], (std::pair<int, int>{kFrameTimerId, 20}));
    EXPECT_TRUE(v.m_RemoteThread.Joinable());
    EXPECT_TRUE(v.m_MixerThread.Joinable());
    EXPECT_EQ(v.m_AudioRun.load(), 1);
    EXPECT_FALSE(v.m_StarImage.empty()) << "the stars are loaded";
    EXPECT_EQ(v.m_Background.width(), 1024u) << "the pictures are loaded";

    v.OnDestroy();
    EXPECT_EQ(ws_.hides, 1) << "the main window is hidden first";
    EXPECT_EQ(device.closes, 1);
    EXPECT_TRUE(device.mixerEndedAtClose) << "the mixing thread ends before the output closes";
    EXPECT_EQ(ws_.timers.back(), (std::pair<int, int>{kFrameTimerId, 0}));
    EXPECT_EQ(v.m_RemoteDone.load(), 0) << "the remote thread runs until the view object goes";
    view_.reset();
    SetWaveDevice(nullptr);
    for (int k = 0; k < kSerialSlotCount; ++k) EXPECT_EQ(SerialByteTime(k), -1) << "port left open";
    EXPECT_EQ(ReadInt("StarSize"), 0);
}

TEST_F(ViewLifecycle, ViewsMadeOneAfterAnotherStartFromTheSameState) {
    for (int round = 0; round < 3; ++round) {
        CWirbelixView& v = MakeView(400, 300);
        EXPECT_EQ(g_spinState.load(), Idle);
        EXPECT_EQ(g_mixMode.load(), MixSilent);
        EXPECT_EQ(g_frameBusy.load(), 0);
        v.PlayerButtonDown(0, clock_.Now());  // leaves a charge and the sweep behind
        Frame();
        view_.reset();
    }
}

TEST_F(ViewLifecycle, AResizeToNothingChangesNothing) {
    CWirbelixView& v = MakeView(640, 480);
    Frame();
    for (auto [w, h] : {std::pair{0, 480}, std::pair{640, 0}, std::pair{0, 0}}) {
        v.OnSize(w, h);
        EXPECT_EQ(v.m_Width, 640);
        EXPECT_EQ(v.m_Height, 480);
        EXPECT_EQ(v.m_BordersDrawn, 1);
    }
    CWirbelixView idle;
    ws_.invalidated.clear();
    idle.OnTimer(kFrameTimerId);  // no size yet: the step does nothing
    EXPECT_TRUE(ws_.invalidated.empty());
}

TEST_F(ViewLifecycle, CommandsRunTheirHandlersAndShowTheStarSizeChecks) {
    CWirbelixView& v = MakeView(640, 480);
    EXPECT_TRUE(v.OnCommand(cmd::kStarsUp0));
    EXPECT_TRUE(v.OnCommand(cmd::kStarsUp1));
    EXPECT_TRUE(v.OnCommand(cmd::kStarsUp1));
    EXPECT_EQ(v.m_Stars[0], 1);
    EXPECT_EQ(v.m_Stars[1], 2);
    EXPECT_TRUE(v.OnCommand(cmd::kStarsDown1));
    EXPECT_EQ(v.m_Stars[1], 1);
    EXPECT_TRUE(v.OnCommand(cmd::kStart));
    EXPECT_EQ(g_spinState.load(), Spinning1);
    EXPECT_TRUE(v.OnCommand(cmd::kStopPointer));
    EXPECT_EQ(g_spinState.load(), Idle);
    EXPECT_FALSE(v.OnCommand(cmd::kZoom)) << "the frame's command";
    EXPECT_FALSE(v.HandlesCommand(cmd::kAbout));

    const int presets[][2] = {{cmd::kLargeStars, 0}, {cmd::kMediumStars, 1}, {cmd::kSmallStars, 2}, {cmd::kTwoRows, 3}};
    for (auto [command, preset] : presets) {
        ASSERT_TRUE(v.OnCommand(command));
        EXPECT_EQ(v.m_StarSize, preset);
        for (auto [other, otherPreset] : presets) EXPECT_EQ(v.CommandChecked(other), other == command ? 1 : 0);
    }
    EXPECT_EQ(v.CommandChecked(cmd::kStart), -1) << "no check mark";

    // From two rows with 20 stars to large stars: the count stays, the next step wraps by 8.
    v.m_Stars[0] = 20;
    v.OnCommand(cmd::kLargeStars);
    EXPECT_EQ(v.m_Stars[0], 20);
    EXPECT_EQ(v.m_ColumnWidth, 136);
    v.OnCommand(cmd::kStarsUp0);
    EXPECT_EQ(v.m_Stars[0], 5);
}

TEST(CommandTableTest, EveryCommandHasItsTextsAndTheKeysOfTheMenu) {
    const CommandInfo* start = FindCommand(cmd::kStart);
    ASSERT_NE(start, nullptr);
    EXPECT_STREQ(start->menuText, "Starte\tF5");
    EXPECT_EQ(CommandPrompt(*start), "Startet den Zeiger.");
    EXPECT_EQ(CommandToolTip(*start), "Starten");
    const CommandInfo* stop = FindCommand(cmd::kStopPointer);
    EXPECT_EQ(stop->keys[0], vk::kF6);
    EXPECT_EQ(stop->keys[1], vk::kF9);
    EXPECT_EQ(FindCommand(12345), nullptr);
    for (const CommandInfo& c : Commands()) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(FindCommand(c.id), &c) << "each number once";
        if (c.target == CommandTarget::View) {
            EXPECT_NE(c.text, nullptr);
        }
        if (c.checked) {
            EXPECT_NE(c.handler, nullptr);
        }
    }
}

TEST_F(ViewLifecycle, TheComPortBoxTakesComNumbersAndDevicePaths) {
    struct Case {
        const char* entered;
        int expected;
    } cases[] = {
        {"com3", 2}, {"7", 6}, {"COM0", 0}, {"", 0}, {"Drucker", 0}, {"COM 12", 11},
        {"COM0x0A", 9}, {"  -4", 0}, {"COM7abc", 6},
    };
    CWirbelixView& v = MakeView();
    for (const Case& c : cases) {
        v.m_ComPort = 5;
        ws_.answer = c.entered;
        v.OnCommand(cmd::kChooseComPort);
        EXPECT_EQ(v.m_ComPort.load(), c.expected) << '"' << c.entered << '"';
    }
    // The box shows the current port one-based, with its caption and prompt.
    ASSERT_FALSE(ws_.requests.empty());
    EXPECT_EQ(ws_.requests.back().caption, "COM-Port");
    EXPECT_EQ(ws_.requests.back().prompt, "Bitte hier das COM-Port angeben :");
    EXPECT_EQ(ws_.requests.back().value, "COM6");
    EXPECT_FALSE(ws_.requests.back().fieldToolTip.empty());

    v.m_ComPort = 3;
    ws_.answer.reset();  // cancel
    v.OnCommand(cmd::kChooseComPort);
    EXPECT_EQ(v.m_ComPort.load(), 3);
}

TEST_F(ViewLifecycle, ADevicePathIsStoredUnderTheLowestFreeComNumberOrFoundWhereItIs) {
    CWirbelixView& v = MakeView();
    {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kPortsKey, REG_MODE_CREATE));
        ASSERT_TRUE(key.WriteString("/dev/pts/77", "COM1"));
    }
    v.ApplyComPortText("/dev/ttyUSB0");
    EXPECT_EQ(v.m_ComPort.load(), 1);
    EXPECT_EQ(SerialDeviceName(1), "/dev/ttyUSB0");
    v.ApplyComPortText("/dev/pts/77");  // already named by COM1
    EXPECT_EQ(v.m_ComPort.load(), 0);
    v.ApplyComPortText("/dev/ttyUSB0");  // again: found, not stored twice
    EXPECT_EQ(v.m_ComPort.load(), 1);
    v.ApplyComPortText("/dev/ttyS4");  // COM5's own default device
    EXPECT_EQ(v.m_ComPort.load(), 4);
    EXPECT_EQ(SerialDeviceName(2), "/dev/ttyS2") << "nothing else was written";
}

TEST_F(ViewLifecycle, AnUnreadablePictureIsReportedOnceAndTheBuiltInPairTakesOver) {
    const std::string broken = dir() + "/kaputt.png";
    std::ofstream(broken) << "\x89PNG\r\n\x1a\n but nothing else";
    RasterImage rotor;
    ASSERT_TRUE(rotor.Create(32, 20, 60, 0xFF112233));
    const std::string rotorPath = dir() + "/rotor.png";
    ASSERT_TRUE(WritePngFile(rotorPath, rotor));
    StoreText("ImagePath", broken);
    StoreText("RotorPath", rotorPath);
    StoreInt("StepCount", 9);
    StoreInt("ImageX", 3);
    CWirbelixView& v = MakeView(800, 600);
    ASSERT_EQ(ws_.messages.size(), 1u);
    EXPECT_EQ(ws_.messages[0].title, "Fehler");
    EXPECT_EQ(ws_.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(ws_.messages[0].text.rfind("Das Bild " + broken + " konnte nicht geladen werden !\n\n", 0), 0u)
        << ws_.messages[0].text;
    EXPECT_GT(ws_.messages[0].text.size(), broken.size() + 40) << "the reader's reason follows";
    EXPECT_EQ(v.m_CustomPictures, 0);
    EXPECT_EQ(v.m_Background.width(), 1024u);
    EXPECT_EQ(v.m_Rotor.height(), 450u);
    EXPECT_EQ(v.m_ImageX, 514);
    EXPECT_EQ(v.m_ImageY, 513);
    EXPECT_EQ(v.m_RotorX, 59);
    EXPECT_EQ(v.m_RotorY, 391);
    EXPECT_EQ(v.m_StepCount(v.LockGameInput()), 6);
    EXPECT_EQ(v.m_StepStart, 10922);
    EXPECT_EQ(v.m_ImagePath, broken) << "the user's choice stays for the dialog";
    Frame();  // and the game draws with the built-in pair
    EXPECT_FALSE(v.m_RotorRect.IsEmpty());
}

TEST_F(ViewLifecycle, LoadedPicturesGetTheirPivotsCheckedAndTheOverhangWorkedOut) {
    RasterImage background, rotor;
    ASSERT_TRUE(background.Create(24, 1024, 600, 0x203040));
    ASSERT_TRUE(rotor.Create(32, 200, 200, 0xFFFFFFFF));
    UsePictures(background, rotor, {1, 1}, {1, 1});
    struct Case {
        int imageX, imageY, rotorX, rotorY;
        int expectImageX, expectImageY;
        int overhang;
    } cases[] = {
        {150, 300, 100, 180, 150, 300, 1},   // r = 207 reaches past the left edge
        {512, 300, 100, 180, 512, 300, 0},
        {0, 600, 100, 180, 512, 300, 0},     // 0 and the full height become the middle
        {1024, -3, 100, 180, 512, 300, 0},
        {900, 300, 100, 180, 900, 300, 1},   // 1024 - 900 < 207
    };
    CWirbelixView& v = MakeView();
    for (const Case& c : cases) {
        v.m_ImageX = c.imageX;
        v.m_ImageY = c.imageY;
        v.m_RotorX = c.rotorX;
        v.m_RotorY = c.rotorY;
        v.LoadPictures();
        ASSERT_EQ(v.m_CustomPictures, 1);
        EXPECT_EQ(v.m_ImageX, c.expectImageX);
        EXPECT_EQ(v.m_ImageY, c.expectImageY);
        EXPECT_EQ(v.m_RotorOverhang, c.overhang) << c.imageX;
    }
    v.m_RotorPath.clear();  // one path empty: the built-in pair, no message
    v.LoadPictures();
    EXPECT_EQ(v.m_CustomPictures, 0);
    EXPECT_EQ(v.m_ImageX, 514);
    EXPECT_TRUE(ws_.messages.empty());
}

TEST_F(ViewLifecycle, AHeldF7SpinsTheRotorOntoASectionAndTheGameReturnsToIdle) {
    CWirbelixView& v = MakeView(1024, 768);
    Frame();
    v.OnKeyDown(kKeyF7);
    for (int t = 0; t < 1200; t += 20) {
        Advance(20);
        v.OnKeyDown(kKeyF7);  // the key's auto-repeat
        Frame();
    }
    EXPECT_EQ(g_spinState.load(), Charging1);
    EXPECT_GT(v.m_BarHeight[0].load(), 0);
    v.OnKeyUp(kKeyF7);
    EXPECT_EQ(g_spinState.load(), Spinning1);
    EXPECT_DOUBLE_EQ(v.m_Strength, 0.6);
    int frames = 0;
    while (g_spinState.load() != Idle && frames < 2000) {
        Advance(20);
        Frame();
        ++frames;
    }
    ASSERT_EQ(g_spinState.load(), Idle) << "the spin never ended";
    const int angle = v.m_Angle.load();
    EXPECT_EQ(angle % 60, 0) << "six sections: the rotor rests on a landing angle, not " << angle;
    EXPECT_EQ(v.m_DrawnAngle, angle);
    EXPECT_EQ(g_mixMode.load(), MixSilent);
}

}  // namespace
}  // namespace wirbelix::test
