#pragma once

// The records that pass between the archive component and the two archive libraries
// (ZIPDLL.DLL and UNZDLL.DLL). Both sides include this header, so the layout is defined once.
//
// Every plain field is a 32-bit little-endian integer and a boolean is -1 for true and 0 for
// false. Fields that hold an address (the caller, the callback, the archive path and the
// specification slots) are pointer-sized, so on a 64-bit build the offsets after them move
// with the pointer size; the order of the fields never changes. On a 32-bit build the records
// have their classic sizes (checked below).
//
// Plain C types only: the libraries do not link the toolkit.

#include <cstddef>
#include <cstdint>

namespace td {

// A boolean as the records carry it.
constexpr int32_t kDllTrue = -1;
constexpr int32_t kDllFalse = 0;

// The most file specifications one call carries, and the size of each string buffer
// (archive path, each specification), terminating NUL included.
constexpr int kMaxFileSpecs = 4097;
constexpr int kDllPathBufferSize = 256;

// The value the component writes into the version field of both parameter records.
constexpr int32_t kDllRecordVersion = 120;

// What a callback record reports.
enum DllAction : int32_t {
    DllActionFile = 1,      // a file is being processed: text = name, fileSize = its size
    DllActionProgress = 2,  // a step of the current file's work
    DllActionEndFile = 3,   // the current file is done
    DllActionMessage = 4,   // text = a message, errorCode = its code (0 for information)
};

// Size of the text buffer of a callback record, terminating NUL included.
constexpr int kDllCallbackTextSize = 512;

// The record whose address a library hands to the callback.
struct DllCallbackRecord {
    int32_t window;          // 0: not used here
    void* caller;            // the caller field of the parameter record, handed back unchanged
    int32_t version;         // the library's version
    int32_t isZipOperation;  // true from ZIPDLL.DLL, false from UNZDLL.DLL
    int32_t actionCode;      // a DllAction
    int32_t errorCode;       // with DllActionMessage
    int32_t fileSize;        // with DllActionFile
    char text[kDllCallbackTextSize];  // file name or message, NUL-terminated, in the record
};

// The callback: answers true (-1) to ask the library to stop, false (0) to go on.
using DllCallback = int32_t (*)(DllCallbackRecord* record);

// Handed to ZipDllExec for adding and deleting.
struct ZipExecParams {
    int32_t window;              // 0
    void* caller;                // handed back in every callback record
    int32_t version;             // kDllRecordVersion
    DllCallback callback;        // may be null: then nothing is reported and nothing stops
    int32_t trace;               // 16
    int32_t option20;            // 20
    int32_t option24;            // 24
    int32_t option28;            // 28
    int32_t addHiddenFiles;      // 32: wildcards also match names that start with a dot
    int32_t option36;            // 36
    int32_t option40;            // 40
    int32_t option44;            // 44
    int32_t option48;            // 48
    int32_t verbose;             // 52
    int32_t option56;            // 56
    int32_t level;               // 60: compression level 0 (stored) to 9
    int32_t option64;            // 64
    int32_t option68;            // 68
    int32_t junkDirNames;        // 72: store names without their folder part
    int32_t recurse;             // 76: descend into folders
    int32_t option80;            // 80
    int32_t forceDos;            // 84
    int32_t move;                // 88: delete each source file once the archive holds it
    int32_t deleteEntries;       // 92: remove entries instead of adding files
    int32_t update;              // 96: add new files and replace entries that are older
    int32_t freshen;             // 100: only replace entries that are older
    int32_t option104;           // 104
    int32_t zipTime;             // 108: give the archive the time of its newest entry
    int32_t option112;           // 112
    int32_t option116;           // 116
    int32_t specCount;           // 120: number of slots used in specs
    char* archivePath;           // 124: NUL-terminated, in a kDllPathBufferSize buffer
    int32_t option128;           // 128: the component writes 7
    char* specs[kMaxFileSpecs];  // 132: NUL-terminated, each in a kDllPathBufferSize buffer
};

// Handed to UnzDllExec for extracting.
struct UnzipExecParams {
    int32_t window;              // 0
    void* caller;                // 4
    int32_t version;             // 8
    DllCallback callback;        // 12
    int32_t trace;               // 16
    int32_t option20;            // 20
    int32_t option24;            // 24
    int32_t option28;            // 28
    int32_t option32;            // 32
    int32_t option36;            // 36
    int32_t option40;            // 40
    int32_t verbose;             // 44
    int32_t update;              // 48: extract entries that are missing or newer than the file
    int32_t freshen;             // 52: extract only entries newer than an existing file
    int32_t dirNames;            // 56
    int32_t overwrite;           // 60: replace existing files
    int32_t specCount;           // 64
    char* archivePath;           // 68
    int32_t option72;            // 72: the component writes 7
    char* specs[kMaxFileSpecs];  // 76
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ZipExecParams) == 16520);
static_assert(sizeof(UnzipExecParams) == 16464);
static_assert(offsetof(DllCallbackRecord, text) == 28);
#endif

// The four exports, as the component calls them.
using ZipDllExecFn = int32_t (*)(ZipExecParams* params);
using UnzDllExecFn = int32_t (*)(UnzipExecParams* params);
using DllVersionFn = int32_t (*)();

}  // namespace td
