#pragma once

// What the two archive libraries share: talking to the caller's callback, reading the strings
// of a parameter record safely, and matching entry names against specifications.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "archive/dllrecords.h"

namespace tdzip {

// The version both libraries report: 1.00.
constexpr int32_t kLibraryVersion = 100;

// Error codes reported with DllActionMessage.
enum MessageCode : int32_t {
    kInfo = 0,
    kBadParameters = 1,
    kArchiveError = 2,
    kFileError = 3,
    kNothingMatched = 4,
    kUnsafeEntry = 5,
    kSkipped = 6,
};

// Reports to the caller's callback and remembers when it asked to stop.
class Reporter {
  public:
    Reporter(td::DllCallback callback, void* caller, bool zipOperation)
        : m_callback(callback), m_caller(caller), m_zip(zipOperation) {}

    // A file is being processed; true when the caller asks to stop.
    bool file(const std::string& name, int64_t size);
    // A message; true when the caller asks to stop.
    bool message(int32_t code, const std::string& text);
    bool stopped() const { return m_stopped; }

  private:
    bool send(int32_t action, int32_t code, int64_t size, const std::string& text);

    td::DllCallback m_callback;
    void* m_caller;
    bool m_zip;
    bool m_stopped = false;
};

// The string in a buffer of kDllPathBufferSize bytes; false when the pointer is null or no
// NUL ends it within the buffer.
bool readBufferString(const char* buffer, std::string& out);

// The specifications of a record: `count` slots, clamped to 0..kMaxFileSpecs. Slots that are
// null or not terminated within their buffer are reported and left out.
std::vector<std::string> readSpecs(char* const* slots, int32_t count, Reporter& reporter);

// Whether an entry name matches a file specification: the same name, or that text read as a
// wildcard pattern ("*", "?", "[...]"), both without regard to case.
bool matchesSpec(const std::string& name, const std::string& spec);
bool matchesAny(const std::string& name, const std::vector<std::string>& specs);

// The last path component of a name, after its last '/'.
std::string baseName(const std::string& path);

}  // namespace tdzip
