// trio's three notices, with the effect linked into this program over the in-memory
// message-box backend: their texts, their order, their caption, and that all three are
// shown before `main` returns, each time an instance is created.

#include "message_box_memory.h"
#include "module_entry.h"
#include "plugin_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fxplatform::recordedMessageBoxes;

const std::vector<std::string> kTexts = {
    ("To use the Trinity properly, you must make\nSure to bring your channel volume fader "
     "*DOWN*\n all the way, and set the Aux Send for the FX to \n *PRE* "),
    "If you forget to do this, it will not sound as\n good as it will if you do!!",
    "Enjoy!",
};

class TrioNotices : public ::testing::Test {
protected:
    void SetUp() override { fxplatform::clearRecordedMessageBoxes(); }
};

TEST_F(TrioNotices, ThreeNoticesInOrderBeforeMainReturns) {
    auto plugin = fxhost::Plugin::attach("trio", runMain);
    const auto boxes = recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].caption, "Notice");
        EXPECT_EQ(boxes[i].text, kTexts[i]) << i;
    }
    EXPECT_EQ(plugin->uniqueId(), 0x54726E31);
    // Nothing later shows them again: not configuring, not processing, not closing.
    plugin->setSampleRate(48000.0f);
    plugin->resume();
    plugin->close();
    EXPECT_EQ(recordedMessageBoxes().size(), 3u);
}

TEST_F(TrioNotices, EveryInstanceShowsThemAgain) {
    for (int instance = 1; instance <= 3; ++instance) {
        auto plugin = fxhost::Plugin::attach("trio", runMain);
        EXPECT_EQ(recordedMessageBoxes().size(), 3u * instance);
    }
    const auto boxes = recordedMessageBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        EXPECT_EQ(boxes[i].text, kTexts[i % 3]) << i;
}

TEST_F(TrioNotices, NoneWhenTheHostIsRefused) {
    fxhost::HostOptions noVersion;
    noVersion.version = 0;
    EXPECT_THROW(fxhost::Plugin::attach("trio", runMain, noVersion), fxhost::LoadError);
    EXPECT_TRUE(recordedMessageBoxes().empty());
}

} // namespace
