#include "core/Extensions.h"

#include "core/FormatTable.h"

#include <algorithm>
#include <vector>

namespace tsl {
namespace {

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
    return ImageExtensionList().find("," + Lower(ext) + ",") != std::string::npos;
}

std::string DisplayName(std::string_view path) {
    std::string_view name = FileName(path);
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return std::string(name) + ".";
    return std::string(name);
}

std::string ImageFilesFilter() {
    std::string patterns;
    std::string_view list = ImageExtensionList();
    list.remove_prefix(1);
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
    for (const FileFormat& f : FileFormats())
        if (f.filterName) out += std::string(f.filterName) + "|" + FormatPatterns(f, true) + "|";
    return out;
}

std::string AllFilesFilter() { return "All Files (.*)|*.*||"; }

std::string SaveFilter() {
    std::vector<const FileFormat*> offered;
    for (const FileFormat& f : FileFormats())
        if (f.saveOrder > 0) offered.push_back(&f);
    std::sort(offered.begin(), offered.end(),
              [](const FileFormat* a, const FileFormat* b) { return a->saveOrder < b->saveOrder; });
    std::string out;
    for (const FileFormat* f : offered) out += std::string(f->saveName) + "|" + FormatPatterns(*f, false) + "|";
    return out + "|";
}

} // namespace tsl
