// A damaged UNZDLL.DLL for tests: it lacks its extraction export.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t GetUnzDllVersion() {
    return 1;
}
