#include "TestEmulator.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

TestEmulator::TestEmulator(const QString &portDir, int com, const QStringList &arguments)
    : FTranscriptPath(QDir(portDir).filePath(QStringLiteral("transcript-COM%1.txt").arg(com)))
{
    QStringList args{QStringLiteral("--port-dir"),   portDir,
                     QStringLiteral("--com"),        QString::number(com),
                     QStringLiteral("--transcript"), FTranscriptPath};
    args += arguments;
    FProcess.setProcessChannelMode(QProcess::SeparateChannels);
    FProcess.start(QStringLiteral(KT7310_EMULATOR_PATH), args);
    if (!FProcess.waitForStarted(5000)) {
        FError = FProcess.errorString();
        return;
    }
    // The emulator announces itself once its link exists.
    QByteArray out;
    QDeadlineTimer deadline(5000);
    while (!out.contains('\n') && !deadline.hasExpired() && FProcess.state() == QProcess::Running) {
        FProcess.waitForReadyRead(int(deadline.remainingTime()));
        out += FProcess.readAllStandardOutput();
    }
    FReady = out.contains("ready");
    if (!FReady)
        FError = QString::fromLocal8Bit(out + FProcess.readAllStandardError());
}

TestEmulator::~TestEmulator()
{
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.terminate();
        if (!FProcess.waitForFinished(3000)) {
            FProcess.kill();
            FProcess.waitForFinished(3000);
        }
    }
}

void TestEmulator::Kill()
{
    FProcess.kill();
    FProcess.waitForFinished(3000);
}

QStringList TestEmulator::Transcript() const
{
    QFile file(FTranscriptPath);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        // "hh:mm:ss.zzz XX text"
        if (line.size() > 13)
            lines << QString::fromLatin1(line.mid(13));
    }
    return lines;
}

QStringList TestEmulator::Received() const
{
    QStringList received;
    for (const QString &line : Transcript())
        if (line.startsWith(QLatin1String("RX ")))
            received << line.mid(3);
    return received;
}

QList<QPair<QString, QString>> TestEmulator::Exchanges() const
{
    QList<QPair<QString, QString>> exchanges;
    for (const QString &line : Transcript()) {
        if (line.startsWith(QLatin1String("RX ")))
            exchanges.append({line.mid(3), QString()});
        else if (line.startsWith(QLatin1String("TX ")) && !exchanges.isEmpty())
            exchanges.last().second = line.mid(3);
    }
    return exchanges;
}

QString TestEmulator::LastReplyTo(const QString &command) const
{
    const auto exchanges = Exchanges();
    for (auto it = exchanges.crbegin(); it != exchanges.crend(); ++it)
        if (it->first == command)
            return it->second;
    return QString();
}

PortDirectory::PortDirectory(const QString &dir)
    : FPrevious(qgetenv("KT7310_PORT_DIR")),
      FHadPrevious(qEnvironmentVariableIsSet("KT7310_PORT_DIR"))
{
    qputenv("KT7310_PORT_DIR", QFile::encodeName(dir));
}

PortDirectory::~PortDirectory()
{
    if (FHadPrevious)
        qputenv("KT7310_PORT_DIR", FPrevious);
    else
        qunsetenv("KT7310_PORT_DIR");
}

RecordedErrors::RecordedErrors()
{
    FPrevious = SetErrorReporter([this](const QString &text) { Texts << text; });
}

RecordedErrors::~RecordedErrors()
{
    SetErrorReporter(std::move(FPrevious));
}
