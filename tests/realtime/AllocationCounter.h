// A window in which every heap allocation and release of the process is
// counted. One window at a time; counting is process-wide.
#pragma once

// Sanitizer runtimes own malloc, so there only the C++ allocation functions
// are counted; elsewhere malloc and its family are counted as well.
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
