// Fuzz target for the button settings reader (".btn"): any bytes read without a fault, every
// field read lies in its range, records past the bytes keep their values, and what was read
// survives a write and a reread unchanged.

#include "document/ButtonFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "btn_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tsl::CButtonRecords records = tsl::DefaultButtonRecords();
    const int read = tsl::ReadButtonRecords(data, size, records);
    Require(read >= 0 && read <= 3 && static_cast<std::size_t>(read) * 16 <= size, "read more than the bytes hold");
    for (int i = 0; i < 3; ++i) {
        const tsl::CButtonRecord& r = records[static_cast<std::size_t>(i)];
        if (i >= read) Require(r == tsl::DefaultButtonRecords()[static_cast<std::size_t>(i)], "an unread record changed");
        Require(r.bevel >= 0 && r.bevel <= 30, "bevel out of range");
        Require(r.transparency >= 0 && r.transparency <= 100, "transparency out of range");
        Require(r.brightness >= -100 && r.brightness <= 100, "brightness out of range");
        Require((r.upperLeft | r.bottomRight) <= 0xFFFFFFu, "colour beyond 24 bits");
    }
    const std::vector<std::uint8_t> bytes = tsl::ButtonFileBytes(records);
    Require(bytes.size() == tsl::kButtonFileSize, "a written file is not 48 bytes");
    tsl::CButtonRecords again;
    Require(tsl::ReadButtonRecords(bytes.data(), bytes.size(), again) == 3, "a written file reads short");
    Require(again == records, "write and reread changed the records");
    return 0;
}
