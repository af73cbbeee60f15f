#include "platform/OwnExecutable.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#else
#include <QProcess>
#endif

namespace {
TInstanceLauncher &currentLauncher()
{
    static TInstanceLauncher launcher;
    return launcher;
}
} // namespace

bool OpenOwnExecutable(const QStringList &arguments)
{
    const QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const std::wstring file = path.toStdWString();
    // One parameter text: each argument quoted, as the program's start-up splits it.
    QString joined;
    for (const QString &argument : arguments) {
        if (!joined.isEmpty())
            joined += u' ';
        joined +=
            u'"' + QString(argument).replace(QStringLiteral("\""), QStringLiteral("\\\"")) + u'"';
    }
    const std::wstring parameters = joined.toStdWString();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(),
                      joined.isEmpty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32;
#else
    return QProcess::startDetached(path, arguments);
#endif
}

TInstanceLauncher SetInstanceLauncher(TInstanceLauncher launcher)
{
    TInstanceLauncher previous = std::move(currentLauncher());
    currentLauncher() = std::move(launcher);
    return previous;
}

bool LaunchNewInstance(const QStringList &arguments)
{
    if (currentLauncher())
        return currentLauncher()(arguments);
    return OpenOwnExecutable(arguments);
}
