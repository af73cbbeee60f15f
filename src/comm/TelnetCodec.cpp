#include "comm/TelnetCodec.h"

#include <initializer_list>

namespace {
QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

constexpr quint8 SE = 240, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255;
constexpr quint8 BINARY = 0, SGA = 3;
// A subnegotiation longer than this is no COM-port answer: it is skipped.
constexpr qsizetype MaxSubLength = 64;

QByteArray Verb(quint8 verb, quint8 option)
{
    return Bytes({char(IAC), char(verb), char(option)});
}
} // namespace

QByteArray TelnetCodec::Greeting()
{
    FUs[ComPortOption] = true;
    FUs[BINARY] = true;
    FHim[BINARY] = true;
    return Verb(WILL, ComPortOption) + Verb(WILL, BINARY) + Verb(DO, BINARY);
}

QByteArray TelnetCodec::Escape(const QByteArray &data)
{
    if (!data.contains(char(IAC)))
        return data;
    QByteArray out;
    out.reserve(data.size() + 8);
    for (char c : data) {
        out += c;
        if (quint8(c) == IAC)
            out += c;
    }
    return out;
}

QByteArray TelnetCodec::ComPortCommand(TComPortCommand command, const QByteArray &value)
{
    return Bytes({char(IAC), char(SB), char(ComPortOption), char(command)}) + Escape(value) +
           Bytes({char(IAC), char(SE)});
}

QByteArray TelnetCodec::Decode(const QByteArray &input)
{
    QByteArray data;
    data.reserve(input.size());
    for (char ch : input) {
        const quint8 c = quint8(ch);
        switch (FState) {
        case tsData:
            if (c == IAC)
                FState = tsIac;
            else
                data += ch;
            break;
        case tsIac:
            if (c == IAC) {
                data += ch; // a doubled IAC is the data byte 0xFF
                FState = tsData;
            } else {
                Command(c);
            }
            break;
        case tsOption:
            Negotiate(FVerb, c);
            FState = tsData;
            break;
        case tsSub:
            if (c == IAC) {
                FState = tsSubIac;
            } else if (FSub.size() < MaxSubLength) {
                FSub += ch;
            } else {
                FSubOverflow = true;
            }
            break;
        case tsSubIac:
            if (c == SE) {
                if (!FSubOverflow)
                    SubNegotiation();
                FState = tsData;
            } else if (c == IAC) {
                if (FSub.size() < MaxSubLength)
                    FSub += ch;
                else
                    FSubOverflow = true;
                FState = tsSub;
            } else {
                // IAC and anything but SE or IAC inside a subnegotiation: broken; the
                // subnegotiation is dropped and the byte read as a command.
                Command(c);
            }
            break;
        }
    }
    return data;
}

void TelnetCodec::Command(quint8 c)
{
    if (c >= WILL) {
        FVerb = c;
        FState = tsOption;
    } else if (c == SB) {
        FSub.clear();
        FSubOverflow = false;
        FState = tsSub;
    } else {
        FState = tsData; // NOP, GA, DM and the like: nothing to do
    }
}

void TelnetCodec::Negotiate(quint8 verb, quint8 option)
{
    // Each side's state changes only on a request that changes it, so that two peers
    // acknowledging each other cannot loop; a refusal is sent once per option.
    const bool weSupport = option == BINARY || option == SGA || option == ComPortOption;
    const bool heMay = option == BINARY || option == SGA;
    switch (verb) {
    case DO:
        if (option == ComPortOption)
            FComPortAccepted = true;
        if (FUs[option])
            break;
        if (weSupport) {
            FUs[option] = true;
            FAnswers += Verb(WILL, option);
        } else if (!FRefused[option]) {
            FRefused[option] = true;
            FAnswers += Verb(WONT, option);
        }
        break;
    case DONT:
        if (option == ComPortOption)
            FComPortRefused = true;
        if (FUs[option]) {
            FUs[option] = false;
            FAnswers += Verb(WONT, option);
        }
        break;
    case WILL:
        if (FHim[option])
            break;
        if (heMay) {
            FHim[option] = true;
            FAnswers += Verb(DO, option);
        } else if (!FRefused[option]) {
            FRefused[option] = true;
            FAnswers += Verb(DONT, option);
        }
        break;
    case WONT:
        if (FHim[option]) {
            FHim[option] = false;
            FAnswers += Verb(DONT, option);
        }
        break;
    }
}

void TelnetCodec::SubNegotiation()
{
    if (FSub.size() < 2 || quint8(FSub.at(0)) != ComPortOption)
        return;
    const quint8 command = quint8(FSub.at(1));
    if (command <= cpServerOffset)
        return;
    const quint8 answered = command - cpServerOffset;
    if (answered < FComPortAnswers.size())
        FComPortAnswers[answered] = FSub.mid(2);
}

QByteArray TelnetCodec::TakeAnswers()
{
    QByteArray answers;
    answers.swap(FAnswers);
    return answers;
}

std::optional<QByteArray> TelnetCodec::ComPortAnswer(TComPortCommand command) const
{
    return command < FComPortAnswers.size() ? FComPortAnswers[command] : std::nullopt;
}

void TelnetCodec::ClearComPortAnswers()
{
    FComPortAnswers.fill(std::nullopt);
}
