#include "tools/render/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "tools/render/RenderError.h"

namespace render {
namespace {

// Temporary files to remove if a signal ends the process. The handler may
// only use async-signal-safe calls, so the names sit in fixed arrays.
constexpr std::size_t kMaxPending = 4;
constexpr std::size_t kMaxPathBytes = 4096;
std::array<std::array<char, kMaxPathBytes>, kMaxPending> pendingPaths;
std::array<std::atomic<bool>, kMaxPending> pendingInUse;

extern "C" void removePendingAndDie(int signalNumber) {
    for (std::size_t i = 0; i < kMaxPending; ++i) {
        if (pendingInUse[i].load()) {
            unlink(pendingPaths[i].data());
        }
    }
    std::signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void installHandlersOnce() {
    static const bool installed = [] {
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signalNumber, removePendingAndDie);
        }
        return true;
    }();
    (void)installed;
}

int registerPending(const std::string& path) {
    if (path.size() >= kMaxPathBytes) {
        return -1;
    }
    installHandlersOnce();
    for (std::size_t i = 0; i < kMaxPending; ++i) {
        if (!pendingInUse[i].load()) {
            std::memcpy(pendingPaths[i].data(), path.c_str(), path.size() + 1);
            pendingInUse[i].store(true);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void unregisterPending(int slot) {
    if (slot >= 0) {
        pendingInUse[static_cast<std::size_t>(slot)].store(false);
    }
}

std::string reason() {
    return std::strerror(errno);
}

// The permissions a newly created file gets here: 0666 less the umask.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

PendingFile::PendingFile(const std::string& destination) : finalPath(destination) {
    namespace fs = std::filesystem;
    const fs::path target(destination);
    if (target.filename().empty()) {
        fail(ExitCode::outputFile, destination + ": not a file name");
    }
    std::error_code ignored;
    if (fs::is_directory(target, ignored)) {
        fail(ExitCode::outputFile, destination + ": is a folder");
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    // Hidden, and named after the destination so a stray one is recognisable.
    std::string hiddenName(".");
    hiddenName.append(target.filename().string()).append(".part-XXXXXX");
    std::string pattern = (folder / hiddenName).string();
    fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(ExitCode::outputFile, destination + ": cannot create a file in " + folder.string() + ": " + reason());
    }
    tempPath = pattern;
    slot = registerPending(tempPath);
    // mkostemp makes the file private; the result gets ordinary permissions.
    if (fchmod(fd, newFileMode()) != 0) {
        const std::string why = reason();
        discard();
        fail(ExitCode::outputFile, destination + ": cannot set permissions: " + why);
    }
}

PendingFile::~PendingFile() {
    if (!committed) {
        discard();
    }
}

void PendingFile::discard() {
    if (fd >= 0) {
        ::close(fd);
    }
    fd = -1;
    if (!tempPath.empty()) {
        unlink(tempPath.c_str());
    }
    unregisterPending(slot);
    slot = -1;
}

void PendingFile::commit() {
    const bool synced = fsync(fd) == 0 && ::close(std::exchange(fd, -1)) == 0;
    const std::string syncWhy = synced ? "" : reason();
    if (!synced) {
        discard();
        fail(ExitCode::outputFile, finalPath + ": cannot write: " + syncWhy);
    }
    if (std::rename(tempPath.c_str(), finalPath.c_str()) != 0) {
        const std::string why = reason();
        discard();
        fail(ExitCode::outputFile, finalPath + ": cannot move the finished file into place: " + why);
    }
    committed = true;
    unregisterPending(slot);
    slot = -1;
}

void PendingFile::writeAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(ExitCode::outputFile, finalPath + ": cannot write: " + reason());
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void writeFileAtomically(const std::string& destination, const void* data, std::size_t size) {
    PendingFile file(destination);
    file.writeAll(data, size);
    file.commit();
}

}  // namespace render
