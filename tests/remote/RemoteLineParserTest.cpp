#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TickCount.h"
#include "remote/RemoteControl.h"
#include "remote/RemoteLineParser.h"

namespace wirbelix {
namespace {

using namespace std::literals;

// "0D0001A2B3" for a line: button character, letter, the time as eight upper-case digits.
std::string Describe(const RemoteLine& line) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%c%08X", line.buttonChar, line.event, line.boxTime);
    return text;
}

// Feeds stream in pieces of chunk bytes (0: as much as fits), taking out every complete line
// after each piece, as the thread does between reads.
std::vector<std::string> Parse(RemoteLineParser& parser, std::string_view stream, std::size_t chunk) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (true) {
        while (auto line = parser.Next()) lines.push_back(Describe(*line));
        EXPECT_LE(parser.Data().size(), RemoteLineParser::kLineLength);
        if (pos == stream.size()) break;
        std::size_t take = chunk == 0 ? stream.size() - pos : std::min(chunk, stream.size() - pos);
        auto bytes = reinterpret_cast<const std::uint8_t*>(stream.data() + pos);
        pos += parser.Append({bytes, take});
    }
    return lines;
}

struct FramingCase {
    const char* name;
    std::string_view stream;
    std::vector<std::string> lines;
    std::string_view leftover;  // an incomplete line waiting for more bytes
};

TEST(RemoteLineParser, FramesLinesAndDropsWhatCannotBeOneInAnyChunking) {
    const FramingCase cases[] = {
        {"CR LF", "0D0001A2B3\r\n", {"0D0001A2B3"}, ""},
        {"CR only, LF only",
         "0U0001A8F0\r2U00020000\n0S00000000\r",
         {"0U0001A8F0", "2U00020000", "0S00000000"}, ""},
        {"back to back with CR LF", "1D00000001\r\n1U00000002\r\n", {"1D00000001", "1U00000002"}, ""},
        {"nine digits", "0D000000000\r", {}, ""},
        {"nine digits then a good line", "0D000000000\r1D00000001\r", {"1D00000001"}, ""},
        {"seven digits", "0D0000001\r0U00000002\r", {"0U00000002"}, ""},
        {"eight digits without line end", "0D00000001x1U00000002\n", {"1U00000002"}, ""},
        {"noise before a line", "\xff\xfeZZ\x00 0D00000001\n"sv, {"0D00000001"}, ""},
        {"hex noise before a line", "123450D00000005\n", {"0D00000005"}, ""},
        {"lower-case digits and button", "aDabcdef12\r", {"aDABCDEF12"}, ""},
        {"letter D among the digits", "0D0D0D0D0D\r", {"0D0D0D0D0D"}, ""},
        {"half line waits", "\n0D0000", {}, "0D0000"},
        {"line start waits", "xx7", {}, "7"},
        {"eight digits wait for the line end", "0D00000001", {}, "0D00000001"},
        {"a long run of digits", "0D" "0123456789ABCDEF0123456789ABCDEF0123456789" "\r2U00000001\r",
         {"2U00000001"}, ""},
        {"letters that are digits too", "DDDD", {}, "DDDD"},
        {"letters that are not", "SSUU\r", {}, ""},
    };
    for (const FramingCase& c : cases) {
        for (std::size_t chunk : {0, 1, 3}) {
            SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
            RemoteLineParser parser;
            EXPECT_EQ(Parse(parser, c.stream, chunk), c.lines);
            auto data = parser.Data();
            EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), c.leftover);
        }
    }
}

TEST(RemoteLineParser, AppendTakesAtMostTheFreeSpace) {
    RemoteLineParser parser;
    std::string digits(100, '0');
    auto bytes = reinterpret_cast<const std::uint8_t*>(digits.data());
    EXPECT_EQ(parser.Append({bytes, digits.size()}), RemoteLineParser::kCapacity);
    EXPECT_EQ(parser.FreeSpace(), 0u);
    EXPECT_EQ(parser.Append({bytes, 1}), 0u);
    EXPECT_FALSE(parser.Next());
    EXPECT_LE(parser.Data().size(), RemoteLineParser::kLineLength);
}

// Each test of the evaluation works in its own range of local time, far from the others,
// because the debounce words are process-wide and never reset.
class RemoteEvaluation : public ::testing::Test {
protected:
    RemoteLine Line(char button, char event, std::uint32_t boxTime) {
        return RemoteLine{static_cast<std::uint8_t>(button), event, boxTime};
    }
    RemoteAction Eval(char button, char event, std::uint32_t boxTime) {
        return EvaluateRemoteLine(Line(button, event, boxTime), offset);
    }

    ManualTickClock clock{0};
    ScopedTickClock useClock{clock};
    std::atomic<int> offset{0};
};

TEST_F(RemoteEvaluation, FirstLineSetsTheOffsetAndSynchronisationLinesOfButtons0To3SetItAgain) {
    clock.Set(0x11000000);
    // The first line sets the offset whatever it is, even one that does nothing else.
    RemoteAction a = Eval('9', 'D', 1000);
    EXPECT_EQ(a.kind, RemoteAction::Kind::None);
    EXPECT_EQ(offset.load(), 0x11000000 - 1000);

    clock.Advance(5000);
    EXPECT_EQ(Eval('5', 'S', 2000).kind, RemoteAction::Kind::None);
    EXPECT_EQ(offset.load(), 0x11000000 - 1000) << "'S' of buttons 4..7 leaves a set offset";
    EXPECT_EQ(Eval('3', 'S', 2000).kind, RemoteAction::Kind::None);
    EXPECT_EQ(offset.load(), 0x11000000 + 5000 - 2000);

    // Box time converts with the offset, wrapping in 32 bits.
    clock.Set(0x00000010);
    EXPECT_EQ(Eval('0', 'S', 0x00000020).kind, RemoteAction::Kind::None);
    EXPECT_EQ(offset.load(), -0x10);
    a = Eval('0', 'D', 0x00000005);
    EXPECT_EQ(a.kind, RemoteAction::Kind::ButtonDown);
    EXPECT_EQ(a.time, 0xFFFFFFF5u);

    offset.store(0);
    clock.Set(0x12000000);
    EXPECT_EQ(Eval('7', 'S', 100).kind, RemoteAction::Kind::None);
    EXPECT_EQ(offset.load(), 0x12000000 - 100) << "'S' of buttons 4..7 sets a missing offset";

    offset.store(0);
    clock.Set(0x12100000);
    EXPECT_EQ(Eval('c', 'U', 100).kind, RemoteAction::Kind::None) << "'a'..'f' name no button";
    EXPECT_EQ(offset.load(), 0x12100000 - 100);
}

TEST_F(RemoteEvaluation, ButtonMapAndDebounceAt100And101Ms) {
    clock.Set(0x20000000);
    offset.store(0x20000000);  // local time = box time + 0x20000000
    const std::uint32_t base = 0x20000000;

    struct Step {
        char button, event;
        std::uint32_t boxTime;
        RemoteAction::Kind kind;
        int command;
    };
    using K = RemoteAction::Kind;
    const Step steps[] = {
        {'0', 'D', 1000, K::ButtonDown, 0},
        {'0', 'D', 1050, K::None, 0},        // 50 ms after the last accepted press
        {'0', 'D', 1100, K::None, 0},        // 100 ms: still a bounce
        {'0', 'D', 1101, K::ButtonDown, 0},  // 101 ms after the last accepted press
        {'0', 'U', 1150, K::ButtonUp, 0},    // ups are debounced apart from downs
        {'0', 'U', 1250, K::None, 0},        // 100 ms after the last accepted release
        {'0', 'U', 1251, K::ButtonUp, 0},    // 101 ms
        {'0', 'D', 900, K::ButtonDown, 0},   // earlier than the last accepted: accepted
        {'1', 'D', 900, K::ButtonDown, 0},   // each button has its own words
        {'1', 'U', 2000, K::ButtonUp, 0},
        {'5', 'D', 3000, K::None, 0},
        {'5', 'U', 3000, K::Command, 33034},
        {'5', 'U', 3100, K::None, 0},
        {'5', 'U', 3201, K::Command, 33034},
        {'2', 'U', 4000, K::Command, 32809},
        {'3', 'U', 4000, K::Command, 32813},
        {'4', 'U', 4000, K::Command, 33036},
        {'6', 'U', 4000, K::Command, 33037},
        {'7', 'U', 4000, K::Command, 33035},
        {'8', 'U', 4000, K::None, 0},
        {'F', 'U', 4000, K::None, 0},
        {'0', 'S', 5000, K::None, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE((std::string{s.button, s.event} + " " + std::to_string(s.boxTime)));
        clock.Set(base + s.boxTime);  // an 'S' line keeps the offset as it was
        RemoteAction a = Eval(s.button, s.event, s.boxTime);
        EXPECT_EQ(a.kind, s.kind);
        if (s.kind == K::ButtonDown || s.kind == K::ButtonUp) {
            EXPECT_EQ(a.player, s.button - '0');
            EXPECT_EQ(a.time, base + s.boxTime);
        }
        if (s.kind == K::Command) {
            EXPECT_EQ(a.command, s.command);
        }
    }
}

}  // namespace
}  // namespace wirbelix
