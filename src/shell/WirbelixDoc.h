// CWirbelixDoc: the program's one document. The game keeps nothing in it; it exists so that
// the window has a title ("Das Spiel", shown as "Das Spiel - Wirbelix") and a path for the
// recent-file list. It is never modified, so closing the program never asks to save, and
// saving (Ctrl+S) does nothing.
//
// The recent-file list is written once, at the end of the program: its first entry "File1"
// below "Software\Kivo\Wirbelix\Recent File List" holds the document's path. Nothing in the
// program reads it back.
//
// Thread contract: window thread only (the document), any thread (WriteRecentFileList, the
// settings store is thread safe).
#pragma once

#include <string>

namespace wirbelix {

// The document's title, and the name its path is made of.
inline constexpr char kDocumentTitle[] = "Das Spiel";
// The recent-file list's key below the application's settings key, and its first entry.
inline constexpr char kRecentFileListKey[] = "Recent File List";
inline constexpr char kRecentFileEntry[] = "File1";

class CWirbelixDoc {
public:
    CWirbelixDoc() = default;

    // Prepares the new document: fails (false) unless the game view is attached; otherwise
    // sets the path to "Das Spiel" made absolute against the current directory (the bare
    // name when the current directory cannot be found) and the title to "Das Spiel".
    bool OnNewDocument(bool viewAttached);

    // Never modified: closing never asks to save.
    bool IsModified() const { return false; }

    // The save command (Ctrl+S) and the document's serialisation: nothing to store. Saving
    // reports success.
    bool OnSaveDocument() { return true; }
    void Serialize() {}

    // Empty until OnNewDocument succeeded.
    const std::string& GetTitle() const { return title_; }
    const std::string& GetPathName() const { return pathName_; }

private:
    std::string title_;
    std::string pathName_;
};

// Writes path as the REG_SZ value "File1" of "Software\Kivo\Wirbelix\Recent File List",
// creating the keys as needed. False when the settings cannot be written; nothing is reported
// to the user.
bool WriteRecentFileList(const std::string& path);

}  // namespace wirbelix
