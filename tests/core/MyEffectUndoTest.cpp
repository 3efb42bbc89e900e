// Undo and redo of parameter gestures.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// One scenario: a script of steps on parameters A (1) and B (0), each step
// checked against the expected result, position and values.
struct Step
{
    char op;        // 'b' begin, 'e' end, 's' set, 'u' undo, 'r' redo
    int param;      // 'A' or 'B' for b/e/s
    float value;    // for s
    int result;     // u/r: 1 true, 0 false; -1 not checked
    int position;   // undoPosition afterwards
    float a, b;     // values of A and B afterwards
};

struct Scenario
{
    const char* name;
    std::vector<Step> steps;
    bool canUndo, canRedo;  // at the end
};

int indexOf (int p) { return p == 'A' ? 1 : (p == 'B' ? 0 : TestEffect::presetParameter); }
} // namespace

TEST (MyEffectUndo, Scenarios)
{
    const std::vector<Scenario> scenarios = {
        { "A then B",
          {
              { 'b', 'A', 0, -1, 0, 0.5f, 1.0f },
              { 's', 'A', 0.2f, -1, 0, 0.2f, 1.0f },
              { 'e', 'A', 0, -1, 1, 0.2f, 1.0f },
              { 'b', 'B', 0, -1, 2, 0.2f, 1.0f },
              { 's', 'B', 0.7f, -1, 2, 0.2f, 0.7f },
              { 'e', 'B', 0, -1, 3, 0.2f, 0.7f },
              { 'u', 0, 0, 1, 1, 0.2f, 1.0f },
              { 'u', 0, 0, 1, -1, 0.5f, 1.0f },
              { 'u', 0, 0, 0, -1, 0.5f, 1.0f },
              { 'r', 0, 0, 1, 1, 0.2f, 1.0f },
              { 'r', 0, 0, 1, 3, 0.2f, 0.7f },
              { 'r', 0, 0, 0, 3, 0.2f, 0.7f },
          },
          true, false },
        { "overlapping gestures are one group",
          {
              { 'b', 'A', 0, -1, 0, 0.5f, 1.0f },
              { 'b', 'B', 0, -1, 1, 0.5f, 1.0f },
              { 's', 'A', 0.1f, -1, 1, 0.1f, 1.0f },
              { 's', 'B', 0.3f, -1, 1, 0.1f, 0.3f },
              { 'e', 'A', 0, -1, 2, 0.1f, 0.3f },
              { 'e', 'B', 0, -1, 3, 0.1f, 0.3f },
              { 'u', 0, 0, 1, -1, 0.5f, 1.0f },
              { 'r', 0, 0, 1, 3, 0.1f, 0.3f },
          },
          true, false },
        { "a new gesture after undo drops the undone entries",
          {
              { 'b', 'A', 0, -1, 0, 0.5f, 1.0f },
              { 's', 'A', 0.9f, -1, 0, 0.9f, 1.0f },
              { 'e', 'A', 0, -1, 1, 0.9f, 1.0f },
              { 'u', 0, 0, 1, -1, 0.5f, 1.0f },
              { 'b', 'B', 0, -1, 0, 0.5f, 1.0f },
              { 's', 'B', 0.4f, -1, 0, 0.5f, 0.4f },
              { 'e', 'B', 0, -1, 1, 0.5f, 0.4f },
              { 'u', 0, 0, 1, -1, 0.5f, 1.0f },
              { 'r', 0, 0, 1, 1, 0.5f, 0.4f },
          },
          true, false },
        { "undo inside an open gesture restores its begin value",
          {
              { 'b', 'A', 0, -1, 0, 0.5f, 1.0f },
              { 's', 'A', 0.8f, -1, 0, 0.8f, 1.0f },
              { 'u', 0, 0, 1, -1, 0.5f, 1.0f },
              { 'r', 0, 0, 0, 0, 0.5f, 1.0f },  // only a begin entry follows
          },
          true, false },
        { "a preset gesture empties the history",
          {
              { 'b', 'A', 0, -1, 0, 0.5f, 1.0f },
              { 's', 'A', 0.6f, -1, 0, 0.6f, 1.0f },
              { 'e', 'A', 0, -1, 1, 0.6f, 1.0f },
              { 'b', 'P', 0, -1, -1, 0.6f, 1.0f },
              { 'e', 'P', 0, -1, -1, 0.6f, 1.0f },
              { 'u', 0, 0, 0, -1, 0.6f, 1.0f },
          },
          false, false },
        { "an end entry without a begin before it",
          {
              { 'e', 'A', 0, -1, 0, 0.5f, 1.0f },
              { 'u', 0, 0, 0, -1, 0.5f, 1.0f },
          },
          false, true },
    };

    for (const auto& scenario : scenarios)
    {
        SCOPED_TRACE (scenario.name);
        TestEffect e (8, false);
        int row = 0;
        for (const auto& s : scenario.steps)
        {
            SCOPED_TRACE ("step " + std::to_string (row++));
            int result = -1;
            switch (s.op)
            {
                case 'b': e.beginParameterChangeGesture (indexOf (s.param)); break;
                case 'e': e.endParameterChangeGesture (indexOf (s.param)); break;
                case 's': e.setParameterNotifyingHost (indexOf (s.param), s.value); break;
                case 'u': result = e.undo() ? 1 : 0; break;
                case 'r': result = e.redo() ? 1 : 0; break;
                default: FAIL();
            }
            if (s.result >= 0)
            {
                EXPECT_EQ (result, s.result);
            }
            EXPECT_EQ (e.undoPosition, s.position);
            EXPECT_FLOAT_EQ (e.getIndexedParameter (1), s.a);
            EXPECT_FLOAT_EQ (e.getIndexedParameter (0), s.b);
        }
        EXPECT_EQ (e.canUndo(), scenario.canUndo);
        EXPECT_EQ (e.canRedo(), scenario.canRedo);
    }
}

TEST (MyEffectUndo, RedoIsUnavailableAfterANewGestureAndRestoringNotesTheParameter)
{
    TestEffect e (8, false);
    e.midiBindings[1].store ({ 1, 4, 20, 60, 0 });

    e.beginParameterChangeGesture (1);
    e.setParameterNotifyingHost (1, 0.1f);
    e.endParameterChangeGesture (1);
    EXPECT_FALSE (e.canRedo());
    EXPECT_EQ (e.undoHistory.size(), 2u);

    e.currentParameter = -1;
    e.currentControlMessage.store ({ 0, 1, 1, 60, 0 });
    ASSERT_TRUE (e.undo());
    EXPECT_EQ (e.currentParameter.load(), 1);
    EXPECT_EQ (e.currentControlMessage.channel.load(), 4);
    EXPECT_EQ (e.currentControlMessage.controller.load(), 20);
    EXPECT_EQ (e.undoHistory.size(), 2u);  // restoring adds no entry
}

TEST (MyEffectUndo, InvalidIndexRecordsNothing)
{
    TestEffect e (8, false);
    for (int bad : { -1, 8, 1000 })
    {
        e.beginParameterChangeGesture (bad);
        e.endParameterChangeGesture (bad);
    }
    EXPECT_TRUE (e.undoHistory.empty());
    EXPECT_EQ (e.undoPosition, -1);
    EXPECT_FALSE (e.undo());
    EXPECT_FALSE (e.redo());
    EXPECT_EQ (e.undoPosition, -1);
}
