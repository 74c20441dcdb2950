#include "channel_mapping.h"

#include <stdexcept>

ChannelMapping::ChannelMapping(int fileChannels, int pluginInputs)
    : fileChannels(fileChannels), mixDown(pluginInputs == 1 && fileChannels > 1) {
    if (fileChannels < 1) throw std::invalid_argument("a file has at least one channel");
}

void ChannelMapping::fill(const float* interleaved, int frames,
                          fxhost::AudioBuffers& inputs) const {
    if (mixDown) {
        fillMix(interleaved, frames, inputs.channel(0));
        return;
    }
    for (int input = 0; input < inputs.channels(); ++input) {
        const float* source = interleaved + sourceOf(input);
        float* destination = inputs.channel(input);
        for (int frame = 0; frame < frames; ++frame)
            destination[frame] = source[frame * fileChannels];
    }
}

void ChannelMapping::fillMix(const float* interleaved, int frames, float* input) const {
    for (int frame = 0; frame < frames; ++frame) {
        const float* samples = interleaved + frame * fileChannels;
        double sum = 0.0;
        for (int c = 0; c < fileChannels; ++c)
            sum += samples[c];
        input[frame] = static_cast<float>(sum / fileChannels);
    }
}
