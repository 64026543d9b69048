#pragma once
// Where the bitmap button's images come from, by the first character of their name:
//   '<'  the program's bitmap resource "bitmap/<rest>" (a BMP file or a packed DIB), without
//        its palette (the 16-colour form);
//   '>'  the same resource with its palette (the 256-colour form);
//   '=', '_'  images drawn here: the check box, radio and spin images of the s and T presets
//        and the two disabled patterns of the H and P presets (table below); other names of
//        these prefixes are absent;
//   else a file read through the reader dispatch.
//
// Built-in images (transparent outside their shape):
//   =C =T =F =L  check box 13 x 13: unchecked, checked, checked flat (one-line frame),
//                disabled;
//   =U =D =P     radio button 12 x 12: unchecked, checked, disabled;
//   =s<l> =s<l>H =s<l>D  spin button 16 x 16 raised, pressed, disabled, with an arrow for
//                the letter l: U up, D down, L left, R right; P plus, M minus;
//   _H           8 x 8 diagonal hatch (H preset);  _P  8 x 8 dither (P preset).

#include "codecs/CBmp.h"

#include <QImage>
#include <QString>

namespace tsl {

// A built-in image with alpha; null when name is not one.
QImage BmpBtnBuiltinImage(const QString& name);

// Loads a named image into bmp; false when there is none.
bool LoadBmpBtnImage(const QString& name, CBmp& bmp);

} // namespace tsl
