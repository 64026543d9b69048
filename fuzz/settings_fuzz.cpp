// Fuzz target for the settings file reader (Settings.ini): any bytes parse without a fault, and
// what was read survives a save and a reload unchanged.

#include "core/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using tsl::CSettingsFile;

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "settings_fuzz: %s\n", what);
    std::abort();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    CSettingsFile first;
    first.Parse(text);
    const std::string saved = first.Serialise();

    // Reading the saved text gives back the same map, and saving that again the same text.
    CSettingsFile second;
    second.Parse(saved);
    Require(second.Map() == first.Map(), "reload changed the map");
    Require(second.Serialise() == saved, "second save differs from the first");

    // Parsing is additive and the last duplicate wins, so reading the text twice changes nothing.
    CSettingsFile twice = first;
    twice.Parse(text);
    Require(twice.Map() == first.Map(), "reading the same text twice changed the map");

    // One CR LF ended line per section and per key; no bare line feed in names or values.
    std::size_t lines = first.Map().size();
    for (const auto& [name, section] : first.Map())
        lines += section.size();
    Require(Count(saved, "\n") == lines, "saved text has stray line feeds");
    Require(Count(saved, "\r\n") == lines, "a saved line does not end with CR LF");

    // The typed readers accept every stored value.
    for (const auto& [name, section] : first.Map()) {
        for (const auto& [key, value] : section) {
            int number = 0;
            Require(first.ReadInt(name, key, number), "stored key not found");
            Require(number >= -32768 && number <= 32767, "integer outside 16 bits");
            tsl::COLORREF colour = 0;
            Require(first.ReadColour(name, key, colour), "stored key not found");
            Require((colour & 0xFF000000u) == 0, "colour outside 24 bits");
            std::string multi;
            Require(first.ReadString(name, key, multi, true), "stored key not found");
            Require(multi.size() == value.size() && multi.find('`') == std::string::npos,
                    "multi-line read left a backquote");
        }
    }
    return 0;
}
