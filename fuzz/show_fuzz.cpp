// Fuzz target for the show-file reader: any bytes parse without a fault, a refused file leaves
// the output as it was, and what was read is written back and read again unchanged.

#include "slideshow/ShowFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using tsl::ParseShowFile;
using tsl::ShowFileData;
using tsl::ShowParse;

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "show_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ShowFileData sentinel;
    sentinel.entries = {"kept"};
    sentinel.delay = -7;
    ShowFileData read = sentinel;
    const ShowParse status = ParseShowFile(bytes, read);
    if (status != ShowParse::Ok) {
        Require(read == sentinel, "a refused file changed the output");
        return 0;
    }
    Require(read.entries.size() <= static_cast<std::size_t>(tsl::kMaxShowImages),
            "more entries than a show holds");
    std::size_t texts = read.soundFile.size();
    for (const std::string& entry : read.entries)
        texts += entry.size();
    Require(texts <= size, "texts longer than the file");

    const std::vector<std::uint8_t> written = tsl::FormatShowFile(read);
    ShowFileData again;
    Require(ParseShowFile(written, again) == ShowParse::Ok, "a written show does not read");
    Require(again == read, "a written show reads back differently");
    Require(tsl::FormatShowFile(again) == written, "writing twice differs");
    return 0;
}
