#include "cli/settings_command.h"

#include "cli/cli_output.h"

#include "core/app_paths.h"
#include "core/zkw_ini.h"
#include "platform/single_instance.h"

#include <ostream>

namespace {

int usage(std::ostream& err) {
    err << "usage: sendvik-cli settings get SECTION KEY [DEFAULT]\n"
           "       sendvik-cli settings set SECTION KEY VALUE\n"
           "       sendvik-cli settings delete SECTION KEY\n"
           "       sendvik-cli settings words-get SECTION KEY\n"
           "       sendvik-cli settings words-set SECTION KEY TEXT\n";
    return 2;
}

}  // namespace

int runSettingsCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                       std::ostream& err) {
    if (args.size() < 3) return usage(err);
    const QString& verb = args[0];
    const QString& section = args[1];
    const QString& key = args[2];
    TZkwIni ini(paths.settingsFile());
    if (verb == u"get" && args.size() <= 4) {
        // A key that is not set is told apart from an empty value, unless
        // the caller gave the value to take then.
        const QString missing = QStringLiteral("\x01");
        const QString value = ini.readString(section, key, args.size() == 4 ? args[3] : missing);
        if (value == missing) {
            printLine(err, QStringLiteral("sendvik-cli: [%1] %2 は設定されていません: %3")
                               .arg(section, key, shownPath(paths.settingsFile())));
            return 1;
        }
        printLine(out, value);
        return 0;
    }
    if (verb == u"words-get" && args.size() == 3) {
        printLine(out, ini.readWords(section, key));
        return 0;
    }
    const bool changes = (verb == u"set" && args.size() == 4) ||
                         (verb == u"delete" && args.size() == 3) ||
                         (verb == u"words-set" && args.size() == 4);
    // The desktop program writes its settings back when it closes: a change
    // made now would be lost without a word.
    if (changes &&
        platform::SingleInstance::isRunning(QStringLiteral("TZkvmQSL"), paths.programDir())) {
        printLine(err, QStringLiteral("sendvik-cli: %1 で Sendvik が起動中です。終了してから"
                                      "実行してください（終了時に設定を書き戻すため、この変更は"
                                      "失われます）。何も変更していません。")
                           .arg(shownPath(QDir::cleanPath(paths.programDir()))));
        return 1;
    }
    if (verb == u"set" && args.size() == 4) {
        ini.writeString(section, key, args[3]);
    } else if (verb == u"delete" && args.size() == 3) {
        ini.deleteKey(section, key);
    } else if (verb == u"words-set" && args.size() == 4) {
        ini.writeWords(section, key, args[3]);
    } else {
        return usage(err);
    }
    return ini.flush() ? 0 : 1;
}
