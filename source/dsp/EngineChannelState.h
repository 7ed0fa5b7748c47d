#pragma once

// The per-channel state of the compressor and the width stage. In stereo the linked quantities
// (envelope, gain, previous reduction) live in channel 0's record; the sidechain low-pass and the
// mean square are per channel; the side low-pass of the width stage is kept in channel 0's.
struct EngineChannelState
{
    float envelope = 0.0f;
    float meanSquare = 0.0f;
    float gain = 1.0f;
    float sidechainLowpass = 0.0f;
    float previousGainReductionDb = 0.0f;
    float sideLowpass = 0.0f;
};
