#pragma once

// Large pictures made and first filled quickly. A new picture's memory is
// fresh from the system, which has to clear each page on its first touch;
// for a picture of hundreds of megabytes that costs more than the work done
// on it. The system is asked to back large pictures with large pages, and
// the first fill is shared out over the threads by bands of rows.

#include <QImage>

#include <cstdint>

namespace lx {

// A picture of the given size and format whose bytes are not yet set; null
// when the memory cannot be had (never an exception from the allocation).
QImage newPicture(int Width, int Height, QImage::Format Format);

// Every byte of every row set to Value, rows shared out over the threads.
void fillPictureBytes(QImage& Picture, uint8_t Value);

// Every pixel of a blue-green-red picture set to Colour (red in the low
// byte, as TColor holds it), rows shared out over the threads.
void fillBgrPicture(QImage& Picture, uint32_t Colour);

// newPicture followed by fillPictureBytes.
QImage filledPicture(int Width, int Height, QImage::Format Format, uint8_t Value);

} // namespace lx
