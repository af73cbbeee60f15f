#pragma once

#include <QString>
#include <QStringList>

// The enumerated tokens of the configuration records and setting commands. A token's
// position in its table is the item index of the list that shows it; commands send the
// token of the selected index, the readback turns a token back into that index.
const QStringList &PulseModeTokens();       // NORM SING BURS DCYC (system and channel mode)
const QStringList &TriggerModeTokens();     // DIS TRIG
const QStringList &EdgeTokens();            // RIS FALL
const QStringList &DebounceTokens();        // DIS ENAB
const QStringList &GateInputModeTokens();   // DIS PULS OUTP CHAN
const QStringList &LogicTokens();           // LOW HIGH
const QStringList &OutputModeTokens();      // TTL ADJ
const QStringList &PolarityTokens();        // NORM INV
const QStringList &ChannelControlTokens();  // DIS GATA GATB INHB
const QStringList &SyncSourceTokens();      // DIS SYNA SYNB SYNT
const QStringList &ChannelGateModeTokens(); // DIS PULS OUTP

// Index of the first token equal to field (exact, case-sensitive), or -1.
int TokenIndex(const QStringList &tokens, const QString &field);

// Sets mirror to the index of field's token and returns true; when no token matches
// (empty text included) the mirror keeps its value and the result is false.
bool ApplyToken(int &mirror, const QStringList &tokens, const QString &field);
