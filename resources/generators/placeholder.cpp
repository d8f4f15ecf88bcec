// Writes a short click as a 16-bit mono WAVE file, so that the resource table holds a real
// resource before the full set of pictures and sounds exists.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::uint32_t count = 465;
    std::vector<std::uint8_t> wav;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    Put32(wav, 36 + count * 2);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, 1);
    Put32(wav, 44100);
    Put32(wav, 88200);
    Put16(wav, 2);
    Put16(wav, 16);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    Put32(wav, count * 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        double env = std::exp(-static_cast<double>(i) / 60.0);
        double s = std::sin(2.0 * 3.14159265358979 * 3000.0 * i / 44100.0) * env * 30000.0;
        Put16(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s))));
    }
    std::string path = std::string(argv[1]) + "/TICK.wav";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    bool ok = std::fwrite(wav.data(), 1, wav.size(), f) == wav.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
