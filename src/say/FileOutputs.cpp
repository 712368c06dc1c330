#include "say/FileOutputs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace talvoro::say {
namespace {

constexpr std::uint32_t kHeaderBytes = 44;
// The largest data size a WAV header can hold; longer sound is written whole, its header
// saying this much.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderBytes;

void put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(v >> (8 * k));
}

// The canonical 44-byte header of 16-bit mono PCM.
void header(unsigned char* h, int sampleRate, std::uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, dataBytes + kHeaderBytes - 8);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);  // the format chunk's size
    put16(h + 20, 1);   // PCM
    put16(h + 22, 1);   // one channel
    put32(h + 24, static_cast<std::uint32_t>(sampleRate));
    put32(h + 28, static_cast<std::uint32_t>(sampleRate) * 2);  // bytes a second
    put16(h + 32, 2);                                           // bytes a frame
    put16(h + 34, 16);                                          // bits a sample
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

// The engine's output: takes the samples at once, as fast as they come.
class FastOutput : public espeak::AudioOutput {
public:
    bool open() override { return true; }
    bool isOpen() override { return true; }
    bool realTime() const override { return false; }
    bool drain(const espeak::AbortFlag&, std::uint64_t) override { return true; }
    void flush() override {}
    void setPaused(bool) override {}
    void wake() override {}
};

class Discard : public FastOutput {
public:
    std::string name() const override { return "nowhere"; }
    bool write(const std::int16_t*, std::size_t, const espeak::AbortFlag& abort,
               std::uint64_t generation) override {
        return abort == generation;
    }
};

}  // namespace

class WavOutput : public FastOutput {
public:
    explicit WavOutput(WavFile& file) : file_(file) {}
    std::string name() const override { return "WAV file"; }
    bool isOpen() override { return !file_.failed(); }
    bool write(const std::int16_t* samples, std::size_t count, const espeak::AbortFlag& abort,
               std::uint64_t generation) override {
        return abort == generation && file_.append(samples, count);
    }

private:
    WavFile& file_;
};

WavFile::WavFile(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) throw std::runtime_error(path + ": " + std::strerror(errno));
}

WavFile::~WavFile() {
    if (file_) std::fclose(file_);
}

std::unique_ptr<espeak::AudioOutput> WavFile::output(int sampleRate) {
    unsigned char h[kHeaderBytes];
    header(h, sampleRate, 0);
    if (std::fwrite(h, 1, sizeof h, file_) != sizeof h) {
        failed_ = true;
        savedErrno_ = errno;
    }
    sampleRate_ = sampleRate;
    return std::make_unique<WavOutput>(*this);
}

bool WavFile::append(const std::int16_t* samples, std::size_t count) {
    if (failed_) return false;
    // The file holds little-endian samples, as this machine does.
    if (std::fwrite(samples, sizeof *samples, count, file_) != count) {
        failed_ = true;
        savedErrno_ = errno;
        return false;
    }
    samples_ += count;
    return true;
}

bool WavFile::finish() {
    if (!file_) return !failed_;
    if (!failed_ && sampleRate_ > 0) {
        unsigned char h[kHeaderBytes];
        header(h, sampleRate_, static_cast<std::uint32_t>(std::min(samples_ * 2, kMaxDataBytes)));
        if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0 ||
            std::fwrite(h, 1, sizeof h, file_) != sizeof h) {
            failed_ = true;
            savedErrno_ = errno;
        }
    }
    if (std::fclose(file_) != 0 && !failed_) {
        failed_ = true;
        savedErrno_ = errno;
    }
    file_ = nullptr;
    if (failed_) errno = savedErrno_;
    return !failed_;
}

std::unique_ptr<espeak::AudioOutput> discardingOutput() {
    return std::make_unique<Discard>();
}

}  // namespace talvoro::say
