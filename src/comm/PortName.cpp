#include "comm/PortName.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {
// A DNS name: labels of letters, digits and hyphens, none starting or ending with a
// hyphen, at most 63 characters each and 253 in all.
bool ValidHostName(const QString &host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    static const QRegularExpression label(
        QStringLiteral("^[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    QString name = host;
    if (name.endsWith(u'.'))
        name.chop(1);
    const QStringList labels = name.split(u'.');
    for (const QString &l : labels) {
        if (!label.match(l).hasMatch())
            return false;
    }
    return true;
}

bool Fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}
} // namespace

PortName PortName::Com(int number)
{
    PortName name;
    name.Number = number;
    return name;
}

bool PortName::Parse(const QString &text, PortName &name, QString *error, int maxCom)
{
    const QString t = text.trimmed();
    const QString comRange = QStringLiteral("a port number from 1 to %1").arg(maxCom);
    static const QRegularExpression com(QStringLiteral("^(?:COM)?([0-9]{1,9})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (const auto m = com.match(t); m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n < 1 || n > maxCom)
            return Fail(error, QStringLiteral("\"%1\" is not %2.").arg(t, comRange));
        name = Com(n);
        return true;
    }

    static const QRegularExpression net(QStringLiteral("^(tcp|rfc2217)://(.*)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = net.match(t);
    if (!m.hasMatch())
        return Fail(error, QStringLiteral("\"%1\" is neither %2 (COMn) nor "
                                          "tcp://HOST:PORT or rfc2217://HOST:PORT.")
                               .arg(t, comRange));
    const QString scheme = m.captured(1).toLower();
    const QString rest = m.captured(2);
    QString host;
    QString port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0 || rest.mid(close + 1, 1) != QStringLiteral(":"))
            return Fail(error, QStringLiteral("\"%1\": an IPv6 address is written [ADDRESS]:PORT.").arg(t));
        host = rest.mid(1, close - 1);
        port = rest.mid(close + 2);
        QHostAddress address;
        if (!address.setAddress(host) || address.protocol() != QAbstractSocket::IPv6Protocol)
            return Fail(error, QStringLiteral("\"%1\": \"%2\" is not an IPv6 address.").arg(t, host));
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return Fail(error, QStringLiteral("\"%1\" names no TCP port (HOST:PORT).").arg(t));
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (!ValidHostName(host))
            return Fail(error, QStringLiteral("\"%1\": \"%2\" is not a host name or an address.").arg(t, host));
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int tcpPort = digits.match(port).hasMatch() ? port.toInt() : 0;
    if (tcpPort < 1 || tcpPort > 65535)
        return Fail(error, QStringLiteral("\"%1\": the TCP port must be a number from 1 to 65535.").arg(t));

    name = PortName();
    name.Kind = scheme == QLatin1String("tcp") ? pnTcp : pnRfc2217;
    name.Number = 0;
    name.Host = host;
    name.TcpPort = quint16(tcpPort);
    return true;
}

QString PortName::Address() const
{
    const QString host = Host.contains(u':') ? u'[' + Host + u']' : Host;
    return host + u':' + QString::number(TcpPort);
}

QString PortName::Text() const
{
    switch (Kind) {
    case pnTcp:
        return QStringLiteral("tcp://") + Address();
    case pnRfc2217:
        return QStringLiteral("rfc2217://") + Address();
    case pnCom:
        break;
    }
    return QStringLiteral("COM") + QString::number(Number);
}

bool PortName::operator==(const PortName &other) const
{
    return Kind == other.Kind && Number == other.Number &&
           Host.compare(other.Host, Qt::CaseInsensitive) == 0 && TcpPort == other.TcpPort;
}
