#pragma once

// The layer style: effect switches and settings of one layer.
struct TlxLayerStyle {
    // Effects are drawn even when the layer's own opacity is 0.
    bool EffectsIgnoreOpacity = false;
};
