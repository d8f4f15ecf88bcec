// Fuzzes the remote-control line framing with arbitrary bytes in arbitrary chunkings.
//
// Checked on every input:
// - the buffer never holds more than its capacity, and after the parser has handed out every
//   complete line at most one incomplete line (10 bytes) is left;
// - every line handed out is well formed (hexadecimal button character, event letter);
// - the evaluation of every line (clock offset, debounce, button map) stays defined;
// - recovery: after a line end, well-formed lines are framed exactly, whatever garbage came
//   before them and however the bytes are cut into reads.
#include <fuzzer/FuzzedDataProvider.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/TickCount.h"
#include "remote/RemoteControl.h"
#include "remote/RemoteLineParser.h"

namespace {

using wirbelix::RemoteLine;
using wirbelix::RemoteLineParser;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "remote_lines: %s\n", what);
        std::abort();
    }
}

bool SameLine(const RemoteLine& a, const RemoteLine& b) {
    return a.buttonChar == b.buttonChar && a.event == b.event && a.boxTime == b.boxTime;
}

// Feeds stream to the parser in reads of the sizes drawn from chunks (1..32 bytes, the
// largest read the thread makes), taking out the lines between reads as the thread does.
std::vector<RemoteLine> Feed(const std::string& stream, FuzzedDataProvider& chunks,
                             std::atomic<int>& offset) {
    RemoteLineParser parser;
    std::vector<RemoteLine> lines;
    std::size_t pos = 0;
    for (;;) {
        while (auto line = parser.Next()) {
            Check(wirbelix::IsHexDigit(line->buttonChar), "button character is not a digit");
            Check(line->event == 'D' || line->event == 'U' || line->event == 'S', "bad letter");
            wirbelix::EvaluateRemoteLine(*line, offset);
            lines.push_back(*line);
        }
        Check(parser.Data().size() <= RemoteLineParser::kLineLength, "more than one line start left");
        if (pos == stream.size()) break;
        const std::size_t want = chunks.ConsumeIntegralInRange<std::size_t>(1, 32);
        const std::size_t room = parser.FreeSpace();
        const std::size_t take = std::min({want, room, stream.size() - pos});
        Check(parser.Append({reinterpret_cast<const std::uint8_t*>(stream.data() + pos), take}) == take,
              "append refused room it has");
        Check(parser.Data().size() <= RemoteLineParser::kCapacity, "buffer overflow");
        pos += take;
    }
    return lines;
}

const char kHex[] = "0123456789ABCDEFabcdef";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static wirbelix::ManualTickClock clock(0);
    static wirbelix::ScopedTickClock useClock(clock);
    FuzzedDataProvider input(data, size);
    clock.Set(input.ConsumeIntegral<std::uint32_t>());
    std::atomic<int> offset{input.ConsumeBool() ? 0 : input.ConsumeIntegral<int>()};

    // Well-formed lines the fuzzer chooses, each with one of the three line ends.
    std::vector<RemoteLine> expected;
    std::string good;
    const int count = input.ConsumeIntegralInRange(0, 6);
    for (int k = 0; k < count; ++k) {
        RemoteLine line;
        line.buttonChar = static_cast<std::uint8_t>(kHex[input.ConsumeIntegralInRange(0, 21)]);
        line.event = "DUS"[input.ConsumeIntegralInRange(0, 2)];
        line.boxTime = input.ConsumeIntegral<std::uint32_t>();
        const bool lowerCase = input.ConsumeBool();
        char text[16];
        std::snprintf(text, sizeof text, lowerCase ? "%c%c%08x" : "%c%c%08X", line.buttonChar,
                      line.event, line.boxTime);
        good += text;
        static const char* const kLineEnds[] = {"\r", "\n", "\r\n"};
        good += kLineEnds[input.ConsumeIntegralInRange(0, 2)];
        expected.push_back(line);
    }
    const std::string garbage = input.ConsumeRandomLengthString(256);
    const std::string rest = input.ConsumeRemainingBytesAsString();  // also the chunk sizes

    // Arbitrary bytes: only the invariants.
    {
        FuzzedDataProvider chunks(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
        Feed(garbage + rest, chunks, offset);
    }
    // Garbage, a line end, then good lines: the good lines come out last, exactly.
    {
        FuzzedDataProvider chunks(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
        const std::vector<RemoteLine> lines = Feed(garbage + "\n" + good, chunks, offset);
        Check(lines.size() >= expected.size(), "a good line was lost after garbage");
        const std::size_t first = lines.size() - expected.size();
        for (std::size_t k = 0; k < expected.size(); ++k)
            Check(SameLine(lines[first + k], expected[k]), "a good line was framed wrongly");
    }
    return 0;
}
