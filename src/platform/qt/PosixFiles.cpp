#include "platform/qt/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "platform/FileServices.h"

namespace talvoro::qt {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now, reporting the error a late write-back can bring up at close.
    int close() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

// The temporary file of a replacement, removed unless it took the target's place.
class TemporaryFile {
public:
    TemporaryFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~TemporaryFile() {
        if (!kept_) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    Descriptor& fd() { return fd_; }
    void keep() { kept_ = true; }

private:
    std::string path_;
    Descriptor fd_;
    bool kept_ = false;
};

bool readOnly(const struct stat& st, const std::string& path) {
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fileError(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

TemporaryFile createBeside(const std::string& dir, const std::string& name, mode_t mode) {
    static std::atomic<unsigned> counter{0};
    // Short enough for any file system's name limit, whatever the target's name.
    // (Built by appending: GCC 12 at -O3 sees a false overlap in "literal" + std::string&&.)
    std::string stem = ".";
    stem.append(name, 0, 160);
    stem += ".talvoro-";
    stem += std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = dir + "/" + stem + "-" + std::to_string(counter++);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) return TemporaryFile(path, fd);
        if (errno != EEXIST) throw fileError(errno == ENOENT ? ENOTDIR : errno);
    }
    throw fileError(EEXIST);
}

// Where a save to `path` writes: `path` itself or, through symbolic links, the name the last
// link points at, whether a file stands there yet or not (so that a link to a file not yet made
// is not replaced by a file, and the file is made where the link points).
std::string throughLinks(std::string path) {
    for (int links = 0; links < 40; ++links) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string to(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
        if (n < 0) throw fileError(errno);
        to.resize(static_cast<std::size_t>(n));
        if (to.empty()) throw fileError(ENOENT);
        if (to.front() != '/') {
            const std::size_t slash = path.find_last_of('/');
            if (slash != std::string::npos) to.insert(0, path, 0, slash + 1);
        }
        path = std::move(to);
    }
    throw fileError(ELOOP);
}

// Writes `bytes` over a file's own contents, which every name of it shows.
void writeInPlace(const std::string& path, std::string_view bytes) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd) throw fileError(errno);
    writeAll(fd.get(), bytes);
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) throw fileError(errno);
    if (::fsync(fd.get()) != 0) throw fileError(errno);
    if (fd.close() != 0) throw fileError(errno);
}

}  // namespace

AppError fileError(int error) {
    switch (error) {
        case ENOENT:
            return AppError(kErrFileNotFound, "文件未找到");
        case ENOTDIR:
            return AppError(kErrPathNotFound, "路径未找到");
        case EACCES:
        case EPERM:
            return AppError(kErrPermissionDenied, "没有权限");
        case ENOSPC:
        case EDQUOT:
            return AppError(kErrDiskFull, "磁盘已满");
        case EIO:
            return AppError(kErrDeviceIo, "设备 I/O 错误");
        case ENOMEM:
            return AppError(kErrOutOfMemory, "内存溢出");
        default:
            return AppError(kErrPathFileAccess, "路径/文件访问错误");
    }
}

std::string readWholeFile(const std::string& path) {
    // Only a regular file has an end to read up to: a device such as /dev/zero never ends, and
    // a named pipe blocks the opening until a writer comes, which may be never. So the opening
    // never waits, and what was opened is looked at before anything is read.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) throw fileError(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) throw fileError(errno);
    if (!S_ISREG(st.st_mode)) throw fileError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);

    std::string bytes;
    const auto size = static_cast<std::size_t>(st.st_size);
    // Room for the line break that text taken from a file starts with, so that a file read
    // whole is not copied again for it.
    bytes.reserve(size + 2);
    bytes.resize(size);
    std::size_t done = 0;
    char more[65536];
    for (;;) {
        // Read into the buffer sized from the file; past its end (a growing file, or one that
        // gives its size as 0, as /proc does) through a small block, so that reaching the end costs
        // no reallocation.
        const bool room = done < bytes.size();
        char* into = room ? bytes.data() + done : more;
        const std::size_t want = room ? bytes.size() - done : sizeof more;
        const ssize_t n = ::read(fd.get(), into, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fileError(errno);
        }
        if (n == 0) break;
        if (room) {
            done += static_cast<std::size_t>(n);
        } else {
            bytes.append(more, static_cast<std::size_t>(n));
            done = bytes.size();
        }
    }
    bytes.resize(done);
    return bytes;
}

void replaceFile(const std::string& path, std::string_view bytes) {
    const std::string target = throughLinks(path);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) throw fileError(EISDIR);
        // A device or a named pipe is no file to keep text in, and must not be replaced by one.
        if (!S_ISREG(st.st_mode)) throw fileError(EINVAL);
        if (readOnly(st, target)) throw fileError(EACCES);
    } else if (errno != ENOENT) {
        throw fileError(errno);
    }

    const std::size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    {
        TemporaryFile temp = createBeside(dir, name, exists ? (st.st_mode & 07777) : 0666);
        if (exists) {
            // The creation mode went through the umask; the owner matters when root saves.
            ::fchmod(temp.fd().get(), st.st_mode & 07777);
            if (::fchown(temp.fd().get(), st.st_uid, st.st_gid) != 0) { /* another owner's file */
            }
        }
        writeAll(temp.fd().get(), bytes);
        if (::fsync(temp.fd().get()) != 0) throw fileError(errno);
        if (temp.fd().close() != 0) throw fileError(errno);
        if (!exists || st.st_nlink < 2) {
            if (::rename(temp.path().c_str(), target.c_str()) != 0) throw fileError(errno);
            temp.keep();
            // The new name is on the disk once the folder is.
            Descriptor folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (folder) ::fsync(folder.get());
            return;
        }
    }
    // Several names share this file: every one of them is to show the new text, so it is
    // written over in its place. The copy written whole above, removed now, has shown that the
    // text fits; its room is what the file needs to grow.
    writeInPlace(target, bytes);
}

bool isReadOnlyFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && readOnly(st, path);
}

}  // namespace talvoro::qt
