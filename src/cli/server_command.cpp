#include "cli/server_command.h"

#include "cli/cli_output.h"
#include "core/app_paths.h"
#include "core/zkw_ini.h"
#include "server/httplib.h"
#include "server/novq_requests.h"

#include <ostream>

using namespace Qt::StringLiterals;

namespace {

int usage(std::ostream& err) {
    err << "usage: sendvik-cli server whoami          自局に登録されているアドレス\n"
           "       sendvik-cli server check CALL      その局が参加しているか、そのアドレス\n"
           "       sendvik-cli server members CALL... 参加局のアドレス行\n";
    return 2;
}

}  // namespace

int runServerCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err) {
    if (args.isEmpty()) return usage(err);
    const QString what = args.front();
    const QStringList calls = args.mid(1);
    ServerAccount account;
    HttpOptions options;
    {
        const TZkwIni settings(paths.settingsFile());
        account = serverAccountFrom(settings);
        options = httpOptionsFrom(settings);
    }
    THTTPDown http(options);
    if (what == u"whoami" && calls.isEmpty()) {
        const ServerReply reply = getMailAddress(http, account);
        if (!reply.ok()) return 1;
        if (reply.payload.size() < 2) {
            printLine(err, QStringLiteral("sendvik-cli: %1 のメールアドレスは登録されていません")
                               .arg(account.call));
            return 1;
        }
        printLine(out, reply.payload);
        return 0;
    }
    if (what == u"check" && calls.size() == 1) {
        const ServerReply reply = isZkUser(http, account, calls[0]);
        if (!reply.ok()) return 1;
        const ZkUserInfo info = parseZkUser(reply.payload);
        printLine(out, u"call="_s + calls[0]);
        printLine(out, u"member="_s + (info.member() ? u"1"_s : u"0"_s));
        printLine(out, u"address="_s + info.address);
        printLine(out, u"edit="_s + (info.edit ? u"1"_s : u"0"_s));
        return 0;
    }
    if (what == u"members" && !calls.isEmpty()) {
        const MemberAddresses found = memberAddresses(http, account, calls);
        if (found.status != 200) return 1;
        printLine(out, QStringLiteral("call,address"));
        for (const QString& call : calls) {
            const QString address = found.addresses.value(call.trimmed());
            if (!address.isEmpty()) printLine(out, call.trimmed() + u',' + address);
        }
        return 0;
    }
    return usage(err);
}
