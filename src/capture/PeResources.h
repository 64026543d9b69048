#pragma once
// A reader of the resources of Windows executables and DLLs (PE32 and PE32+): bitmaps, and
// icons and cursors through their groups, each image of a group on its own. Every offset,
// size and count is checked against the file before it is used; the resource directory is
// walked three levels deep at most and never visits a directory twice, so damaged or hostile
// files are refused, never read past their end, and cannot make the walk loop. Pictures are
// decoded to packed DIBs by the program's own BMP and icon readers, which refuse sizes beyond
// the pixel limit; PNG-compressed icon images are handed out as their PNG bytes.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl::pe {

enum ResourceType : int {
    kRtCursor = 1,
    kRtBitmap = 2,
    kRtIcon = 3,
    kRtGroupCursor = 12,
    kRtGroupIcon = 14,
};

// A resource's name: a number or a string.
struct ResourceName {
    bool isString = false;
    std::uint16_t id = 0;
    std::string text; // UTF-8
    std::string Display() const { return isString ? text : std::to_string(id); }
};

// One picture a user can choose: a bitmap, or one image of an icon or cursor group.
struct PictureEntry {
    int type = 0;           // kRtBitmap, kRtGroupIcon or kRtGroupCursor
    ResourceName name;      // of the bitmap or of the group
    std::uint16_t language = 0;
    int width = 0, height = 0, bitCount = 0; // as the directory states them (0: unknown)
    std::uint16_t imageId = 0; // the RT_ICON / RT_CURSOR image of a group
    std::uint32_t offset = 0;  // file offset and size of the bytes
    std::uint32_t size = 0;
};

struct Picture {
    PackedDib dib;                 // decoded: a packed DIB (icons and cursors at 32 bits, B G R A)
    std::vector<std::uint8_t> png; // or, for a PNG-compressed icon image, its PNG file
    int hotX = 0, hotY = 0;        // a cursor's hot spot
};

class PeResources {
public:
    // Reads the file's headers and resource directory; false with a reason when the file is
    // not a PE file, has no resources, or its resource data do not fit in it.
    bool Load(std::vector<std::uint8_t> file, std::string& error);
    bool LoadFile(const std::string& path, std::string& error);

    // Bitmaps first, then icons, then cursors, each in the directory's order.
    const std::vector<PictureEntry>& Pictures() const { return m_pictures; }
    bool Decode(const PictureEntry& entry, Picture& out, std::string& error) const;

    // Limits of what is read: larger files and directories are refused.
    static constexpr std::size_t kMaxFileSize = std::size_t(1) << 30;
    static constexpr std::size_t kMaxEntries = 65536;

private:
    struct Raw {
        int type = 0;
        ResourceName name;
        std::uint16_t language = 0;
        std::uint32_t offset = 0, size = 0;
    };
    bool RvaToOffset(std::uint32_t rva, std::uint32_t size, std::uint32_t& offset) const;
    bool ReadDirectory(std::uint32_t dirOffset, int level, Raw raw, std::vector<std::uint32_t>& seen,
                       std::string& error);
    bool ReadName(std::uint32_t field, ResourceName& name) const;
    void CollectPictures();
    const Raw* Find(int type, std::uint16_t id, std::uint16_t language) const;

    struct Section {
        std::uint32_t va = 0, virtualSize = 0, rawOffset = 0, rawSize = 0;
    };
    std::vector<std::uint8_t> m_file;
    std::vector<Section> m_sections;
    std::uint32_t m_rsrcOffset = 0, m_rsrcSize = 0; // the resource section's bytes in the file
    std::vector<Raw> m_raw;
    std::vector<PictureEntry> m_pictures;
};

} // namespace tsl::pe
