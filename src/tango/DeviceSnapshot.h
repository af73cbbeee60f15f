#pragma once

// What the device server shows of the instrument: its state and status, the attributes of
// the connected model and their values. The session's thread writes it after every change
// of the session's state; the server's request threads read it (a read never waits for
// the serial line), and its event thread takes the changes to push them to subscribers.
// Standard C++ only: the server's own files include it next to the Tango headers.

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

enum class TDeviceState
{
    Init,    // looking for the instrument, or reading its configuration
    On,      // connected, output stopped
    Running, // connected, output running
    Fault,   // no instrument, or the link was lost: Status says why
};

struct TDeviceAttribute
{
    enum TType
    {
        Boolean,
        Enum,
        Double,
        Long,   // 32-bit
        Long64, // counts and the shot count
        String,
    };
    // Where the value comes from.
    enum TSource
    {
        Setting, // a row of the setting table (SettingIndex), for a channel Number
        Model,
        SerialNumber,
        Badge,
        FirmwareVersion,
        FpgaVersion,
        ChannelCount,
        ShotCount,
    };
    std::string Name;
    TType Type = Double;
    TSource Source = Setting;
    int SettingIndex = -1; // index into the setting table
    int Number = -1;       // the channel of a channel setting
    bool Writable = false;
    std::string Label;
    std::string Description;
    std::string Unit;         // "s", "V"
    std::string StandardUnit; // the SI factor of Unit: "1"
    std::string Format;       // printf style
    std::string Min, Max;     // as Tango's properties take them; empty for none
    std::vector<std::string> EnumLabels;

    bool operator==(const TDeviceAttribute &) const = default;
};

struct TDeviceValue
{
    bool Valid = false;  // false: no value (a list reply that matched no item)
    double Number = 0;   // Boolean, Enum, Double, Long
    long long Whole = 0; // Long64
    std::string Text;    // String

    bool operator==(const TDeviceValue &) const = default;
};

// What changed since the event thread last looked.
struct TDeviceChanges
{
    bool Attributes = false; // another model: the attribute list is new
    bool State = false;      // State or Status
    std::vector<std::string> Values;
    bool Closed = false; // the device is going away
};

class DeviceSnapshot
{
public:
    // ---- The session's thread --------------------------------------------------------
    void SetState(TDeviceState state, const std::string &status);
    // A new attribute list (the model changed): every value is invalid until SetValues.
    void SetAttributes(std::vector<TDeviceAttribute> attributes);
    // The values of every attribute, in the order of the list; the ones that differ are
    // marked changed.
    void SetValues(const std::vector<TDeviceValue> &values);
    // Wakes the event thread for good.
    void Close();

    // ---- Any thread ------------------------------------------------------------------
    TDeviceState State() const;
    std::string Status() const;
    std::vector<TDeviceAttribute> Attributes() const;
    // False for a name the list does not hold.
    bool Find(const std::string &name, TDeviceAttribute *attribute, TDeviceValue *value) const;
    // The changes since the last call, waiting up to timeoutMs for the first one.
    TDeviceChanges WaitChanges(int timeoutMs);

private:
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    TDeviceState FState = TDeviceState::Init;
    std::string FStatus = "Starting.";
    std::vector<TDeviceAttribute> FAttributes;
    std::vector<TDeviceValue> FValues;
    std::map<std::string, std::size_t> FIndex;
    std::set<std::string> FPendingValues;
    bool FPendingAttributes = false;
    bool FPendingState = false;
    bool FClosed = false;
};
