// Fuzz target for the saved toolbar state (profile bytes): any bytes decode without a fault, a
// decoded layout survives encoding and decoding again, and a refused state is refused for a reason
// the format names (length or count).

#include "ui/CustToolBar.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "toolbar_state_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto layout = tsl::DecodeToolBarState(bytes);
    if (layout) {
        Require(layout->size() <= static_cast<std::size_t>(tsl::kMaxStateButtons), "count limit");
        // Reserved bytes are not kept, so the layout (not the bytes) must survive a round trip.
        Require(tsl::DecodeToolBarState(tsl::EncodeToolBarState(*layout)) == layout, "round trip");
    } else if (size >= 4) {
        const std::int32_t count = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
            (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24));
        const bool wellFormed = count >= 0 && count <= tsl::kMaxStateButtons &&
                                size == 4 + 20 * static_cast<std::size_t>(count);
        Require(!wellFormed, "a well-formed state was refused");
    }
    return 0;
}
