// The crunch editor's tick and refresh on the message thread while the
// audio thread processes and a host thread restores states that name other
// auxiliary files: the display data and the file are read without races
// (ThreadSanitizer), and the player ends on the file the effect holds.
#include "CrunchEditorTestSupport.h"

#include <atomic>
#include <thread>

using namespace crunchtest;

TEST (CrunchEditorThreads, TickAndRefreshWhileAudioRunsAndAHostRestoresState)
{
    using namespace zuveruva_test;
    guitest::ignoreXErrorsLikeAnApplication();
    SpyZuveruva fx;
    ASSERT_TRUE (prepare (fx, 2, 2, 512));
    std::unique_ptr<ZuveruvaEditor> editor (dynamic_cast<ZuveruvaEditor*> (fx.createEditorIfNeeded()));
    ASSERT_NE (editor, nullptr);

    // Two states that differ in their auxiliary file (and in smoothing).
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("crunch-threads", "");
    folder.createDirectory();
    const juce::File files[] = { writeWav (folder.getChildFile ("a.wav"), 1, 4410, 220.0),
                                 writeWav (folder.getChildFile ("b.wav"), 2, 4410, 330.0) };
    juce::MemoryBlock states[2];
    for (int k = 0; k < 2; ++k)
    {
        Zuveruva source;
        source.loadAuxFile (files[k].getFullPathName());
        source.setIndexedParameter (Zuveruva::kAmplitude, 0.2f + 0.5f * (float) k);
        source.getCurrentProgramStateInformation (states[k]);
    }

    std::atomic<bool> stop { false };
    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (4, 512);
        juce::MidiBuffer midi;
        juce::Random random (5);
        while (! stop)
        {
            for (int c = 0; c < 4; ++c)
                for (int i = 0; i < 512; ++i)
                    buffer.setSample (c, i, 0.4f * (2.0f * random.nextFloat() - 1.0f));
            const juce::ScopedLock sl (fx.getCallbackLock());
            fx.processBlock (buffer, midi);
        }
    });
    std::atomic<int> restores { 0 };
    std::thread host ([&]
    {
        for (int k = 0; k < 40 && ! stop; ++k)
        {
            const auto& s = states[k % 2];
            fx.setCurrentProgramStateInformation (s.getData(), (int) s.getSize());
            ++restores;
            std::this_thread::sleep_for (std::chrono::milliseconds (15));
        }
    });

    auto& panel = editor->panel;
    const auto end = juce::Time::getMillisecondCounter() + 1500;
    while (juce::Time::getMillisecondCounter() < end)
    {
        guitest::pumpMessages (20);  // the effect's ticks, deferred work and change messages
        panel.updateZuveruvaView();
        panel.updateParametersFromFilter();
    }
    stop = true;
    host.join();
    audio.join();
    guitest::pumpMessages (150);
    panel.updateParametersFromFilter();

    EXPECT_GT (restores.load(), 0);
    EXPECT_GT (panel.zuveruvaView->getBarCount(), 0);
    EXPECT_EQ (panel.auxPlayer->getCurrentFile(), fx.getAuxFile());
    EXPECT_TRUE (panel.auxPlayer->getCurrentFile() == files[0] || panel.auxPlayer->getCurrentFile() == files[1]);

    fx.editorBeingDeleted (editor.get());
    editor.reset();
    folder.deleteRecursively();
}
