// Writes the program's short notification tones as 16-bit mono WAV files, which the build then
// encodes to MP3 for the install folder:
//   corvala-tone fill OUT.wav   two rising notes, played on a fill
//   corvala-tone stop OUT.wav   two short low beeps, played when a stop order fires

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRate = 22'050;

struct Note {
    double hz;
    double seconds;
};

// Each note rises in 5 ms and decays so that it does not click.
void AddNote(std::vector<std::int16_t>& samples, Note n) {
    const int count = static_cast<int>(n.seconds * kRate);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.005);
        const double decay = std::exp(-4.0 * t / n.seconds);
        const double value = 0.45 * attack * decay * std::sin(2 * M_PI * n.hz * t);
        samples.push_back(static_cast<std::int16_t>(std::lround(value * 32'767)));
    }
}

void Put(std::FILE* f, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f);
}

bool WriteWav(const char* path, const std::vector<std::int16_t>& samples) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const auto data = static_cast<std::uint32_t>(samples.size() * 2);
    std::fputs("RIFF", f);
    Put(f, 36 + data, 4);
    std::fputs("WAVEfmt ", f);
    Put(f, 16, 4);
    Put(f, 1, 2);  // PCM
    Put(f, 1, 2);  // mono
    Put(f, kRate, 4);
    Put(f, kRate * 2, 4);
    Put(f, 2, 2);
    Put(f, 16, 2);
    std::fputs("data", f);
    Put(f, data, 4);
    for (std::int16_t s : samples) Put(f, static_cast<std::uint16_t>(s), 2);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "fill") != 0 && std::strcmp(argv[1], "stop") != 0)) {
        std::fprintf(stderr, "usage: corvala-tone fill|stop OUT.wav\n");
        return 1;
    }
    std::vector<std::int16_t> samples;
    if (std::strcmp(argv[1], "fill") == 0) {
        AddNote(samples, {1046.5, 0.12});
        AddNote(samples, {1568.0, 0.28});
    } else {
        AddNote(samples, {523.3, 0.09});
        samples.insert(samples.end(), kRate / 25, 0);
        AddNote(samples, {523.3, 0.09});
    }
    if (!WriteWav(argv[2], samples)) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
