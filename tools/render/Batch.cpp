#include "tools/render/Batch.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <system_error>

#include "tools/render/Formats.h"
#include "tools/render/OutputFile.h"
#include "tools/render/Progress.h"
#include "tools/render/RenderError.h"
#include "tools/render/Signals.h"

extern char** environ;

namespace render {
namespace {

namespace fs = std::filesystem;

// One input's render.
struct Job {
    std::string input;
    std::string output;
    pid_t pid = 0;
    std::FILE* out = nullptr;  // its standard output and error, kept until it ends
    std::FILE* err = nullptr;
    int exitCode = 0;
};

int coresAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return std::max(1, CPU_COUNT(&set));
    }
    return static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
}

std::string contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, got);
    }
    std::fclose(file);
    return text;
}

void spawn(Job& job, const std::string& program, const std::vector<std::string>& passedOn) {
    job.out = std::tmpfile();
    job.err = std::tmpfile();
    if (job.out == nullptr || job.err == nullptr) {
        fail(ExitCode::internal, std::string("cannot create a temporary file: ") + std::strerror(errno));
    }
    // Only this job's render gets them.
    fcntl(fileno(job.out), F_SETFD, FD_CLOEXEC);
    fcntl(fileno(job.err), F_SETFD, FD_CLOEXEC);
    std::vector<std::string> words{"glowmarsh-render"};
    words.insert(words.end(), passedOn.begin(), passedOn.end());
    words.insert(words.end(), {"--", job.input, job.output});
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(job.out), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fileno(job.err), STDERR_FILENO);
    // Signals stay blocked until the child is on the list the handler
    // stops; the child starts with the mask the batch had.
    sigset_t terminating, previous;
    terminatingSignals(terminating);
    sigprocmask(SIG_BLOCK, &terminating, &previous);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &previous);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const int error = posix_spawn(&job.pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    if (error == 0) {
        rememberChild(job.pid);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        fail(ExitCode::internal, "cannot start " + program + ": " + std::strerror(error));
    }
}

// "3/40 files, 90.0 s of audio, 12.3x real time"
std::string progressText(std::size_t done, std::size_t total, double audioSeconds, double wallSeconds) {
    char text[128];
    std::snprintf(text, sizeof text, "%zu/%zu files, %.1f s of audio, %.1fx real time", done, total, audioSeconds,
                  wallSeconds > 0.0 ? audioSeconds / wallSeconds : 0.0);
    return text;
}

}  // namespace

int runBatch(const Options& options) {
    std::error_code error;
    fs::create_directories(options.outDir, error);
    if (!fs::is_directory(options.outDir)) {
        fail(ExitCode::outputFile, options.outDir + ": cannot create the folder: " + error.message());
    }
    std::string extension;
    if (!options.formatName.empty()) {
        const OutputFormat* format = findOutputFormat(options.formatName);
        if (format == nullptr) {
            fail(ExitCode::usage, "--format: '" + options.formatName + "' is not a format this libsndfile writes; " +
                                      formatNamesText());
        }
        extension = "." + format->names.front();
    }
    std::vector<Job> jobs;
    std::map<std::string, std::string> outputs;  // resolved output, input
    for (const std::string& input : options.inputs) {
        const fs::path name(input);
        Job job{input, (fs::path(options.outDir) / name.stem()).string() +
                           (extension.empty() ? name.extension().string() : extension)};
        const auto [clash, fresh] = outputs.emplace(resolvedPath(job.output), input);
        if (!fresh) {
            fail(ExitCode::usage, clash->second + " and " + input + " would both render to " + job.output);
        }
        jobs.push_back(std::move(job));
    }
    std::error_code ignored;
    const std::string program = fs::read_symlink("/proc/self/exe", ignored).string();
    const std::size_t parallel = std::min<std::size_t>(options.jobs ? options.jobs : coresAvailable(), jobs.size());
    const bool drawProgress = !options.quiet && isatty(STDERR_FILENO) == 1;
    const auto start = std::chrono::steady_clock::now();
    std::size_t next = 0, running = 0, done = 0;
    double audioSeconds = 0.0;
    while (done < jobs.size()) {
        for (; running < parallel && next < jobs.size(); ++running) {
            spawn(jobs[next++], program, options.passedOn);
        }
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0 && errno != EINTR) {
            fail(ExitCode::internal, std::string("waiting for the renders: ") + std::strerror(errno));
        }
        const auto job = std::find_if(jobs.begin(), jobs.end(), [pid](const Job& j) { return j.pid == pid; });
        if (job == jobs.end()) {
            continue;  // interrupted
        }
        forgetChild(pid);
        --running;
        ++done;
        job->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : static_cast<int>(ExitCode::internal);
        const std::string out = contents(job->out), err = contents(job->err);
        double seconds = 0.0;
        if (job->exitCode == 0 && std::sscanf(out.c_str(), "%*[0-9] frames, %lf s of audio", &seconds) == 1) {
            audioSeconds += seconds;
        }
        if (drawProgress) {
            std::cerr << "\r\033[K" << std::flush;
        }
        if (job->exitCode == 0 && !options.quiet) {
            printOut(job->input + " -> " + job->output + ": " + out);
        }
        std::cerr << err;
        if (WIFSIGNALED(status)) {
            std::cerr << "glowmarsh-render: " << job->input << ": the render was ended by signal "
                      << WTERMSIG(status) << " (" << strsignal(WTERMSIG(status)) << ")\n";
        }
        const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (drawProgress && done < jobs.size()) {
            std::cerr << progressText(done, jobs.size(), audioSeconds, wallSeconds) << std::flush;
        }
    }
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string failed;
    int firstCode = 0;
    std::size_t failures = 0;
    for (const Job& job : jobs) {
        if (job.exitCode != 0) {
            failed += (failed.empty() ? "" : ", ") + job.input;
            firstCode = firstCode ? firstCode : job.exitCode;
            ++failures;
        }
    }
    if (!options.quiet) {
        char summary[160];
        std::snprintf(summary, sizeof summary, "rendered %zu of %zu files: %.3f s of audio in %.3f s (%.1fx real time)\n",
                      jobs.size() - failures, jobs.size(), audioSeconds, wallSeconds,
                      wallSeconds > 0.0 ? audioSeconds / wallSeconds : 0.0);
        printOut(summary);
    }
    if (failures > 0) {
        std::cerr << "glowmarsh-render: " << failures << " of " << jobs.size() << " files failed: " << failed << std::endl;
    }
    return firstCode;
}

}  // namespace render
