// Device contexts and bitmaps of the virtual display (stands for gdi32).
//
// Bitmaps are 32 bits per pixel. A window DC draws on and reads from its
// window (reading shows the window with its children over it); a memory DC
// draws on the bitmap selected into it, at first a stock 1x1 bitmap.
// Handles of another kind, or of deleted objects, make a function fail
// (0 / false) without changing anything.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "platform/display/HandleTable.h"

namespace rc::display {

// The BITMAPINFOHEADER record, 40 bytes, field for field.
struct BitmapInfoHeader {
  std::int32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: bottom-up rows; negative: top-down
  std::int16_t biPlanes = 1;
  std::int16_t biBitCount = 32;
  std::int32_t biCompression = 0;
  std::int32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::int32_t biClrUsed = 0;
  std::int32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// The BITMAP record GetObject fills, 24 bytes, field for field. bmBits is
// always 0: a bitmap's pixels are reached through the DIB calls only.
struct BitmapRecord {
  std::int32_t bmType = 0;
  std::int32_t bmWidth = 0;
  std::int32_t bmHeight = 0;
  std::int32_t bmWidthBytes = 0;
  std::int16_t bmPlanes = 1;
  std::int16_t bmBitsPixel = 32;
  std::int32_t bmBits = 0;
};
static_assert(sizeof(BitmapRecord) == 24);

inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t kBlackness = 0x00000042;
inline constexpr std::uint32_t kWhiteness = 0x00FF0062;
inline constexpr std::uint32_t kDibRgbColors = 0;

// GetWindowDC: a DC for the whole window; 0 when `window` is not a window.
Handle getWindowDC(Handle window);
// ReleaseDC: releases a window DC. Answers whether it was one.
bool releaseDC(Handle window, Handle dc);
// CreateCompatibleDC: a memory DC (`dc` may be 0 for the screen; any other
// value must be a DC).
Handle createCompatibleDC(Handle dc);
// CreateCompatibleBitmap: a black 32-bit bitmap (sides clamped to kMaxSurfaceSide).
Handle createCompatibleBitmap(Handle dc, std::int32_t width, std::int32_t height);
// A new bitmap holding the pixels of `bitmap` (black while it is), shared
// until either is drawn on; 0 when `bitmap` is not a bitmap.
Handle copyBitmap(Handle bitmap);
// A width x height bitmap all of `colour`, made without filling anything
// until it is drawn on or read; 0 for a side that is not positive.
Handle createFilledBitmap(std::int32_t width, std::int32_t height, std::uint32_t colour);
// A bitmap holding a copy of `pixels` (for image loaders).
Handle createBitmap(const Surface& pixels);
// The same, taking the pixels over without a copy.
Handle createBitmap(Surface&& pixels);
// SelectObject: selects a bitmap into a memory DC and answers the bitmap it
// replaces (the stock bitmap's handle is 0 here, so the first answer is a
// valid "nothing selected" value). Answers 0 on failure.
Handle selectObject(Handle dc, Handle object);
// BitBlt with SRCCOPY, BLACKNESS or WHITENESS; clipped to both surfaces.
bool bitBlt(Handle dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, Handle src,
            std::int32_t srcX, std::int32_t srcY, std::uint32_t rop);
// GetDIBits: copies scan lines of `bitmap` into `bits` in the DIB format of
// `info` (biBitCount 32 or 24, rows padded to 4 bytes; biHeight > 0 is
// bottom-up, so scan line 0 is the bottom row). With `bits` empty it fills
// `info` with the bitmap's size and format and answers its height. Answers
// the number of scan lines copied; 0 when the arguments do not fit.
std::int32_t getDIBits(Handle dc, Handle bitmap, std::uint32_t startScan, std::uint32_t scanLines,
                       std::span<std::uint8_t> bits, BitmapInfoHeader& info, std::uint32_t usage = kDibRgbColors);
// GetDIBits of a bitmap holding `s`: scan lines from `startScan` of `s`
// written into `bits` in the DIB format of `info` (32 or 24 bits), rows
// and columns beyond `s` as zeros. Answers the number written; 0 when the
// arguments do not fit.
std::int32_t surfaceToDib(const Surface& s, std::uint32_t startScan, std::uint32_t scanLines,
                          std::span<std::uint8_t> bits, const BitmapInfoHeader& info);
// SetDIBits: the reverse of GetDIBits: writes scan lines from `bits` (in the
// DIB format of `info`, 32 or 24 bits) into `bitmap`. Answers the number of
// scan lines written; 0 when the arguments do not fit.
std::int32_t setDIBits(Handle dc, Handle bitmap, std::uint32_t startScan, std::uint32_t scanLines,
                       std::span<const std::uint8_t> bits, const BitmapInfoHeader& info,
                       std::uint32_t usage = kDibRgbColors);
// StretchDIBits with SRCCOPY: draws the source rectangle of the DIB over
// the destination rectangle of the DC, nearest pixel (the default stretch
// mode does the same for colour images). The source rectangle of a
// bottom-up DIB is measured from its bottom-left corner. Sizes must be
// positive. Answers the number of scan lines drawn; 0 on failure.
std::int32_t stretchDIBits(Handle dc, std::int32_t xDst, std::int32_t yDst, std::int32_t wDst, std::int32_t hDst,
                           std::int32_t xSrc, std::int32_t ySrc, std::int32_t wSrc, std::int32_t hSrc,
                           std::span<const std::uint8_t> bits, const BitmapInfoHeader& info,
                           std::uint32_t usage, std::uint32_t rop);
// GetObject for a bitmap: fills `out` and answers its size (24); answers 0
// for any other handle.
std::int32_t getObject(Handle object, BitmapRecord& out);
bool deleteDC(Handle dc);
// DeleteObject: deletes a bitmap (also one still selected into a DC, whose
// selection then falls back to the stock bitmap).
bool deleteObject(Handle object);

// The number of device contexts and bitmaps alive (for leak checks).
std::size_t gdiObjectCount();

bool isDC(Handle h);
bool isBitmap(Handle h);
// A copy of the bitmap's pixels; empty when `bitmap` is not a bitmap.
Surface bitmapPixels(Handle bitmap);
// The bitmap's pixels as they are now, kept without a copy: drawing on the
// bitmap later copies them first. nullptr when `bitmap` is not a bitmap or
// is still black from CreateCompatibleBitmap (it keeps no pixels then).
std::shared_ptr<const Surface> bitmapSnapshot(Handle bitmap);
// Runs `read` on the bitmap's pixels in place (made black first while
// pending), under the display's lock; false, without calling it, when
// `bitmap` is not a bitmap. For readers that need no copy (encoders).
bool readBitmap(Handle bitmap, const std::function<void(const Surface&)>& read);
// Runs `paint` on the bitmap's pixels in place, as readBitmap does, to
// change them (its size stays); false when `bitmap` is not a bitmap.
bool paintBitmap(Handle bitmap, const std::function<void(Surface&)>& paint);

}  // namespace rc::display
