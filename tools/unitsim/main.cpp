// zedovudera-sim: an engine unit and a transmission unit on a pseudo-terminal.

#include "sim_config.h"
#include "unit_simulator.h"

#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

void say(FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    std::fflush(to);
}

} // namespace

int main(int argc, char** argv) {
    // Signals are taken through a descriptor; the serving thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);

    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    bool help = false;
    QString error;
    if (!unitsim::parseCommandLine(config, args, &help, &error)) {
        say(stderr, QStringLiteral("zedovudera-sim: ") + error);
        say(stderr, QStringLiteral("Try 'zedovudera-sim --help'."));
        return 2;
    }
    if (help) {
        std::fputs(unitsim::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (signalFd < 0) {
        say(stderr, QStringLiteral("zedovudera-sim: cannot watch for stopSignals"));
        return 1;
    }

    unitsim::UnitSimulator sim(config);
    if (!sim.start(&error)) {
        say(stderr, QStringLiteral("zedovudera-sim: ") + error);
        return 1;
    }
    QStringList units;
    if (config.ecu.present)
        units << QStringLiteral("ECU");
    if (config.at.present)
        units << QStringLiteral("AT");
    say(stdout, QStringLiteral("device ") + sim.devicePath());
    if (config.com > 0) {
        say(stdout, QStringLiteral("port COM") + QString::number(config.com));
        say(stdout, QStringLiteral("link ") + sim.linkPath());
    }
    say(stdout, QStringLiteral("units ") +
                    (units.isEmpty() ? QStringLiteral("none") : units.join(QLatin1Char(' '))) +
                    (config.fast ? QStringLiteral(", fast") : QStringLiteral(", 9600 8N1 paced")));

    pollfd fds[2] = {{signalFd, POLLIN, 0}, {sim.finishedFd(), POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            sim.stop();
            say(stdout, QStringLiteral("stopped"));
            return 0;
        }
        if (fds[1].revents & POLLIN)
            break;
    }
    sim.stop();
    if (sim.hungUp()) {
        say(stdout, QStringLiteral("hung up"));
        return 0;
    }
    say(stderr, QStringLiteral("zedovudera-sim: ") + sim.failure());
    return 1;
}
