// What glowmarsh-render does about signals. A terminating signal that the
// caller left at its default removes the files this process has started
// (and, in a batch, first stops the renders it runs and waits for them),
// then ends the process by the same signal. Signals the caller ignores stay
// ignored. SIGPIPE and SIGXFSZ are ignored, so that a closed pipe or a file
// size limit fails a write with an error the normal path reports.
#pragma once

#include <sys/types.h>

#include <string>

namespace render {

// Call first thing in main, before any file is created.
void installSignalHandling();

// Files to remove if a signal ends the process; the slot (-1 when the path
// does not fit) is handed back to forget the file.
int rememberPendingFile(const std::string& path);
void forgetPendingFile(int slot);

// Child processes to stop and wait for if a signal ends the process.
void rememberChild(pid_t pid);
void forgetChild(pid_t pid);

// The signals the handler serves, to block around spawning a child.
void terminatingSignals(sigset_t& set);

}  // namespace render
