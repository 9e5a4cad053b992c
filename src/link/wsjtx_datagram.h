#pragma once
// The datagrams WSJT-X and JTDX send to the programs beside them over UDP: a
// magic number, a schema number (2 or 3), the message type, the sender's id,
// then the type's fields, big-endian, strings as a 32-bit length and UTF-8
// bytes (0xffffffff: a null string). Every field is read within the
// datagram's bytes; a datagram that does not read whole is dropped with its
// reason, never half taken. Later fields a newer sender appends are left
// alone.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace wsjtx {

inline constexpr quint32 kMagic = 0xadbccbda;
// The largest datagram taken: the most UDP carries.
inline constexpr qsizetype kMaxDatagram = 65507;

enum class Type : quint32 {
    Heartbeat = 0,
    Status = 1,
    QsoLogged = 5,
    Close = 6,
    LoggedAdif = 12,
};

struct Heartbeat {
    quint32 maxSchema = 2;  // 2 when the sender does not say
    QString version;
    QString revision;
};

// The first fields of a status, which every sender has.
struct Status {
    quint64 dialHz = 0;
    QString mode;
    QString dxCall;
    QString report;
    QString txMode;
    bool txEnabled = false;
    bool transmitting = false;
    bool decoding = false;
    QString deCall;  // empty from senders before it was added
};

struct QsoLogged {
    QDateTime off;
    QString dxCall;
    QString dxGrid;
    quint64 txHz = 0;
    QString mode;
    QString reportSent;
    QString reportReceived;
    QString txPower;
    QString comments;
    QString name;
    QDateTime on;  // the time off when the sender has no time on
    QString operatorCall;
    QString myCall;
    QString myGrid;
    QString exchangeSent;
    QString exchangeReceived;
    QString propagationMode;
};

struct LoggedAdif {
    QString adif;  // a whole ADIF file of one record
};

struct Close {};

// Why a datagram was dropped.
enum class Drop {
    None,
    TooShort,      // not even a header
    TooLong,       // beyond kMaxDatagram
    NotWsjtx,      // another magic number
    Schema,        // a schema other than 2 or 3
    Truncated,     // a field runs past the datagram's end
    NullRequired,  // a null string where a value is needed (the id, a call, the ADIF)
    BadTime,       // a date or time no calendar has, or a time zone by name
    OtherType,     // a type this program does not take (decodes and the like)
};

struct Datagram {
    quint32 schema = 0;
    quint32 type = 0;
    QString id;
    std::variant<std::monostate, Heartbeat, Status, QsoLogged, LoggedAdif, Close> body;
};

struct ReadResult {
    std::optional<Datagram> datagram;
    Drop drop = Drop::None;
};

ReadResult readDatagram(QByteArrayView bytes);

// The reason in the person's words, for counts and logs.
QString dropText(Drop drop);

// Datagrams as WSJT-X writes them (schema 3 unless told), for the tests, the
// fuzz seeds and the check against WSJT-X's own reader.
QByteArray heartbeatDatagram(const QString& id, const Heartbeat& beat, quint32 schema = 3);
QByteArray statusDatagram(const QString& id, const Status& status, quint32 schema = 3);
QByteArray qsoLoggedDatagram(const QString& id, const QsoLogged& qso, quint32 schema = 3);
QByteArray loggedAdifDatagram(const QString& id, const QString& adif, quint32 schema = 3);
QByteArray closeDatagram(const QString& id, quint32 schema = 3);

}  // namespace wsjtx
