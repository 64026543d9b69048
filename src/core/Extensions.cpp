#include "core/Extensions.h"

#include <algorithm>
#include <array>

namespace tsl {
namespace {

struct FormatEntry {
    const char* name;
    const char* patterns;
};

// One entry per format of the image extension list, named as the save-format list names them.
constexpr std::array<FormatEntry, 27> kFormats = {{
    {"Adobe Photoshop 3.0. (*.psd)", "*.psd"},
    {"BMP - Windows Bitmap (*.bmp)", "*.bmp"},
    {"CompuServe Graphics Interchange (*.gif)", "*.gif"},
    {"Dr. Halo (*.cut)", "*.cut"},
    {"Encapsulated PostScript (*.eps)", "*.eps"},
    {"Flic Animation (*.flc)", "*.flc"},
    {"Interchange File (*.iff)", "*.iff"},
    {"JBIG (*.jbig)", "*.jbig"},
    {"JPEG File Interchange Format (*.jpg;*.jpeg)", "*.jpg;*.jpeg"},
    {"Kodak FlashPix (*.fpx)", "*.fpx"},
    {"Lead CMP (*.cmp)", "*.cmp"},
    {"MacPict (*.pct)", "*.pct"},
    {"Microsoft Windows Clipboard (*.clp)", "*.clp"},
    {"Portable Greymap (*.pgm)", "*.pgm"},
    {"Portable Network Graphics (*.png)", "*.png"},
    {"Portable Pixelmap (*.ppm)", "*.ppm"},
    {"Silicon Graphics Image (*.sgi)", "*.sgi"},
    {"Sun Raster (*.ras)", "*.ras"},
    {"Tagged Image File Format (*.tif;*.tiff)", "*.tif;*.tiff"},
    {"TARGA (*.tga)", "*.tga"},
    {"Windows Cursor (*.cur)", "*.cur"},
    {"Windows Enhanced Meta File (*.emf)", "*.emf"},
    {"Windows Icon (*.ico)", "*.ico"},
    {"Windows Meta File (*.wmf)", "*.wmf"},
    {"Word Perfect (*.wpg)", "*.wpg"},
    {"X Window Dump (*.xwd)", "*.xwd"},
    {"XPicmap File (*.xpm)", "*.xpm"},
}};
// ZSoft PCX takes two extensions; it is listed here to keep the table above alphabetical.
constexpr FormatEntry kPcx = {"ZSoft PCX (*.pcx;*.pcc)", "*.pcx;*.pcc"};

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

std::string_view FileName(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string ExtensionOf(std::string_view path) {
    std::string_view name = FileName(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

bool IsImageFile(std::string_view path) {
    std::string ext = ExtensionOf(path);
    if (ext.empty() || ext.find(',') != std::string::npos) return false;
    return kImageExtensions.find("," + Lower(ext) + ",") != std::string_view::npos;
}

std::string DisplayName(std::string_view path) {
    std::string_view name = FileName(path);
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return std::string(name) + ".";
    return std::string(name);
}

std::string ImageFilesFilter() {
    std::string patterns;
    std::string_view list = kImageExtensions.substr(1);
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        if (!patterns.empty()) patterns += ';';
        patterns += "*.";
        patterns += list.substr(0, comma);
        list.remove_prefix(comma + 1);
    }
    return "Image Files|" + patterns + "|";
}

std::string PerFormatFilter() {
    std::string out;
    for (const auto& f : kFormats) out += std::string(f.name) + "|" + f.patterns + "|";
    out += std::string(kPcx.name) + "|" + kPcx.patterns + "|";
    return out;
}

std::string AllFilesFilter() { return "All Files (.*)|*.*||"; }

std::string SaveFilter() {
    static constexpr std::array<FormatEntry, 26> kWritable = {{
        {"Bitmap (.bmp)", "*.bmp"},
        {"CompuServe GIF (.gif)", "*.gif"},
        {"JPEG (.jpg)", "*.jpg;*.jpeg"},
        {"Tagged Image File Format (.tif)", "*.tif;*.tiff"},
        {"Portable Network Graphics (.png)", "*.png"},
        {"ZSoft PCX (.pcx)", "*.pcx"},
        {"TARGA (.tga)", "*.tga"},
        {"Adobe Photoshop 3.0 (.psd)", "*.psd"},
        {"Windows Icon (.ico)", "*.ico"},
        {"Windows Cursor (.cur)", "*.cur"},
        {"Windows Meta File (.wmf)", "*.wmf"},
        {"Windows Enhanced Meta File (.emf)", "*.emf"},
        {"XPicmap File (.xpm)", "*.xpm"},
        {"Interchange File (.iff)", "*.iff"},
        {"Portable Greymap (.pgm)", "*.pgm"},
        {"Portable Pixelmap (.ppm)", "*.ppm"},
        {"Dr. Halo (.cut)", "*.cut"},
        {"Encapsulated PostScript (.eps)", "*.eps"},
        {"Sun Raster (.ras)", "*.ras"},
        {"Word Perfect (.wpg)", "*.wpg"},
        {"MacPict (.pct)", "*.pct"},
        {"Microsoft Windows Clipboard (.clp)", "*.clp"},
        {"X Window Dump (.xwd)", "*.xwd"},
        {"Flic Animation (.flc)", "*.flc"},
        {"Silicon Graphics Image (.sgi)", "*.sgi"},
        {"JBIG (.jbig)", "*.jbig"},
    }};
    std::string out;
    for (const auto& f : kWritable) out += std::string(f.name) + "|" + f.patterns + "|";
    return out + "|";
}

} // namespace tsl
