// A host callback for tests: remembers every call it gets and answers what
// the test chose. Plain functions carry no context, so there is one
// recorder per process; tests reset it before use.
#pragma once

#include <functional>
#include <vector>

#include "host/AEffect.h"

namespace testhost {

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

struct RecordingHost {
    static inline std::vector<HostCall> calls;
    static inline std::function<VstIntPtr(const HostCall&)> answer;

    // Forgets the calls; answers with answerWith, by default 2400 to the version query and 0 to the rest.
    static void reset(std::function<VstIntPtr(const HostCall&)> answerWith = {}) {
        calls.clear();
        answer = answerWith ? std::move(answerWith) : [](const HostCall& c) { return VstIntPtr{c.opcode == 1 ? 2400 : 0}; };
    }

    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
        calls.push_back({effect, opcode, index, value, ptr, opt});
        return answer(calls.back());
    }
};

// Answers the same value to every call.
inline std::function<VstIntPtr(const HostCall&)> always(VstIntPtr value) {
    return [value](const HostCall&) { return value; };
}

}  // namespace testhost
