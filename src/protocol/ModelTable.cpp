#include "protocol/ModelTable.h"

#include <array>

namespace {
struct ModelEntry
{
    const char *model;
    bool accepted;
    int channels;
};

constexpr std::array<ModelEntry, 12> Models{{
    {"7310-6", true, 6},
    {"7310-12", true, 12},
    {"7310-24", true, 24},
    {"7310-36", true, 36},
    {"462K-6", true, 6},
    {"462K-12", true, 12},
    {"462K-24", true, 24},
    {"462K-36", true, 36},
    {"410-6", false, 6},
    {"410-12", true, 12},
    {"410-24", true, 24},
    {"410-36", true, 36},
}};

const ModelEntry *findModel(const QString &modelNumber)
{
    for (const ModelEntry &entry : Models) {
        if (modelNumber == QLatin1String(entry.model))
            return &entry;
    }
    return nullptr;
}
} // namespace

bool ModelAccepted(const QString &modelNumber)
{
    const ModelEntry *entry = findModel(modelNumber);
    return entry && entry->accepted;
}

int ModelChannelCount(const QString &modelNumber)
{
    const ModelEntry *entry = findModel(modelNumber);
    return entry ? entry->channels : 12;
}

QString CompanyName(const QString &company)
{
    if (company == QLatin1String("KT"))
        return QStringLiteral("Kalteron");
    if (company == QLatin1String("MRD"))
        return QStringLiteral("Marendale");
    return QStringLiteral("Unknown");
}
