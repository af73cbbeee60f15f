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

bool OpenOwnExecutable()
{
    const QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const std::wstring file = path.toStdWString();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
#else
    return QProcess::startDetached(path, {});
#endif
}

TInstanceLauncher SetInstanceLauncher(TInstanceLauncher launcher)
{
    TInstanceLauncher previous = std::move(currentLauncher());
    currentLauncher() = std::move(launcher);
    return previous;
}

bool LaunchNewInstance()
{
    if (currentLauncher())
        return currentLauncher()();
    return OpenOwnExecutable();
}
