#pragma once

// What velmo-cli info prints about a design: the document's size and
// background and, per layer, the fields a print shop checks before printing.

#include "lxImage.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>

namespace cli {

// A TColor (red in the low byte) as "#rrggbb".
QString colourName(TColor Color);

// The switched-on effects of a style, by their JSON names, in a fixed order.
QJsonArray effectNames(const TlxLayerStyle& Style);

// The whole description; Version is the one the file carries.
QJsonObject documentInfo(const TlxImage& Document, uint16_t Version);

} // namespace cli
