#pragma once

// The Telnet side of a serial device server speaking the COM-port control option
// (RFC 2217): data bytes are taken out of the stream, option negotiation is answered,
// and the server's answers to the COM-port commands are recorded. No NVT line-end
// handling: with BINARY agreed both ways CR NUL and CR LF are data like any other bytes.
// Input may be cut anywhere (inside an IAC sequence included): the state carries over.

#include <QByteArray>
#include <array>
#include <optional>

class TelnetCodec
{
public:
    enum TComPortCommand : quint8
    {
        cpSetBaudRate = 1,
        cpSetDataSize = 2,
        cpSetParity = 3,
        cpSetStopSize = 4,
        cpSetControl = 5,
        cpServerOffset = 100 // a server's answer to command c is c + 100
    };
    static constexpr quint8 ComPortOption = 44;

    // What the client says first: it will use the COM-port option, and binary both ways.
    QByteArray Greeting();
    // The bytes of a COM-port command with its value, IAC in the value doubled.
    static QByteArray ComPortCommand(TComPortCommand command, const QByteArray &value);
    // Data to send: every 0xFF doubled.
    static QByteArray Escape(const QByteArray &data);

    // Takes bytes as received; returns the data among them. Answers to the server's
    // negotiation collect until TakeAnswers.
    QByteArray Decode(const QByteArray &input);
    QByteArray TakeAnswers();

    // The server agreed to the COM-port option (DO), or refused it (DONT).
    bool ComPortAccepted() const { return FComPortAccepted; }
    bool ComPortRefused() const { return FComPortRefused; }
    // The server's last answer to a COM-port command, its value bytes.
    std::optional<QByteArray> ComPortAnswer(TComPortCommand command) const;
    void ClearComPortAnswers();

private:
    enum TState
    {
        tsData,
        tsIac,
        tsOption, // after WILL, WONT, DO or DONT
        tsSub,
        tsSubIac
    };
    void Command(quint8 c); // the byte after an IAC that is not a second IAC
    void Negotiate(quint8 verb, quint8 option);
    void SubNegotiation();

    TState FState = tsData;
    quint8 FVerb = 0;
    QByteArray FSub; // option and value of the subnegotiation being read
    bool FSubOverflow = false;
    QByteArray FAnswers;
    std::array<bool, 256> FUs{};       // options enabled on our side
    std::array<bool, 256> FHim{};      // options enabled on the server's side
    std::array<bool, 256> FRefused{};  // refused once already: a repeated request is ignored
    bool FComPortAccepted = false;
    bool FComPortRefused = false;
    std::array<std::optional<QByteArray>, 8> FComPortAnswers;
};
