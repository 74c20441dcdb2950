// The framework through a small test effect, driven only through the record's entry
// points as a host drives it. Built once per framework revision and with the 64-bit
// host additions on and off (FX_TEST_HOST_COMPATIBILITY).

#include "aeffeditor.h"
#include "audioeffect.h"
#include "module_entry.h"
#include "module_options.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

ModuleOptions testOptions{kMinusInfinityDegree, kDefaultUniqueId, false,
                          FX_TEST_HOST_COMPATIBILITY != 0};

// What the test effect and editor were asked to do, in order.
std::vector<std::string> journal;

struct HostLog {
    struct Call {
        AEffect* effect;
        std::int32_t opcode, index;
        FxIntPtr value;
        float opt;
        bool effectHadValue; // the effect had taken the value when the host heard of it
    };
    std::vector<Call> calls;
    FxIntPtr answer = 0;
    FxIntPtr versionAnswer = 2;
};
HostLog hostLog;

class TestEditor : public AEffEditor {
public:
    using AEffEditor::AEffEditor;
    ~TestEditor() override { journal.push_back("~editor"); }
    void update() override { journal.push_back("update"); }
};

class TestEffect : public AudioEffect {
public:
    static constexpr int kPrograms = 3;
    static constexpr int kParams = 2;

    explicit TestEffect(HostCallback host) : AudioEffect(host, kPrograms, kParams) {
        journal.push_back("construct");
    }
    ~TestEffect() override { journal.push_back("destroy"); }

    void setParameter(std::int32_t index, float value) override {
        if (index >= 0 && index < kParams) params[index] = value;
    }
    float getParameter(std::int32_t index) override {
        return index >= 0 && index < kParams ? params[index] : 0.0f;
    }
    void setProgram(std::int32_t program) override {
        journal.push_back("setProgram " + std::to_string(program));
        AudioEffect::setProgram(program);
    }
    void close() override { journal.push_back("close"); }
    void suspend() override { journal.push_back("suspend"); }
    void resume() override { journal.push_back("resume"); }
    float getVu() override { return vu; }

    // Adds input 0 times (index + 1) into output `index`, and counts the calls.
    void process(float** inputs, float** outputs, std::int32_t frames) override {
        ++processCalls;
        for (int o = 0; o < effectRecord.numOutputs; ++o)
            for (int i = 0; i < frames; ++i) outputs[o][i] += inputs[0][i] * float(o + 1);
    }

    using AudioEffect::hasClip;
    using AudioEffect::setEditor;

    float params[kParams] = {};
    float vu = 0.0f;
    int processCalls = 0;
};

FxIntPtr FX_CDECL testHost(AEffect* effect, std::int32_t opcode, std::int32_t index,
                           FxIntPtr value, void*, float opt) {
    bool effectHadValue = false;
    if (effect && opcode == hostAutomate)
        effectHadValue = effect->getParameter(effect, index) == opt;
    hostLog.calls.push_back({effect, opcode, index, value, opt, effectHadValue});
    return opcode == hostVersion ? hostLog.versionAnswer : hostLog.answer;
}

bool failNextCreation = false;

} // namespace

const ModuleOptions& moduleOptions() { return testOptions; }
ModuleOptions& testModuleOptions() { return testOptions; }

AudioEffect* createEffect(HostCallback host) {
    auto* effect = new TestEffect(host);
    if (failNextCreation) oome = true;
    return effect;
}

namespace {

class Framework : public ::testing::Test {
protected:
    void SetUp() override {
        journal.clear();
        hostLog = HostLog();
        oome = false;
        failNextCreation = false;
        record = runMain(testHost);
        ASSERT_NE(record, nullptr);
        effect = static_cast<TestEffect*>(record->object);
        journal.clear();
        hostLog.calls.clear();
    }
    void TearDown() override {
        if (record) record->dispatcher(record, opClose, 0, 0, nullptr, 0.0f);
    }
    FxIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, FxIntPtr value = 0,
                      void* ptr = nullptr, float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    AEffect* record = nullptr;
    TestEffect* effect = nullptr;
};

TEST_F(Framework, FreshRecordHoldsTheDefaults) {
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 3);
    EXPECT_EQ(record->numParams, 2);
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, FX_TEST_HOST_COMPATIBILITY ? flagCanReplacing : 0);
    EXPECT_EQ(record->reserved1, 0);
    EXPECT_EQ(record->reserved2, 0);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->object, effect);
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(record->uniqueID, 0x4E6F4566);
    EXPECT_EQ(record->version, 1);
    EXPECT_NE(record->processReplacing, nullptr);
    for (char c : record->spare) EXPECT_EQ(c, 0);
    EXPECT_EQ(effect->getSampleRate(), 44100.0f);
    EXPECT_EQ(effect->getBlockSize(), 1024);
}

TEST_F(Framework, MainAsksForTheHostVersionFirst) {
    TearDown();
    hostLog = HostLog();
    record = runMain(testHost);
    ASSERT_FALSE(hostLog.calls.empty());
    EXPECT_EQ(hostLog.calls[0].effect, nullptr);
    EXPECT_EQ(hostLog.calls[0].opcode, hostVersion);
}

TEST_F(Framework, MainRefusesAHostThatDoesNotAnswerTheVersion) {
    journal.clear();
    hostLog.versionAnswer = 0;
    EXPECT_EQ(runMain(testHost), nullptr);
    EXPECT_TRUE(journal.empty()) << "no effect may be created";
    EXPECT_EQ(runMain(nullptr), nullptr);
}

TEST_F(Framework, MainDiscardsTheEffectWhenConstructionRanOutOfMemory) {
    failNextCreation = true;
    journal.clear();
    EXPECT_EQ(runMain(testHost), nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"construct", "destroy"}));
    failNextCreation = false;
    EXPECT_EQ(runMain(testHost), nullptr) << "the flag stays set for the module";
    oome = false;
}

TEST_F(Framework, CloseRunsCloseThenDestroysAndAnswersOne) {
    EXPECT_EQ(dispatch(opClose), 1);
    record = nullptr;
    EXPECT_EQ(journal, (std::vector<std::string>{"close", "destroy"}));
}

TEST_F(Framework, EntryPointsForwardParametersUnchanged) {
    const float odd = std::nextafter(0.3f, 1.0f);
    record->setParameter(record, 1, odd);
    EXPECT_EQ(effect->params[1], odd);
    EXPECT_EQ(record->getParameter(record, 1), odd);
    EXPECT_EQ(record->getParameter(record, 7), 0.0f);
}

TEST_F(Framework, ProgramChangesStayInsideTheProgramTable) {
    dispatch(opSetProgram, 0, 2);
    dispatch(opSetProgram, 0, 3);  // equal to numPrograms: ignored
    dispatch(opSetProgram, 0, -1); // negative: ignored
    dispatch(opSetProgram, 0, FxIntPtr(INT32_MIN));
    EXPECT_EQ(journal, (std::vector<std::string>{"setProgram 2"}));
    EXPECT_EQ(dispatch(opGetProgram), 2);
}

TEST_F(Framework, SuspendResumeFollowsTheValue) {
    dispatch(opSuspendResume, 0, 0);
    dispatch(opSuspendResume, 0, 1);
    dispatch(opSuspendResume, 0, 7);
    EXPECT_EQ(journal, (std::vector<std::string>{"suspend", "resume", "resume"}));
}

TEST_F(Framework, VuReachesTheHostAsTruncatedFractionOf32767) {
    const struct {
        float vu;
        FxIntPtr expected;
    } cases[] = {{0.5f, 16383},          {1.0f, 32767},         {2.0f, 65534},
                 {-0.5f, -16383},        {0.0f, 0},             {NAN, 0},
                 {1e30f, INT32_MAX},     {-1e30f, INT32_MIN},   {INFINITY, INT32_MAX}};
    for (const auto& c : cases) {
        effect->vu = c.vu;
        EXPECT_EQ(dispatch(opGetVu), c.expected) << "vu " << c.vu;
    }
}

TEST_F(Framework, SampleRateAndBlockSizeAreStored) {
    dispatch(opSetSampleRate, 0, 0, nullptr, 96000.0f);
    dispatch(opSetBlockSize, 0, 333);
    EXPECT_EQ(effect->getSampleRate(), 96000.0f);
    EXPECT_EQ(effect->getBlockSize(), 333);
}

TEST_F(Framework, OpcodesWithoutActionAnswerZeroAndCallNothing) {
    TestEditor* editor = new TestEditor(effect);
    effect->setEditor(editor);
    char buffer[64] = {};
    for (std::int32_t opcode : {16, 17, 18, 20, 21, 25, 27, 40, -1, INT32_MIN, INT32_MAX})
        EXPECT_EQ(dispatch(opcode, 0, 0, buffer), 0) << opcode;
#if FX_FRAMEWORK_REVISION < 2
    EXPECT_EQ(dispatch(opGetChunk, 0, 0, buffer), 0);
    EXPECT_EQ(dispatch(opSetChunk, 0, 0, buffer), 0);
#endif
    EXPECT_TRUE(journal.empty());
}

TEST_F(Framework, IdentifyAnswersTheFixedCode) {
    for (std::int32_t index : {0, 5, -3})
        EXPECT_EQ(dispatch(opIdentify, index, 99, nullptr, 1.5f), 0x4E764566);
}

TEST_F(Framework, DefaultTextsAreEmpty) {
    for (std::int32_t opcode : {opGetProgramName, opGetParamLabel, opGetParamDisplay, opGetParamName}) {
        char text[16];
        std::memset(text, 'x', sizeof text);
        dispatch(opcode, 0, 0, text);
        EXPECT_EQ(text[0], 0) << opcode;
    }
}

TEST_F(Framework, TextOpcodesWithoutABufferDoNothing) {
    for (std::int32_t opcode = opSetProgramName; opcode <= opGetParamName; ++opcode)
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0);
}

TEST_F(Framework, EditorOpcodesWithoutEditorAnswerZeroAndLeaveThePointer) {
    ERect sentinel{};
    ERect* rect = &sentinel;
    EXPECT_EQ(dispatch(opEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, &sentinel);
    EXPECT_EQ(dispatch(opEditOpen, 0, 0, &sentinel), 0);
    EXPECT_EQ(dispatch(opEditClose), 0);
    EXPECT_EQ(dispatch(opEditIdle), 0);
}

TEST_F(Framework, BaseEditorGivesNoRectangleAndKeepsTheWindow) {
    TestEditor* editor = new TestEditor(effect);
    effect->setEditor(editor);
    EXPECT_EQ(record->flags & flagHasEditor, flagHasEditor);
    ERect sentinel{};
    ERect* rect = &sentinel;
    EXPECT_EQ(dispatch(opEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    int window = 0;
    EXPECT_EQ(dispatch(opEditOpen, 0, 0, &window), 0);
    effect->setEditor(nullptr);
    EXPECT_EQ(record->flags & flagHasEditor, 0);
    delete editor;
}

TEST_F(Framework, PostedUpdatesBecomeOneRedrawAtTheNextIdle) {
    TestEditor* editor = new TestEditor(effect);
    effect->setEditor(editor);
    dispatch(opEditIdle);
    EXPECT_TRUE(journal.empty()) << "idle without postUpdate redraws nothing";
    editor->postUpdate();
    editor->postUpdate();
    editor->postUpdate();
    dispatch(opEditIdle);
    dispatch(opEditIdle);
    EXPECT_EQ(journal, (std::vector<std::string>{"update"}));
}

TEST_F(Framework, EffectDestroysItsEditor) {
    effect->setEditor(new TestEditor(effect));
    dispatch(opClose);
    record = nullptr;
    EXPECT_EQ(journal, (std::vector<std::string>{"close", "destroy", "~editor"}));
}

TEST_F(Framework, FlagSettersSetAndClearTheirBits) {
    effect->hasClip(true);
    EXPECT_EQ(record->flags & flagHasClip, flagHasClip);
    effect->hasClip(false);
    EXPECT_EQ(record->flags & flagHasClip, 0);
    effect->canProcessReplacing(false);
    EXPECT_EQ((record->flags & flagCanReplacing) != 0, FX_TEST_HOST_COMPATIBILITY != 0)
        << "64-bit hosts always see the replacing flag";
    effect->canProcessReplacing(true);
    EXPECT_EQ(record->flags & flagCanReplacing, flagCanReplacing);
#if FX_FRAMEWORK_REVISION >= 2
    effect->programsAreChunks(true);
    EXPECT_EQ(record->flags & flagProgramChunks, flagProgramChunks);
    void* data = &data;
    EXPECT_EQ(dispatch(opGetChunk, 0, 0, &data), 0);
    EXPECT_EQ(data, &data) << "the default chunk operation writes nothing";
    EXPECT_EQ(dispatch(opSetChunk, 1, 16, &data), 0);
#endif
}

TEST_F(Framework, HostWrappersPassTheirArguments) {
    hostLog.versionAnswer = 0;
    EXPECT_EQ(effect->getMasterVersion(), 1) << "an answer of 0 becomes 1";
    hostLog.versionAnswer = 7;
    EXPECT_EQ(effect->getMasterVersion(), 7);
    hostLog.answer = 0x1234;
    EXPECT_EQ(effect->getCurrentUniqueId(), 0x1234);
    EXPECT_FALSE(effect->isInputConnected(1));
    hostLog.answer = 0;
    EXPECT_TRUE(effect->isOutputConnected(3));
    effect->masterIdle();
    ASSERT_EQ(hostLog.calls.size(), 6u);
    const std::int32_t opcodes[] = {hostVersion, hostVersion, hostCurrentId,
                                    hostPinConnected, hostPinConnected, hostIdle};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(hostLog.calls[i].opcode, opcodes[i]);
        EXPECT_EQ(hostLog.calls[i].effect, record);
    }
    EXPECT_EQ(hostLog.calls[3].index, 1);
    EXPECT_EQ(hostLog.calls[3].value, 0) << "input pins";
    EXPECT_EQ(hostLog.calls[4].index, 3);
    EXPECT_EQ(hostLog.calls[4].value, 1) << "output pins";
}

TEST(FrameworkWithoutHost, WrappersGiveNeutralAnswers) {
    TestEffect effect(nullptr);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_EQ(effect.getCurrentUniqueId(), 0);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
    effect.masterIdle();
    effect.setParameterAutomated(0, 0.25f);
    EXPECT_EQ(effect.params[0], 0.25f);
}

TEST_F(Framework, AutomationReachesTheEffectBeforeTheHost) {
    effect->setParameterAutomated(1, 0.625f);
    ASSERT_EQ(hostLog.calls.size(), 1u);
    const auto& call = hostLog.calls[0];
    EXPECT_EQ(call.opcode, hostAutomate);
    EXPECT_EQ(call.index, 1);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.opt, 0.625f);
    EXPECT_TRUE(call.effectHadValue);
}

TEST_F(Framework, ProcessRunsUnderFlushToZero) {
    float in[4] = {1e-40f, 1e-40f, 1.0f, 0.0f};
    float out0[4] = {}, out1[4] = {};
    float* ins[] = {in};
    float* outs[] = {out0, out1};
    record->process(record, ins, outs, 4);
    EXPECT_EQ(out0[0], 0.0f) << "a subnormal input must not reach the output";
    EXPECT_EQ(out1[2], 2.0f);
}

// Opcode 26 and the replacing path exist for 64-bit hosts only.
TEST_F(Framework, AutomatableAnswerFollowsTheParameterRange) {
    const FxIntPtr inRange = FX_TEST_HOST_COMPATIBILITY ? 1 : 0;
    EXPECT_EQ(dispatch(opCanBeAutomated, 0), inRange);
    EXPECT_EQ(dispatch(opCanBeAutomated, 1), inRange);
    EXPECT_EQ(dispatch(opCanBeAutomated, 2), 0);
    EXPECT_EQ(dispatch(opCanBeAutomated, -1), 0);
}

TEST_F(Framework, ReplacingGivesWhatProcessAddsIntoClearedOutputs) {
    constexpr int kFrames = 1000; // several scratch stretches
    std::vector<float> in(kFrames), out0(kFrames, 9.0f), out1(kFrames, 9.0f);
    for (int i = 0; i < kFrames; ++i) in[i] = float(i % 17) - 8.0f;
    float* ins[] = {in.data()};
    float* outs[] = {out0.data(), out1.data()};
    record->processReplacing(record, ins, outs, kFrames);
    if (!FX_TEST_HOST_COMPATIBILITY) {
        EXPECT_EQ(out0[0], 9.0f) << "the base replacing path does nothing";
        return;
    }
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(out0[i], in[i]) << i;
        ASSERT_EQ(out1[i], 2.0f * in[i]) << i;
    }

    // In place: the input is output 0.
    std::vector<float> shared = in, other(kFrames, 5.0f);
    float* sharedIns[] = {shared.data()};
    float* sharedOuts[] = {shared.data(), other.data()};
    record->processReplacing(record, sharedIns, sharedOuts, kFrames);
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(shared[i], in[i]) << i;
        ASSERT_EQ(other[i], 2.0f * in[i]) << i;
    }
    record->processReplacing(record, sharedIns, sharedOuts, 0);
    record->processReplacing(record, sharedIns, sharedOuts, -5);
}

} // namespace
