// How the channels of an input file feed a plug-in's inputs:
//  - a mono file feeds every input;
//  - a one-input plug-in gets the average of all the file's channels;
//  - otherwise input i takes file channel i, wrapping around (i mod channels) when the
//    plug-in has more inputs than the file has channels.
#pragma once

#include "plugin_host.h"

class ChannelMapping {
public:
    ChannelMapping(int fileChannels, int pluginInputs);

    bool mixesDown() const { return mixDown; }
    // The file channel that feeds an input (meaningless when mixing down).
    int sourceOf(int input) const { return input % fileChannels; }

    // Fills the first `frames` frames of every input from interleaved file frames.
    void fill(const float* interleaved, int frames, fxhost::AudioBuffers& inputs) const;

private:
    void fillMix(const float* interleaved, int frames, float* input) const;

    int fileChannels;
    bool mixDown;
};
