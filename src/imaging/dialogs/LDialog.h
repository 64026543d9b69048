#pragma once
// LDialog: the imaging layer's parameter dialogs, bound to a picture. Each DoModal call shows
// its dialog through the platform's modal-dialog runner with a live preview of the bound
// picture and returns kSuccess (1) when the user confirmed, kFailure (0) when cancelled, or
// kErrorNoBitmap without a picture. The getters give the values last confirmed; the picture
// itself is never changed by a dialog.
//
// Angle dialog, DoModalGetAngle(kind):
//   - the angle in degrees with two decimals, negative allowed, clockwise on the screen;
//     GetAngle gives it in hundredths of a degree, as Rotate and Shear take it;
//   - the back colour that uncovered areas take (GetBackColor), chosen with the colour picker;
//   - kAngleDialogRotate (3): -360 to 360 degrees and "Resize to fit"; GetAngleFlag gives
//     kRotateResize when that is on (the picture grows to hold the result), else 0 (same
//     size, corners cut);
//   - kAngleDialogShear (4): -45 to 45 degrees, horizontal or vertical; GetAngleFlag gives
//     kShearHorizontal or kShearVertical.
// Size dialog, DoModalGetSize(method):
//   - the new width and height in pixels or in percent of the bound picture, starting from
//     SetNewWidth/SetNewHeight (the picture's size when not set); "Keep aspect ratio" (on)
//     keeps height / width as the picture has it; GetNewWidth/GetNewHeight give pixels;
//   - the resampling method, starting at `method` (a Size flag: kSizeNearest 0, kSizeBilinear
//     2, kSizeBicubic 4; anything else starts bilinear); GetSizeFlag gives the chosen one as
//     Size takes it (shrinking averages areas for bilinear and bicubic).
//
// Change dialog, DoModalGetChange(flag): one value for the filter the flag names
// (kChangeSharpen 1: -1000..1000, kChangePosterize 128: levels 2..256, kChangeMosaic 256: tile
// 1..256, kChangeBlur 512: window 1..100, kChangeMedian 1024: window 1..100, kChangeOilify 2048:
// window 1..64); GetChange gives it. A flag of no filter is kErrorInvalidParameter.
// Noise dialog, DoModalGetNoise: range 0..1000 and channel (master, red, green, blue).
// Emboss dialog, DoModalGetEmboss: direction (eight compass points) and depth 0..1000.
// Filter dialog, DoModalGetFilter(family): one spatial filter of a family (Filters.h's
// kSpatialFamily... flags, several may be combined); GetSpatialFilter gives its id.
//
// Preview: the dialog works on a copy of the picture no larger than the preview box (made once
// when it opens), so each change re-renders in a few milliseconds on the user-interface thread.

#include "core/Colour.h"
#include "imaging/LBitmap.h"

class QWidget;

namespace tsl {

inline constexpr unsigned kAngleDialogRotate = 3;
inline constexpr unsigned kAngleDialogShear = 4;

inline constexpr unsigned kChangeSharpen = 1;
inline constexpr unsigned kChangePosterize = 128;
inline constexpr unsigned kChangeMosaic = 256;
inline constexpr unsigned kChangeBlur = 512;
inline constexpr unsigned kChangeMedian = 1024;
inline constexpr unsigned kChangeOilify = 2048;

class LDialog {
public:
    explicit LDialog(LBitmapBase* bitmap = nullptr, QWidget* parent = nullptr)
        : m_bitmap(bitmap), m_parent(parent) {}

    void SetBitmap(LBitmapBase* bitmap) { m_bitmap = bitmap; }
    LBitmapBase* GetBitmap() const { return m_bitmap; }

    int DoModalGetAngle(unsigned kind);
    int GetAngle() const { return m_angle; }
    unsigned GetAngleFlag() const { return m_angleFlag; }
    COLORREF GetBackColor() const { return m_backColor; }
    // Where the next angle dialog starts.
    void SetAngle(int hundredths) { m_angle = hundredths; }
    void SetBackColor(COLORREF colour) { m_backColor = colour; }

    int DoModalGetSize(unsigned method);
    void SetNewWidth(int width) { m_newWidth = width; }
    void SetNewHeight(int height) { m_newHeight = height; }
    int GetNewWidth() const { return m_newWidth; }
    int GetNewHeight() const { return m_newHeight; }
    unsigned GetSizeFlag() const { return m_sizeFlag; }

    int DoModalGetChange(unsigned flag);
    int GetChange() const { return m_change; }
    // Where the next change dialog starts (0: the filter's own default).
    void SetChange(int change) { m_change = change; }

    int DoModalGetNoise();
    int GetRange() const { return m_range; }
    int GetChannel() const { return m_channel; }

    int DoModalGetEmboss();
    int GetDirection() const { return m_direction; }
    int GetDepth() const { return m_depth; }

    int DoModalGetFilter(unsigned family);
    int GetSpatialFilter() const { return m_spatialFilter; }

private:
    LBitmapBase* m_bitmap;
    QWidget* m_parent;
    int m_angle = 0;
    unsigned m_angleFlag = 0;
    COLORREF m_backColor = RGB(255, 255, 255);
    int m_newWidth = 0;
    int m_newHeight = 0;
    unsigned m_sizeFlag = kSizeBilinear;
    int m_change = 0;
    int m_range = 100;
    int m_channel = 0;
    int m_direction = 0;
    int m_depth = 100;
    int m_spatialFilter = -1;
};

} // namespace tsl
