// Our host library: the errors a user sees when a file is not a usable plug-in, and what
// it records of the plug-in's calls.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using fxhost::LoadError;
using fxhost::Plugin;

// The message of the LoadError that loading `path` throws, or "" when it loads.
std::string loadFailure(const std::string& path, const fxhost::HostOptions& options = {}) {
    try {
        Plugin::load(path, options);
    } catch (const LoadError& error) {
        return error.what();
    }
    return "";
}

TEST(PluginHost, ExplainsWhyAFileIsNoPlugin) {
    const std::string text = ::testing::TempDir() + "not_a_library.so";
    std::ofstream(text) << "plain text\n";
    const struct {
        std::string path;
        fxhost::HostOptions options;
        const char* reason;
    } cases[] = {
        {"/no/such/file.so", {}, "no such file"},
        {"/tmp", {}, "not a file"},
        {text, {}, "not a loadable plug-in library"},
        {FX_FIXTURE_DIR "/no_main_module.so", {}, "no 'main' entry"},
        {FX_FIXTURE_DIR "/bad_magic_module.so", {}, "wrong magic 0x12345678"},
        {fxtest::pluginPath("driftecho"), {0}, "returned no effect"},
    };
    for (const auto& c : cases) {
        const std::string message = loadFailure(c.path, c.options);
        EXPECT_NE(message.find(c.reason), std::string::npos) << c.path << ": " << message;
        EXPECT_EQ(message.rfind(c.path, 0), 0u) << "the message names the file: " << message;
    }
}

TEST(PluginHost, RecordsTheVersionQueryOfMain) {
    auto plugin = fxtest::loadPlugin("driftecho");
    const auto calls = plugin->calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].opcode, hostVersion);
    EXPECT_EQ(plugin->record().user, plugin.get()) << "the host keeps its own pointer in `user`";
}

TEST(PluginHost, NamesFlagsAndCodes) {
    EXPECT_EQ(fxhost::flagNames(0), "none");
    EXPECT_EQ(fxhost::flagNames(flagHasVu | flagCanReplacing), "hasVu canReplacing");
    EXPECT_EQ(fxhost::flagNames(0x104), "hasVu 0x100");
    EXPECT_EQ(fxhost::fourCharText(0x514A5832), "QJX2");
    EXPECT_EQ(fxhost::fourCharText(0x00414243), "?ABC");
}

} // namespace
