// The squeezer engine's meter cadence, seen by an editor of our own attached to the
// engine: one refresh every 882 samples, counted across blocks from construction.

#include "aeffeditor.h"
#include "compressor.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CountingEditor : public AEffEditor {
public:
    explicit CountingEditor(AudioEffect* effect, const long* position)
        : AEffEditor(effect), position(position) {}
    void refreshLevels() override { refreshedAt.push_back(*position); }
    void update() override { ++updates; }

    const long* position;
    std::vector<long> refreshedAt;
    int updates = 0;
};

struct Engine {
    squeezer::Compressor compressor{nullptr};
    long position = 0; // samples processed before the current block
    CountingEditor* editor = new CountingEditor(&compressor, &position);

    Engine() { compressor.setEditor(editor); }

    void run(int frames, bool replacing) {
        std::vector<float> in(static_cast<std::size_t>(frames > 0 ? frames : 1), 0.25f);
        std::vector<float> out(in.size());
        float* ins[] = {in.data(), in.data()};
        float* outs[] = {out.data(), out.data()};
        if (replacing)
            compressor.processReplacing(ins, outs, frames);
        else
            compressor.process(ins, outs, frames);
        if (frames > 0) position += frames;
    }
};

TEST(SqueezerMeter, RefreshesEvery882SamplesAcrossBlocks) {
    for (int block : {1, 64, 512, 881, 882, 883, 4096}) {
        Engine engine;
        for (int done = 0; done < 10000; done += block)
            engine.run(block, (done / block) % 2 == 1);
        // The refresh comes within the block that holds sample 882 k (1-based), and is
        // made at that sample: the blocks before it have been counted in full.
        const auto& at = engine.editor->refreshedAt;
        const long total = engine.position;
        ASSERT_EQ(static_cast<long>(at.size()), total / 882) << "block " << block;
        for (std::size_t k = 0; k < at.size(); ++k) {
            const long sample = 882L * static_cast<long>(k + 1);
            EXPECT_LE(at[k], sample - 1) << "block " << block;
            EXPECT_GT(at[k] + block, sample - 1) << "block " << block;
        }
    }
}

TEST(SqueezerMeter, EmptyBlocksAndRateChangesKeepTheCadence) {
    Engine engine;
    engine.run(0, false);
    engine.run(-3, true);
    EXPECT_TRUE(engine.editor->refreshedAt.empty());
    engine.compressor.setSampleRate(96000.0f);
    for (int i = 0; i < 882 * 3; ++i)
        engine.run(1, false);
    EXPECT_EQ(engine.editor->refreshedAt, (std::vector<long>{881, 1763, 2645}));
}

TEST(SqueezerMeter, EveryParameterChangePostsOneUpdate) {
    Engine engine;
    engine.compressor.setParameter(1, 0.3f);
    engine.compressor.setParameter(7, 0.3f); // no such parameter: still posts
    engine.compressor.setParameter(2, 0.3f);
    engine.editor->idle();
    engine.editor->idle();
    EXPECT_EQ(engine.editor->updates, 1);
}

} // namespace
