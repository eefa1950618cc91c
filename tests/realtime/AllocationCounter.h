// A window in which every heap allocation and release of the process is
// counted. One window at a time; counting is process-wide.
#pragma once

// Counting replaces malloc and its family, which C++'s allocation functions
// and a loaded module's own runtime both reach. Sanitizer runtimes own malloc,
// so there the counter sees nothing.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ALLOCATION_COUNTER_SEES_MALLOC 0
#else
#define ALLOCATION_COUNTER_SEES_MALLOC 1
#endif

namespace allocations {

class Window {
public:
    Window();
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    long allocations() const;  // since the window opened
    long releases() const;
};

}  // namespace allocations
