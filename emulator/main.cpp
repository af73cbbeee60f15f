// kt7310-emulator: an instrument of the 7310/462K/410 family on a pseudo-terminal.

#include "emulator/TEmulatorOptions.h"
#include "emulator/TInstrument.h"
#include "emulator/TPtyLink.h"
#include "emulator/TTranscript.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(SignalPipe[0], &c, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kt7310-emulator"));

    TEmulatorOptions options;
    QString message;
    switch (TEmulatorOptions::Parse(QCoreApplication::arguments(), options, message)) {
    case TEmulatorOptions::ExitOk:
        std::fputs(qPrintable(message), stdout);
        return 0;
    case TEmulatorOptions::ExitError:
        std::fprintf(stderr, "kt7310-emulator: %s\n(see --help)\n", qPrintable(message));
        return 2;
    case TEmulatorOptions::Run:
        break;
    }

    // SIGINT and SIGTERM end the event loop, so that the link is removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0) {
        std::perror("kt7310-emulator: socketpair");
        return 1;
    }
    QSocketNotifier signalNotifier(SignalPipe[1], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    TTranscript transcript;
    if (!options.TranscriptPath.isEmpty() && !transcript.Open(options.TranscriptPath, &message)) {
        std::fprintf(stderr, "kt7310-emulator: %s\n", qPrintable(message));
        return 1;
    }
    TInstrument instrument(options.Identity);
    instrument.SetSecured(!options.Unsecured);
    instrument.SetShotCount(options.ShotCount);
    TPtyLink link(instrument, options.Baud, options.Faults, &transcript);
    if (!link.Open(options.LinkPath(), &message)) {
        std::fprintf(stderr, "kt7310-emulator: %s\n", qPrintable(message));
        return 1;
    }
    QObject::connect(&link, &TPtyLink::Unplugged, [] {
        std::fputs("kt7310-emulator: unplugged; the device is gone until the emulator is "
                   "started again\n",
                   stderr);
    });

    const QString port = options.LinkPath().isEmpty()
                             ? link.DevicePath()
                             : options.LinkPath() + QStringLiteral(" -> ") + link.DevicePath();
    std::printf("kt7310-emulator ready: %s (%s %s, serial %d, %d baud)\n", qPrintable(port),
                options.Identity.Badge.constData(), options.Identity.Model.constData(),
                options.Identity.SerialNumber, options.Baud);
    std::fflush(stdout);

    app.exec();
    return 0;
}
