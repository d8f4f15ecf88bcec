// The messages other programs send a running copy: the instance query, the texts of copy data
// (narrow and wide, with and without terminator, too long, badly encoded), the path comparison
// and what each copy-data code does to the frame, and a table of hostile inputs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "shell/FrameMessages.h"

namespace wirbelix {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> Wide(std::u16string_view s) {
    std::vector<std::uint8_t> out(s.size() * 2);
    if (!s.empty()) std::memcpy(out.data(), s.data(), out.size());
    return out;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(InstanceQuery, OnlyTheMagicNumberIsAnswered) {
    EXPECT_EQ(AnswerInstanceQuery(0x12345678), 0x12345678u);
    for (std::uint32_t v : {0u, 1u, 0x12345679u, 0x78563412u, 0xFFFFFFFFu}) EXPECT_EQ(AnswerInstanceQuery(v), 0u) << v;
}

struct TextCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint32_t declared;
    bool wide;
    bool accepted;
    std::string text;
};

TEST(MessageText, IsReadWithinTheGivenBytesAndRefusedWhenBadOrTooLong) {
    using namespace std::string_view_literals;
    const std::u16string x258(258, u'x'), x259(259, u'x');
    const std::u16string a129(129, u'ä'), a130(130, u'ä');  // 258 and 260 bytes as UTF-8
    std::string ae129;
    for (int i = 0; i < 129; ++i) ae129 += "\xC3\xA4";
    const TextCase cases[] = {
        {"wide abc with terminator, 8 bytes", Wide(u"abc\0"sv), 8, true, true, "abc"},
        {"wide abc without terminator", Wide(u"abc"sv), 6, true, true, "abc"},
        {"wide, an odd last byte is ignored", Wide(u"abc"sv) + Bytes("d"), 7, true, true, "abc"},
        {"wide, stated count beyond the bytes", Wide(u"ab"sv), 0xFFFFFFFF, true, true, "ab"},
        {"wide, stated count below the bytes", Wide(u"abcd"sv), 4, true, true, "ab"},
        {"wide, text after the terminator is not read", Wide(u"a\0bc"sv), 8, true, true, "a"},
        {"wide umlauts and a surrogate pair", Wide(u"Würfel \U0001F3B2"sv), 20, true, true,
         "W\xC3\xBCrfel \xF0\x9F\x8E\xB2"},
        {"wide 258 characters fit", Wide(x258), 516, true, true, std::string(258, 'x')},
        {"wide 259 characters do not", Wide(x259), 518, true, false, ""},
        {"wide 129 umlauts fill 258 bytes", Wide(a129), 258, true, true, ae129},
        {"wide 130 umlauts are too long", Wide(a130), 260, true, false, ""},
        {"wide unpaired high surrogate", Wide(u"a\xD800"sv), 4, true, false, ""},
        {"wide unpaired low surrogate", Wide(u"\xDC00z"sv), 4, true, false, ""},
        {"wide surrogate cut by the stated count", Wide(u"\xD83C\xDFB2"sv), 2, true, false, ""},
        {"wide nothing", {}, 0, true, true, ""},
        {"wide one byte", Bytes("a"), 1, true, true, ""},
        {"narrow with terminator", Bytes("/tmp/Das Spiel"sv) + Bytes("\0"sv), 15, false, true, "/tmp/Das Spiel"},
        {"narrow without terminator", Bytes("abc"), 3, false, true, "abc"},
        {"narrow stated count beyond the bytes", Bytes("abc"), 1000, false, true, "abc"},
        {"narrow stated count cuts", Bytes("abcdef"), 2, false, true, "ab"},
        {"narrow invalid UTF-8", Bytes("a\xFF"), 2, false, false, ""},
        {"narrow overlong slash", Bytes("\xC0\xAF"), 2, false, false, ""},
        {"narrow encoded surrogate", Bytes("\xED\xA0\x80"), 3, false, false, ""},
        {"narrow sequence cut at the end", Bytes("a\xC3"), 2, false, false, ""},
        {"narrow at the limit", Bytes(std::string(kNarrowTextMaxBytes, 'n')), 0xFFFFFFFF, false, true,
         std::string(kNarrowTextMaxBytes, 'n')},
        {"narrow beyond the limit", Bytes(std::string(kNarrowTextMaxBytes + 1, 'n')), 0xFFFFFFFF, false, false, ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "untouched";
        // A copy of exactly the given size, so that AddressSanitizer sees any read beyond it.
        const std::vector<std::uint8_t> exact(c.bytes);
        EXPECT_EQ(DecodeMessageText(exact, c.declared, c.wide, out), c.accepted);
        EXPECT_EQ(out, c.accepted ? c.text : "untouched");
    }
}

TEST(PathComparison, IgnoresCaseAndUmlautCaseAndTheKindOfSlash) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"/home/ute/Das Spiel", "/HOME/UTE/das spiel", true},
        {"/home/ute/Würfel/Äpfel Öl Übung", "/home/ute/WÜRFEL/äPFEL öL üBUNG", true},
        {"/home/ute/Das Spiel", "\\home\\ute\\Das Spiel", true},
        {"Das Spiel", "/work/Das Spiel", true},             // relative against the current folder
        {"./x/../Das Spiel", "/work//Das Spiel/", true},
        {"/../../etc", "/etc", true},
        {"/home/Straße", "/home/STRASSE", false},           // ß has no capital form here
        {"/home/Straße", "/home/STRAßE", true},
        {"/home/a", "/home/b", false},
        {"/home/a", "/home/a/b", false},
        {"", "/work", true},                                 // an empty path is the current folder
        {"a\xC3\x97" "b", "a\xC3\xB7" "b", false},          // × is no capital of ÷
    };
    for (const Case& c : cases) EXPECT_EQ(SamePath(c.a, c.b, "/work"), c.same) << c.a << " | " << c.b;
}

class RecordingTarget : public CopyDataTarget {
public:
    std::string DocumentPath() const override { return document; }
    std::string CurrentDirectory() const override { return "/work"; }
    void SetPeerText(std::string text) override {
        peer = std::move(text);
        ++peerWrites;
    }
    std::string document = "/work/Das Spiel";
    std::string peer;
    int peerWrites = 0;
};

TEST(CopyData, EachCodeDoesItsOneThing) {
    using namespace std::string_view_literals;
    RecordingTarget t;
    const auto abc = Wide(u"abc\0"sv);
    EXPECT_TRUE(ProcessCopyData(0x27F58002, 8, abc, t));
    EXPECT_EQ(t.peer, "abc");

    const auto rec = Bytes(PeerTextRecord("/other/Das Spiel"));
    EXPECT_EQ(rec.size(), 17u);
    EXPECT_TRUE(ProcessCopyData(kCopyDataPeerText, 17, rec, t));
    EXPECT_EQ(t.peer, "/other/Das Spiel");

    EXPECT_TRUE(ProcessCopyData(kCopyDataCompareDocument, 10, Bytes("das spiel"sv) + Bytes("\0"sv), t));
    EXPECT_TRUE(ProcessCopyData(kCopyDataCompareDocument | kCopyDataWideText, 40, Wide(u"/WORK/DAS SPIEL\0"sv), t));
    EXPECT_FALSE(ProcessCopyData(kCopyDataCompareDocument, 6, Bytes("/etc\0"sv), t));
    EXPECT_TRUE(ProcessCopyData(kCopyDataOpenDocument, 100, Bytes("/work/Das Spiel"sv), t));
    EXPECT_FALSE(ProcessCopyData(kCopyDataOpenDocument, 100, Bytes("/etc/passwd"sv), t));

    // Without a document nothing compares equal and nothing opens, not even the current folder.
    t.document.clear();
    EXPECT_FALSE(ProcessCopyData(kCopyDataOpenDocument, 1, Bytes("\0"sv), t));
    EXPECT_FALSE(ProcessCopyData(kCopyDataCompareDocument, 6, Bytes("/work"sv), t));

    const int writes = t.peerWrites;
    for (std::uint32_t code : {0u, 0x27F50000u, 0x27F50004u, 0x8000u, 0x27F48002u, 0xFFFFFFFFu})
        EXPECT_FALSE(ProcessCopyData(code, 8, abc, t)) << std::hex << code;
    EXPECT_FALSE(ProcessCopyData(kCopyDataPeerText, 2, Bytes("\xFF\0"sv), t)) << "invalid UTF-8";
    EXPECT_EQ(t.peerWrites, writes) << "refused messages change nothing";
}

TEST(CopyData, HostileInputsAreAnsweredWithoutReadingPastTheBytes) {
    // Random sizes, stated counts and contents for every code, each in a buffer of exactly its
    // size; under AddressSanitizer a read beyond it fails the run. Whatever is stored is valid
    // UTF-8 within the limits.
    std::mt19937 rng(13);
    const std::uint32_t codes[] = {kCopyDataPeerText, kCopyDataPeerText | kCopyDataWideText, kCopyDataCompareDocument,
                                   kCopyDataCompareDocument | kCopyDataWideText, kCopyDataOpenDocument | kCopyDataWideText};
    RecordingTarget t;
    for (int round = 0; round < 3000; ++round) {
        const std::size_t size = round % 7 == 0 ? rng() % 9000 : rng() % 600;
        std::vector<std::uint8_t> bytes(size);
        const bool ascii = round % 3 == 0;
        for (auto& b : bytes) b = static_cast<std::uint8_t>(ascii ? 0x20 + rng() % 0x5F : rng());
        const std::uint32_t stated = round % 5 == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(rng() % (size + 8));
        const std::uint32_t code = codes[round % std::size(codes)];
        t.peer.clear();
        ProcessCopyData(code, stated, bytes, t);
        ASSERT_TRUE(IsValidUtf8(t.peer));
        ASSERT_LE(t.peer.size(), (code & kCopyDataWideText) ? kWideTextBufferBytes - 1 : kNarrowTextMaxBytes);
    }
}

}  // namespace
}  // namespace wirbelix
