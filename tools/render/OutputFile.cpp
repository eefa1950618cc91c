#include "tools/render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "tools/render/RenderError.h"
#include "tools/render/Signals.h"

namespace render {
namespace {

namespace fs = std::filesystem;

std::string reason() {
    return std::strerror(errno);
}

// The permissions a newly created file gets here: 0666 less the umask.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// ".NAME.part-XXXXXX", with NAME cut (at a character boundary) so that the
// whole stays within the folder's limit on names.
std::string hiddenPattern(const fs::path& folder, const std::string& name) {
    const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::string suffix = ".part-XXXXXX";
    std::string kept = name;
    const auto room = static_cast<std::size_t>(limit > 0 ? limit : 255) - 1 - suffix.size();
    if (kept.size() > room) {
        kept.resize(room);
        while (!kept.empty() && (static_cast<unsigned char>(kept.back()) & 0xC0) == 0x80) {
            kept.pop_back();  // a continuation byte: drop the partial character
        }
        if (!kept.empty() && static_cast<unsigned char>(kept.back()) >= 0xC0) {
            kept.pop_back();
        }
    }
    return (folder / ("." + kept + suffix)).string();
}

}  // namespace

std::string resolvedPath(const std::string& path) {
    std::error_code error;
    fs::path target(path);
    if (fs::exists(target, error)) {
        const fs::path canonical = fs::canonical(target, error);
        return error ? path : canonical.string();
    }
    // A dangling link: follow it by hand to the file it would create.
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target, error)); ++hops) {
        const fs::path next = fs::read_symlink(target, error);
        if (error) {
            break;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    const fs::path canonical = fs::weakly_canonical(fs::absolute(target, error), error);
    return error ? target.string() : canonical.string();
}

OutputFile::OutputFile(const std::string& destination)
    : shownName(destination == "-" ? "standard output" : destination) {
    if (writesDirectly(destination)) {
        // A copy of standard output, so that closing it here leaves the
        // process's own.
        fd = destination == "-" ? fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
                                : open(destination.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            fail(ExitCode::outputFile, shownName + ": cannot open for writing: " + reason());
        }
        canSeek = isSeekable(fd);
        return;
    }
    const fs::path target(resolvedPath(destination));
    if (fs::path(destination).filename().empty() || target.filename().empty()) {
        fail(ExitCode::outputFile, destination + ": not a file name");
    }
    std::error_code ignored;
    if (fs::is_directory(target, ignored)) {
        fail(ExitCode::outputFile, destination + ": is a folder");
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string pattern = hiddenPattern(folder, target.filename().string());
    // A signal between creating the file and listing it would leave it.
    sigset_t terminating, previous;
    terminatingSignals(terminating);
    sigprocmask(SIG_BLOCK, &terminating, &previous);
    fd = mkostemp(pattern.data(), O_CLOEXEC);
    const std::string why = reason();
    if (fd >= 0) {
        slot = rememberPendingFile(pattern);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        fail(ExitCode::outputFile, destination + ": cannot create a file in " + folder.string() + ": " + why);
    }
    tempPath = pattern;
    finalPath = target.string();
    canSeek = true;
    // mkostemp makes the file private; the result gets ordinary permissions.
    if (fchmod(fd, newFileMode()) != 0) {
        const std::string why = reason();
        discard();
        fail(ExitCode::outputFile, destination + ": cannot set permissions: " + why);
    }
}

OutputFile::~OutputFile() {
    if (!committed) {
        discard();
    }
}

void OutputFile::discard() {
    if (fd >= 0) {
        ::close(fd);
    }
    fd = -1;
    if (!tempPath.empty()) {
        unlink(tempPath.c_str());
    }
    forgetPendingFile(slot);
    slot = -1;
}

void OutputFile::commit() {
    if (finalPath.empty()) {
        // Written directly: a pipe or device has nothing to sync, and its
        // close reports nothing the writes did not.
        ::close(std::exchange(fd, -1));
        committed = true;
        return;
    }
    const bool synced = fsync(fd) == 0 && ::close(std::exchange(fd, -1)) == 0;
    const std::string syncWhy = synced ? "" : reason();
    if (!synced) {
        discard();
        fail(ExitCode::outputFile, shownName + ": cannot write: " + syncWhy);
    }
    if (std::rename(tempPath.c_str(), finalPath.c_str()) != 0) {
        const std::string why = reason();
        discard();
        fail(ExitCode::outputFile, shownName + ": cannot move the finished file into place: " + why);
    }
    committed = true;
    forgetPendingFile(slot);
    slot = -1;
}

void OutputFile::writeAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(ExitCode::outputFile, shownName + ": cannot write: " + reason());
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

bool writesDirectly(const std::string& destination) {
    struct stat status {};
    return destination == "-" ||
           (stat(destination.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode));
}

bool isSeekable(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && !(flags & O_APPEND) && lseek(fd, 0, SEEK_CUR) >= 0;
}

bool destinationCannotSeek(const std::string& destination) {
    if (destination == "-") {
        return !isSeekable(STDOUT_FILENO);
    }
    struct stat status {};
    if (stat(destination.c_str(), &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) {
        return false;
    }
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        return true;
    }
    const int fd = open(destination.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const bool cannot = fd >= 0 && !isSeekable(fd);
    if (fd >= 0) {
        ::close(fd);
    }
    return cannot;
}

void writeFileAtomically(const std::string& destination, const void* data, std::size_t size) {
    OutputFile file(destination);
    file.writeAll(data, size);
    file.commit();
}

}  // namespace render
