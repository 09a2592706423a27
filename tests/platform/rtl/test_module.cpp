// A module with one exported function, loaded by the module-loading tests.
extern "C" __attribute__((visibility("default"))) int RtTestAdd(int a, int b) { return a + b; }
