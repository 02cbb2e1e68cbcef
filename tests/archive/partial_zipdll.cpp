// A damaged ZIPDLL.DLL for tests: it lacks its version export.
#include <cstdint>

#include "archive/dllrecords.h"

extern "C" __attribute__((visibility("default"))) int32_t ZipDllExec(td::ZipExecParams*) {
    return 0;
}
