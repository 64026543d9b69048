// Fuzz target for the small codecs of imaging/formats. The first byte picks the reader (PSD,
// IFF, FLC, ICO/CUR, CLP, EMF, X10 XWD), the rest is the file. Any bytes decode without a
// fault; what decodes is a valid bottom-up packed DIB that the format's writer stores (or
// refuses with a message) and that reads back at the same size. The other writers get the
// decoded image too.

#include "imaging/formats/Clp.h"
#include "imaging/formats/Cut.h"
#include "imaging/formats/Flic.h"
#include "imaging/formats/Icon.h"
#include "imaging/formats/Ilbm.h"
#include "imaging/formats/Metafile.h"
#include "imaging/formats/Os2Bmp.h"
#include "imaging/formats/Psd.h"
#include "imaging/formats/Wpg.h"
#include "imaging/formats/Xwd10.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Reader = bool (*)(const Bytes&, tsl::PackedDib&, std::string&);
using Writer = bool (*)(const tsl::PackedDib&, Bytes&, std::string&);

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "formats_fuzz: %s\n", what);
    std::abort();
}

bool Psd(const tsl::PackedDib& d, Bytes& o, std::string& e) {
    return tsl::WritePsd(d, o, e);
}
bool Ilbm(const tsl::PackedDib& d, Bytes& o, std::string& e) {
    return tsl::WriteIlbm(d, o, e);
}
bool Icon(const tsl::PackedDib& d, Bytes& o, std::string& e) {
    return tsl::WriteIcon(d, o, e);
}
bool Os2(const tsl::PackedDib& d, Bytes& o, std::string& e) {
    return tsl::WriteOs2Bmp(d, o, e);
}

struct Codec {
    Reader read;
    Writer write;
};
const Codec kCodecs[] = {
    {tsl::ReadPsd, Psd},
    {tsl::ReadIlbm, Ilbm},
    {tsl::ReadFlic, tsl::WriteFlic},
    {tsl::ReadIcon, Icon},
    {tsl::ReadClp, tsl::WriteClp},
    {tsl::ReadEmf, tsl::WriteEmf},
    {tsl::ReadXwd10, tsl::WriteXwd10},
};
constexpr std::size_t kCount = sizeof kCodecs / sizeof kCodecs[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t pick = data[0] % kCount;
    const Bytes file(data + 1, data + size);
    // An FLC frame can be all black whatever its size, so its reader may rightly allocate up to
    // the pixel limit from a few bytes; keep such claims out of the fuzzer's memory budget
    // (the limit itself is unit-tested).
    if (pick == 2 && file.size() >= 12 &&
        static_cast<std::uint64_t>(file[8] | (file[9] << 8)) * (file[10] | (file[11] << 8)) >
            (std::uint64_t{1} << 24))
        return 0;

    tsl::PackedDib dib;
    std::string error;
    if (!kCodecs[pick].read(file, dib, error)) {
        Require(dib.empty() && !error.empty(), "a refusal left an image or no message");
        return 0;
    }
    const auto view = tsl::ViewPackedDib(dib);
    Require(view.has_value(), "the DIB does not hold together");
    Require(!view->topDown && view->header.biSize == 40, "not a bottom-up 40-byte-header DIB");
    if (static_cast<std::uint64_t>(view->width) * view->height > (std::uint64_t{1} << 22)) return 0;

    Bytes out;
    if (kCodecs[pick].write(dib, out, error)) {
        tsl::PackedDib back;
        Require(kCodecs[pick].read(out, back, error), "our own file does not read back");
        const auto again = tsl::ViewPackedDib(back);
        Require(again && again->width == view->width && again->height == view->height,
                "reading back changed the size");
    } else {
        Require(out.empty() && !error.empty(), "a refused write left bytes or no message");
    }
    for (Writer write : {tsl::WriteCut, tsl::WriteHaloPalette, tsl::WriteWpg, tsl::WriteWmf, Os2})
        if (!write(dib, out, error))
            Require(out.empty() && !error.empty(), "a refused write left bytes");
    return 0;
}
