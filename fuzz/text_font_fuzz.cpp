// Fuzz target for the text tool's stored font (a profile string): any text is read without a
// fault, and what is read survives writing and reading again when its face has no comma (the
// face is what follows the last comma).

#include "paint/TextFontDesc.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                           static_cast<qsizetype>(size));
    const tsl::CTextFontDesc desc = tsl::CTextFontDesc::Parse(text);
    const bool bytesInRange = desc.italic <= 255 && desc.underline <= 255 && desc.strikeOut <= 255 &&
                              desc.charSet <= 255 && desc.pitchAndFamily <= 255;
    if (!bytesInRange) {
        std::fprintf(stderr, "text_font_fuzz: a byte field out of range\n");
        std::abort();
    }
    if (!desc.face.contains(u',') && !(tsl::CTextFontDesc::Parse(desc.Format()) == desc)) {
        std::fprintf(stderr, "text_font_fuzz: round trip\n");
        std::abort();
    }
    return 0;
}
