#pragma once

// One instrument for the device server: its session on a Qt thread of its own, and the
// requests of the server's threads handed to that thread. Every request waits there for
// its answer; no session object is touched from the caller's thread. Reads come from the
// snapshot, which the session's thread keeps in step with the session's state.
// Standard C++ only: the server's own files include it next to the Tango headers.

#include "tango/DeviceSnapshot.h"

#include <memory>
#include <string>
#include <vector>

struct TDeviceOptions
{
    std::string Name;       // the device's, for the server's log
    int Port = 0;           // the "COM" number; 0: scan the ports as the panel does
    std::string Network;    // a port on the network ("rfc2217://HOST:PORT"), in place of Port
    std::string PortError;  // the Port property cannot be read: why
    int Baud = 0;           // 0: every speed the scan tries
    int PollPeriodMs = 1000; // the status poll
    int RetryPeriodMs = 3000; // in FAULT, the next try to find the instrument
    std::string SettingsFolder; // absolute; SaveSettings and LoadSettings name files in it
    bool ServiceCommands = false; // SendLine may send the service window's commands
};

// A request's outcome: on failure Reason names the kind ("KT7310_OffGrid") and Text says
// why in a sentence; on success Text is the answer (a reply, differences), if any.
struct TDeviceResult
{
    bool Ok = true;
    std::string Reason;
    std::string Text;
    std::vector<std::string> List; // an answer that is a list (ListSettings)
};

class DeviceLink
{
public:
    // Starts the session's thread; the search for the instrument begins at once.
    explicit DeviceLink(const TDeviceOptions &options);
    // The session ends (the port is given up), then its thread.
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    DeviceSnapshot &Snapshot();

    // A setting attribute written: the window's rules, then the session's change (the
    // state, then one command line through the queue).
    TDeviceResult Write(const std::string &name, const TDeviceValue &value);
    TDeviceResult Run(bool on); // ":PULS0:STAT ON" / "OFF" through the queue
    TDeviceResult Refresh();    // the whole configuration read again
    TDeviceResult SaveToBin(int bin);
    TDeviceResult RecallBin(int bin); // then the whole configuration read again
    // Settings files are named, never reached by a path: a file of the device's settings
    // folder (SettingsFolder). Names and lines are Latin-1, byte for byte, as Tango's
    // strings are.
    TDeviceResult SaveSettings(const std::string &name);
    // Only a file whose every command line is a setting line is sent. Text: the
    // differences the read-back found, one per line, as "kt7310 load --verify" prints
    // them; empty when the instrument confirms the file.
    TDeviceResult LoadSettings(const std::string &name);
    TDeviceResult ListSettings(); // List: the files LoadSettings takes
    // One printable line; the service window's commands only when ServiceCommands is set.
    // Text: the reply.
    TDeviceResult SendLine(const std::string &line);

private:
    class Private;
    std::unique_ptr<Private> d;
};
