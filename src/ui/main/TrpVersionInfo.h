#pragma once

#include <QObject>
#include <QString>
#include <array>

// The program's version strings, read once when the component is created and kept for
// the program's lifetime.
class TrpVersionInfo : public QObject
{
    Q_OBJECT
public:
    enum TVersionType
    {
        vtCompanyName,
        vtFileDescription,
        vtFileVersion,
        vtInternalName,
        vtLegalCopyright,
        vtLegalTradeMark,
        vtOriginalFileName,
        vtProductName,
        vtProductVersion,
        vtComments
    };
    static constexpr int VersionItemCount = vtComments + 1;

    explicit TrpVersionInfo(QObject *owner = nullptr);

    QString CompanyName() const { return GetVersionItem(vtCompanyName); }
    QString FileDescription() const { return GetVersionItem(vtFileDescription); }
    QString FileVersion() const { return GetVersionItem(vtFileVersion); }
    QString InternalName() const { return GetVersionItem(vtInternalName); }
    QString LegalCopyright() const { return GetVersionItem(vtLegalCopyright); }
    QString LegalTradeMark() const { return GetVersionItem(vtLegalTradeMark); }
    QString OriginalFileName() const { return GetVersionItem(vtOriginalFileName); }
    QString ProductName() const { return GetVersionItem(vtProductName); }
    QString ProductVersion() const { return GetVersionItem(vtProductVersion); }
    QString Comments() const { return GetVersionItem(vtComments); }

    // The key of an entry: its enumeration name without the leading "vt".
    static QString VersionKey(int index);

protected:
    virtual QString GetVersionItem(int index) const;
    virtual void LoadVersionInfo();

    std::array<QString, VersionItemCount> FVersionInfo;
};
