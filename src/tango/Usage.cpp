#include "tango/Usage.h"

#include <cstdio>
#include <cstring>

namespace KT7310_ns {
namespace {

// Kept within 80 columns: help2man makes the manual page from it, and the options it
// lists are compared with that page.
const char HelpText[] =
    "Usage: kt7310-tango INSTANCE [-file=FILE] [-ORBendPoint ENDPOINT] [-vLEVEL]\n"
    "  or:  kt7310-tango --help | --version\n"
    "The Tango device server of the 7310, 462K and 410 digital delay and pulse\n"
    "generators: device class KT7310, one device per instrument, each on a serial\n"
    "port of its own. The server's devices and their properties come from the Tango\n"
    "database that TANGO_HOST names, or from a file database (-file).\n"
    "\n"
    "Options:\n"
    "  INSTANCE           the server's instance name, as registered in the database\n"
    "                     (kt7310-tango/INSTANCE)\n"
    "  -file=FILE         take the devices and properties from the Tango file\n"
    "                     database FILE instead of a database server\n"
    "  -ORBendPoint giop:tcp:HOST:PORT\n"
    "                     the address the server listens on, for clients to name\n"
    "                     when there is no database server (with -file)\n"
    "  -vLEVEL            Tango's trace output on standard output, LEVEL 1 to 5\n"
    "  -h, --help         display this help and exit\n"
    "      --version      output version information and exit\n"
    "\n"
    "Device properties:\n"
    "  Port               the serial port as the panel numbers it (3 or COM3), or a\n"
    "                     serial device server: tcp://HOST:PORT (raw, its own line\n"
    "                     speed) or rfc2217://HOST:PORT; without it the ports COM1 to\n"
    "                     COM100 are scanned\n"
    "  Baud               that line speed only; otherwise 115200, 57600, 38400, 19200,\n"
    "                     9600 and 4800 are tried. With Port and Baud both set, any\n"
    "                     instrument that identifies itself is taken\n"
    "  PollPeriod         the status poll (run state, shot count) in ms; default 1000\n"
    "  RetryPeriod        in FAULT, the time before the next attempt to find the\n"
    "                     instrument, in ms; default 3000\n"
    "  SettingsFolder     the folder of the settings files; default a folder named\n"
    "                     after the device under the server's working folder; an\n"
    "                     absolute path is taken as it is\n"
    "  ServiceCommands    true lets SendLine send the instrument's security,\n"
    "                     calibration, serial-number and badge commands; default false\n"
    "A property changed in the database takes effect at the device's next Init.\n"
    "\n"
    "Commands:\n"
    "  Start, Stop        start or stop the pulse output\n"
    "  Refresh            read the whole configuration again\n"
    "  SaveToBin N, RecallBin N\n"
    "                     storage bin N, 1 to the model's channel count\n"
    "  SaveSettings NAME, LoadSettings NAME\n"
    "                     the settings file NAME in the settings folder; LoadSettings\n"
    "                     returns the lines the read-back does not confirm\n"
    "  ListSettings       the files in the settings folder\n"
    "  SendLine LINE      (expert) one command line sent unchanged; the reply\n"
    "\n"
    "States:\n"
    "  INIT               looking for the instrument or reading its configuration\n"
    "  ON                 connected, the output stopped\n"
    "  RUNNING            connected, the output running\n"
    "  FAULT              no instrument found, or the link lost; the status says why,\n"
    "                     and the server tries again every RetryPeriod\n"
    "\n"
    "Trying it without a database server: a file kt7310.db holding the two lines\n"
    "\n"
    "  kt7310-tango/test/DEVICE/KT7310: \"test/kt7310/1\"\n"
    "\n"
    "  test/kt7310/1->Port: 1\n"
    "\n"
    "then\n"
    "  kt7310-tango test -file=kt7310.db -ORBendPoint giop:tcp:127.0.0.1:45450\n"
    "and a client names the device\n"
    "tango://127.0.0.1:45450/test/kt7310/1#dbase=no.\n";

} // namespace

std::optional<int> AnswerUsageOptions(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(HelpText, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::fputs("kt7310-tango " KT7310_VERSION "\n", stdout);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace KT7310_ns
