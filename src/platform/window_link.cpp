#include "platform/window_link.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <memory>
#include <optional>

namespace platform {

namespace {

constexpr char kMagic[4] = {'Z', 'K', 'L', '1'};
constexpr int kHeader = 4 + 1 + 4 + 8 + 4;

enum Kind : char { Message = 'M', Find = 'F', Menu = 'N', Result = 'R' };

QByteArray encode(const LinkFrame& f) {
    QByteArray out(kHeader, '\0');
    memcpy(out.data(), kMagic, 4);
    out[4] = f.kind;
    qToLittleEndian<qint32>(f.code, out.data() + 5);
    qToLittleEndian<qint64>(f.value, out.data() + 9);
    qToLittleEndian<quint32>(static_cast<quint32>(f.data.size()), out.data() + 17);
    return out + f.data;
}

// A full path always: a bare name would be looked for in the shared
// temporary folder.
QString socketPath(const QString& className) {
    const QString folder = linkFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(className);
}

// One exchange with the window of a class: the frame out, its result back,
// with this program's events (and so its own window's messages) running
// while it waits.
std::optional<LinkFrame> exchange(const QString& className, const LinkFrame& request,
                                  int timeoutMs) {
    const QString path = socketPath(className);
    if (path.isEmpty()) return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(std::min(timeoutMs, 1000))) return std::nullopt;
    socket.write(encode(request));
    socket.flush();
    QEventLoop loop;
    QByteArray buffer;
    std::optional<LinkFrame> answer;
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        buffer += socket.readAll();
        bool bad = false;
        answer = decodeLinkFrame(buffer, bad);
        if (answer || bad) loop.quit();
    });
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    if (socket.bytesAvailable() > 0) Q_EMIT socket.readyRead();
    if (!answer && socket.state() == QLocalSocket::ConnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    socket.abort();
    if (answer && answer->kind != Result) return std::nullopt;
    return answer;
}

}  // namespace

// Takes one frame off the front of `buffer`: nothing while it is not whole;
// `bad` for a frame that is not ours or too long.
std::optional<LinkFrame> decodeLinkFrame(QByteArray& buffer, bool& bad) {
    bad = false;
    if (buffer.size() < kHeader) return std::nullopt;
    if (memcmp(buffer.constData(), kMagic, 4) != 0) {
        bad = true;
        return std::nullopt;
    }
    const quint32 length = qFromLittleEndian<quint32>(buffer.constData() + 17);
    if (length > static_cast<quint32>(kMaxLinkData)) {
        bad = true;
        return std::nullopt;
    }
    if (buffer.size() < kHeader + static_cast<qsizetype>(length)) return std::nullopt;
    LinkFrame f;
    f.kind = buffer[4];
    f.code = qFromLittleEndian<qint32>(buffer.constData() + 5);
    f.value = qFromLittleEndian<qint64>(buffer.constData() + 9);
    f.data = buffer.mid(kHeader, length);
    buffer.remove(0, kHeader + length);
    return f;
}

QString linkFolder() {
    const QString given = qEnvironmentVariable("SENDVIK_LINK_DIR");
    if (!given.isEmpty()) return given;
    // The user's own runtime folder (mode 0700; Qt makes a private one when
    // the session has none). Never a shared folder: another user's program
    // could stand in for a window there.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return {};
    return QDir(runtime).filePath(QStringLiteral("sendvik-link"));
}

LinkWindow::LinkWindow(const QString& className, std::function<qint64(const LinkMessage&)> handler,
                       QObject* parent)
    : QObject(parent), className_(className), handler_(std::move(handler)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &LinkWindow::takeConnection);
}

LinkWindow::~LinkWindow() {
    server_.close();
}

qint64 LinkWindow::id() const {
    return QCoreApplication::applicationPid();
}

bool LinkWindow::listen(QString* error) {
    const QString folder = linkFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        if (error)
            *error =
                (folder.isEmpty() ? QStringLiteral("（実行時フォルダがありません）") : folder) +
                QStringLiteral(": ログソフトとの連携用フォルダを作成できません");
        return false;
    }
    // Ours alone (a folder given by SENDVIK_LINK_DIR may belong to someone
    // else, who keeps its permissions).
    (void)QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString path = socketPath(className_);
    if (findWindow(className_, 300) > 1) {
        if (error) *error = path + QStringLiteral(": another window of this class answers");
        return false;
    }
    QLocalServer::removeServer(path);  // left by a program that ended without closing it
    if (!server_.listen(path)) {
        if (error) *error = path + QStringLiteral(": ") + server_.errorString();
        return false;
    }
    return true;
}

void LinkWindow::takeConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            bool bad = false;
            const std::optional<LinkFrame> frame = decodeLinkFrame(*buffer, bad);
            if (bad) {
                socket->abort();
                return;
            }
            if (!frame) return;
            // The message may run events (it may ask its sender something
            // back), in which the socket can be closed and deleted.
            const QPointer<QLocalSocket> guard(socket);
            LinkFrame reply{Result, frame->code, 0, {}};
            switch (frame->kind) {
                case Message:
                    reply.value = handler_ ? handler_({frame->code, frame->value, frame->data}) : 0;
                    break;
                case Find: reply.value = id(); break;
                case Menu:
                    reply.data = menu_.join(u'\n').toUtf8().left(kMaxLinkData);
                    reply.value = menu_.size();
                    break;
                default: socket->abort(); return;
            }
            // The sender may have given up (or gone, the socket with it)
            // while the message ran.
            if (guard && guard->state() == QLocalSocket::ConnectedState) {
                guard->write(encode(reply));
                guard->flush();
            }
        });
    }
}

qint64 LinkWindow::findWindow(const QString& className, int timeoutMs) {
    const std::optional<LinkFrame> answer = exchange(className, {Find, 0, 0, {}}, timeoutMs);
    return answer && answer->value > 1 ? answer->value : 0;
}

QStringList LinkWindow::menuCaptions(const QString& className, int timeoutMs) {
    const std::optional<LinkFrame> answer = exchange(className, {Menu, 0, 0, {}}, timeoutMs);
    if (!answer || answer->data.isEmpty()) return {};
    return QString::fromUtf8(answer->data).split(u'\n');
}

qint64 LinkWindow::sendMessage(const QString& className, const LinkMessage& message,
                               int timeoutMs) {
    const std::optional<LinkFrame> answer = exchange(
        className, {Message, message.code, id(), message.data.left(kMaxLinkData)}, timeoutMs);
    return answer ? answer->value : 0;
}

}  // namespace platform
