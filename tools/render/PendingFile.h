// An output file that appears only when complete: written under a temporary
// name in the destination's folder and renamed over the destination at
// commit. Until then, destruction or an interrupting signal (INT, TERM, HUP)
// removes the temporary file, so a failed run leaves nothing behind.
#pragma once

#include <cstddef>
#include <string>

namespace render {

class PendingFile {
public:
    // Creates the temporary file beside destination; throws
    // RenderError(outputFile) naming destination when the folder cannot take
    // it.
    explicit PendingFile(const std::string& destination);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The open descriptor of the temporary file; it stays ours to close.
    int descriptor() const { return fd; }

    // Writes all of data at the current position; throws
    // RenderError(outputFile).
    void writeAll(const void* data, std::size_t size);

    // Flushes the data to disk and renames the temporary file into place;
    // throws RenderError(outputFile) on failure, after removing it.
    void commit();

    const std::string& destination() const { return finalPath; }
    const std::string& temporaryPath() const { return tempPath; }

private:
    void discard();

    std::string finalPath;
    std::string tempPath;
    int fd = -1;
    int slot = -1;  // place in the signal handler's list of files to remove
    bool committed = false;
};

// Writes bytes to destination through a PendingFile.
void writeFileAtomically(const std::string& destination, const void* data, std::size_t size);

}  // namespace render
