// Feeds arbitrary bytes to the REGEDIT4 store's parser, as a user may edit machine.reg or
// user.reg by hand. A text it accepts must come out of the writer as a text it accepts again,
// with the same tree: reading and saving settle after one round.
#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/regfile.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_regfile: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    td::RegNode root;
    QString error;
    if (!td::parseRegFile(input, root, &error)) {
        if (error.isEmpty()) {
            fail("a refused text without a message");
        }
        if (!root.children().empty() || !root.values().empty()) {
            fail("a refused text left keys behind");
        }
        return 0;
    }
    const QByteArray written = td::writeRegFile(root);
    td::RegNode again;
    if (!td::parseRegFile(written, again, &error)) {
        fail("the writer's own text is refused");
    }
    if (td::writeRegFile(again) != written) {
        fail("a second round changed the text");
    }
    return 0;
}
