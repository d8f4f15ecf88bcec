// The view's start-up access to the store: open the default key, read the eleven game
// settings, close.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "shell/RegistryKey.h"

namespace {

using namespace wirbelix;

void FillStore() {
    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
    std::int32_t v = 1;
    for (const char* name : {"StarSize", "ComPort", "ImageX", "ImageY", "RotorX", "RotorY", "StepStart", "StepCount"})
        key.Write(&v, 4, name, REG_DWORD);
    key.WriteString("/home/user/Bilder/hintergrund.png", "ImagePath");
    key.WriteString("/home/user/Bilder/zeiger.png", "RotorPath");
    key.WriteDouble(5.0, "TurnCount");
}

void BM_ReadGameSettings(benchmark::State& state) {
    char dir[] = "/tmp/wirbelix-bench-XXXXXX";
    mkdtemp(dir);
    std::string path = std::string(dir) + "/settings.sqlite";
    setenv("WIRBELIX_SETTINGS", path.c_str(), 1);
    FillStore();
    for (auto _ : state) {
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
        std::int32_t v[8];
        const char* names[] = {"StarSize", "ComPort", "ImageX", "ImageY", "RotorX", "RotorY", "StepStart", "StepCount"};
        for (int i = 0; i < 8; ++i) key.Read(&v[i], 4, names[i], REG_DWORD);
        std::string image, rotor;
        key.ReadString(&image, "ImagePath");
        key.ReadString(&rotor, "RotorPath");
        double turns = 0;
        key.ReadDouble(&turns, "TurnCount");
        key.Close();
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(turns);
    }
    SettingsStore::Shutdown();
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
    unlink(path.c_str());
    rmdir(dir);
}
BENCHMARK(BM_ReadGameSettings)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The same from a cold start: the first access of a process also opens the file.
void BM_ReadGameSettingsColdOpen(benchmark::State& state) {
    char dir[] = "/tmp/wirbelix-bench-XXXXXX";
    mkdtemp(dir);
    std::string path = std::string(dir) + "/settings.sqlite";
    setenv("WIRBELIX_SETTINGS", path.c_str(), 1);
    FillStore();
    for (auto _ : state) {
        SettingsStore::Shutdown();
        RegistryKey key;
        key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
        std::int32_t v = 0;
        key.Read(&v, 4, "StarSize", REG_DWORD);
        benchmark::DoNotOptimize(v);
    }
    SettingsStore::Shutdown();
}
BENCHMARK(BM_ReadGameSettingsColdOpen)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

}  // namespace
