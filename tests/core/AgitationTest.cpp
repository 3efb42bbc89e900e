// Agitation: the agitation-ID encoding, group membership, the glide step and
// its gating, and the range of every value it writes.
#include "FrameTestEffect.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
struct Agitation : ::testing::Test
{
    FrameTestEffect effect;

    void SetUp() override
    {
        SetFakeTicks (90000.0);
        effect.agitationOn.store (true);
        for (int g = 0; g < 4; ++g)
        {
            effect.agitationAmplitudes[g].store (0.5f);
            effect.agitationRates[g].store (0.1f);
        }
    }

    MyEffect::agitationStruct node (int param, int* group = nullptr)
    {
        MyEffect::agitationStruct n {};
        int g = -1;
        EXPECT_TRUE (effect.getAgitationNode (param, g, n)) << param;
        if (group != nullptr)
            *group = g;
        return n;
    }

    bool hasNode (int param)
    {
        MyEffect::agitationStruct n {};
        int g = -1;
        return effect.getAgitationNode (param, g, n);
    }

    int totalNodes()
    {
        int count = 0;
        for (int g = 0; g < 4; ++g)
            count += effect.getAgitationGroupSize (g);
        return count;
    }
};
} // namespace

TEST (AgitationID, EncodingRoundTripsAndMatchesTheTable)
{
    for (bool on : { false, true })
        for (int g = 0; g < 4; ++g)
        {
            const float v = AgitationIDValueFromStateAndID (on, g);
            EXPECT_EQ (AgitationIDFromAgitationIDValue (v), g);
            EXPECT_EQ (StateFromAgitationIDValue (v), on);
        }

    struct Case { float value; int group; bool on; };
    const Case table[] = {
        { 0.0f, 0, false }, { 1.0f / 7, 1, false }, { 2.0f / 7, 2, false }, { 3.0f / 7, 3, false },
        { 4.0f / 7, 3, true }, { 5.0f / 7, 2, true }, { 6.0f / 7, 1, true }, { 1.0f, 0, true },
    };
    for (const auto& c : table)
    {
        EXPECT_EQ (AgitationIDFromAgitationIDValue (c.value), c.group) << c.value;
        EXPECT_EQ (StateFromAgitationIDValue (c.value), c.on) << c.value;
    }
}

TEST_F (Agitation, IDValuesMoveParametersBetweenGroups)
{
    auto* mix = effect.getVoktParameter (1);
    ASSERT_NE (mix, nullptr);

    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 6.0f / 7);   // group 1, on
    int group = -1;
    auto n = node (1, &group);
    EXPECT_EQ (group, 1);
    EXPECT_EQ (n.progress, 1.0f);   // the first step draws a fresh target
    EXPECT_EQ (n.base, effect.getIndexedParameter (1));
    EXPECT_EQ (mix->agitationGroup.load(), 1);
    EXPECT_EQ (effect.currentAgitationGroup.load(), 1);
    EXPECT_TRUE (effect.isAgitationControlsChanged());
    EXPECT_FALSE (effect.isAgitationControlsChanged());

    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 5.0f / 7);   // group 2, on
    node (1, &group);
    EXPECT_EQ (group, 2);
    EXPECT_EQ (totalNodes(), 1);
    EXPECT_EQ (effect.currentAgitationGroup.load(), 2);
    EXPECT_TRUE (effect.isAgitationControlsChanged());

    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 1.0f / 7);   // group 1, off
    EXPECT_FALSE (hasNode (1));
    EXPECT_EQ (mix->agitationGroup.load(), -1);
    EXPECT_FALSE (effect.isAgitationControlsChanged());

    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 4.0f / 7);   // group 3, on
    node (1, &group);
    EXPECT_EQ (group, 3);
    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 3.0f / 7);   // group 3, off
    EXPECT_FALSE (hasNode (1));
    EXPECT_EQ (totalNodes(), 0);

    // The returned value is clipped; values that are not numbers count as 0.
    EXPECT_EQ (effect.setAgitationForParam (1, FrameTestEffect::mixAgitation, 3.0f), 1.0f);
    EXPECT_EQ (effect.setAgitationForParam (1, FrameTestEffect::mixAgitation, std::nanf ("")), 0.0f);
    EXPECT_EQ (effect.setAgitationForParam (999, FrameTestEffect::mixAgitation, 1.0f), 1.0f);
}

TEST_F (Agitation, AStepNeedsThreeTicks)
{
    effect.setIndexedParameter (1, 0.5f);
    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 1.0f);   // group 0, on
    effect.SetAgitation();                                              // glides restart at tick 90000
    const auto start = node (1);
    EXPECT_EQ (start.progress, 0.0f);
    EXPECT_EQ (effect.lastAgitationTick.load(), 90000);

    SetFakeTicks (90002.0);
    effect.DoAgitation();
    EXPECT_EQ (node (1).progress, 0.0f);
    EXPECT_EQ (effect.getIndexedParameter (1), 0.5f);
    EXPECT_EQ (effect.agitatedWrites.load(), 0);

    SetFakeTicks (90003.0);
    effect.DoAgitation();
    const auto after = node (1);
    EXPECT_NEAR (after.progress, 0.3f, 1e-6f);
    EXPECT_NEAR (effect.getIndexedParameter (1), 0.7f * start.from + 0.3f * start.to, 1e-6f);
    EXPECT_EQ (effect.lastAgitationTick.load(), 90003);
    EXPECT_EQ (after.base, 0.5f);   // agitation's own write is no new base

    // With every amplitude at 0 the agitator's step runs no agitation.
    for (auto& amplitude : effect.agitationAmplitudes)
        amplitude.store (0.0f);
    SetFakeTicks (90100.0);
    effect.threadCallback();
    EXPECT_EQ (node (1).progress, after.progress);
}

TEST_F (Agitation, AUserValueBecomesTheNewBase)
{
    effect.setIndexedParameter (FrameTestEffect::mixAgitation, 1.0f);
    effect.SetAgitation();
    for (double t = 90005.0; t < 90100.0; t += 5.0)
    {
        SetFakeTicks (t);
        effect.DoAgitation();
    }
    effect.setIndexedParameter (1, 0.9f);
    const auto n = node (1);
    EXPECT_EQ (n.base, 0.9f);
    EXPECT_EQ (n.from, 0.9f);
    EXPECT_EQ (n.progress, 0.0f);

    // Switched off, nothing restarts.
    effect.agitationOn.store (false);
    effect.setIndexedParameter (1, 0.2f);
    EXPECT_EQ (node (1).base, 0.9f);
}

TEST_F (Agitation, EveryAgitatedValueStaysInRange)
{
    // Bases at and near the ends, the largest spread, random speeds and
    // uneven steps: no value written and no target leaves 0..1.
    std::mt19937 random (1234);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    std::uniform_int_distribution<int> ticks (1, 40);

    effect.setIndexedParameter (FrameTestEffect::mixAgitation, AgitationIDValueFromStateAndID (true, 1));
    effect.setIndexedParameter (FrameTestEffect::param10Agitation, AgitationIDValueFromStateAndID (true, 2));

    double t = 90000.0;
    for (float base : { 0.0f, 1.0f, 0.5f, 0.999f, 0.001f, 0.25f })
    {
        for (int g = 0; g < 4; ++g)
        {
            effect.agitationAmplitudes[g].store (g == 2 ? 1.0f : unit (random));
            effect.agitationRates[g].store (0.01f + unit (random));
        }
        effect.setIndexedParameter (1, base);
        effect.setIndexedParameter (10, 1.0f - base);

        for (int step = 0; step < 300; ++step)
        {
            t += ticks (random);
            SetFakeTicks (t);
            effect.DoAgitation();
            for (int param : { 1, 10 })
            {
                const auto n = node (param);
                EXPECT_TRUE (n.to >= 0.0f && n.to <= 1.0f) << n.to;
                EXPECT_TRUE (n.from >= 0.0f && n.from <= 1.0f) << n.from;
                EXPECT_LE (std::fabs (n.to - n.base), 0.5f + 1e-6f);   // within half the spread
                const float v = effect.getIndexedParameter (param);
                EXPECT_TRUE (v >= 0.0f && v <= 1.0f) << v;
            }
        }
    }
    EXPECT_GT (effect.agitatedWrites.load(), 1000);
    EXPECT_EQ (effect.agitatedOutOfRange.load(), 0);
}
