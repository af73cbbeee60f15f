#include "ui/main/TrpVersionInfo.h"

#ifndef KT7310_VERSION
#define KT7310_VERSION ""
#endif

namespace {
struct VersionEntry
{
    const char *Key;
    const char *Value;
};

// The program's version block. There is no executable version resource on this
// platform, so the strings come from the build: the version is the project's.
constexpr VersionEntry VersionBlock[TrpVersionInfo::VersionItemCount] = {
    {"CompanyName", "Kalteron"},
    {"FileDescription", "7310 Pulse Generator control panel"},
    {"FileVersion", KT7310_VERSION},
    {"InternalName", "KT7310_GUI"},
    {"LegalCopyright", ""},
    {"LegalTradeMark", ""},
    {"OriginalFileName", "KT7310_GUI"},
    {"ProductName", "KT7310 control panel"},
    {"ProductVersion", KT7310_VERSION},
    {"Comments", ""},
};
} // namespace

TrpVersionInfo::TrpVersionInfo(QObject *owner) : QObject(owner)
{
    setObjectName(QStringLiteral("VersionInfo"));
    // Read once here; a derived class's own LoadVersionInfo is not reached from a
    // base constructor, so derived readers call theirs themselves.
    TrpVersionInfo::LoadVersionInfo();
}

QString TrpVersionInfo::VersionKey(int index)
{
    return index >= 0 && index < VersionItemCount ? QString::fromLatin1(VersionBlock[index].Key)
                                                  : QString();
}

QString TrpVersionInfo::GetVersionItem(int index) const
{
    return index >= 0 && index < VersionItemCount ? FVersionInfo[index] : QString();
}

void TrpVersionInfo::LoadVersionInfo()
{
    for (int i = 0; i < VersionItemCount; ++i)
        FVersionInfo[i] = QString::fromUtf8(VersionBlock[i].Value);
}
