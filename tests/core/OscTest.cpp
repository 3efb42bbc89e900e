// OSC remote control: the address space with replies caught on a loopback
// port, listings in bundles, identity, the port search, malformed input, a
// real UDP round trip and the replay of the fuzzer's seed corpus.
#include "CodecOSCPacket.h"
#include "OscLoopback.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace
{
using juce::OSCMessage;
using juce::String;

constexpr float qnan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

String addressOf (const juce::OSCBundle::Element& e)
{
    return e.isMessage() ? e.getMessage().getAddressPattern().toString() : String ("#bundle");
}

// True when the port is held by some socket (a bind without reuse fails).
bool isPortTaken (int port)
{
    juce::DatagramSocket probe (false);
    probe.setEnablePortReuse (false);
    return ! probe.bindToPort (port);
}

bool inSearchRange (int port)
{
    return port >= CodecOSC::defaultBasePort && port < CodecOSC::defaultBasePort + CodecOSC::portSearchCount;
}

struct Snapshot
{
    std::vector<float> values;
    int setCount;
    int currentParameter;
    String remoteHost;
    int remotePort;
    String uuid;
    bool highlight;

    explicit Snapshot (TestEffect& e)
        : setCount (e.setCount.load()),
          currentParameter (e.currentParameter.load()),
          remoteHost (e.remoteHost),
          remotePort (e.remotePort),
          uuid (e.uuid),
          highlight (e.oscHighlight.load())
    {
        for (int i = 0; i < e.n; ++i)
            values.push_back (e.values[(size_t) i].load());
    }

    bool operator== (const Snapshot& o) const
    {
        return values == o.values && setCount == o.setCount && currentParameter == o.currentParameter
            && remoteHost == o.remoteHost && remotePort == o.remotePort && uuid == o.uuid && highlight == o.highlight;
    }
};

class OscTest : public ::testing::Test
{
public:
    static constexpr int numParameters = 16;

    // A message naming the capture as the reply target, plus extra arguments.
    template <typename... Extra>
    OSCMessage toCapture (const char* address, Extra... extra)
    {
        OSCMessage m (address);
        m.addString (osc_loopback::host);
        m.addFloat32 ((float) capture.port);
        (m.addArgument (juce::OSCArgument (extra)), ...);
        return m;
    }

    void deliver (const OSCMessage& m) { effect.oscMessageReceived (m); }

    // Stores the capture as target through an answered isAlive, then forgets the answer.
    void storeCaptureAsTarget()
    {
        deliver (toCapture ("/VoktTools/isAlive"));
        ASSERT_TRUE (capture.waitForPackets (1));
        capture.clear();
    }

    // Replies keep their order on loopback: a request answered now must give
    // the first packet, or something was sent before it.
    void expectNoReplySoFar()
    {
        const bool wasOn = effect.oscOn;
        effect.oscOn = true;
        deliver (toCapture ("/VoktTools/isAlive"));
        effect.oscOn = wasOn;
        ASSERT_TRUE (capture.waitForPackets (1));
        const auto packets = capture.packets();
        EXPECT_EQ (addressOf (packets.front()), "/VoktTools/alive") << "an unexpected reply was sent";
        capture.clear();
    }

    const OSCMessage& firstReply()
    {
        EXPECT_TRUE (capture.waitForPackets (1));
        replies = capture.packets();
        if (replies.empty() || ! replies.front().isMessage())
        {
            ADD_FAILURE() << "no reply message";
            static const OSCMessage none ("/none");
            return none;
        }
        return replies.front().getMessage();
    }

    TestEffect effect { numParameters, false };
    ReplyCapture capture;
    std::vector<juce::OSCBundle::Element> replies;
};
} // namespace

//==============================================================================
TEST_F (OscTest, EveryAddressIsAnsweredOrActsAsDescribed)
{
    struct Case
    {
        std::function<OSCMessage (OscTest&)> message;
        const char* reply;  // nullptr: none
        int replyArguments;
        std::function<void (TestEffect&)> check;
    };
    const String oldUuid = effect.uuid;
    const Case cases[] = {
        { [] (OscTest& t) { return t.toCapture ("/VoktTools/isAlive"); }, "/VoktTools/alive", 5, nullptr },
        { [] (OscTest& t) { return t.toCapture ("/VoktTools/getPluginInfos"); }, "/VoktTools/sendPluginInfos", 6, nullptr },
        { [] (OscTest& t) { return t.toCapture ("/VoktTools/getAllParameters"); }, "#bundle", 0, nullptr },
        { [] (OscTest& t) { return t.toCapture ("/VoktTools/getAllParametersValues"); }, "#bundle", 0, nullptr },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/updateParameterValue", 12.0f, 0.25f); }, nullptr, 0,
          [] (TestEffect& e) { EXPECT_FLOAT_EQ (e.values[12].load(), 0.25f); EXPECT_EQ (e.currentParameter.load(), 12); } },
        { [] (OscTest& t) { return t.toCapture ("/VoktTools/getParameterValues", 1); }, "/VoktTools/sendParameterValues", 5, nullptr },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/updateParameter7", 0.75f); }, nullptr, 0,
          [] (TestEffect& e) { EXPECT_FLOAT_EQ (e.values[7].load(), 0.75f); EXPECT_EQ (e.currentParameter.load(), 7); } },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/getParameterValue", 1.0f); }, "/VoktTools/sendParameterValue", 1, nullptr },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/getParameterText", 1.0f); }, "/VoktTools/sendParameterText", 1, nullptr },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/getParameterName", 1.0f); }, "/VoktTools/sendParameterName", 1, nullptr },
        { [] (OscTest& t) { return t.toCapture ("/VoktTools/isSameUUID", t.effect.uuid); }, "/VoktTools/sameUUID", 0, nullptr },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/sameUUID"); }, nullptr, 0,
          [oldUuid] (TestEffect& e) { EXPECT_NE (e.uuid, oldUuid); EXPECT_EQ (e.uuid.length(), 32); } },
        { [] (OscTest&) { return OSCMessage ("/VoktTools/identify"); }, nullptr, 0,
          [] (TestEffect& e) { EXPECT_TRUE (e.oscHighlight.load()); } },
    };

    storeCaptureAsTarget();
    for (const auto& c : cases)
    {
        const auto m = c.message (*this);
        SCOPED_TRACE (m.getAddressPattern().toString().toStdString());
        deliver (m);
        if (c.reply != nullptr)
        {
            ASSERT_TRUE (capture.waitForPackets (1));
            const auto packets = capture.packets();
            EXPECT_EQ (addressOf (packets.front()), c.reply);
            if (packets.front().isMessage())
            {
                EXPECT_EQ (packets.front().getMessage().size(), c.replyArguments);
            }
            capture.clear();
        }
        else
        {
            expectNoReplySoFar();
        }
        if (c.check)
            c.check (effect);
    }
}

TEST_F (OscTest, ReplyArgumentsComeFromTheEffect)
{
    effect.values[1].store (0.25f);
    storeCaptureAsTarget();

    deliver (toCapture ("/VoktTools/getParameterValues", 1));
    {
        const auto& r = firstReply();
        ASSERT_EQ (r.size(), 5);
        EXPECT_EQ (r[0].getString(), effect.getLocalIP());
        EXPECT_EQ (r[1].getFloat32(), (float) effect.localPort);
        EXPECT_EQ (r[2].getInt32(), 1);
        EXPECT_FLOAT_EQ (r[3].getFloat32(), 0.25f);
        EXPECT_EQ (r[4].getString(), "0.25");
    }
    capture.clear();

    deliver (OSCMessage ("/VoktTools/getParameterValue", 1.9f));  // truncated to 1
    EXPECT_FLOAT_EQ (firstReply()[0].getFloat32(), 0.25f);
    capture.clear();
    deliver (OSCMessage ("/VoktTools/getParameterText", 1.0f));
    EXPECT_EQ (firstReply()[0].getString(), "0.25");
    capture.clear();
    deliver (OSCMessage ("/VoktTools/getParameterName", 2.0f));
    EXPECT_EQ (firstReply()[0].getString(), "Mode");
    capture.clear();

    deliver (toCapture ("/VoktTools/getPluginInfos"));
    {
        const auto& r = firstReply();
        ASSERT_EQ (r.size(), 6);
        EXPECT_EQ (r[2].getString(), effect.uuid);
        EXPECT_EQ (r[3].getString(), effect.getPluginType());
        EXPECT_EQ (r[4].getString(), effect.getHostName());
        EXPECT_EQ (r[5].getString(), effect.getTrackName());
    }
}

TEST_F (OscTest, IsAliveStoresTheTargetAndSendAliveReusesIt)
{
    OSCMessage m ("/VoktTools/isAlive");
    m.addString (osc_loopback::host);
    m.addFloat32 ((float) capture.port + 0.75f);  // truncated toward zero
    deliver (m);

    EXPECT_EQ (effect.remoteHost, osc_loopback::host);
    EXPECT_EQ (effect.remotePort, capture.port);
    {
        const auto& r = firstReply();
        ASSERT_EQ (r.getAddressPattern().toString(), "/VoktTools/alive");
        ASSERT_EQ (r.size(), 5);
        EXPECT_EQ (r[0].getString(), effect.getLocalIP());
        EXPECT_EQ (r[1].getFloat32(), (float) effect.localPort);
        EXPECT_EQ (r[2].getString(), effect.uuid);
        EXPECT_EQ (r[3].getString(), effect.getName());
        EXPECT_EQ (r[4].getFloat32(), (float) numParameters);
    }
    capture.clear();

    effect.sendAlive();
    {
        const auto& r = firstReply();
        EXPECT_EQ (r.getAddressPattern().toString(), "/VoktTools/alive");
        EXPECT_EQ (r.size(), 4);
    }
    capture.clear();

    effect.setOSCOn (false);
    effect.sendAlive();
    expectNoReplySoFar();
}

TEST_F (OscTest, WildcardsAndPrefixesFollowTheOrderOfPrecedence)
{
    struct Case
    {
        const char* pattern;
        std::function<void (OSCMessage&, OscTest&)> arguments;
        const char* reply;          // first reply address, nullptr for none
        int changedParameter;       // -1 for none
    };
    auto hostPort = [] (OSCMessage& m, OscTest& t)
    {
        m.addString (osc_loopback::host);
        m.addFloat32 ((float) t.capture.port);
    };
    const Case cases[] = {
        { "/VoktTools/*", hostPort, "/VoktTools/alive", -1 },
        { "/VoktTools/get*", hostPort, "/VoktTools/sendPluginInfos", -1 },
        { "/VoktTools/getAllParameters*", hostPort, "#bundle", -1 },
        // Row 5 before the prefix row: parameter 1, not parameter 0.
        { "/VoktTools/updateParameterValue", [] (OSCMessage& m, OscTest&) { m.addFloat32 (1.0f); m.addFloat32 (0.25f); }, nullptr, 1 },
        { "/VoktTools/updateParameter*", [] (OSCMessage& m, OscTest&) { m.addFloat32 (1.0f); m.addFloat32 (0.25f); }, nullptr, 1 },
        // The bare prefix addresses parameter 0.
        { "/VoktTools/updateParameter", [] (OSCMessage& m, OscTest&) { m.addFloat32 (0.25f); }, nullptr, 0 },
        { "/VoktTools/updateParameter015", [] (OSCMessage& m, OscTest&) { m.addFloat32 (0.25f); }, nullptr, 15 },
        { "/VoktTools/getParameter*", [hostPort] (OSCMessage& m, OscTest& t) { hostPort (m, t); m.addInt32 (2); }, "/VoktTools/sendParameterValues", -1 },
        { "/VoktTools/getParameter{Text,Name}", [] (OSCMessage& m, OscTest&) { m.addFloat32 (2.0f); }, "/VoktTools/sendParameterText", -1 },
        { "/VoktTools/*UUID", [hostPort] (OSCMessage& m, OscTest& t) { hostPort (m, t); m.addString (t.effect.uuid); }, "/VoktTools/sameUUID", -1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.pattern);
        effect.values[0].store (0.5f);
        effect.values[1].store (0.5f);
        effect.values[15].store (0.5f);
        storeCaptureAsTarget();

        OSCMessage m (c.pattern);
        c.arguments (m, *this);
        deliver (m);

        if (c.reply != nullptr)
        {
            ASSERT_TRUE (capture.waitForPackets (1));
            EXPECT_EQ (addressOf (capture.packets().front()), c.reply);
            capture.clear();
        }
        else
        {
            expectNoReplySoFar();
        }
        for (int i : { 0, 1, 15 })
            EXPECT_FLOAT_EQ (effect.values[(size_t) i].load(), i == c.changedParameter ? 0.25f : 0.5f) << "parameter " << i;
    }

    effect.oscHighlight.store (false);
    deliver (OSCMessage ("/VoktTools/?dentify"));
    EXPECT_TRUE (effect.oscHighlight.load());
}

//==============================================================================
TEST (OscListing, BundlesOfAtMostFortyParametersEachAfterItsHeader)
{
    const struct
    {
        int count;
        std::vector<int> batches;
    } cases[] = {
        { 0, { 0 } }, { 1, { 1 } }, { 40, { 40 } }, { 41, { 40, 1 } }, { 163, { 40, 40, 40, 40, 3 } },
    };

    for (const auto& c : cases)
    {
        for (const bool details : { true, false })
        {
            SCOPED_TRACE (testing::Message() << c.count << " parameters, " << (details ? "details" : "values"));
            TestEffect effect (c.count, false);
            ReplyCapture capture;
            OSCMessage request (details ? "/VoktTools/getAllParameters" : "/VoktTools/getAllParametersValues");
            request.addString (osc_loopback::host);
            request.addFloat32 ((float) capture.port);
            effect.oscMessageReceived (request);

            ASSERT_TRUE (capture.waitForPackets (c.batches.size()));
            ASSERT_TRUE (! capture.waitForPackets (c.batches.size() + 1, 50)) << "too many bundles";
            const auto packets = capture.packets();

            int next = 0;
            for (size_t b = 0; b < c.batches.size(); ++b)
            {
                ASSERT_TRUE (packets[b].isBundle());
                const auto& bundle = packets[b].getBundle();
                ASSERT_EQ (bundle.size(), c.batches[b] + 1);

                const auto& header = bundle[0].getMessage();
                EXPECT_EQ (header.getAddressPattern().toString(), "/VoktTools/sendAllParametersHeader");
                ASSERT_EQ (header.size(), 2);
                EXPECT_EQ (header[0].getString(), effect.getLocalIP());
                EXPECT_EQ (header[1].getFloat32(), (float) effect.localPort);

                for (int k = 1; k < bundle.size(); ++k, ++next)
                {
                    const auto& m = bundle[k].getMessage();
                    EXPECT_EQ (m[0].getFloat32(), (float) next);
                    if (details)
                    {
                        EXPECT_EQ (m.getAddressPattern().toString(), "/VoktTools/sendParameters");
                        ASSERT_EQ (m.size(), 7);
                        EXPECT_EQ (m[1].getString(), effect.getIndexedParameterName (next));
                        EXPECT_EQ (m[2].getInt32(), effect.getIndexedParameterDiscrete (next) ? 1 : 0);
                        EXPECT_EQ (m[3].getFloat32(), (float) effect.getIndexedParameterNumSteps (next));
                        EXPECT_EQ (m[4].getFloat32(), effect.getIndexedParameter (next));
                        EXPECT_EQ (m[5].getString(), effect.getIndexedParameterText (next));
                        EXPECT_EQ (m[6].getFloat32(), effect.getParameterVisibility (next) ? 1.0f : 0.0f);
                    }
                    else
                    {
                        EXPECT_EQ (m.getAddressPattern().toString(), "/VoktTools/sendParameterValue");
                        ASSERT_EQ (m.size(), 2);
                        EXPECT_EQ (m[1].getFloat32(), effect.getIndexedParameter (next));
                    }
                }
            }
            EXPECT_EQ (next, c.count);
        }
    }
}

TEST (OscListing, DetailsOfKnownParameters)
{
    TestEffect effect (8, false);
    ReplyCapture capture;
    OSCMessage request ("/VoktTools/getAllParameters", String (osc_loopback::host), (float) capture.port);
    effect.oscMessageReceived (request);
    ASSERT_TRUE (capture.waitForPackets (1));
    const auto packets = capture.packets();
    ASSERT_TRUE (packets.front().isBundle());
    const auto& bundle = packets.front().getBundle();
    ASSERT_EQ (bundle.size(), 9);

    const struct
    {
        int index;
        const char* name;
        int discrete;
        float steps;
        const char* text;
        float visible;
    } expected[] = {
        { 0, "Gain", 0, 1024.0f, "1.00", 1.0f },
        { 2, "Mode", 1, 5.0f, "0.50", 1.0f },
        { 4, "Preset", 1, 16.0f, "0.50", 0.0f },
        { 5, "Agit Speed 1", 0, 1024.0f, "0.50", 0.0f },
    };
    for (const auto& e : expected)
    {
        const auto& m = bundle[e.index + 1].getMessage();
        EXPECT_EQ (m[1].getString(), e.name);
        EXPECT_EQ (m[2].getInt32(), e.discrete);
        EXPECT_EQ (m[3].getFloat32(), e.steps);
        EXPECT_EQ (m[5].getString(), e.text);
        EXPECT_EQ (m[6].getFloat32(), e.visible);
    }
}

//==============================================================================
TEST_F (OscTest, UuidIsMatchedInEitherCase)
{
    deliver (toCapture ("/VoktTools/isSameUUID", effect.uuid.toUpperCase()));
    EXPECT_EQ (firstReply().getAddressPattern().toString(), "/VoktTools/sameUUID");
    EXPECT_EQ (firstReply().size(), 0);
    capture.clear();

    // Another uuid: no reply, but the target is stored all the same.
    effect.remoteHost = {};
    effect.remotePort = 0;
    deliver (toCapture ("/VoktTools/isSameUUID", String ("0123456789abcdef0123456789abcdef")));
    EXPECT_EQ (effect.remoteHost, osc_loopback::host);
    EXPECT_EQ (effect.remotePort, capture.port);
    expectNoReplySoFar();

    // sameUUID draws a new identity, which the next alive carries.
    const auto old = effect.uuid;
    deliver (OSCMessage ("/VoktTools/sameUUID"));
    deliver (toCapture ("/VoktTools/isAlive"));
    EXPECT_NE (firstReply()[2].getString(), old);
    EXPECT_EQ (firstReply()[2].getString(), effect.uuid);
    EXPECT_TRUE (effect.uuid.containsOnly ("0123456789abcdef"));
}

TEST_F (OscTest, NoStoredTargetMeansNoReply)
{
    for (const char* address : { "/VoktTools/getParameterValue", "/VoktTools/getParameterText", "/VoktTools/getParameterName" })
        deliver (OSCMessage (address, 1.0f));
    effect.sendAlive();
    expectNoReplySoFar();
}

TEST_F (OscTest, RepliesGoOnlyToNumericIPv4Hosts)
{
    // Host names are stored (the settings panel shows them) but never
    // resolved here, so they get no reply; nor do invalid stored ports.
    for (const char* host : { "localhost", "::1", "127.0.0.1 ", "127.1", "", "256.0.0.1" })
    {
        SCOPED_TRACE (host);
        deliver (OSCMessage ("/VoktTools/isAlive", String (host), (float) capture.port));
        EXPECT_EQ (effect.remoteHost, host);
        EXPECT_EQ (effect.remotePort, capture.port);
        expectNoReplySoFar();
    }

    for (int port : { 0, -1, 65536 })
    {
        effect.remoteHost = osc_loopback::host;
        effect.remotePort = port;  // as the settings panel may write it
        effect.sendAlive();
        deliver (OSCMessage ("/VoktTools/getParameterValue", 1.0f));
        expectNoReplySoFar();
    }
}

TEST_F (OscTest, MalformedMessagesChangeNothing)
{
    using juce::OSCBundle;
    auto msg = [] (const char* address, auto... args)
    {
        OSCMessage m (address);
        (m.addArgument (juce::OSCArgument (args)), ...);
        return OSCBundle::Element (m);
    };
    const String h (osc_loopback::host);
    const String longWildcard = "/VoktTools/" + String::repeatedString ("*", 40) + "x";

    OSCBundle bundle;
    bundle.addElement (OSCMessage ("/VoktTools/updateParameterValue", 1.0f, 0.25f));
    bundle.addElement (OSCMessage ("/VoktTools/isAlive", h, 9000.0f));

    const OSCBundle::Element cases[] = {
        // updateParameterValue: index and value checked before use
        msg ("/VoktTools/updateParameterValue", qnan, 0.5f),
        msg ("/VoktTools/updateParameterValue", inf, 0.5f),
        msg ("/VoktTools/updateParameterValue", -1.0f, 0.5f),
        msg ("/VoktTools/updateParameterValue", -0.5f, 0.5f),
        msg ("/VoktTools/updateParameterValue", 16.0f, 0.5f),
        msg ("/VoktTools/updateParameterValue", 3.0e9f, 0.5f),
        msg ("/VoktTools/updateParameterValue", 1.0e30f, 0.5f),
        msg ("/VoktTools/updateParameterValue", 1.0f, qnan),
        msg ("/VoktTools/updateParameterValue", 1.0f, inf),
        msg ("/VoktTools/updateParameterValue", 1.0f, -inf),
        msg ("/VoktTools/updateParameterValue", 1, 0.5f),
        msg ("/VoktTools/updateParameterValue", 1.0f, 1),
        msg ("/VoktTools/updateParameterValue", String ("1"), 0.5f),
        msg ("/VoktTools/updateParameterValue", 1.0f),
        msg ("/VoktTools/updateParameterValue"),
        // updateParameter<N>
        msg ("/VoktTools/updateParameter3", qnan),
        msg ("/VoktTools/updateParameter3", String ("0.5")),
        msg ("/VoktTools/updateParameter3"),
        msg ("/VoktTools/updateParameter16", 0.5f),
        msg ("/VoktTools/updateParameter-1", 0.5f),
        msg ("/VoktTools/updateParameter4294967297", 0.5f),
        msg ("/VoktTools/updateParameter99999999999999999999999", 0.5f),
        // single-index requests
        msg ("/VoktTools/getParameterValue", qnan),
        msg ("/VoktTools/getParameterValue", -1.0f),
        msg ("/VoktTools/getParameterValue", 16.0f),
        msg ("/VoktTools/getParameterValue", 1),
        msg ("/VoktTools/getParameterValue"),
        msg ("/VoktTools/getParameterText", inf),
        msg ("/VoktTools/getParameterName", -inf),
        // host and port
        msg ("/VoktTools/isAlive", h, qnan),
        msg ("/VoktTools/isAlive", h, inf),
        msg ("/VoktTools/isAlive", h, 0.0f),
        msg ("/VoktTools/isAlive", h, 0.5f),
        msg ("/VoktTools/isAlive", h, -9000.0f),
        msg ("/VoktTools/isAlive", h, 65536.0f),
        msg ("/VoktTools/isAlive", h, 1.0e10f),
        msg ("/VoktTools/isAlive", h, 9000),
        msg ("/VoktTools/isAlive", 1.0f, 9000.0f),
        msg ("/VoktTools/isAlive", h),
        msg ("/VoktTools/isAlive"),
        msg ("/VoktTools/getPluginInfos", h, qnan),
        msg ("/VoktTools/getAllParameters", h, -1.0f),
        msg ("/VoktTools/getAllParametersValues", h, 9000),
        msg ("/VoktTools/getParameterValues", h, 9000.0f, 16),
        msg ("/VoktTools/getParameterValues", h, 9000.0f, -1),
        msg ("/VoktTools/getParameterValues", h, 9000.0f, 1.0f),
        msg ("/VoktTools/getParameterValues", h, 9000.0f),
        msg ("/VoktTools/isSameUUID", h, 9000.0f, 1.0f),
        msg ("/VoktTools/isSameUUID", h, 9000.0f),
        // addresses
        msg ("/VoktTools/unknown", h, 9000.0f),
        msg ("/Other/isAlive", h, 9000.0f),
        msg ("/VoktTools", h, 9000.0f),
        msg ("/VoktTools/isAlive/more", h, 9000.0f),
        msg ("/VoktTools/isalive", h, 9000.0f),
        msg (longWildcard.toRawUTF8(), h, 9000.0f),
        msg ("/VoktTools/{a,b}{c,d}{e,f}{g,i}*", h, 9000.0f),
        // bundles are ignored
        OSCBundle::Element (bundle),
    };

    storeCaptureAsTarget();
    effect.remotePort = capture.port;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.isMessage() ? c.getMessage().getAddressPattern().toString().toStdString() : std::string ("bundle"));
        const Snapshot before (effect);
        if (c.isMessage())
            effect.oscMessageReceived (c.getMessage());
        else
            effect.oscBundleReceived (c.getBundle());
        EXPECT_TRUE (Snapshot (effect) == before);
        expectNoReplySoFar();
    }
}

TEST_F (OscTest, EverythingIsIgnoredWhileOscIsOff)
{
    storeCaptureAsTarget();
    effect.setOSCOn (false);
    const Snapshot before (effect);
    deliver (OSCMessage ("/VoktTools/updateParameterValue", 1.0f, 0.25f));
    deliver (OSCMessage ("/VoktTools/identify"));
    deliver (OSCMessage ("/VoktTools/sameUUID"));
    deliver (OSCMessage ("/VoktTools/getParameterValue", 1.0f));
    deliver (OSCMessage ("/VoktTools/isAlive", String (osc_loopback::host), 9000.0f));
    EXPECT_TRUE (Snapshot (effect) == before);
    expectNoReplySoFar();
}

TEST (OscLocalIP, SkipsLinkLocalAndMulticastAndKeepsTheChoice)
{
    TestEffect effect (4, false);
    effect.localAddresses = { "169.254.3.4", "224.0.0.251", "192.168.1.20" };
    EXPECT_EQ (effect.getLocalIP(), "192.168.1.20");
    effect.localAddresses = { "10.1.2.3" };
    EXPECT_EQ (effect.getLocalIP(), "192.168.1.20");

    // Without a list, this machine's addresses are taken.
    TestEffect other (4, false);
    const auto ip = other.getLocalIP();
    EXPECT_FALSE (other.localAddresses.isEmpty());
    if (ip.isNotEmpty())
    {
        EXPECT_TRUE (other.localAddresses.contains (ip));
    }
}

//==============================================================================
TEST (OscPort, NothingIsBoundUntilAPortIsSetOrOscIsSwitchedOn)
{
    TestEffect effect (4, false);
    EXPECT_TRUE (effect.oscOn);
    EXPECT_EQ (effect.socket.get(), nullptr);
    EXPECT_EQ (effect.localPort, 0);

    effect.setOSCOn (false);
    EXPECT_FALSE (effect.setLocalPort (osc_loopback::freshPort()));
    EXPECT_EQ (effect.socket.get(), nullptr);
    EXPECT_EQ (effect.localPort, 0);

    // Switching on with no port set searches from 1123 and announces the port it got.
    effect.setOSCOn (true);
    ASSERT_NE (effect.socket.get(), nullptr);
    EXPECT_TRUE (inSearchRange (effect.localPort));
    EXPECT_TRUE (isPortTaken (effect.localPort));

    ReplyCapture capture;
    effect.oscMessageReceived (OSCMessage ("/VoktTools/isAlive", String (osc_loopback::host), (float) capture.port));
    ASSERT_TRUE (capture.waitForPackets (1));
    EXPECT_EQ (capture.packets().front().getMessage()[1].getFloat32(), (float) effect.localPort);
}

TEST (OscPort, AFreePortIsTakenAndHeldExclusively)
{
    TestEffect effect (4, false);
    const int port = osc_loopback::freshPort();
    ASSERT_TRUE (effect.setLocalPort (port));
    EXPECT_EQ (effect.localPort, port);
    EXPECT_TRUE (isPortTaken (port));

    // Off and on again: a fresh socket on the same port.
    effect.setOSCOn (false);
    effect.setOSCOn (true);
    EXPECT_EQ (effect.localPort, port);
    EXPECT_TRUE (isPortTaken (port));

    // Another endpoint asking for it gets a port of the search range.
    TestEffect second (4, false);
    ASSERT_TRUE (second.setLocalPort (port));
    EXPECT_NE (second.localPort, port);
    EXPECT_TRUE (inSearchRange (second.localPort));
}

TEST (OscPort, AnOccupiedPortFallsBackToTheSearchRange)
{
    // Held by a plain JUCE socket, which has address reuse on.
    juce::DatagramSocket occupant (false);
    ASSERT_TRUE (occupant.bindToPort (0));
    const int taken = occupant.getBoundPort();

    TestEffect effect (4, false);
    ASSERT_TRUE (effect.setLocalPort (taken));
    EXPECT_NE (effect.localPort, taken);
    EXPECT_TRUE (inSearchRange (effect.localPort));
    EXPECT_TRUE (isPortTaken (effect.localPort));

    // The first free port of the range from the requested one's view: every
    // port below it in the range was taken when it was chosen (other
    // processes may free them since, so only the chosen one is checked).
    TestEffect second (4, false);
    ASSERT_TRUE (second.setLocalPort (effect.localPort));
    EXPECT_NE (second.localPort, effect.localPort);
}

TEST (OscPort, ZeroOrNegativeSearchesAndAboveTheRangeIsRefused)
{
    for (int port : { 0, -1, INT_MIN })
    {
        SCOPED_TRACE (port);
        TestEffect effect (4, false);
        ASSERT_TRUE (effect.setLocalPort (port));
        EXPECT_TRUE (inSearchRange (effect.localPort));
        EXPECT_TRUE (isPortTaken (effect.localPort));
    }

    TestEffect effect (4, false);
    const int port = osc_loopback::freshPort();
    ASSERT_TRUE (effect.setLocalPort (port));
    auto* const socket = effect.socket.get();
    for (int refused : { 65536, 100000, INT_MAX })
    {
        SCOPED_TRACE (refused);
        EXPECT_FALSE (effect.setLocalPort (refused));
        EXPECT_EQ (effect.localPort, port);
        EXPECT_EQ (effect.socket.get(), socket);
        EXPECT_TRUE (isPortTaken (port));
    }
}

TEST (OscPort, NoPortInTheRangeLeavesTheEndpointUnbound)
{
    TestEffect effect (4, false);
    const int port = osc_loopback::freshPort();
    ASSERT_TRUE (effect.setLocalPort (port));

    effect.basePort = 70000;  // a whole search range above 65535
    EXPECT_FALSE (effect.setLocalPort (0));
    EXPECT_EQ (effect.socket.get(), nullptr);
    EXPECT_EQ (effect.localPort, port);
    EXPECT_FALSE (isPortTaken (port));
}

//==============================================================================
TEST (OscRoundTrip, SenderToEffectAndBackOverUdp)
{
    TestEffect effect (16, false);
    ReplyCapture capture;
    ASSERT_TRUE (effect.setLocalPort (osc_loopback::freshPort()));

    juce::OSCSender sender;
    ASSERT_TRUE (sender.connect (osc_loopback::host, effect.localPort));

    ASSERT_TRUE (sender.send (OSCMessage ("/VoktTools/isAlive", String (osc_loopback::host), (float) capture.port)));
    ASSERT_TRUE (osc_loopback::pumpUntil ([&] { return capture.count() >= 1; }));
    {
        const auto packets = capture.packets();
        const auto& alive = packets.front().getMessage();
        EXPECT_EQ (alive.getAddressPattern().toString(), "/VoktTools/alive");
        EXPECT_EQ (alive[1].getFloat32(), (float) effect.localPort);
        EXPECT_EQ (alive[2].getString(), effect.uuid);
    }
    capture.clear();

    ASSERT_TRUE (sender.send (OSCMessage ("/VoktTools/updateParameterValue", 1.0f, 0.25f)));
    ASSERT_TRUE (sender.send (OSCMessage ("/VoktTools/updateParameter3", 1.0f)));
    ASSERT_TRUE (osc_loopback::pumpUntil ([&] { return effect.values[1].load() == 0.25f && effect.values[3].load() == 1.0f; }));

    // A bundle is ignored: the answer to the request sent after it still
    // shows parameter 2 at its default.
    juce::OSCBundle bundle;
    bundle.addElement (OSCMessage ("/VoktTools/updateParameterValue", 2.0f, 0.9f));
    ASSERT_TRUE (sender.send (bundle));
    ASSERT_TRUE (sender.send (OSCMessage ("/VoktTools/getParameterValue", 2.0f)));
    ASSERT_TRUE (osc_loopback::pumpUntil ([&] { return capture.count() >= 1; }));
    EXPECT_EQ (capture.packets().front().getMessage()[0].getFloat32(), 0.5f);
}

TEST (OscRoundTrip, SeedCorpusReplaysCleanly)
{
    const auto corpus = juce::File (VOKT_OSC_CORPUS);
    const auto files = corpus.findChildFiles (juce::File::findFiles, false);
    ASSERT_FALSE (files.isEmpty()) << corpus.getFullPathName();

    TestEffect effect (41, false);
    uint64_t replies = 0;
    effect.replyInterceptor = [&replies] (const juce::OSCBundle::Element&) { ++replies; };
    OscPacketFeeder feeder (effect);
    ASSERT_TRUE (effect.setLocalPort (osc_loopback::freshPort()));

    for (const auto& file : files)
    {
        juce::MemoryBlock bytes;
        ASSERT_TRUE (file.loadFileAsData (bytes));
        SCOPED_TRACE (file.getFileName().toStdString());
        ASSERT_TRUE (feeder.feed (bytes.getData(), bytes.getSize()));
    }

    EXPECT_EQ (feeder.parsed() + feeder.refusedByParser() + feeder.refusedByGate(), (uint64_t) files.size());
    EXPECT_GT (feeder.parsed(), 0u);
    EXPECT_GT (feeder.refusedByGate(), 0u);
    EXPECT_GT (replies, 0u);
    for (int i = 0; i < effect.n; ++i)
    {
        const float v = effect.values[(size_t) i].load();
        EXPECT_TRUE (v >= 0.0f && v <= 1.0f) << i;
    }
}

//==============================================================================
namespace
{
using Bytes = std::vector<uint8_t>;

Bytes oscString (const std::string& s)
{
    Bytes b (s.begin(), s.end());
    b.push_back (0);
    while (b.size() % 4 != 0)
        b.push_back (0);
    return b;
}

Bytes be32 (uint32_t v)
{
    return { uint8_t (v >> 24), uint8_t (v >> 16), uint8_t (v >> 8), uint8_t (v) };
}

Bytes cat (std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (auto& p : parts)
        out.insert (out.end(), p.begin(), p.end());
    return out;
}

Bytes bundleOf (std::initializer_list<Bytes> elements)
{
    Bytes out = cat ({ oscString ("#bundle"), Bytes (8, 0) });
    for (auto& e : elements)
        out = cat ({ out, be32 ((uint32_t) e.size()), e });
    return out;
}

Bytes nested (int depth)
{
    Bytes b = cat ({ oscString ("/a"), oscString (",") });
    for (int d = 0; d < depth; ++d)
        b = bundleOf ({ b });
    return b;
}
} // namespace

TEST (OscPacket, OnlyExactlyWellFormedPacketsPass)
{
    const Bytes plain = cat ({ oscString ("/VoktTools/isAlive"), oscString (",sf"), oscString ("127.0.0.1"), be32 (0x460ca000) });
    const Bytes noArgs = cat ({ oscString ("/a"), oscString (",") });

    const struct
    {
        const char* what;
        Bytes bytes;
        bool wellFormed;
    } cases[] = {
        { "message", plain, true },
        { "no arguments", noArgs, true },
        { "every type", cat ({ oscString ("/a"), oscString (",ifsbr"), be32 (1), be32 (0), oscString ("x"), be32 (3), Bytes { 1, 2, 3, 0 }, be32 (7) }), true },
        { "empty blob", cat ({ oscString ("/a"), oscString (",b"), be32 (0) }), true },
        { "bundle", bundleOf ({ plain, noArgs }), true },
        { "empty bundle", bundleOf ({}), true },
        { "bundles nested 4 deep", nested (maxOscBundleDepth), true },

        { "empty", Bytes(), false },
        { "three bytes", Bytes { '/', 'a', 0 }, false },
        { "neither message nor bundle", cat ({ oscString ("a"), oscString (",") }), false },
        { "no type tags", oscString ("/a"), false },
        { "type tags without comma", cat ({ oscString ("/a"), oscString ("f"), be32 (0) }), false },
        { "unsupported type", cat ({ oscString ("/a"), oscString (",d"), be32 (0), be32 (0) }), false },
        { "argument missing", cat ({ oscString ("/a"), oscString (",f") }), false },
        { "truncated float", Bytes (plain.begin(), plain.end() - 2), false },
        { "trailing bytes", cat ({ plain, be32 (0) }), false },
        { "non-ASCII address", cat ({ oscString ("/Vokt\x97\xaf"), oscString (",") }), false },
        { "non-ASCII string argument", cat ({ oscString ("/a"), oscString (",s"), oscString ("\xf8") }), false },
        { "string without terminator", Bytes { '/', 'a', 'b', 'c' }, false },
        { "padding not zero", cat ({ Bytes { '/', 'a', 0, 1 }, oscString (",") }), false },
        { "negative blob size", cat ({ oscString ("/a"), oscString (",b"), be32 (0xffffffff) }), false },
        { "blob past the end", cat ({ oscString ("/a"), oscString (",b"), be32 (8), be32 (0) }), false },
        { "huge blob", cat ({ oscString ("/a"), oscString (",b"), be32 (0x7fffffff) }), false },
        { "bundle head misspelt", cat ({ oscString ("#bundlx"), Bytes (8, 0) }), false },
        { "bundle element size too large", cat ({ bundleOf ({}), be32 (64), noArgs }), false },
        { "bundle element size negative", cat ({ bundleOf ({}), be32 (0xfffffff8), noArgs }), false },
        { "bundle element size not a multiple of 4", cat ({ bundleOf ({}), be32 (6), noArgs }), false },
        { "bundle element neither message nor bundle", bundleOf ({ cat ({ oscString ("a"), oscString (",") }) }), false },
        { "bundles nested 5 deep", nested (maxOscBundleDepth + 1), false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (isWellFormedOscPacket (c.bytes.data(), c.bytes.size()), c.wellFormed) << c.what;
}

TEST (OscPacket, RefusedDatagramsNeverReachTheParser)
{
    TestEffect effect (8, false);
    OscPacketFeeder feeder (effect);
    ASSERT_TRUE (effect.setLocalPort (osc_loopback::freshPort()));

    // Not UTF-8 in the address: JUCE's tokeniser would overrun on it.
    const Bytes bad = cat ({ oscString ("/VoktTools/updateParameter\x97\xaf"), oscString (",f"), be32 (0x3e800000) });
    const Bytes good = cat ({ oscString ("/VoktTools/updateParameter1"), oscString (",f"), be32 (0x3e800000) });
    ASSERT_TRUE (feeder.feed (bad.data(), bad.size()));
    ASSERT_TRUE (feeder.feed (good.data(), good.size()));

    EXPECT_EQ (feeder.refusedByGate(), 1u);
    EXPECT_EQ (feeder.parsed(), 1u);
    EXPECT_EQ (effect.values[1].load(), 0.25f);
    EXPECT_EQ (effect.values[0].load(), 1.0f);
}
