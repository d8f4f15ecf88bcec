// A game view as the program runs it, without Qt: a fresh settings file, a hand-set clock, a
// window system that records what the view asks of it (rectangles, messages, answers to the
// input box), and helpers to create and size the view and to read its back buffer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "game/GameView.h"
#include "game/SoundWords.h"
#include "pictures/PngWriter.h"
#include "platform/TickCount.h"
#include "platform/WindowSystem.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"

namespace wirbelix::test {

class ViewWindowSystem final : public WindowSystem {
public:
    struct Message {
        std::string text, title;
        MessageKind kind;
    };

    void PostCommand(int command) override {
        std::lock_guard lock(mutex_);
        commands.push_back(command);
    }
    void ShowMessage(const std::string& text, const std::string& title, MessageKind kind) override {
        messages.push_back({text, title, kind});
    }
    Point CursorPos() override { return cursor; }
    void SetCursorPos(Point p) override { cursor = p; }
    void InvalidatePicture(const Rect& r) override { invalidated.push_back(r); }
    void RedrawPicture(const Rect& r) override { redrawn.push_back(r); }
    void StartTimer(int id, int periodMs) override { timers.push_back({id, periodMs}); }
    void StopTimer(int id) override { timers.push_back({id, 0}); }
    void HideMainWindow() override { ++hides; }
    Rect ViewScreenRect() override { return viewRect; }
    std::optional<std::string> AskText(const TextRequest& request) override {
        requests.push_back(request);
        return answer;
    }

    std::optional<PictureChoice> ChoosePictures(const PictureChoice& current) override {
        pictureRequests.push_back(current);
        return pictureAnswer;
    }

    std::vector<int> Commands() {
        std::lock_guard lock(mutex_);
        return commands;
    }

    std::vector<Message> messages;
    std::vector<Rect> invalidated, redrawn;
    std::vector<std::pair<int, int>> timers;  // (id, period); period 0: stopped
    std::vector<TextRequest> requests;
    std::optional<std::string> answer;  // what the input box answers
    std::vector<PictureChoice> pictureRequests;
    std::optional<PictureChoice> pictureAnswer;  // what the picture dialog answers
    Point cursor;
    Rect viewRect{100, 50, 900, 650};
    int hides = 0;

private:
    std::mutex mutex_;
    std::vector<int> commands;
};

// Settings, clock and window system around a view that the test creates.
class ViewFixture : public SettingsFixture {
protected:
    static constexpr std::uint32_t kT0 = 1000000;

    ViewFixture() : clock_(kT0), useClock_(clock_) {}

    void SetUp() override {
        SettingsFixture::SetUp();
        SetWindowSystem(&ws_);
    }
    void TearDown() override {
        view_.reset();
        SetWindowSystem(nullptr);
        ResetSoundWords();
        SettingsFixture::TearDown();
    }

    // A view constructed from the stored settings and created as the program creates it (its
    // threads run; without an installed wave device it is silent); sized when a size is given.
    CWirbelixView& MakeView(int width = 0, int height = 0) {
        view_ = std::make_unique<CWirbelixView>();
        EXPECT_TRUE(view_->OnCreate());
        if (width > 0) view_->OnSize(width, height);
        return *view_;
    }

    RasterImage& Buffer() { return view_->m_PictureWindow.backBuffer(); }
    // The colour at (x, y) of the back buffer, alpha dropped.
    std::uint32_t At(int x, int y) { return Buffer().GetPixel(x, y) & 0xFFFFFF; }

    void Frame() { view_->OnTimer(kFrameTimerId); }
    void Advance(std::uint32_t ms) { clock_.Set(clock_.Now() + ms); }

    static void StoreInt(const char* name, std::int32_t v) {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        ASSERT_TRUE(key.Write(&v, sizeof v, name, REG_DWORD));
    }
    static void StoreText(const char* name, const std::string& text) {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        ASSERT_TRUE(key.WriteString(text, name));
    }
    // Writes the two pictures as PNG files and names them and their pivots in the settings, as
    // the picture dialog would, for a view made afterwards.
    void UsePictures(const RasterImage& background, const RasterImage& rotor, Point imagePivot, Point rotorPivot) {
        const std::string bg = dir() + "/background.png", rt = dir() + "/rotor.png";
        ASSERT_TRUE(WritePngFile(bg, background));
        ASSERT_TRUE(WritePngFile(rt, rotor));
        StoreText("ImagePath", bg);
        StoreText("RotorPath", rt);
        StoreInt("ImageX", imagePivot.x);
        StoreInt("ImageY", imagePivot.y);
        StoreInt("RotorX", rotorPivot.x);
        StoreInt("RotorY", rotorPivot.y);
    }
    static std::optional<std::int32_t> ReadInt(const char* name) {
        RegistryKey key;
        std::int32_t v = 0;
        if (!key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ) || !key.Read(&v, sizeof v, name, REG_DWORD))
            return std::nullopt;
        return v;
    }

    ManualTickClock clock_;
    ScopedTickClock useClock_;
    ViewWindowSystem ws_;
    std::unique_ptr<CWirbelixView> view_;
};

}  // namespace wirbelix::test
