#include "sim_config.h"

#include "protocol/active_tests.h"
#include "protocol/commands.h"
#include "protocol/registers.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>

namespace unitsim {

namespace {

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

QStringList splitList(const QString& value) {
    return value.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
}

bool parseHexByte(QString text, std::uint8_t* out) {
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    if (text.isEmpty() || text.size() > 2)
        return false;
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    if (!ok || v > 0xFF)
        return false;
    *out = static_cast<std::uint8_t>(v);
    return true;
}

// "all", "none", hex bytes to add and "-"hex bytes to remove, applied in order.
bool parseByteSet(const QString& value, const std::bitset<256>& all, std::bitset<256>* out,
                  QString* error, const QString& what) {
    std::bitset<256> set;
    for (const QString& item : splitList(value)) {
        if (item.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
            set |= all;
            continue;
        }
        if (item.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
            set.reset();
            continue;
        }
        const bool remove = item.startsWith(QLatin1Char('-'));
        std::uint8_t b = 0;
        if (!parseHexByte(remove ? item.mid(1) : item, &b))
            return fail(error, QStringLiteral("%1: '%2' is not a hex byte").arg(what, item));
        set.set(b, !remove);
    }
    *out = set;
    return true;
}

bool parseFaults(const QString& value, std::vector<FaultEntry>* out, QString* error,
                 const QString& what) {
    std::vector<FaultEntry> faults;
    for (const QString& item : splitList(value)) {
        if (item.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
            faults.clear();
            continue;
        }
        const QStringList parts = item.split(QLatin1Char(':'));
        FaultEntry entry;
        bool ok = parts.size() == 2 && parseHexByte(parts[0], &entry.code);
        const uint starts = ok ? parts[1].toUInt(&ok) : 0;
        if (!ok || starts > 255)
            return fail(error, QStringLiteral("%1: '%2' is not code:starts (hex code, starts "
                                              "0 to 255)")
                                   .arg(what, item));
        entry.starts = static_cast<std::uint8_t>(starts);
        faults.push_back(entry);
    }
    if (faults.size() > MaxFaults)
        return fail(
            error,
            QStringLiteral("%1: at most %2 faults fit in one frame").arg(what).arg(MaxFaults));
    *out = std::move(faults);
    return true;
}

bool parseIdent(const QString& value, QByteArray* out, QString* error, const QString& what) {
    QString compact = value;
    compact.remove(QRegularExpression(QStringLiteral("[\\s,:]")));
    if (compact.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        out->clear();
        return true;
    }
    const QByteArray bytes = QByteArray::fromHex(compact.toLatin1());
    if (compact.size() != 2 * IdentLength || bytes.size() != IdentLength ||
        !QRegularExpression(QStringLiteral("^[0-9A-Fa-f]*$")).match(compact).hasMatch())
        return fail(
            error,
            QStringLiteral("%1: needs exactly %2 hex bytes, or none").arg(what).arg(IdentLength));
    *out = bytes;
    return true;
}

bool parseBool(const QString& value, bool* out) {
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("yes") || v == QLatin1String("true") || v == QLatin1String("on") ||
        v == QLatin1String("1")) {
        *out = true;
        return true;
    }
    if (v == QLatin1String("no") || v == QLatin1String("false") || v == QLatin1String("off") ||
        v == QLatin1String("0")) {
        *out = false;
        return true;
    }
    return false;
}

bool parseNumber(const QString& value, double lo, double hi, double* out) {
    bool ok = false;
    const double v = value.trimmed().toDouble(&ok); // C locale, whatever the user's
    if (!ok || !std::isfinite(v) || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

std::bitset<256> allRegisters(int module) {
    std::bitset<256> set;
    for (std::uint8_t a : catalogueAddresses(module))
        set.set(a);
    return set;
}

std::bitset<256> allTests() {
    std::bitset<256> set;
    for (int r = 1; r <= ActiveCount; ++r)
        set.set(static_cast<unsigned char>(ActiveTable[r].Code.at(0)));
    return set;
}

} // namespace

std::vector<std::uint8_t> catalogueAddresses(int module) {
    std::vector<std::uint8_t> out;
    const RegisterRangeT range = RegisterRange(module);
    for (int r = range.first; r <= range.last; ++r) {
        if (!RegisterTable[r].isBit())
            out.push_back(RegisterTable[r].Addr);
    }
    return out;
}

QString defaultPortsDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ZedoVudera/ports");
}

SimConfig SimConfig::defaults() {
    SimConfig c;
    c.ecu.registers = allRegisters(ModuleEcu);
    c.ecu.tests = allTests();
    c.ecu.faults = {{0x21, 5}, {0x43, 0}};
    // "ZV-SIM-0001", then build and calibration bytes.
    c.ecu.ident = QByteArray::fromHex("5A562D53494D2D30303031"
                                      "0001102003240506070809");
    c.at.registers = allRegisters(ModuleAt);
    return c;
}

bool applyOption(SimConfig& c, const QString& rawKey, const QString& value, QString* error) {
    const QString key = rawKey.trimmed().toLower();
    const QString v = value.trimmed();
    double d = 0.0;
    const auto bad = [&](const QString& expected) {
        return fail(error, QStringLiteral("%1: '%2' is not %3").arg(key, v, expected));
    };

    if (key == QLatin1String("com")) {
        if (!parseNumber(v, 0, 255, &d) || d != std::floor(d))
            return bad(QStringLiteral("a port number from 0 to 255"));
        c.com = static_cast<int>(d);
    } else if (key == QLatin1String("ports-dir")) {
        c.portsDir = v;
    } else if (key == QLatin1String("modules")) {
        bool ecu = false;
        bool at = false;
        for (const QString& m : splitList(v)) {
            if (m.compare(QLatin1String("both"), Qt::CaseInsensitive) == 0)
                ecu = at = true;
            else if (m.compare(QLatin1String("ecu"), Qt::CaseInsensitive) == 0)
                ecu = true;
            else if (m.compare(QLatin1String("at"), Qt::CaseInsensitive) == 0)
                at = true;
            else if (m.compare(QLatin1String("none"), Qt::CaseInsensitive) != 0)
                return bad(QStringLiteral("a list of ecu, at, both or none"));
        }
        c.ecu.present = ecu;
        c.at.present = at;
    } else if (key == QLatin1String("ecu-registers")) {
        return parseByteSet(v, allRegisters(ModuleEcu), &c.ecu.registers, error, key);
    } else if (key == QLatin1String("at-registers")) {
        return parseByteSet(v, allRegisters(ModuleAt), &c.at.registers, error, key);
    } else if (key == QLatin1String("ecu-tests")) {
        return parseByteSet(v, allTests(), &c.ecu.tests, error, key);
    } else if (key == QLatin1String("at-tests")) {
        return parseByteSet(v, allTests(), &c.at.tests, error, key);
    } else if (key == QLatin1String("ecu-faults")) {
        return parseFaults(v, &c.ecu.faults, error, key);
    } else if (key == QLatin1String("at-faults")) {
        return parseFaults(v, &c.at.faults, error, key);
    } else if (key == QLatin1String("ecu-ident")) {
        return parseIdent(v, &c.ecu.ident, error, key);
    } else if (key == QLatin1String("at-ident")) {
        return parseIdent(v, &c.at.ident, error, key);
    } else if (key == QLatin1String("fps")) {
        if (!parseNumber(v, 0, 1000, &d))
            return bad(QStringLiteral("a frame rate from 0 to 1000"));
        c.framesPerSecond = d;
    } else if (key == QLatin1String("silence-after")) {
        if (!parseNumber(v, 0, 1e15, &d) || d != std::floor(d))
            return bad(QStringLiteral("a frame count"));
        c.silenceAfterFrames = static_cast<std::uint64_t>(d);
    } else if (key == QLatin1String("noise")) {
        if (!parseNumber(v, 0, 1, &d))
            return bad(QStringLiteral("a probability from 0 to 1"));
        c.noise = d;
    } else if (key == QLatin1String("hangup-after")) {
        if (!parseNumber(v, 0, 1e7, &d))
            return bad(QStringLiteral("a number of seconds"));
        c.hangupAfterSeconds = d;
    } else if (key == QLatin1String("seed")) {
        bool ok = false;
        const qulonglong s = v.toULongLong(&ok, 0);
        if (!ok)
            return bad(QStringLiteral("an unsigned integer"));
        c.seed = s;
    } else if (key == QLatin1String("transcript")) {
        c.transcript = v;
    } else if (key == QLatin1String("fast")) {
        if (!parseBool(v, &c.fast))
            return bad(QStringLiteral("yes or no"));
    } else if (key == QLatin1String("reply-delay")) {
        if (!parseNumber(v, 0, 1000, &d) || d != std::floor(d))
            return bad(QStringLiteral("milliseconds from 0 to 1000"));
        c.replyDelayMs = static_cast<int>(d);
    } else if (key == QLatin1String("weak-cylinder")) {
        if (!parseNumber(v, 0, 6, &d) || d != std::floor(d))
            return bad(QStringLiteral("a cylinder from 1 to 6, or 0"));
        c.weakCylinder = static_cast<int>(d);
    } else {
        return fail(error, QStringLiteral("unknown option '%1'").arg(rawKey.trimmed()));
    }
    return true;
}

bool loadConfigFile(SimConfig& config, const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
    if (file.size() > 1 << 20)
        return fail(error, QStringLiteral("%1: too large for a config file").arg(path));
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        QString line = QString::fromUtf8(file.readLine());
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        QString why;
        if (eq <= 0) {
            why = QStringLiteral("expected key = value");
        } else if (line.left(eq).trimmed().compare(QLatin1String("config"), Qt::CaseInsensitive) ==
                   0) {
            why = QStringLiteral("config files do not include other files");
        } else if (applyOption(config, line.left(eq), line.mid(eq + 1), &why)) {
            continue;
        }
        return fail(error, QStringLiteral("%1:%2: %3").arg(path).arg(lineNo).arg(why));
    }
    return true;
}

bool parseCommandLine(SimConfig& config, const QStringList& args, bool* helpWanted,
                      QString* error) {
    *helpWanted = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--")) || arg.size() == 2)
            return fail(error, QStringLiteral("unexpected argument '%1'").arg(arg));
        QString key = arg.mid(2);
        QString value;
        const qsizetype eq = key.indexOf(QLatin1Char('='));
        const bool inlineValue = eq >= 0;
        if (inlineValue) {
            value = key.mid(eq + 1);
            key.truncate(eq);
        }
        if (key == QLatin1String("help")) {
            *helpWanted = true;
            continue;
        }
        if (key == QLatin1String("fast") && !inlineValue) {
            config.fast = true;
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size())
                return fail(error, QStringLiteral("--%1 needs a value").arg(key));
            value = args[++i];
        }
        if (key == QLatin1String("config")) {
            if (!loadConfigFile(config, value, error))
                return false;
            continue;
        }
        if (!applyOption(config, key, value, error))
            return false;
    }
    return true;
}

QString helpText() {
    return QStringLiteral(
        "Usage: zedovudera-sim [options]\n"
        "Plays an engine unit (ECU, module 2) and a transmission unit (AT, module 3) on a\n"
        "pseudo-terminal linked as COM<n> in the ports directory, until SIGINT, SIGTERM or\n"
        "SIGHUP.\n"
        "Every option can also be given in a config file as a 'key = value' line.\n"
        "\n"
        "  --config FILE          read options from FILE (later options override it)\n"
        "  --com N                link the device as COM<N>; 0: no link (default 9)\n"
        "  --ports-dir DIR        where the link goes\n"
        "                         (default $XDG_CONFIG_HOME/ZedoVudera/ports)\n"
        "  --modules LIST         units that answer: ecu, at, both (= ecu,at) or none\n"
        "                         (default ecu,at)\n"
        "  --ecu-registers LIST   register addresses the ECU echoes, in hex; 'all', 'none',\n"
        "  --at-registers LIST    and '-XX' to remove one, in order (default all)\n"
        "  --ecu-tests LIST       active-test codes the unit accepts, same form\n"
        "  --at-tests LIST        (default: all for the ECU, none for the AT)\n"
        "  --ecu-faults LIST      stored faults as hexcode:starts, e.g. 21:5,43:0, or none\n"
        "  --at-faults LIST       (default 21:5,43:0 for the ECU, none for the AT)\n"
        "  --ecu-ident HEX        the 22-byte identification block, or none (refused)\n"
        "  --at-ident HEX         (default: a sample block for the ECU, none for the AT)\n"
        "  --fps F                stream frames per second; 0: back to back (default 0)\n"
        "  --silence-after N      fall silent for good after N frames; 0: never (default 0)\n"
        "  --noise P              probability per sent byte that the line garbles it or\n"
        "                         adds a stray byte (default 0)\n"
        "  --hangup-after S       close the device after S seconds, like a pulled cable;\n"
        "                         0: never (default 0)\n"
        "  --seed N               seed of the engine model and of the noise (default 1)\n"
        "  --transcript FILE      write every received byte with its time to FILE\n"
        "  --fast                 no line pacing and no reply delay (for tests)\n"
        "  --reply-delay MS       how long the unit takes to answer a byte (default 3)\n"
        "  --weak-cylinder N      cylinder 1-6 whose cut barely lowers the engine speed;\n"
        "                         0: all cylinders alike (default 3)\n"
        "  --help                 this text\n");
}

} // namespace unitsim
