#include "CodecOSCReceiver.h"

#include "MyEffect.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
// The addresses handled, in their order of precedence.
enum class Row
{
    isAlive,
    getPluginInfos,
    getAllParameters,
    getAllParametersValues,
    updateParameterValue,
    getParameterValues,
    updateParameterNumbered,  // matched by the text's prefix, not as an address
    getParameterValue,
    getParameterText,
    getParameterName,
    isSameUUID,
    sameUUID,
    identify,
    none
};

const juce::String updateParameterPrefix ("/VoktTools/updateParameter");

struct FixedAddress
{
    Row row;
    juce::OSCAddress address;
};

const std::vector<FixedAddress>& fixedAddresses()
{
    static const std::vector<FixedAddress> table {
        { Row::isAlive, juce::OSCAddress ("/VoktTools/isAlive") },
        { Row::getPluginInfos, juce::OSCAddress ("/VoktTools/getPluginInfos") },
        { Row::getAllParameters, juce::OSCAddress ("/VoktTools/getAllParameters") },
        { Row::getAllParametersValues, juce::OSCAddress ("/VoktTools/getAllParametersValues") },
        { Row::updateParameterValue, juce::OSCAddress ("/VoktTools/updateParameterValue") },
        { Row::getParameterValues, juce::OSCAddress ("/VoktTools/getParameterValues") },
        { Row::updateParameterNumbered, juce::OSCAddress ("/VoktTools/updateParameter") },
        { Row::getParameterValue, juce::OSCAddress ("/VoktTools/getParameterValue") },
        { Row::getParameterText, juce::OSCAddress ("/VoktTools/getParameterText") },
        { Row::getParameterName, juce::OSCAddress ("/VoktTools/getParameterName") },
        { Row::isSameUUID, juce::OSCAddress ("/VoktTools/isSameUUID") },
        { Row::sameUUID, juce::OSCAddress ("/VoktTools/sameUUID") },
        { Row::identify, juce::OSCAddress ("/VoktTools/identify") },
    };
    return table;
}

// JUCE's wildcard matcher backtracks on every '*' and '{': only short
// patterns with few of them are matched.
bool isTractablePattern (const juce::String& text)
{
    if (text.length() > CodecOSCReceiver::maxWildcardPatternLength)
        return false;

    int branches = 0;
    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
        if (*p == '*' || *p == '{')
            ++branches;
    return branches <= CodecOSCReceiver::maxWildcardBranches;
}

Row findRow (const juce::OSCAddressPattern& pattern)
{
    const auto text = pattern.toString();
    if (pattern.containsWildcards() && ! isTractablePattern (text))
        return Row::none;

    for (auto& entry : fixedAddresses())
    {
        if (entry.row == Row::updateParameterNumbered)
        {
            if (text.startsWith (updateParameterPrefix))
                return entry.row;
        }
        else if (pattern.matches (entry.address))
        {
            return entry.row;
        }
    }
    return Row::none;
}

// The decimal number that ends text; 0 when there is none (so the bare
// "/VoktTools/updateParameter" addresses parameter 0); -1 when the number is
// negative or does not fit an int.
int trailingNumber (const juce::String& text)
{
    const int end = text.length();
    int start = end;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9')
        --start;

    if (start == end)
        return 0;
    if (start > 0 && text[start - 1] == '-')
        return -1;

    int64_t value = 0;
    for (int k = start; k < end; ++k)
    {
        value = value * 10 + (text[k] - '0');
        if (value > INT_MAX)
            return -1;
    }
    return (int) value;
}

// A port sent as float32: range-checked before its truncation to int.
bool readPort (const juce::OSCArgument& argument, int& port)
{
    if (! argument.isFloat32())
        return false;
    const float f = argument.getFloat32();
    if (! (f >= 1.0f && f < 65536.0f))  // also refuses NaN
        return false;
    port = (int) f;
    return true;
}

bool readHostAndPort (const juce::OSCMessage& message, juce::String& host, int& port)
{
    if (message.size() < 2 || ! message[0].isString() || ! readPort (message[1], port))
        return false;
    host = message[0].getString();
    return true;
}

// An index sent as float32, truncated toward zero, inside 0 .. count - 1.
bool readFloatIndex (const juce::OSCArgument& argument, int count, int& index)
{
    if (! argument.isFloat32())
        return false;
    const float f = argument.getFloat32();
    if (! (f >= 0.0f && f < (float) count))  // also refuses NaN
        return false;
    index = (int) f;
    return index < count;
}

bool readValue (const juce::OSCArgument& argument, float& value)
{
    if (! argument.isFloat32())
        return false;
    value = argument.getFloat32();
    return std::isfinite (value);
}
} // namespace

//==============================================================================
CodecOSCReceiver::CodecOSCReceiver (MyEffect* owner) : processor (owner) {}

void CodecOSCReceiver::oscBundleReceived (const juce::OSCBundle&) {}

void CodecOSCReceiver::oscMessageReceived (const juce::OSCMessage& message)
{
    if (! oscOn || processor == nullptr)
        return;

    const int count = processor->getMyNumParameters();
    juce::String host;
    int port = 0;
    int index = 0;
    float value = 0.0f;

    // Host and port are stored only once the whole message has been checked.
    auto storeTarget = [&]
    {
        remoteHost = host;
        remotePort = port;
    };

    const Row row = findRow (message.getAddressPattern());
    switch (row)
    {
        case Row::isAlive:
            if (! readHostAndPort (message, host, port))
                return;
            storeTarget();
            replyAlive (true);
            return;

        case Row::getPluginInfos:
            if (! readHostAndPort (message, host, port))
                return;
            storeTarget();
            replyPluginInfos();
            return;

        case Row::getAllParameters:
        case Row::getAllParametersValues:
            if (! readHostAndPort (message, host, port))
                return;
            storeTarget();
            replyListing (row == Row::getAllParameters);
            return;

        case Row::updateParameterValue:
            if (message.size() < 2 || ! readFloatIndex (message[0], count, index) || ! readValue (message[1], value))
                return;
            processor->setParameterNotifyingHost (index, value);
            return;

        case Row::getParameterValues:
            if (message.size() < 3 || ! readHostAndPort (message, host, port) || ! message[2].isInt32())
                return;
            index = message[2].getInt32();
            if (index < 0 || index >= count)
                return;
            storeTarget();
            replyParameterValues (index);
            return;

        case Row::updateParameterNumbered:
            index = trailingNumber (message.getAddressPattern().toString());
            if (index < 0 || index >= count || message.size() < 1 || ! readValue (message[0], value))
                return;
            processor->setParameterNotifyingHost (index, value);
            return;

        case Row::getParameterValue:
        case Row::getParameterText:
        case Row::getParameterName:
        {
            if (message.size() < 1 || ! readFloatIndex (message[0], count, index))
                return;
            if (row == Row::getParameterValue)
            {
                juce::OSCMessage reply ("/VoktTools/sendParameterValue");
                reply.addFloat32 (processor->getIndexedParameter (index));
                replyOnce (reply);
            }
            else if (row == Row::getParameterText)
            {
                juce::OSCMessage reply ("/VoktTools/sendParameterText");
                reply.addString (processor->getIndexedParameterText (index));
                replyOnce (reply);
            }
            else
            {
                juce::OSCMessage reply ("/VoktTools/sendParameterName");
                reply.addString (processor->getIndexedParameterName (index));
                replyOnce (reply);
            }
            return;
        }

        case Row::isSameUUID:
            if (message.size() < 3 || ! readHostAndPort (message, host, port) || ! message[2].isString())
                return;
            storeTarget();
            if (message[2].getString().equalsIgnoreCase (uuid))
                replyOnce (juce::OSCMessage ("/VoktTools/sameUUID"));
            return;

        case Row::sameUUID:
            uuid = juce::Uuid().toString();
            return;

        case Row::identify:
            processor->setHighlightOSC (true);
            return;

        case Row::none:
            return;
    }
}

//==============================================================================
void CodecOSCReceiver::replyOnce (const juce::OSCMessage& message)
{
    if (! openReply())
        return;
    sendReply (message);
    closeReply();
}

void CodecOSCReceiver::sendAlive()
{
    if (oscOn && processor != nullptr)
        replyAlive (false);
}

void CodecOSCReceiver::replyAlive (bool withParameterCount)
{
    juce::OSCMessage reply ("/VoktTools/alive");
    reply.addString (getLocalIP());
    reply.addFloat32 ((float) localPort);
    reply.addString (uuid);
    reply.addString (processor->getName());
    if (withParameterCount)
        reply.addFloat32 ((float) processor->getMyNumParameters());
    replyOnce (reply);
}

void CodecOSCReceiver::replyPluginInfos()
{
    juce::OSCMessage reply ("/VoktTools/sendPluginInfos");
    reply.addString (getLocalIP());
    reply.addFloat32 ((float) localPort);
    reply.addString (uuid);
    reply.addString (processor->getPluginType());
    reply.addString (processor->getHostName());
    reply.addString (processor->getTrackName());
    replyOnce (reply);
}

void CodecOSCReceiver::replyParameterValues (int index)
{
    juce::OSCMessage reply ("/VoktTools/sendParameterValues");
    reply.addString (getLocalIP());
    reply.addFloat32 ((float) localPort);
    reply.addInt32 (index);
    reply.addFloat32 (processor->getIndexedParameter (index));
    reply.addString (processor->getIndexedParameterText (index));
    replyOnce (reply);
}

void CodecOSCReceiver::replyListing (bool withDetails)
{
    if (! openReply())
        return;

    const int count = processor->getMyNumParameters();
    const auto ip = getLocalIP();
    int first = 0;
    int remaining = count;

    // A bundle per batch of at most 40 parameters, each after its header; a
    // listing without parameters is one bundle holding the header alone.
    do
    {
        const int batch = std::min (remaining, listingBatch);
        juce::OSCBundle bundle;

        juce::OSCMessage header ("/VoktTools/sendAllParametersHeader");
        header.addString (ip);
        header.addFloat32 ((float) localPort);
        bundle.addElement (header);

        for (int i = first; i < first + batch; ++i)
        {
            if (withDetails)
            {
                juce::OSCMessage m ("/VoktTools/sendParameters");
                m.addFloat32 ((float) i);
                m.addString (processor->getIndexedParameterName (i));
                m.addInt32 (processor->getIndexedParameterDiscrete (i) ? 1 : 0);
                m.addFloat32 ((float) processor->getIndexedParameterNumSteps (i));
                m.addFloat32 (processor->getIndexedParameter (i));
                m.addString (processor->getIndexedParameterText (i));
                m.addFloat32 (processor->getParameterVisibility (i) ? 1.0f : 0.0f);
                bundle.addElement (m);
            }
            else
            {
                juce::OSCMessage m ("/VoktTools/sendParameterValue");
                m.addFloat32 ((float) i);
                m.addFloat32 (processor->getIndexedParameter (i));
                bundle.addElement (m);
            }
        }

        sendReply (bundle);
        first += batch;
        remaining -= batch;
    } while (remaining > 0);

    closeReply();
}
