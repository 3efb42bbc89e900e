// The per-bin drivers of the vector kernel sets: whole chunks of
// kBinsPerChunk bins through the chunk code, then the last bins that do not
// fill a whole chunk, copied into zero-padded scratch, run through the chunk
// code and copied back. Included inside a kernel file's namespace after its
// analyseChunk, synthesiseChunk and kBinsPerChunk.
// Thread contract: pure functions on the caller's arrays, callable on any thread.

static void analyseTail (const AnalysisBins& a, int64_t k)
{
    const int64_t count = a.bins - k;
    float spectrum[2 * kBinsPerChunk] = {};
    float re[kBinsPerChunk] = {};
    float im[kBinsPerChunk] = {};
    float amp[kBinsPerChunk] = {};
    float ph[kBinsPerChunk] = {};
    float fr[kBinsPerChunk] = {};
    for (int64_t i = 0; i < count; ++i)
    {
        spectrum[2 * i] = a.spectrum[2 * (k + i)];
        spectrum[2 * i + 1] = a.spectrum[2 * (k + i) + 1];
        amp[i] = a.amplitudes[k + i];
        ph[i] = a.phases[k + i];
    }
    AnalysisBins local = a;
    local.spectrum = spectrum;
    local.realPart = re;
    local.imagPart = im;
    local.amplitudes = amp;
    local.phases = ph;
    local.frequences = fr;
    analyseChunk (local, 0, k);
    for (int64_t i = 0; i < count; ++i)
    {
        a.realPart[k + i] = re[i];
        a.imagPart[k + i] = im[i];
        if (a.computeAmplitudes)
            a.amplitudes[k + i] = amp[i];
        if (a.computeFrequences)
        {
            a.phases[k + i] = ph[i];
            a.frequences[k + i] = fr[i];
        }
    }
}

static void synthesiseTail (const SynthesisBins& s, int64_t k)
{
    const int64_t count = s.bins - k;
    float amp[kBinsPerChunk] = {};
    float fr[kBinsPerChunk] = {};
    float ph[kBinsPerChunk] = {};
    double acc[kBinsPerChunk] = {};
    float re[kBinsPerChunk] = {};
    float im[kBinsPerChunk] = {};
    float out[2 * kBinsPerChunk] = {};
    for (int64_t i = 0; i < count; ++i)
    {
        amp[i] = s.amplitudes[k + i];
        fr[i] = s.frequences[k + i];
        ph[i] = s.phases[k + i];
        acc[i] = s.accumulator[k + i];
        re[i] = s.realPart[k + i];
        im[i] = s.imagPart[k + i];
    }
    SynthesisBins local = s;
    local.amplitudes = amp;
    local.frequences = fr;
    local.phases = ph;
    local.accumulator = acc;
    local.realPart = re;
    local.imagPart = im;
    local.out = out;
    synthesiseChunk (local, 0);
    for (int64_t i = 0; i < count; ++i)
    {
        s.accumulator[k + i] = acc[i];
        s.realPart[k + i] = re[i];
        s.imagPart[k + i] = im[i];
        s.out[2 * (k + i)] = out[2 * i];
        s.out[2 * (k + i) + 1] = out[2 * i + 1];
    }
}

static void analyseBins (const AnalysisBins& a)
{
    int64_t k = 0;
    for (; k + kBinsPerChunk <= a.bins; k += kBinsPerChunk)
        analyseChunk (a, k, k);
    if (k < a.bins)
        analyseTail (a, k);
}

static void synthesiseBins (const SynthesisBins& s)
{
    int64_t k = 0;
    for (; k + kBinsPerChunk <= s.bins; k += kBinsPerChunk)
        synthesiseChunk (s, k);
    if (k < s.bins)
        synthesiseTail (s, k);
}
