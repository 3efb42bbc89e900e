// Undo and redo of parameter gestures: a flat history of begin and end
// values and a position. Message thread only.
#include "MyEffect.h"

void MyEffect::beginParameterChangeGesture (int i)
{
    // An invalid index opens no gesture and records nothing.
    if (! isValidParameterIndex (i))
        return;

    getParameters().getUnchecked (i)->beginChangeGesture();

    if (isPreset (i) || isSuperSlider (i))
    {
        undoHistory.clear();
        undoPosition = -1;
        return;
    }

    if (noUndoRedo (i))
        return;

    // A new gesture discards what was undone.
    const int n = (int) undoHistory.size();
    if (undoPosition < n - 1)
        undoHistory.resize ((size_t) (undoPosition + 1));

    undoHistory.push_back ({ i, getIndexedParameter (i), true });
    ++undoPosition;
}

void MyEffect::endParameterChangeGesture (int i)
{
    if (! isValidParameterIndex (i))
        return;

    getParameters().getUnchecked (i)->endChangeGesture();

    if (isPreset (i) || isSuperSlider (i) || noUndoRedo (i))
        return;

    undoHistory.push_back ({ i, getIndexedParameter (i), false });
    ++undoPosition;
}

bool MyEffect::noUndoRedo (int) { return false; }

bool MyEffect::canUndo() const noexcept
{
    return undoPosition >= 0 && ! undoHistory.empty();
}

bool MyEffect::canRedo() const noexcept
{
    return ! undoHistory.empty() && undoPosition < (int) undoHistory.size() - 1;
}

void MyEffect::restoreUndoEntry (const UndoEntry& entry)
{
    if (! isValidParameterIndex (entry.param))
        return;

    // The gesture goes to the host's parameter object only, so restoring
    // adds nothing to the history.
    auto* parameter = getParameters().getUnchecked (entry.param);
    parameter->beginChangeGesture();
    noteCurrentParameter (entry.param);
    setIndexedParameter (entry.param, entry.value);
    parameter->endChangeGesture();
}

bool MyEffect::undo()
{
    const int n = (int) undoHistory.size();
    if (undoPosition < 0 || n == 0)
        return false;
    if (undoPosition > n - 1)
        undoPosition = n - 1;

    if (! undoHistory[(size_t) undoPosition].isBegin)
    {
        int k = undoPosition - 1;
        while (k >= 0 && ! undoHistory[(size_t) k].isBegin)
            --k;
        if (k < 0)
        {
            undoPosition = -1;
            return false;
        }
        undoPosition = k;
    }

    // Consecutive begin entries are gestures that began together: one group.
    do
    {
        restoreUndoEntry (undoHistory[(size_t) undoPosition]);
        --undoPosition;
    } while (undoPosition >= 0 && undoHistory[(size_t) undoPosition].isBegin);

    return true;
}

bool MyEffect::redo()
{
    const int n = (int) undoHistory.size();

    int k = undoPosition + 1;
    while (k < n && undoHistory[(size_t) k].isBegin)
        ++k;

    if (k >= n)
    {
        undoPosition = n - 1;
        return false;
    }

    undoPosition = k;
    do
    {
        restoreUndoEntry (undoHistory[(size_t) undoPosition]);
        ++undoPosition;
    } while (undoPosition < n && ! undoHistory[(size_t) undoPosition].isBegin);

    --undoPosition;
    return true;
}
