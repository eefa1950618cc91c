// The processing path never touches the heap: both processing entries, in
// place too, and the parameter entries of the loaded module run blocks of
// every shape without a single allocation or release, from the very first
// call on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "tests/support/Hosted.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> calls{0};

[[maybe_unused]] void note() {
    if (counting.load(std::memory_order_relaxed)) calls.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

// Counts malloc's family while `counting` is set; libstdc++'s operator new and
// delete end in it. The sanitizers' runtimes own malloc, so the presets asan
// and tsan leave this test out.
#if defined(_WIN32)
#include <windows.h>

// The DLL carries its own C++ runtime and reaches msvcrt's heap through its
// import table (writable data in a MinGW DLL): there each of malloc's family
// is replaced by a counting wrapper of the original.
namespace {
template <typename R, typename... A>
struct Counted {
    static inline R (*real)(A...);
    static R call(A... a) { return note(), real(a...); }
};
struct Hook { const char* name; void* counted; void* real; };
template <typename R, typename... A>
Hook hook(const char* name) { return {name, reinterpret_cast<void*>(Counted<R, A...>::call), &Counted<R, A...>::real}; }

void countModuleHeapCalls() {
    const Hook hooks[] = {hook<void*, std::size_t>("malloc"), hook<void*, std::size_t, std::size_t>("calloc"),
                          hook<void*, void*, std::size_t>("realloc"), hook<void, void*>("free")};
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA("Glowmarsh.dll"));
    const auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; dll->Name != 0; ++dll) {
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            for (const Hook& entry : hooks) {
                if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                    std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, entry.name) == 0) {
                    std::memcpy(entry.real, &slot->u1.Function, sizeof(void*));
                    slot->u1.Function = reinterpret_cast<ULONG_PTR>(entry.counted);
                }
            }
        }
    }
}
}  // namespace
#else
// Every module's calls bind to these definitions in the program.
void countModuleHeapCalls() {}
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t n) { return note(), __libc_malloc(n); }
void* calloc(std::size_t count, std::size_t n) { return note(), __libc_calloc(count, n); }
void* realloc(void* p, std::size_t n) { return note(), __libc_realloc(p, n); }
void* aligned_alloc(std::size_t alignment, std::size_t n) { return note(), __libc_memalign(alignment, n); }
void free(void* p) {
    if (p != nullptr) note();
    __libc_free(p);
}
}
#endif
#endif

namespace {

// Calls of malloc's family while `during` runs.
template <typename During>
long heapCallsDuring(During during) {
    calls = 0;
    counting = true;
    during();
    counting = false;
    return calls.load();
}

// Drives one instance through its record as a host's audio thread would: block
// sizes odd, even, largest and empty, silence in half the right channel (which
// wakes the input guard), parameters automated between blocks.
long allocationsWhileProcessing(AEffect* e) {
    constexpr VstInt32 kMaxFrames = 4096;
    auto f = hosted::noise<float>(kMaxFrames, 1), fOut = f;
    auto d = hosted::noise<double>(kMaxFrames, 2), dOut = d;
    std::fill(f.right.begin() + kMaxFrames / 2, f.right.end(), 0.0f);
    std::fill(d.right.begin() + kMaxFrames / 2, d.right.end(), 0.0);
    float sweep = 0.0f;
    return heapCallsDuring([&] {
    for (int round = 0; round < 5; ++round) {
        for (VstInt32 frames : {1, 2, 7, 64, 100, 511, 512, 4096, 0}) {
            for (VstInt32 p = 0; p < 4; ++p) {
                e->setParameter(e, p, sweep);
                sweep = sweep >= 1.0f ? 0.0f : sweep + 0.0625f;
                (void)e->getParameter(e, p);
            }
            e->processReplacing(e, f.at(0), fOut.at(0), frames);
            e->processDoubleReplacing(e, d.at(0), dOut.at(0), frames);
            e->processReplacing(e, fOut.at(0), fOut.at(0), frames);
            e->processDoubleReplacing(e, dOut.at(0), dOut.at(0), frames);
            e->process(e, f.at(0), fOut.at(0), frames);
        }
    }
    });
}

TEST(NoAllocation, ThroughTheLoadedModule) {
    hosted::library();
    countModuleHeapCalls();
    const long seen = heapCallsDuring([] {
        AEffect* e = hosted::library()->create(vsthost::hostCallback);
        e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);  // close: the instance is deleted
    });
    ASSERT_GE(seen, 2) << "the counter misses the module's own heap calls: a 0 below would mean nothing";
    EXPECT_EQ(allocationsWhileProcessing(hosted::create()->record()), 0);
}

}  // namespace
