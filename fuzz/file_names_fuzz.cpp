// Fuzz target for file names as bytes: any bytes decode without a fault, come back unchanged,
// and their URI and display form are well formed.

#include "platform/FileNames.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "file_names_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name = tsl::DecodeFileName(bytes);
    Require(tsl::EncodeFileName(name) == bytes, "the bytes do not come back");
    // Shown: valid UTF-16 only (no lone surrogates left).
    const QString shown = tsl::DisplayFileName(name);
    Require(QString::fromUtf8(shown.toUtf8()) == shown, "the display form is not valid text");
    // The URI: printable ASCII, and its %XX decode to the path's bytes.
    const QByteArray uri = tsl::FileUri(QStringLiteral("/") + name);
    for (char c : uri) Require(c > 0x20 && c < 0x7F, "the URI holds a byte outside ASCII");
    Require(QByteArray::fromPercentEncoding(uri.mid(7)) == "/" + bytes, "the URI loses bytes");
    return 0;
}
