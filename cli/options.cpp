#include "cli/options.h"

#include <QCommandLineParser>
#include <map>

// How --port names a port differs between Linux and Windows.
#ifdef _WIN32
#define PORT_OPTION_HELP                                                                           \
    "  --port NAME     the port: COMn (COM10 and above too) or a device path such as\n"            \
    "                  \\\\.\\COM4 (default COM4)\n"
#else
#define PORT_OPTION_HELP                                                                           \
    "  --port NAME     the port: COMn through the port map ($VQ830_PORT_DIR, else\n"               \
    "                  ~/.config/vq830/ports), a path, or a name under /dev (default COM4)\n"
#endif

const char kUsage[] = R"(Usage: vq830 [OPTION]... COMMAND [ARGUMENT]...
The VQ830-A(B) serial intelligent distributor from the command line.

Commands:
  read [--json]              print everything the device holds (system and slot queries);
                             --json in the configuration file's format
  write FILE [--no-verify]   write every setting of a configuration file, one frame at a
                             time, then read everything back and compare
  set KEY=VALUE...           write single settings, each checked before anything is sent:
                               mode=0|1|2            Z=9600,None,1 (also A, B, C)
                               OTM=010 (also RTM, ODM; tenths of a second)
                               slotN.enable=0|1      slotN.command=HEX (even length)
                               slotN.header=01,03,00 (N is 1..9)
  serial NUMBER [--tester NNN]
  serial --next FILE [--tester NNN]
                             write the board serial number (and the tester, default 001);
                             --next takes it from a counter file, locked while in use, and
                             counts on only after the device answered
  serial --next [--tester NNN]
                             take the next serial number from the line's database, write it
                             and record the attempt; print the number (8 digits) on success
  serial --first N           set the line's first serial number (refused once numbers were
                             handed out)
  program FILE [--tester NNN]
                             one board, one record: write the configuration FILE, verify it,
                             then take the next serial number from the line's database and
                             write it; print the number on success
  records [--since TIME] [--serial N] [--station S] [--csv|--json]
                             the line's records, oldest first: a line each (id, start,
                             station, operator, serial, outcome), --json one JSON object a
                             line, --csv for spreadsheets; TIME is UTC, e.g. 2026-12-09 or
                             2026-12-09T08:00:00
  send 'FRAME'               send one frame as typed and print the answer
  find [--port NAME]... [--json]
                             find the device: search the ports named (else every port
                             present) at each of the main port's 48 settings with the
                             read-only query PPPPPP#QX1#; print PORT, BAUD, PARITY and STOP,
                             tab-separated, for each device found (--json: a JSON array)
  ports                      list the serial devices present

Options:
)" PORT_OPTION_HELP R"(  --baud N        baud rate (default 9600)
  --parity P      None, Odd or Even (default None)
  --stop N        stop bits, 1 or 2 (default 1)
  --timeout MS    how long to wait for each answer (default 2000)
  --quiet         no progress on standard error
  --verbose       the traffic on standard error, with times and hex
  --db DB         the line's database: a file (SQLite) or a PostgreSQL connection
                  (postgresql://USER@HOST/DB or libpq keywords such as "host=H dbname=D");
                  else $VQ830_DB, else "database" in ~/.config/vq830/vq830.conf, else
                  ~/.local/share/vq830/line.sqlite
  --station NAME  the station that records (else "station" in vq830.conf; required
                  for recording)
  --operator NAME who works at the station (else "operator" in vq830.conf)
  --record        write, set and serial NUMBER: record the attempt in the line's database
  -h, --help      show this text and exit
  --version       show the version and exit

Standard output holds the result alone; progress and diagnostics go to standard error.

Each frame waits for its answer. An answer ends after 100 ms without a byte or, for a query,
as soon as it holds every field the query reads. An answer holding "ERR#" is a refusal. Each
frame is judged answered, refused, silent, incomplete, other slot, port gone or not sent;
a setting is verified only when it was read back and equal. read prints only what the device
gave (--json nothing at all unless it gave everything). The port opens with DTR and RTS low.

Exit status: 0 success; 1 a write refused, an answer incomplete or for another slot, a
setting not read back or read back different; 2 a bad command line or value (nothing sent);
3 the port could not be opened; 4 no answer within the time-out; 5 the device went away
(the port hung up); 6 the line's database could not be used (nothing was sent to the
board); 7 the board was talked to but its record could not be written (stop the station
before the next board). 5 goes before 4, 4 before 1. find: 0 a device was found, 1 none,
2 a bad command line.
)";

namespace {

int PositiveNumber(const QString& text, const QString& option, int max) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value <= 0 || value > max)
        throw EUsage(QStringLiteral("--%1: '%2' is not a number from 1 to %3")
                         .arg(option, text)
                         .arg(max)
                         .toStdString());
    return value;
}

qint64 SerialNumber(const QString& text, const QString& option) {
    bool ok = text.size() <= 8 && !text.isEmpty();
    for (const QChar c : text)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!ok)
        throw EUsage(QStringLiteral("--%1: '%2' is not a serial number of 1 to 8 digits")
                         .arg(option, text)
                         .toStdString());
    return text.toLongLong();
}

TParity ParityNamed(const QString& text) {
    static const std::map<QString, TParity> names{
        {"none", TParity::None}, {"odd", TParity::Odd}, {"even", TParity::Even}};
    const auto it = names.find(text.toLower());
    if (it == names.end())
        throw EUsage(
            QStringLiteral("--parity: '%1' is not None, Odd or Even").arg(text).toStdString());
    return it->second;
}

TStopBits StopNamed(const QString& text) {
    if (text == QLatin1String("1")) return TStopBits::_1;
    if (text == QLatin1String("2")) return TStopBits::_2;
    throw EUsage(QStringLiteral("--stop: '%1' is not 1 or 2").arg(text).toStdString());
}

// Options that belong to one command only.
void CheckCommandOptions(const TCliOptions& o, const QCommandLineParser& parser) {
    const std::pair<const char*, QStringList> owners[] = {
        {"no-verify", {"write"}}, {"tester", {"serial", "program"}},
        {"next", {"serial"}},     {"next-db", {"serial"}},
        {"first", {"serial"}},    {"json", {"read", "find", "records"}},
        {"csv", {"records"}},     {"since", {"records"}},
        {"serial", {"records"}},  {"record", {"write", "set", "serial"}}};
    for (const auto& [option, commands] : owners)
        if (parser.isSet(option) && !commands.contains(o.command))
            throw EUsage(QStringLiteral("--%1 belongs to the command%2 %3")
                             .arg(option, commands.size() > 1 ? "s" : "", commands.join(", "))
                             .toStdString());
    const int serialForms = int(!o.nextFile.isEmpty()) + int(o.nextFromDb) + int(o.first >= 0);
    if (serialForms > 1) throw EUsage("--next and --first go alone");
    if (o.csv && o.json) throw EUsage("--csv and --json go alone");
}

// `--next` with no FILE after it (the end, or another option) takes the number from the
// line's database.
QStringList WithNextFromDb(QStringList arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i)
        if (arguments[i] == QLatin1String("--next") &&
            (i + 1 == arguments.size() || arguments[i + 1].startsWith(QLatin1Char('-'))))
            arguments[i] = QStringLiteral("--next-db");
    return arguments;
}

void CheckArgumentCount(const TCliOptions& o) {
    const bool serialNumberGiven = o.nextFile.isEmpty() && !o.nextFromDb && o.first < 0;
    const std::map<QString, std::pair<int, int>> counts{
        {"read", {0, 0}},
        {"write", {1, 1}},
        {"set", {1, 1000}},
        {"send", {1, 1}},
        {"ports", {0, 0}},
        {"find", {0, 0}},
        {"records", {0, 0}},
        {"program", {1, 1}},
        {"serial", {serialNumberGiven ? 1 : 0, serialNumberGiven ? 1 : 0}}};
    const auto it = counts.find(o.command);
    if (it == counts.end())
        throw EUsage(o.command.isEmpty()
                         ? "no command given"
                         : QStringLiteral("unknown command '%1'").arg(o.command).toStdString());
    const int n = int(o.args.size());
    if (n < it->second.first || n > it->second.second)
        throw EUsage(
            QStringLiteral("wrong number of arguments for %1").arg(o.command).toStdString());
}

} // namespace

TCliOptions ParseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({{"port", "", "NAME"},     {"baud", "", "N"},     {"parity", "", "P"},
                       {"stop", "", "N"},        {"timeout", "", "MS"}, {"quiet", ""},
                       {"verbose", ""},          {"json", ""},          {"no-verify", ""},
                       {"tester", "", "NNN"},    {"next", "", "FILE"},  {"next-db", ""},
                       {"first", "", "N"},       {"db", "", "DB"},      {"station", "", "NAME"},
                       {"operator", "", "NAME"}, {"record", ""},        {"csv", ""},
                       {"since", "", "TIME"},    {"serial", "", "N"},   {{"h", "help"}, ""},
                       {"version", ""}});
    if (!parser.parse(QStringList{QStringLiteral("vq830")} + WithNextFromDb(arguments)))
        throw EUsage(parser.errorText().toStdString());
    TCliOptions o;
    o.help = parser.isSet("help");
    o.version = parser.isSet("version");
    if (o.help || o.version) return o;
    if (parser.isSet("port")) o.port = parser.value("port");
    o.ports = parser.values("port");
    if (parser.isSet("baud"))
        o.baud = uint32_t(PositiveNumber(parser.value("baud"), "baud", 4000000));
    if (parser.isSet("parity")) o.parity = ParityNamed(parser.value("parity"));
    if (parser.isSet("stop")) o.stop = StopNamed(parser.value("stop"));
    if (parser.isSet("timeout"))
        o.timeoutMs = PositiveNumber(parser.value("timeout"), "timeout", 600000);
    o.quiet = parser.isSet("quiet");
    o.verbose = parser.isSet("verbose");
    o.json = parser.isSet("json");
    o.noVerify = parser.isSet("no-verify");
    if (parser.isSet("tester")) o.tester = parser.value("tester");
    o.nextFile = parser.value("next");
    o.nextFromDb = parser.isSet("next-db");
    if (parser.isSet("first")) o.first = SerialNumber(parser.value("first"), "first");
    o.db = parser.value("db");
    o.station = parser.value("station");
    o.operatorName = parser.value("operator");
    o.record = parser.isSet("record");
    o.csv = parser.isSet("csv");
    o.since = parser.value("since");
    if (parser.isSet("serial"))
        o.serialFilter = QStringLiteral("%1").arg(SerialNumber(parser.value("serial"), "serial"), 8,
                                                  10, QChar('0'));
    const QStringList positional = parser.positionalArguments();
    o.command = positional.value(0);
    o.args = positional.mid(1);
    CheckCommandOptions(o, parser);
    CheckArgumentCount(o);
    return o;
}
