// Preloaded into every program run under qemu-ppc (see ppc32.cmake).
//
// glibc's libm (sin and cos among others) sets the rounding mode with the
// ISA 3.0 instructions mffscrn and mffscrni, relying on the architecture's
// rule that older processors execute these encodings as plain mffs; glibc
// then sets the rounding mode itself when the processor lacks ISA 3.0.
// qemu 7.2 raises SIGILL for them on every 32-bit CPU model instead. This
// handler does what the older processors do: FRT = FPSCR, next instruction.
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ucontext.h>

namespace {

constexpr std::uint32_t kPrimaryOpcode = 63;
constexpr std::uint32_t kMffsExtendedOpcode = 583;
constexpr int kNip = 32;    // gregs index of the instruction address
constexpr int kFpscr = 32;  // fpregs index of the FPSCR image

struct sigaction previous;

void emulateMffsVariant(int signal, siginfo_t* info, void* context) {
    auto* uc = static_cast<ucontext_t*>(context);
    mcontext_t* mc = uc->uc_mcontext.uc_regs;
    const auto* pc = reinterpret_cast<const std::uint32_t*>(mc->gregs[kNip]);
    const std::uint32_t word = *pc;
    const bool mffsVariant = (word >> 26) == kPrimaryOpcode && ((word >> 1) & 0x3FF) == kMffsExtendedOpcode &&
                             ((word >> 16) & 0x1F) != 0;
    if (!mffsVariant) {
        // Not ours: die as the program would have without this handler.
        sigaction(signal, &previous, nullptr);
        if (previous.sa_flags & SA_SIGINFO) {
            previous.sa_sigaction(signal, info, context);
        } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal);
        }
        return;  // the default action runs when the instruction traps again
    }
    const unsigned target = (word >> 21) & 0x1F;
    std::memcpy(&mc->fpregs.fpregs[target], &mc->fpregs.fpregs[kFpscr], sizeof(double));
    mc->gregs[kNip] += 4;
}

__attribute__((constructor)) void installHandler() {
    struct sigaction action {};
    action.sa_sigaction = emulateMffsVariant;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGILL, &action, &previous);
}

}  // namespace
