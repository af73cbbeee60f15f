#include "protocol/Tokens.h"

const QStringList &PulseModeTokens()
{
    static const QStringList tokens{"NORM", "SING", "BURS", "DCYC"};
    return tokens;
}

const QStringList &TriggerModeTokens()
{
    static const QStringList tokens{"DIS", "TRIG"};
    return tokens;
}

const QStringList &EdgeTokens()
{
    static const QStringList tokens{"RIS", "FALL"};
    return tokens;
}

const QStringList &DebounceTokens()
{
    static const QStringList tokens{"DIS", "ENAB"};
    return tokens;
}

const QStringList &GateInputModeTokens()
{
    static const QStringList tokens{"DIS", "PULS", "OUTP", "CHAN"};
    return tokens;
}

const QStringList &LogicTokens()
{
    static const QStringList tokens{"LOW", "HIGH"};
    return tokens;
}

const QStringList &OutputModeTokens()
{
    static const QStringList tokens{"TTL", "ADJ"};
    return tokens;
}

const QStringList &PolarityTokens()
{
    static const QStringList tokens{"NORM", "INV"};
    return tokens;
}

const QStringList &ChannelControlTokens()
{
    static const QStringList tokens{"DIS", "GATA", "GATB", "INHB"};
    return tokens;
}

const QStringList &SyncSourceTokens()
{
    static const QStringList tokens{"DIS", "SYNA", "SYNB", "SYNT"};
    return tokens;
}

const QStringList &ChannelGateModeTokens()
{
    static const QStringList tokens{"DIS", "PULS", "OUTP"};
    return tokens;
}

int TokenIndex(const QStringList &tokens, const QString &field)
{
    for (int i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == field)
            return i;
    }
    return -1;
}

bool ApplyToken(int &mirror, const QStringList &tokens, const QString &field)
{
    const int index = TokenIndex(tokens, field);
    if (index < 0)
        return false;
    mirror = index;
    return true;
}
