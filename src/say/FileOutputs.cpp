#include "say/FileOutputs.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace talvoro::say {
namespace {

constexpr std::uint32_t kHeaderBytes = 44;
// The largest data size a WAV header can hold; longer sound is written whole, its header
// saying this much. A streamed file's header says it too: its length is not known.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderBytes;

// The new file being written, removed when the program is interrupted (Ctrl+C, a hang-up, kill)
// so that no half-written file is left beside the old one.
char pendingFile[4096];

void removePendingFile(int sig) {
    if (pendingFile[0]) ::unlink(pendingFile);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void watchForInterrupts(const std::string& path) {
    if (path.size() >= sizeof pendingFile) return;
    std::memcpy(pendingFile, path.c_str(), path.size() + 1);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::signal(sig, removePendingFile);
}

}  // namespace

void removeUnfinishedFile() {
    if (pendingFile[0]) ::unlink(pendingFile);
    pendingFile[0] = '\0';
}

namespace {

void forgetPendingFile() {
    pendingFile[0] = '\0';
}

std::runtime_error failure(const std::string& path) {
    return std::runtime_error(path + ": " + std::strerror(errno));
}

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

// A stream whose failure ends the synthesis (the phonemes' standard output): nothing more is
// made for output that cannot be written.
std::FILE* watchedStream = nullptr;

bool watchedStreamFailed() {
    return watchedStream && std::ferror(watchedStream);
}

class Discard : public FastOutput {
public:
    std::string name() const override { return "nowhere"; }
    bool write(const std::int16_t*, std::size_t, const espeak::AbortFlag& abort,
               std::uint64_t generation) override {
        return abort == generation && !watchedStreamFailed();
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
        return abort == generation && !watchedStreamFailed() && file_.append(samples, count);
    }

private:
    WavFile& file_;
};

namespace {

// The folder a name is in, as the name gives it: links are left to the kernel.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

WavFile::WavFile(const std::string& path) {
    if (path == "-") {
        file_ = stdout;
        return;
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        throw failure(path);
    }
    if (exists && !S_ISREG(st.st_mode)) {
        file_ = std::fopen(path.c_str(), "wb");
        if (!file_) throw failure(path);
        return;
    }
    struct stat own {};
    const bool link = ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
    if (exists) {
        // Only where the shell's > would write: the kernel opens the file for writing (its
        // permissions, and its rules for links in shared folders), without changing it yet.
        const int probe = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (probe < 0) throw failure(path);
        ::close(probe);
    }
    // A link, symbolic or hard, keeps leading where it led: the finished sound is copied into
    // the file through its name. A file of its own is replaced by the new one.
    copyThrough_ = exists && (link || st.st_nlink > 1);
    // The new file is written in the name's own folder, under a short name of its own, so that
    // any name the folder takes can be written.
    temporary_ = folderOf(path) + "/.talvoro-say-XXXXXX";
    int fd = ::mkstemp(temporary_.data());
    if (fd < 0 && exists && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // A file that may be written in a folder that may not: the sound is kept elsewhere
        // and copied into the file once it is whole, as into a link.
        const char* tmp = std::getenv("TMPDIR");
        temporary_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/talvoro-say-XXXXXX";
        fd = ::mkstemp(temporary_.data());
        copyThrough_ = true;
    }
    if (fd < 0) throw failure(path);
    // The permissions a new file would get, or those of the file it replaces.
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    file_ = ::fdopen(fd, copyThrough_ ? "w+b" : "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        throw failure(path);
    }
    target_ = path;
    watchForInterrupts(temporary_);
}

WavFile::~WavFile() {
    if (file_ && file_ != stdout) std::fclose(file_);
    if (!target_.empty()) ::unlink(temporary_.c_str());
}

std::unique_ptr<espeak::AudioOutput> WavFile::output(int sampleRate) {
    unsigned char h[kHeaderBytes];
    header(h, sampleRate, static_cast<std::uint32_t>(kMaxDataBytes));
    if (std::fwrite(h, 1, sizeof h, file_) != sizeof h) fail();
    sampleRate_ = sampleRate;
    return std::make_unique<WavOutput>(*this);
}

void WavFile::fail() {
    if (!failed_) savedErrno_ = errno;
    failed_ = true;
}

bool WavFile::append(const std::int16_t* samples, std::size_t count) {
    if (failed_) return false;
    // The file holds little-endian samples, as this machine does.
    if (std::fwrite(samples, sizeof *samples, count, file_) != count) {
        fail();
        return false;
    }
    samples_ += count;
    return true;
}

bool WavFile::finish() {
    if (!file_) return !failed_;
    if (!failed_ && sampleRate_ > 0 && !target_.empty()) {
        unsigned char h[kHeaderBytes];
        header(h, sampleRate_, static_cast<std::uint32_t>(std::min(samples_ * 2, kMaxDataBytes)));
        if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0 ||
            std::fwrite(h, 1, sizeof h, file_) != sizeof h)
            fail();
    }
    if (!failed_ && copyThrough_ && !copyInto(target_)) fail();
    if (file_ == stdout ? std::fflush(file_) != 0 : std::fclose(file_) != 0) fail();
    file_ = nullptr;
    if (!failed_ && !target_.empty()) {
        if (copyThrough_ ? ::unlink(temporary_.c_str()) != 0
                         : ::rename(temporary_.c_str(), target_.c_str()) != 0)
            fail();
        else
            target_.clear();
        forgetPendingFile();
    }
    if (failed_) {
        discard();
        errno = savedErrno_;
    }
    return !failed_;
}

bool WavFile::copyInto(const std::string& path) {
    if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
    const int out = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    if (out < 0) return false;
    bool ok = true;
    char buffer[65536];
    for (std::size_t n; ok && (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
        for (std::size_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buffer + done, n - done);
            if (w > 0)
                done += static_cast<std::size_t>(w);
            else if (errno != EINTR)
                ok = false;
        }
    }
    if (std::ferror(file_)) ok = false;
    const int saved = errno;
    if (::close(out) != 0 && ok) return false;
    errno = saved;
    return ok;
}

void WavFile::discard() {
    if (file_ && file_ != stdout) std::fclose(file_);
    file_ = nullptr;
    if (!target_.empty()) ::unlink(temporary_.c_str());
    target_.clear();
    forgetPendingFile();
}

void stopWhenFailing(std::FILE* stream) {
    watchedStream = stream;
}

std::unique_ptr<espeak::AudioOutput> discardingOutput() {
    return std::make_unique<Discard>();
}

}  // namespace talvoro::say
