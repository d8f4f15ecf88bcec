// FrameMessages: the rules of the messages by which other programs reach a running copy of the
// game (find it, end it, exchange document paths, set a status-bar text), free of any bus or
// window system. The control bus (qt/ControlBus.h) carries them; this file decides what each
// one means and checks every argument, so that nothing a caller sends can make the receiver
// read past the bytes it was given.
//
// Texts arrive as bytes with a byte count, their terminating zero included, as the senders have
// always written them:
// - narrow texts are UTF-8; the text ends at the first zero byte or, without one, at the end of
//   the bytes (the terminator is then taken as given); invalid UTF-8 is refused;
// - wide texts (code bit kCopyDataWideText) are UTF-16 in the machine's byte order, count / 2
//   units (an odd last byte is ignored), ending at the first zero unit or at the last unit; they
//   are converted to UTF-8 into a buffer of kWideTextBufferBytes bytes. A text whose UTF-8 form
//   with its terminator does not fit (more than 258 ASCII characters, fewer with umlauts) is
//   refused as a whole rather than cut, so a compared path is never a shortened one; so is a
//   text with an unpaired surrogate.
// A refused text makes the message answer FALSE and changes nothing.
//
// Thread contract: pure functions, any thread; CopyDataTarget is called on the caller's thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wirbelix {

// The instance query: the answer to the magic number is the magic number, to anything else 0.
inline constexpr std::uint32_t kInstanceQueryMagic = 0x12345678;

// Frame-control selectors.
inline constexpr std::uint32_t kFrameControlQuit = 0;           // ends the program as "&Beenden"
inline constexpr std::uint32_t kFrameControlSendPeerText = 2;   // sends the document path to a peer
inline constexpr std::uint32_t kFrameControlPeerText = 4;       // answers the peer text

// Copy-data codes and the wide-text bit.
inline constexpr std::uint32_t kCopyDataOpenDocument = 0x27F50001;
inline constexpr std::uint32_t kCopyDataPeerText = 0x27F50002;
inline constexpr std::uint32_t kCopyDataCompareDocument = 0x27F50003;
inline constexpr std::uint32_t kCopyDataWideText = 0x8000;

// The buffer a wide text is converted into, terminator included: 258 bytes of text at most.
inline constexpr std::size_t kWideTextBufferBytes = 259;
// The most bytes a narrow text (copy data, status text) may carry. An arbitrary limit that
// keeps a hostile caller from parking megabytes in a label; no real path or status text comes
// near it.
inline constexpr std::size_t kNarrowTextMaxBytes = 4096;

// The status bar's panes: the message pane, then the caps-, num- and scroll-lock indicators.
inline constexpr int kStatusPaneCount = 4;

// The answer to the instance query.
constexpr std::uint32_t AnswerInstanceQuery(std::uint32_t value) {
    return value == kInstanceQueryMagic ? kInstanceQueryMagic : 0;
}

// The text of bytes[0 .. min(declaredBytes, bytes.size())), narrow or wide as described above.
// False (out untouched) when the text is refused.
bool DecodeMessageText(std::span<const std::uint8_t> bytes, std::uint32_t declaredBytes, bool wide,
                       std::string& out);

// True when utf8 is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view utf8);

// The path made absolute against currentDir (when it does not start with '/' or '\'), with
// every '\' turned into '/', repeated separators and "." dropped and ".." taking away the name
// before it; the root's ".." stays the root.
std::string AbsolutePath(std::string_view path, std::string_view currentDir);

// Paths compared as the game compares documents: both made absolute against currentDir, letter
// case ignored (ASCII and the Latin-1 letters, so Ä equals ä; ß has no upper case and equals
// only itself), '/' and '\' equal.
bool SamePath(std::string_view a, std::string_view b, std::string_view currentDir);

// What the copy-data codes need of the frame. Implemented by the control bus over the frame,
// and by the tests with a recorder.
class CopyDataTarget {
public:
    virtual ~CopyDataTarget() = default;
    // The active document's path name; empty without view or document.
    virtual std::string DocumentPath() const = 0;
    virtual std::string CurrentDirectory() const = 0;
    virtual void SetPeerText(std::string text) = 0;
};

// Carries out one copy-data message: the code (with or without the wide bit), the byte count
// the caller states and the bytes it sent. Peer text: stores it, TRUE. Compare document: TRUE
// when the text names the document's path. Open document: the program has one document and no
// document files, so opening answers as the application does for its open document: TRUE when
// the text names that document (nothing is opened or read), FALSE for every other path. Any
// other code, or a refused text: FALSE. Without a document, compare and open answer FALSE.
bool ProcessCopyData(std::uint32_t code, std::uint32_t declaredBytes, std::span<const std::uint8_t> bytes,
                     CopyDataTarget& target);

// The bytes a peer-text message carries: the text and its terminating zero.
std::string PeerTextRecord(std::string_view text);

}  // namespace wirbelix
