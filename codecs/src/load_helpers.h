// What the readers share: the size rule and the failed result.
#pragma once

#include "lxTypes.h"
#include "picture_codecs.h"

#include <QSize>

namespace velmo::codecs::detail {

// Within the engine's largest side and MaxPixels.
inline bool sizeAllowed(qint64 Width, qint64 Height) {
    return Width > 0 && Height > 0 && Width <= lx::MaxPictureSide && Height <= lx::MaxPictureSide &&
           Width * Height <= MaxPixels;
}
inline bool sizeAllowed(const QSize& Size) {
    return sizeAllowed(Size.width(), Size.height());
}

inline TPictureLoad failure(TPictureLoad::Failure Why, QString Error) {
    TPictureLoad load;
    load.Why = Why;
    load.Error = std::move(Error);
    return load;
}

} // namespace velmo::codecs::detail
