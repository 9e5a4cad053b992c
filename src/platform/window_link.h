#pragma once
// Messages between two running programs' main windows, as WM_COPYDATA
// carries them between windows on Windows: a window is found by its class
// name, a message carries a code, the sender's window identity and a few
// bytes of text, and the sender waits for the receiver's result while its
// own window keeps taking messages (the receiver usually answers by sending
// a message back before it returns). Here a window is a local socket named
// by its class in the link folder. The frames are in docs/link-protocol.md.

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace platform {

struct LinkMessage {
    qint32 code = 0;
    qint64 sender = 0;  // the sending window's identity (0: none)
    QByteArray data;    // at most kMaxLinkData bytes
};

// What one message may carry; a longer frame is refused and its connection
// dropped (the receiver reads at most 126 bytes of it anyway).
inline constexpr int kMaxLinkData = 4096;
// How long a sender waits for the receiver's result.
inline constexpr int kLinkTimeoutMs = 5000;

// One frame on a window's socket: a message ('M'), a find ('F'), a menu
// question ('N') or a result ('R'); `value` is the sender or the result.
struct LinkFrame {
    char kind = 0;
    qint32 code = 0;
    qint64 value = 0;
    QByteArray data;
};
// Takes one frame off the front of `buffer` as bytes arrive: nothing while
// it is not whole; `bad` for bytes that are no frame of ours or a frame
// longer than kMaxLinkData.
std::optional<LinkFrame> decodeLinkFrame(QByteArray& buffer, bool& bad);

// The folder of the windows' sockets: SENDVIK_LINK_DIR, else the user's
// runtime folder.
QString linkFolder();

class LinkWindow : public QObject {
    Q_OBJECT
public:
    // `handler` gives each received message's result; `menu` the captions
    // of the window's top menu (the logging program's "再読込み" item tells
    // a shared database).
    LinkWindow(const QString& className, std::function<qint64(const LinkMessage&)> handler,
               QObject* parent = nullptr);
    ~LinkWindow() override;

    // Starts taking messages; false (with the reason) when the name is taken
    // by a window that answers.
    bool listen(QString* error = nullptr);
    void setMenuCaptions(const QStringList& captions) { menu_ = captions; }
    // This window's identity (greater than 1).
    qint64 id() const;

    // A window of that class that answers: its identity, else 0.
    static qint64 findWindow(const QString& className, int timeoutMs = 200);
    // The captions of its top menu; empty when it does not answer.
    static QStringList menuCaptions(const QString& className, int timeoutMs = 1000);

    // Sends one message and returns its result: 0 when no window of the
    // class answers, or it does not answer within `timeoutMs`, or it goes
    // away. This window's messages are handled while it waits.
    qint64 sendMessage(const QString& className, const LinkMessage& message,
                       int timeoutMs = kLinkTimeoutMs);

private:
    void takeConnection();

    QString className_;
    std::function<qint64(const LinkMessage&)> handler_;
    QStringList menu_;
    QLocalServer server_;
};

}  // namespace platform
