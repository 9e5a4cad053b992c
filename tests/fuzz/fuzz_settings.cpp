// The settings file reader: a file's bytes loaded, keys read as the program
// reads them, a key written and the file saved and read again.

#include "fuzz_support.h"

#include "core/zkw_ini.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Sendvik.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        TZkwIni ini(path);
        (void)ini.readString(u"Option", u"Check", QString());
        (void)ini.readInteger(u"Kankyo", u"Check", 0);
        (void)readSettingsList(ini, u"Option", u"Check");
        (void)decodeWords(ini.readString(u"Server", u"Pass", QString()));
        ini.writeString(u"Config", u"DownDir", QStringLiteral("/tmp/ダウンロード"));
        ini.writeInteger(u"Kankyo", u"Check", 0x80);
    }
    TZkwIni again(path);
    if (again.readString(u"Config", u"DownDir", QString()) != QStringLiteral("/tmp/ダウンロード"))
        __builtin_trap();  // a written key lost
    return 0;
}
