#include "platform/qt/QtSystemServices.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/AppError.h"
#include "provision/Provisioning.h"

namespace talvoro::qt {
namespace {

constexpr const char* kFolderName = "talvoro";

// The program's own resources by their Windows type and id.
const char* resourceFile(int id, const std::string& type) {
    if (type == kCustomResource && id == kManualResource) return ":/talvoro-manual.mht";
    return nullptr;
}

[[noreturn]] void fail(long number, const std::string& what) {
    throw AppError(number, what + ": " + std::strerror(errno));
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A folder of ours that nobody else may enter.
bool ownPrivateFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && path[0] == '/' && lstat(path.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// Makes the folders along `path` that are missing, each private.
void makeFolders(const std::string& path) {
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) fail(76, "路径未找到 " + part);
        if (at == std::string::npos) return;
    }
}

}  // namespace

std::string privateFolder(const std::string& base, const std::string& name) {
    if (base.empty() || base[0] != '/') throw AppError(76, "路径未找到");
    makeFolders(base);
    const std::string folder = base + "/" + name;
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) fail(76, "路径未找到 " + folder);
    // Looked at through a descriptor opened without following a link, so that what is checked
    // is what is made private.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) fail(75, "路径/文件访问错误 " + folder);
    struct stat st;
    const bool ours = fstat(fd, &st) == 0 && st.st_uid == geteuid();
    const bool isPrivate = ours && ((st.st_mode & 077) == 0 || fchmod(fd, 0700) == 0);
    close(fd);
    if (!isPrivate) throw AppError(75, "路径/文件访问错误 " + folder);
    return folder;
}

std::string QtSystemServices::systemDirectory() {
    throw AppError(76, "路径未找到：语音引擎是程序的一部分，没有系统目录可写");
}

std::string QtSystemServices::helpFilePath(const std::string& name) {
    std::string base = environment("XDG_RUNTIME_DIR");
    if (!ownPrivateFolder(base)) {
        base = environment("XDG_CACHE_HOME");
        if (base.empty() || base[0] != '/') {
            const std::string home = environment("HOME");
            if (home.empty() || home[0] != '/') throw AppError(76, "路径未找到");
            base = home + "/.cache";
        }
    }
    return privateFolder(base, kFolderName) + "/" + name;
}

bool QtSystemServices::fileExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void QtSystemServices::deleteFile(const std::string& path) {
    // unlink removes a link itself, never what it leads to.
    if (unlink(path.c_str()) != 0) fail(errno == ENOENT ? 53 : 75, "无法删除 " + path);
}

std::vector<std::uint8_t> QtSystemServices::loadResource(int id, const std::string& type) {
    const char* name = resourceFile(id, type);
    QFile file(name ? QString::fromLatin1(name) : QString());
    if (!name || !file.open(QIODevice::ReadOnly))
        throw AppError(326, "找不到标识符为 '" + std::to_string(id) + "' 的资源");
    const QByteArray data = file.readAll();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

FileNumber QtSystemServices::createFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) fail(errno == EEXIST ? 58 : 75, "无法创建 " + path);
    return fd;
}

void QtSystemServices::writeFile(FileNumber file, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(static_cast<int>(file), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(61, "写入失败");
        done += static_cast<std::size_t>(n);
    }
}

void QtSystemServices::closeFile(FileNumber file) {
    if (close(static_cast<int>(file)) != 0 && errno != EINTR) fail(57, "关闭文件失败");
}

void QtSystemServices::startProcess(const std::string& commandLine, int) {
    QStringList args = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (args.isEmpty()) throw AppError(5, "无效的过程调用或参数");
    const QString program = args.takeFirst();
    if (!QProcess::startDetached(program, args)) throw AppError(53, "文件未找到");
}

}  // namespace talvoro::qt
