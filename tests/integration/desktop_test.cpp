// The desktop program on a real X display with a window manager (Xvfb and
// openbox), for what an offscreen run cannot show: window frames and the
// titles the window manager is given.

#include "test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class XDesktop {
public:
    bool start() {
        if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty() ||
            QStandardPaths::findExecutable(u"openbox"_s).isEmpty() ||
            QStandardPaths::findExecutable(u"xprop"_s).isEmpty())
            return false;
        // -displayfd: the server picks a free display and says which.
        xvfb_.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x1024x24"_s,
                                u"-nolisten"_s, u"tcp"_s});
        if (!xvfb_.waitForReadyRead(15000)) return false;
        display_ = u':' + QString::fromLatin1(xvfb_.readAllStandardOutput()).trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_s, display_);
        wm_.setProcessEnvironment(env);
        wm_.start(u"openbox"_s, {});
        // Ready when it has announced itself on the root window.
        for (QDeadlineTimer t(15000); !t.hasExpired(); QThread::msleep(100))
            if (xprop({u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}).contains(u"window id"_s))
                return true;
        return false;
    }
    ~XDesktop() {
        for (QProcess* p : {&wm_, &xvfb_}) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    QString display() const { return display_; }

    QString xprop(const QStringList& args) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_s, display_);
        p.setProcessEnvironment(env);
        p.start(u"xprop"_s, args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // The titles of the managed windows.
    QStringList titles() const {
        QStringList out;
        const QString list = xprop({u"-root"_s, u"_NET_CLIENT_LIST"_s});
        static const QRegularExpression id(u"0x[0-9a-fA-F]+"_s);
        for (const auto& m : id.globalMatch(list)) {
            const QString name = xprop({u"-id"_s, m.captured(), u"_NET_WM_NAME"_s});
            const qsizetype q = name.indexOf(u'"');
            if (q >= 0) out << name.mid(q + 1, name.lastIndexOf(u'"') - q - 1);
        }
        return out;
    }

private:
    QProcess xvfb_;
    QProcess wm_;
    QString display_;
};

const QByteArray kSettings =
    "[Config]\r\nPos=100,120,700,650\r\n"
    "[Option]\r\nCalls=JA1ABC\r\nPass2=28526x\r\nMailAdd=ja1abc@example.jp\r\n"
    "Pass1=25971x\r\nSmtpName=smtp.example.jp\r\nPop3Name=pop.example.jp\r\n";

// Starts the program, waits for its window, ends it as the session's end
// would, and gives the titles it showed.
QStringList runOnce(const XDesktop& desktop, const QString& home) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, desktop.display());
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"USER"_s, u"desktop-test%1"_s.arg(QCoreApplication::applicationPid()));
    // libxkbcommon-x11 hands strndup a length beyond its buffer while Qt
    // connects to the display (the copy stops at the terminator, but the
    // sanitizer's interceptor checks the whole length): not ours to fix.
    if (env.contains(u"ASAN_OPTIONS"_s))
        env.insert(u"ASAN_OPTIONS"_s, env.value(u"ASAN_OPTIONS"_s) + u":intercept_strndup=0"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SENDVIK_GUI), {u"--home"_s, home, u"-T"_s});
    QStringList titles;
    for (QDeadlineTimer t(20000); titles.isEmpty() && !t.hasExpired(); QThread::msleep(200))
        titles = desktop.titles();
    QThread::msleep(500);  // placed and framed
    if (p.processId() > 0) ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    EXPECT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return titles;
}

TEST(Desktop, TheMainWindowComesBackWhereItWasLeftWithItsTitleOnce) {
    XDesktop desktop;
    if (!desktop.start()) GTEST_SKIP() << "no Xvfb, openbox or xprop (scripts/install-deps.sh)";
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home);
    writeBytes(home + u"/Sendvik.ini"_s, kSettings);

    const QStringList titles = runOnce(desktop, home);
    // The title as the program sets it (the own call first), the program's name not added again.
    EXPECT_EQ(titles, QStringList{u"JA1ABC - ZELKOV E-Mail QSL Ver5.12"_s});
    const auto place = [&home] {
        const QByteArray ini = readBytes(home + u"/Sendvik.ini"_s);
        const qsizetype at = ini.indexOf("Pos=");
        return ini.mid(at, ini.indexOf('\r', at) - at);
    };
    const QByteArray first = place();
    EXPECT_TRUE(first.startsWith("Pos=100,120,")) << first.toStdString();
    // Started again and closed without a move: the same place, not one
    // frame further down and to the right.
    runOnce(desktop, home);
    EXPECT_EQ(place(), first);
}

}  // namespace
