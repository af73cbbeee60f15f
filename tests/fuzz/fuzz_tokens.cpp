// Enumerated tokens of the records.
// Properties: a token is applied exactly when it is found in its table, the mirror then
// holds its index; otherwise the mirror keeps its value.

#include "FuzzCheck.h"

#include "protocol/Tokens.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const std::array<const QStringList *, 11> tables = {
        &PulseModeTokens(),       &TriggerModeTokens(),    &EdgeTokens(),
        &DebounceTokens(),        &GateInputModeTokens(),  &LogicTokens(),
        &OutputModeTokens(),      &PolarityTokens(),       &ChannelControlTokens(),
        &SyncSourceTokens(),      &ChannelGateModeTokens()};
    const QStringList &tokens = *tables[data[0] % tables.size()];
    const QString field =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const int index = TokenIndex(tokens, field);
    FUZZ_CHECK(index >= -1 && index < tokens.size());
    FUZZ_CHECK(index < 0 || tokens[index] == field);
    int mirror = 77;
    const bool applied = ApplyToken(mirror, tokens, field);
    FUZZ_CHECK(applied == (index >= 0));
    FUZZ_CHECK(applied ? mirror == index : mirror == 77);
    return 0;
}
