// The core's only way to reach the window system. The Qt application implements it; tests
// implement it with a recorder. The core holds a pointer to the one installed instance.
//
// Thread contract: PostCommand may be called from any thread and must only queue the command
// for the window thread. Every other member is called on the window thread only.
#pragma once

#include <optional>
#include <string>

namespace wirbelix {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsEmpty() const { return right <= left || bottom <= top; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct Point {
    int x = 0, y = 0;
};

// The picture settings the picture dialog shows and answers: the two picture files, the pivots
// (pixels of their picture), the sections, the rotor offset (1/131072 turn) and the turns of a
// full-strength spin.
struct PictureChoice {
    std::string imagePath, rotorPath;
    int imageX = 0, imageY = 0;
    int rotorX = 0, rotorY = 0;
    int sections = 6;
    int offset = 0;
    double revolutions = 5.0;
};

// Message box styles the program uses.
enum class MessageKind { Error, Warning, Information };

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Queues command (a menu/toolbar command number) for the view on the window thread, as a
    // posted WM_COMMAND would. Thread safe, non-blocking.
    virtual void PostCommand(int command) = 0;

    // Shows a modal message box with the given German text and title ("Fehler", "Warnung").
    virtual void ShowMessage(const std::string& text, const std::string& title,
                             MessageKind kind) = 0;

    // The mouse cursor in screen coordinates.
    virtual Point CursorPos() = 0;
    virtual void SetCursorPos(Point p) = 0;

    // Marks a rectangle of the picture window for repainting, or repaints it at once.
    virtual void InvalidatePicture(const Rect& r) = 0;
    virtual void RedrawPicture(const Rect& r) = 0;

    // Starts or stops the view's periodic timer: every periodMs the window thread calls the
    // view's OnTimer(id). The default does nothing (no window, no timer).
    virtual void StartTimer(int /*id*/, int /*periodMs*/) {}
    virtual void StopTimer(int /*id*/) {}

    // Hides the application's main window (the first step of the view's destruction).
    virtual void HideMainWindow() {}

    // The view's window rectangle on the screen.
    virtual Rect ViewScreenRect() { return Rect{}; }

    // The one-line input box: caption, prompt, the field's first text and a tooltip on the
    // field. The entered text after OK; nothing after cancel (or without a window system).
    struct TextRequest {
        std::string caption, prompt, value, fieldToolTip;
    };
    virtual std::optional<std::string> AskText(const TextRequest& /*request*/) { return std::nullopt; }

    // The picture dialog, opened with the view's current settings. What the user confirmed
    // (numbers masked and clamped, revolutions as entered); nothing after cancel (or without a
    // window system). The dialog keeps its own path histories in the settings.
    virtual std::optional<PictureChoice> ChoosePictures(const PictureChoice& /*current*/) { return std::nullopt; }
};

// The installed window system, or null (headless runs, most tests). Set once on the window
// thread before any worker thread starts.
WindowSystem* CurrentWindowSystem();
void SetWindowSystem(WindowSystem* ws);

}  // namespace wirbelix
