#include "game/CommandTable.h"

#include <algorithm>

#include "game/GameView.h"

namespace wirbelix {

namespace {

using T = CommandTarget;

int StarSizeIs(const CWirbelixView& v, int preset) { return v.m_StarSize == preset ? 1 : 0; }

constexpr CommandInfo kCommands[] = {
    // "&Datei"
    {cmd::kExit, "&Beenden", "Verläßt die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden",
     {0, 0}, T::Frame, nullptr, nullptr},
    // "&Bearbeiten"
    {cmd::kStarsUp0, "Erster Spieler +\tF1", "Die Sterne vom ersten Spieler erhöhen\nErster Spieler +",
     {vk::kF1, 0}, T::View, [](CWirbelixView& v) { v.OnStarsUp(0); }, nullptr},
    {cmd::kStarsUp1, "Zweiter Spieler +\tF2", "Die Sterne vom zweiten Spieler erhöhen\nZweiter Spieler +",
     {vk::kF2, 0}, T::View, [](CWirbelixView& v) { v.OnStarsUp(1); }, nullptr},
    {cmd::kStarsDown0, "Erster Spieler -\tF3", "Die Sterne vom ersten Spieler vermindern\nErster Spieler -",
     {vk::kF3, 0}, T::View, [](CWirbelixView& v) { v.OnStarsDown(0); }, nullptr},
    {cmd::kStarsDown1, "Zweiter Spieler -\tF4", "Die Sterne vom zweiten Spieler vermindern\nZweiter Spieler -",
     {vk::kF4, 0}, T::View, [](CWirbelixView& v) { v.OnStarsDown(1); }, nullptr},
    {cmd::kStart, "Starte\tF5", "Startet den Zeiger.\nStarten", {vk::kF5, 0}, T::View,
     [](CWirbelixView& v) { v.OnStart(); }, nullptr},
    {cmd::kStopPointer, "Zeiger anhalten\tF6", "Hält den Zeiger schlagartig an.\nZeiger anhalten",
     {vk::kF6, vk::kF9}, T::View, [](CWirbelixView& v) { v.OnStopPointer(); }, nullptr},
    {cmd::kChooseComPort, "COM-Port auswählen",
     "Hier kann man das COM-Port für die Fernsteuerung auswählen\nCOM-Port auswählen", {0, 0}, T::View,
     [](CWirbelixView& v) { v.OnChooseComPort(); }, nullptr},
    {cmd::kChoosePictures, "Bilder auswählen",
     "Auswahl der Bilder für den Rotor und den Hintergrund.\nBilder auswählen", {0, 0}, T::View,
     [](CWirbelixView& v) { v.OnChoosePictures(); }, nullptr},
    // "&Ansicht"
    {cmd::kFlatToolbar, "&Flache Symbolleiste",
     "DIe Tasten in der ToolBar flach oder erhaben anzeigen\nFlache Symbolleiste", {0, 0}, T::Frame, nullptr,
     nullptr},
    {cmd::kFixWindow, "Fenster fi&xieren", "Fixiert das Fenster immer im Vordergrind\nFenster fixieren",
     {0, 0}, T::Frame, nullptr, nullptr},
    {cmd::kToolbar, "&Symbolleiste", "Blendet die Symbolleiste ein oder aus.\nSymbolleiste ein-/ausschalten",
     {0, 0}, T::Frame, nullptr, nullptr},
    {cmd::kStatusBar, "S&tatusleiste", "Blendet die Statusleiste ein oder aus.\nStatusleiste ein-/ausschalten",
     {0, 0}, T::Frame, nullptr, nullptr},
    {cmd::kSmallStars, "Kleine Sterne", "Größe der Sterne auswählen\nKleine Sterne", {0, 0}, T::View,
     [](CWirbelixView& v) { v.SetStarSize(2); }, [](const CWirbelixView& v) { return StarSizeIs(v, 2); }},
    {cmd::kMediumStars, "Mittlere Sterne", "Größe der Sterne auswählen\nMittlere Sterne", {0, 0}, T::View,
     [](CWirbelixView& v) { v.SetStarSize(1); }, [](const CWirbelixView& v) { return StarSizeIs(v, 1); }},
    {cmd::kLargeStars, "Große Sterne", "Größe der Sterne auswählen\nGroße Sterne", {0, 0}, T::View,
     [](CWirbelixView& v) { v.SetStarSize(0); }, [](const CWirbelixView& v) { return StarSizeIs(v, 0); }},
    {cmd::kTwoRows, "Zwei Reihen", "Größe der Sterne auswählen\nZwei Reihen", {0, 0}, T::View,
     [](CWirbelixView& v) { v.SetStarSize(3); }, [](const CWirbelixView& v) { return StarSizeIs(v, 3); }},
    // "&?"
    {cmd::kAbout, "Inf&o über Wirbelix...",
     "Zeigt Programm-Informationen, Versionsnummer und Copyright an.\nInfo", {0, 0}, T::Application, nullptr,
     nullptr},
    {cmd::kKeyAssignment, "&Tastenbelegung", "Zeigt die Tastatdurbelegung an.\nTastenbelegung", {0, 0},
     T::Application, nullptr, nullptr},
    // Not in the menu.
    {cmd::kZoom, nullptr, "Schaltet um in den Vollbildmodus.\nVollbild Ansicht", {vk::kF10, 0}, T::Frame,
     nullptr, nullptr},
    {cmd::kSave, nullptr, nullptr, {vk::kCtrl | 'S', 0}, T::Document, nullptr, nullptr},
};

constexpr InertKey kInertKeys[] = {
    {vk::kCtrl | 'C', 57634},          {vk::kCtrl | vk::kInsert, 57634}, {vk::kCtrl | 'V', 57637},
    {vk::kShift | vk::kInsert, 57637}, {vk::kCtrl | 'X', 57635},         {vk::kShift | vk::kDelete, 57635},
    {vk::kCtrl | 'Z', 57643},          {vk::kAlt | vk::kBack, 57643},    {vk::kCtrl | 'D', 32779},
    {vk::kCtrl | 'F', 32799},
};

}  // namespace

std::span<const CommandInfo> Commands() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::string_view CommandPrompt(const CommandInfo& info) {
    if (info.text == nullptr) return {};
    const std::string_view t(info.text);
    return t.substr(0, t.find('\n'));
}

std::string_view CommandToolTip(const CommandInfo& info) {
    if (info.text == nullptr) return {};
    const std::string_view t(info.text);
    const auto lf = t.find('\n');
    return lf == std::string_view::npos ? std::string_view{} : t.substr(lf + 1);
}

std::span<const InertKey> InertKeys() { return kInertKeys; }

}  // namespace wirbelix
