#include "MyBoundsConstrainer.h"

MyBoundsConstrainer::MyBoundsConstrainer (int extra) : extraHeight (extra) {}

void MyBoundsConstrainer::captureMargins()
{
    deltaWidth = mainComponent->getWidth() - ratioComponent->getWidth();
    deltaHeight = mainComponent->getHeight() - ratioComponent->getHeight();
}

void MyBoundsConstrainer::setRatioComponent (juce::Component* ratioComp, juce::Component* mainComp)
{
    ratioComponent = ratioComp;
    mainComponent = mainComp;
    if (ratioComponent != nullptr && mainComponent != nullptr)
        captureMargins();
}

void MyBoundsConstrainer::setMainComponent (juce::Component* mainComp)
{
    mainComponent = mainComp;
    if (ratioComponent != nullptr && mainComponent != nullptr)
        captureMargins();
}

void MyBoundsConstrainer::resizeStart()
{
    if (ratioComponent == nullptr || mainComponent == nullptr)
        return;

    captureMargins();
    const int h = ratioComponent->getHeight();
    if (h > 0)
        ratio = (double) ((float) ratioComponent->getWidth() / (float) h);
}

void MyBoundsConstrainer::checkBounds (juce::Rectangle<int>& bounds,
                                       const juce::Rectangle<int>& previousBounds,
                                       const juce::Rectangle<int>& limits,
                                       bool isStretchingTop,
                                       bool isStretchingLeft,
                                       bool isStretchingBottom,
                                       bool isStretchingRight)
{
    const bool keep = (alwaysKeepRatio || juce::ModifierKeys::currentModifiers.isShiftDown())
                      && isStretchingBottom && isStretchingRight
                      && ratioComponent != nullptr && mainComponent != nullptr;

    double aspect = 0.0;
    if (keep)
    {
        captureMargins();
        deltaHeight += extraHeight;

        if (bounds.getWidth() < getMinimumWidth())
        {
            bounds.setWidth (getMinimumWidth());
            bounds.setHeight (previousBounds.getHeight());
        }
        if (bounds.getHeight() < getMinimumHeight())
        {
            bounds.setWidth (previousBounds.getWidth());
            bounds.setHeight (getMinimumHeight());
        }

        // The whole-window aspect at which the inner component, smaller by
        // the two margins, has the proportions `ratio`. With both edges
        // dragged the base class keeps the side that grew relatively more and
        // derives the other from the aspect, so the aspect is the one that
        // gives the derived side exactly.
        if (bounds.getWidth() > 0 && bounds.getHeight() > 0)
        {
            const double before = previousBounds.getHeight() > 0
                                      ? previousBounds.getWidth() / (double) previousBounds.getHeight() : 0.0;
            const double now = bounds.getWidth() / (double) bounds.getHeight();
            if (before > now) // the width follows the height
                aspect = (deltaWidth - deltaHeight * ratio) / bounds.getHeight() + ratio;
            else // the height follows the width
                aspect = bounds.getWidth() / ((bounds.getWidth() - deltaWidth) / ratio + deltaHeight);
        }
        if (! (aspect > 0.0) || ! std::isfinite (aspect))
            aspect = 0.0;
    }
    setFixedAspectRatio (aspect);

    juce::ComponentBoundsConstrainer::checkBounds (bounds, previousBounds, limits,
                                                   isStretchingTop, isStretchingLeft,
                                                   isStretchingBottom, isStretchingRight);
}
