// AudioEffect: the base of every effect. It owns the AEffect record handed to
// the host, the host callback, and what the host last said about sample rate
// and block size. The declaration order of the virtual operations is the
// order of their slots and is part of the boundary: do not reorder.
//
// Threads: the host calls the dispatcher and the parameter entries from any
// thread and the processing entries from its audio thread, each only between
// creation (the entry point) and close (opcode 1). Nothing here locks.
#pragma once

#include "host/AEffEditor.h"
#include "host/AEffect.h"

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Opcodes 0 to 24; anything else answers 0.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
    virtual void setBlockSize(VstInt32 newBlockSize) { blockSize = newBlockSize; }

    // Audio thread, one call at a time per instance.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*sampleFrames*/) {}

    // Any thread, also while processing runs.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return currentProgram; }
    virtual void setProgram(VstInt32 program) { currentProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name);

    // Texts of at most 8 characters plus terminator.
    virtual void getParameterLabel(VstInt32 index, char* label);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterName(VstInt32 index, char* text);

    // The state as one opaque block; answers its size in bytes.
    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/ = false) { return 0; }

    // Record fields; called by constructors of effect classes.
    virtual void setUniqueID(VstInt32 id) { effectRecord.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { effectRecord.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { effectRecord.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effectFlags::canReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effectFlags::canDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effectFlags::programChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { effectRecord.initialDelay = delay; }

    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &effectRecord; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    // Host calls (host opcodes 1 to 3).
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();

    // Value-to-text helpers: at most maxLen characters, zeros through index maxLen.
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);

    // The accumulating entry: does nothing, so the host's outputs stay as they were.
    virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state = true) { setFlag(effectFlags::hasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effectFlags::hasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effectFlags::canMono, state); }
    virtual void setRealtimeQualities(VstInt32 qualities) { effectRecord.realtimeQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { effectRecord.offlineQualities = qualities; }
    virtual VstInt32 isInputConnected(VstInt32 input);
    virtual VstInt32 isOutputConnected(VstInt32 output);

    // Stores the editor and announces it in the record's flags.
    void setEditor(AEffEditor* newEditor);

    // The record's six entries: each finds the object through effect->object.
    static VstIntPtr dispatchEffectClass(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);
    static float getParameterClass(AEffect* effect, VstInt32 index);
    static void setParameterClass(AEffect* effect, VstInt32 index, float value);
    static void processClass(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                            VstInt32 sampleFrames);

protected:
    // Sets or clears one bit of the record's flags, leaving the others.
    void setFlag(VstInt32 bit, bool state);

    // Calls the host with this instance's record; 0 without a callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    audioMasterCallback hostCallback;  // may be null
    AEffEditor* editor = nullptr;      // owned; deleted with the effect
    float sampleRate = 44100.0f;       // Hz, as the host last gave it
    VstInt32 blockSize = 1024;         // sample frames, as the host last gave it
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 currentProgram = 0;
    AEffect effectRecord;              // handed to the host; lives as long as the object
};

// Provided by the effect: the one place that creates an instance. Answers null
// when the instance cannot be made.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
