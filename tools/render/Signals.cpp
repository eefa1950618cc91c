#include "tools/render/Signals.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace render {
namespace {

// The handler may only use async-signal-safe calls, so what it needs sits in
// fixed arrays.
constexpr std::size_t kMaxPending = 4;
constexpr std::size_t kMaxPathBytes = 4096;
constexpr std::size_t kMaxChildren = 1024;
std::array<std::array<char, kMaxPathBytes>, kMaxPending> pendingPaths;
std::array<std::atomic<bool>, kMaxPending> pendingInUse;
std::array<std::atomic<pid_t>, kMaxChildren> children;

// Every signal whose default action ends the process and that can be
// caught, except SIGTRAP, which belongs to debuggers; SIGPIPE and SIGXFSZ are
// ignored instead.
void forEachTerminatingSignal(auto&& action) {
    for (int signalNumber : {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGABRT, SIGBUS, SIGFPE, SIGUSR1, SIGSEGV, SIGUSR2,
                             SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS}) {
        action(signalNumber);
    }
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) {
        action(signalNumber);
    }
}

extern "C" void cleanUpAndDie(int signalNumber) {
    for (auto& child : children) {
        if (const pid_t pid = child.load(); pid > 0) {
            kill(pid, signalNumber);
        }
    }
    for (auto& child : children) {
        if (const pid_t pid = child.load(); pid > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    for (std::size_t i = 0; i < kMaxPending; ++i) {
        if (pendingInUse[i].load()) {
            unlink(pendingPaths[i].data());
        }
    }
    std::signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

bool isDefault(int signalNumber) {
    struct sigaction current {};
    return sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

}  // namespace

void installSignalHandling() {
    for (int signalNumber : {SIGPIPE, SIGXFSZ}) {
        if (isDefault(signalNumber)) {
            std::signal(signalNumber, SIG_IGN);
        }
    }
    // A handler already there (a sanitizer's) is left in place too.
    forEachTerminatingSignal([](int signalNumber) {
        if (isDefault(signalNumber)) {
            struct sigaction action {};
            action.sa_handler = cleanUpAndDie;
            sigfillset(&action.sa_mask);
            sigaction(signalNumber, &action, nullptr);
        }
    });
}

void terminatingSignals(sigset_t& set) {
    sigemptyset(&set);
    forEachTerminatingSignal([&set](int signalNumber) { sigaddset(&set, signalNumber); });
}

int rememberPendingFile(const std::string& path) {
    if (path.size() >= kMaxPathBytes) {
        return -1;
    }
    for (std::size_t i = 0; i < kMaxPending; ++i) {
        if (!pendingInUse[i].load()) {
            std::memcpy(pendingPaths[i].data(), path.c_str(), path.size() + 1);
            pendingInUse[i].store(true);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void forgetPendingFile(int slot) {
    if (slot >= 0) {
        pendingInUse[static_cast<std::size_t>(slot)].store(false);
    }
}

void rememberChild(pid_t pid) {
    for (auto& child : children) {
        pid_t empty = 0;
        if (child.compare_exchange_strong(empty, pid)) {
            return;
        }
    }
}

void forgetChild(pid_t pid) {
    for (auto& child : children) {
        pid_t expected = pid;
        if (child.compare_exchange_strong(expected, 0)) {
            return;
        }
    }
}

}  // namespace render
