#include "test_support.h"

#include "core/japanese_fonts.h"
#include "env_file.h"

#include <QFile>
#include <QGuiApplication>
#include <QMap>

#include <gtest/gtest.h>

namespace testing_support {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString dataFile(const QString& name) {
    return QStringLiteral(SENDVIK_TEST_DATA "/") + name;
}

Sandbox::Sandbox() {
    EXPECT_TRUE(dir_.isValid());
}

NovqServer novqServer(const QString& envFile) {
    const QMap<QString, QString> vars = envFileVars(envFile);
    return {vars.value(u"NOVQ_BASE"_s), vars.value(u"NOVQ_CA"_s), vars.value(u"NOVQ_USERS"_s),
            vars.value(u"NOVQ_LOG"_s), vars.value(u"NOVQ_DIR"_s)};
}

MailServers mailServers(const QString& envFile) {
    MailServers m;
    const QMap<QString, QString> vars = envFileVars(envFile);
    m.host = vars.value(u"MAIL_HOST"_s);
    m.smtps = vars.value(u"SMTPS_PORT"_s).toInt();
    m.smtp = vars.value(u"SMTP_PORT"_s).toInt();
    m.pop3s = vars.value(u"POP3S_PORT"_s).toInt();
    m.pop3 = vars.value(u"POP3_PORT"_s).toInt();
    m.caFile = vars.value(u"MAIL_CA_FILE"_s);
    m.dir = vars.value(u"MAIL_DIR"_s);
    for (int i = 1; vars.contains(u"MAIL_USER"_s + QString::number(i)); ++i) {
        m.users.append(vars.value(u"MAIL_USER"_s + QString::number(i)));
        m.passwords.append(vars.value(u"MAIL_PASS"_s + QString::number(i)));
    }
    return m;
}

}  // namespace testing_support

// The core uses Qt Gui (images, fonts), which wants an application object.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installJapaneseFontSubstitutes();  // cards are drawn with the IPA fonts
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
