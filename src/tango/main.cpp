// kt7310-tango: the instrument as a device of a Tango control system.
//   kt7310-tango <instance> [-file=<database file>] [-ORBendPoint giop:tcp:<host>:<port>]
// Tango serves the requests on its own threads; each device's instrument session runs on
// a Qt thread of its own (DeviceLink).

#include "tango/KT7310Class.h"
#include "tango/Usage.h"

#include <QCoreApplication>
#include <clocale>

void Tango::DServer::class_factory()
{
    add_class(KT7310_ns::KT7310Class::init("KT7310"));
}

int main(int argc, char *argv[])
{
    if (const std::optional<int> code = KT7310_ns::AnswerUsageOptions(argc, argv))
        return *code;
    // The sessions' threads need the application object; its event loop is not run.
    QCoreApplication application(argc, argv);
    // Numbers read and written the same whatever the user's locale is.
    std::setlocale(LC_NUMERIC, "C");
    try {
        Tango::Util *tango = Tango::Util::init(argc, argv);
        tango->server_init(false);
        std::cout << "Ready to accept request" << std::endl;
        tango->server_run();
    } catch (const std::bad_alloc &) {
        std::cerr << "kt7310-tango: out of memory" << std::endl;
        return 1;
    } catch (const CORBA::Exception &e) {
        Tango::Except::print_exception(e);
        return 1;
    }
    Tango::Util::instance()->server_cleanup();
    return 0;
}
