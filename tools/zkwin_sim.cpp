// A stand-in for the running logging program, for tests and the demo.
//   zkwin-sim --open-userlist FILE.usr   open a user list as the logging program does (makes its
//   index) zkwin-sim --log FILE.mst --show N    print record N of a log

#include "logdata/user_list.h"
#include "logdata/zelkov50.h"

#include <QCoreApplication>

#include <iostream>

namespace {

int usage() {
    std::cerr << "usage: zkwin-sim --open-userlist FILE.usr\n"
                 "       zkwin-sim --log FILE.mst --show N\n";
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 2 && args[0] == u"--open-userlist") {
        QString error;
        if (!BuildUserListIndex(args[1], &error)) {
            std::cerr << "zkwin-sim: " << error.toStdString() << '\n';
            return 1;
        }
        UserHandle users;
        User_open(0, 0, users, args[1]);
        std::cout << "edition=" << users.edition.toStdString() << '\n';
        return 0;
    }
    if (args.size() == 4 && args[0] == u"--log" && args[2] == u"--show") {
        ZkwHandle log;
        if (ZelkovOpen(0, log, args[1], 1) != 0) {
            std::cerr << "zkwin-sim: " << log.errorText.toStdString() << '\n';
            return 1;
        }
        if (ZKW_read(log, args[3].toInt(), read_mode::List) != 0) {
            std::cerr << "zkwin-sim: no record " << args[3].toStdString() << '\n';
            return 1;
        }
        const QsoRecord& q = log.rec;
        std::cout << q.recno << ' ' << q.call.toStdString() << ' ' << q.date.toStdString() << ' '
                  << q.time.toStdString() << q.zone.toLatin1() << ' ' << q.freq.toStdString() << ' '
                  << q.mode.toStdString() << " [" << q.qslField().toStdString() << "]\n";
        return 0;
    }
    return usage();
}
