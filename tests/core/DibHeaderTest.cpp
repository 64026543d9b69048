#include "core/DibHeader.h"
#include "core/ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace tsl {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A header of `size` bytes (info form, or core form for 12) followed by `tail` bytes of 0xEE,
// so that a field read past the header's end shows.
Bytes Header(std::uint32_t size, std::int32_t width, std::int32_t height, int bpp,
             std::uint32_t compression = BI_RGB, std::uint32_t clrUsed = 0, std::size_t tail = 0) {
    Bytes b(std::max<std::size_t>(size, 40), 0);
    WriteLe32(b.data(), size);
    if (size == kCoreHeaderSize) {
        WriteLe16(b.data() + 4, static_cast<std::uint16_t>(width));
        WriteLe16(b.data() + 6, static_cast<std::uint16_t>(height));
        WriteLe16(b.data() + 8, 1);
        WriteLe16(b.data() + 10, static_cast<std::uint16_t>(bpp));
    } else {
        BITMAPINFOHEADER h;
        h.biSize = size;
        h.biWidth = width;
        h.biHeight = height;
        h.biBitCount = static_cast<std::uint16_t>(bpp);
        h.biCompression = compression;
        h.biClrUsed = clrUsed;
        h.Write(b.data());
    }
    b.resize(size);
    b.insert(b.end(), tail, 0xEE);
    return b;
}

TEST(ByteReader, ReadsBothByteOrdersAndFailsStickilyAtTheEnd) {
    const Bytes bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    ByteReader r(bytes);
    EXPECT_EQ(r.Le16(), 0x0201);
    EXPECT_EQ(r.Be16(), 0x0304);
    EXPECT_EQ(r.U8(), 0x05);
    EXPECT_EQ(r.Remaining(), 2u);
    EXPECT_EQ(r.Le32(), 0u) << "a read past the end yields zero";
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Pos(), r.Size());
    EXPECT_EQ(r.U8(), 0) << "the bytes that remained are not read after the failure";
    ASSERT_TRUE(r.Seek(0));
    EXPECT_EQ(r.Be32(), 0x01020304u);
    EXPECT_FALSE(r.Ok()) << "moving back does not clear the failure";

    ByteReader s(bytes);
    EXPECT_FALSE(s.Skip(std::numeric_limits<std::size_t>::max())) << "no overflow of the cursor";
    EXPECT_FALSE(s.Ok());
    ByteReader t(bytes);
    EXPECT_EQ(t.Take(8), nullptr);
    EXPECT_FALSE(t.Ok());
    ByteReader u(bytes);
    EXPECT_TRUE(u.Seek(7)) << "the end itself is a valid position";
    EXPECT_TRUE(u.Ok());
    EXPECT_FALSE(u.Seek(8));
    EXPECT_FALSE(u.Ok());
    ByteReader none(nullptr, 100);
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_EQ(none.Le16(), 0);
    EXPECT_FALSE(none.Ok());
}

TEST(DibHeader, EveryHeaderSizeGivesItsFieldsAndLayout) {
    struct Case {
        std::uint32_t size;
        std::uint32_t compression;
        int bpp;
        std::size_t tableOffset; // masks, where they precede the table, come first
        int entrySize;
        bool os2;
    };
    for (const Case c :
         {Case{12, BI_RGB, 8, 12, 3, false}, Case{16, BI_RGB, 4, 16, 4, true},
          Case{40, BI_RGB, 8, 40, 4, false}, Case{40, BI_BITFIELDS, 16, 52, 4, false},
          Case{52, BI_BITFIELDS, 32, 52, 4, false}, Case{56, BI_RLE8, 8, 56, 4, false},
          Case{64, BI_RLE4, 4, 64, 4, true}, Case{108, BI_RGB, 24, 108, 4, false},
          Case{124, BI_BITFIELDS, 16, 124, 4, false}}) {
        SCOPED_TRACE(c.size);
        const int entries = c.bpp <= 8 ? 1 << c.bpp : 0;
        Bytes b = Header(c.size, 5, -3, c.bpp, c.compression, 0, 2000);
        if (c.size == kCoreHeaderSize) WriteLe16(b.data() + 6, 3); // core sides are unsigned
        const auto h = ReadDibHeader(b.data(), b.size());
        ASSERT_TRUE(h);
        EXPECT_EQ(h->size, c.size);
        EXPECT_EQ(h->core, c.size == kCoreHeaderSize);
        EXPECT_EQ(h->Os2(), c.os2);
        EXPECT_EQ(h->info.biWidth, 5);
        EXPECT_EQ(h->info.biBitCount, c.bpp);
        EXPECT_EQ(h->info.biCompression, c.compression);
        EXPECT_EQ(h->StoredEntries(), static_cast<std::uint64_t>(entries));
        const auto l = LayOutDib(*h, b.size());
        ASSERT_TRUE(l);
        EXPECT_EQ(l->width, 5);
        EXPECT_EQ(l->height, 3);
        EXPECT_EQ(l->topDown, c.size != kCoreHeaderSize);
        EXPECT_EQ(l->tableOffset, c.tableOffset);
        EXPECT_EQ(l->entrySize, c.entrySize);
        EXPECT_EQ(l->bitsOffset, c.tableOffset + static_cast<std::size_t>(entries) * c.entrySize);
        EXPECT_EQ(l->stride, *DibStride(5, c.bpp));
        EXPECT_EQ(l->imageSize, 3 * l->stride);
    }
}

TEST(DibHeader, ShortHeadersReadNothingPastTheirEnd) {
    // A 16-byte OS/2 header followed by bytes that would make a compression and a table size.
    const Bytes b = Header(16, 2, 2, 8, BI_RGB, 0, 64);
    const auto h = ReadDibHeader(b.data(), b.size());
    ASSERT_TRUE(h);
    EXPECT_EQ(h->info.biCompression, BI_RGB);
    EXPECT_EQ(h->info.biClrUsed, 0u);
    EXPECT_EQ(h->StoredEntries(), 256u);

    for (std::uint32_t size : {0u, 4u, 11u, 41u}) {
        Bytes tiny = Header(40, 1, 1, 24);
        WriteLe32(tiny.data(), size);
        EXPECT_FALSE(ReadDibHeader(tiny.data(), tiny.size())) << "header size " << size;
    }
    EXPECT_FALSE(ReadDibHeader(b.data(), 3)) << "no room for the size field";
    EXPECT_FALSE(ReadDibHeader(b.data(), 15)) << "the header runs past the block";
    EXPECT_EQ(DibHeaderSize(b.data(), 3), 0u);
}

TEST(DibHeader, MasksFollowShortHeadersAndSitInLongOnes) {
    Bytes after = Header(40, 2, 2, 16, BI_BITFIELDS, 0, 16);
    WriteLe32(after.data() + 40, 0xF800);
    WriteLe32(after.data() + 44, 0x07E0);
    WriteLe32(after.data() + 48, 0x001F);
    auto h = ReadDibHeader(after.data(), after.size());
    ASSERT_TRUE(h);
    EXPECT_EQ(h->masks[0], 0xF800u);
    EXPECT_EQ(h->masks[2], 0x001Fu);
    EXPECT_EQ(h->masks[3], 0u) << "no alpha mask after a 40-byte header";

    Bytes inside = Header(56, 2, 2, 32, BI_BITFIELDS);
    for (int i = 0; i < 4; ++i)
        WriteLe32(inside.data() + 40 + 4 * i, 0xFFu << (8 * i));
    h = ReadDibHeader(inside.data(), inside.size());
    ASSERT_TRUE(h);
    EXPECT_EQ(h->masks[1], 0xFF00u);
    EXPECT_EQ(h->masks[3], 0xFF000000u);
    Bytes three = inside;
    WriteLe32(three.data(), 52);
    EXPECT_EQ(ReadDibHeader(three.data(), three.size())->masks[3], 0u)
        << "a 52-byte header has no alpha mask";

    // Masks cut off by the block's end: none read, and no layout.
    const Bytes cut = Header(40, 2, 2, 16, BI_BITFIELDS, 0, 8);
    h = ReadDibHeader(cut.data(), cut.size());
    ASSERT_TRUE(h);
    EXPECT_EQ(h->masks[0], 0u);
    DibLayoutOptions o;
    o.rowsInBlock = false;
    EXPECT_FALSE(LayOutDib(*h, cut.size(), o));
}

TEST(DibLayout, TablesAndRowsOutsideTheBlockAreRefused) {
    // 4 x 2 at 8 bits with 3 colours: 40 + 12 + 2 rows of 4 bytes.
    const Bytes b = Header(40, 4, 2, 8, BI_RGB, 3, 12 + 8);
    const auto h = *ReadDibHeader(b.data(), b.size());
    EXPECT_TRUE(LayOutDib(h, b.size()));
    EXPECT_FALSE(LayOutDib(h, b.size() - 1)) << "last row one byte short";
    DibLayoutOptions noRows;
    noRows.rowsInBlock = false;
    const auto bare = LayOutDib(h, 52, noRows);
    ASSERT_TRUE(bare) << "table only, rows elsewhere";
    EXPECT_EQ(bare->bitsOffset, 52u);
    EXPECT_EQ(bare->imageSize, 0u);
    EXPECT_FALSE(LayOutDib(h, 51, noRows)) << "table one byte short";

    DibLayoutOptions gap;
    gap.bitsOffset = 60;
    EXPECT_FALSE(LayOutDib(h, b.size(), gap)) << "rows pushed past the end";
    const auto spaced = LayOutDib(h, b.size() + 8, gap);
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->bitsOffset, 60u);
    gap.bitsOffset = 51;
    EXPECT_FALSE(LayOutDib(h, b.size(), gap)) << "rows inside the table";

    DibLayoutOptions skipTable;
    skipTable.tableEntries = 0;
    EXPECT_EQ(LayOutDib(h, b.size(), skipTable)->bitsOffset, 40u);
}

TEST(DibLayout, OverflowingCountsAndAbsurdSizesAreRefused) {
    DibLayoutOptions noRows;
    noRows.rowsInBlock = false;
    const Bytes huge = Header(40, 1, 1, 8, BI_RGB, 0xFFFFFFFF, 1024);
    EXPECT_FALSE(LayOutDib(*ReadDibHeader(huge.data(), huge.size()), huge.size(), noRows));
    const Bytes b = Header(40, 1, 1, 24, BI_RGB, 0, 64);
    const auto h = *ReadDibHeader(b.data(), b.size());
    DibLayoutOptions o;
    o.maskBytes = std::numeric_limits<std::size_t>::max();
    EXPECT_FALSE(LayOutDib(h, b.size(), o));
    o = {};
    o.tableEntries = std::numeric_limits<std::uint64_t>::max() / 2;
    EXPECT_FALSE(LayOutDib(h, b.size(), o));
    o = {};
    o.bitsOffset = std::numeric_limits<std::size_t>::max();
    EXPECT_FALSE(LayOutDib(h, b.size(), o));

    struct Size {
        std::int32_t width;
        std::int32_t height;
    };
    for (const Size s : {Size{0, 1}, Size{1, 0}, Size{-1, 1}, Size{1, INT32_MIN},
                         Size{INT32_MAX, 1}, Size{1, (1 << 18) + 1}, Size{40000, 40000}}) {
        // Claims far larger than the block, which a reader must refuse before allocating.
        const Bytes claim = Header(40, s.width, s.height, 24, BI_RGB, 0, 1 << 16);
        const auto ch = ReadDibHeader(claim.data(), claim.size());
        ASSERT_TRUE(ch);
        EXPECT_FALSE(LayOutDib(*ch, std::numeric_limits<std::size_t>::max() / 2))
            << s.width << " x " << s.height;
        EXPECT_TRUE(LayOutDib(*ch, claim.size(), noRows)) << "the caller checks the size";
    }
}

} // namespace
} // namespace tsl
