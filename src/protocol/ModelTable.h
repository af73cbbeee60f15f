#pragma once

#include <QString>

// The largest model has 36 channels: channel records, mirrors and control tables are
// numbered 1 to MaxChannels.
constexpr int MaxChannels = 36;

// The models the program knows. The scan accepts an instrument only when its model
// string is one of the accepted ones, letter case included; "410-6" is known (6
// channels) but never accepted, so it is reachable through the manual port choice only.
bool ModelAccepted(const QString &modelNumber);

// Output channels of a model: 6, 12, 24 or 36; 12 for any other string, the empty one
// included.
int ModelChannelCount(const QString &modelNumber);

// The company behind a badge: "KT" Kalteron, "MRD" Marendale, anything else "Unknown".
QString CompanyName(const QString &company);
