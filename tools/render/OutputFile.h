// Where an output goes. A regular file (new or existing, also through
// symlinks, dangling ones included) appears only when complete: it is
// written under a hidden temporary name in its folder and renamed over the
// destination at commit; until then, destruction or a terminating signal
// removes the temporary file, so a failed run leaves nothing behind. "-"
// (standard output), a FIFO or a device is written directly.
#pragma once

#include <cstddef>
#include <string>

namespace render {

class OutputFile {
public:
    // Creates the temporary file beside the destination, or opens the
    // destination for direct writing; throws RenderError(outputFile) naming
    // destination when that fails.
    explicit OutputFile(const std::string& destination);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The open descriptor; it stays ours to close.
    int descriptor() const { return fd; }
    // Whether writing can seek: false for pipes, sockets and terminals.
    bool seekable() const { return canSeek; }

    // Writes all of data at the current position; throws
    // RenderError(outputFile).
    void writeAll(const void* data, std::size_t size);

    // Flushes the data to disk and renames the temporary file into place;
    // throws RenderError(outputFile) on failure, after removing it.
    void commit();

    // The destination as messages name it.
    const std::string& name() const { return shownName; }

private:
    void discard();

    std::string shownName;
    std::string finalPath;  // where the rename goes; empty when written directly
    std::string tempPath;
    int fd = -1;
    int slot = -1;  // place in the signal handler's list of files to remove
    bool canSeek = false;
    bool committed = false;
};

// The file a path names once symlinks are followed, also when the last one
// dangles, in canonical form; the path itself when that cannot be known.
std::string resolvedPath(const std::string& path);

// Whether an OutputFile for destination writes it directly: "-", a FIFO, a
// device.
bool writesDirectly(const std::string& destination);

// Whether writes to the descriptor can seek back: not for pipes, sockets,
// terminals, or a file opened for appending.
bool isSeekable(int fd);
// Whether an OutputFile for destination would not be seekable (opening
// nothing that could block: a FIFO is known by its type).
bool destinationCannotSeek(const std::string& destination);

// Writes bytes to destination through an OutputFile.
void writeFileAtomically(const std::string& destination, const void* data, std::size_t size);

}  // namespace render
