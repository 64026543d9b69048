#pragma once
// The program's own small codecs, for the formats GraphicsMagick lacks or cannot write. All of
// them work in memory on packed DIBs (core/PackedDib.h) and need nothing but core.
//
// Conventions shared by every codec here:
//   bool ReadXxx(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);
//   bool WriteXxx(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error, ...);
// - true on success; on failure out is left empty and error says why in a short English phrase.
// - Readers give a bottom-up packed DIB with a 40-byte header (1, 4, 8, 24 or 32 bits; 32-bit
//   results carry a real alpha byte). They validate every size against the pixel limit
//   (core/Dib.h) before allocating and never read outside the input.
// - Writers accept any DIB that ViewPackedDib accepts (1, 4, 8, 16, 24, 32 bits, either row
//   order) and refuse what the format cannot hold with an error rather than write something
//   else; 32-bit input is taken as B, G, R, X (device bitmaps) unless a format keeps alpha.
//
// Which codec covers which file-format code of the imaging library (the format registry,
// core/FormatTable.h, records them as Codec::Small):
//   Psd.h       76  Photoshop 3.0          read, write
//   Ilbm.h      111 IFF ILBM (and PBM)     read, write
//   Flic.h      134 FLC / FLI              read (first frame), write (one frame)
//   Icon.h      91, 92 ICO, CUR            read (BMP entries), write
//   Cut.h       108 Dr. Halo CUT (+ .PAL)  write
//   Clp.h       114 Windows clipboard      read, write (the CF_DIB entry)
//   Wpg.h       54  WordPerfect graphics   write
//   Metafile.h  15 WMF, 116 EMF            write; both also read (their bitmap records)
//   Os2Bmp.h    14, 74 OS/2 1.x, 2.x BMP   write
//   Xwd10.h     132 X10 window dump        read, write
