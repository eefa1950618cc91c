// A loadable library that is not a VST 2.4 plug-in: no entry point.
extern "C" __attribute__((visibility("default"))) int notAnEntryPoint() {
    return 42;
}
