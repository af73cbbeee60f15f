#include "base/SystemInfo.h"

#include <system_error>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

QString SystemErrorText(int error)
{
    // The standard library's message is strerror_r's, into a buffer of its own.
    return QString::fromLocal8Bit(std::generic_category().message(error).c_str());
}

QString AccountName()
{
#ifdef Q_OS_WIN
    return {};
#else
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 4096);
    passwd entry;
    passwd *found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < 1024 * 1024)
        buffer.resize(buffer.size() * 2);
    return found ? QString::fromLocal8Bit(found->pw_name) : QString();
#endif
}
