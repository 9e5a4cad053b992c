#include "link/wsjtx_datagram.h"

namespace wsjtx {

namespace {

constexpr quint32 kNullString = 0xffffffffu;

// Reads fields front to back; the first one that does not fit stops every
// later read and names the reason.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}

    Drop drop() const { return drop_; }
    bool ok() const { return drop_ == Drop::None; }
    bool atEnd() const { return at_ >= bytes_.size(); }

    quint64 unsignedOf(int size) {
        if (!ok()) return 0;
        if (bytes_.size() - at_ < size) {
            drop_ = Drop::Truncated;
            return 0;
        }
        quint64 v = 0;
        for (int i = 0; i < size; ++i)
            v = (v << 8) | static_cast<quint8>(bytes_[at_ + i]);
        at_ += size;
        return v;
    }
    quint32 u32() { return static_cast<quint32>(unsignedOf(4)); }
    quint64 u64() { return unsignedOf(8); }
    quint8 u8() { return static_cast<quint8>(unsignedOf(1)); }
    bool boolean() { return u8() != 0; }

    // A UTF-8 string; null when the sender wrote none.
    QString utf8(bool required = false) {
        const quint32 size = u32();
        if (!ok()) return {};
        if (size == kNullString) {
            if (required) drop_ = Drop::NullRequired;
            return {};
        }
        if (size > static_cast<quint64>(bytes_.size() - at_)) {
            drop_ = Drop::Truncated;
            return {};
        }
        const QString text = QString::fromUtf8(bytes_.sliced(at_, size));
        at_ += size;
        return text.isNull() ? QStringLiteral("") : text;
    }

    QDateTime dateTime() {
        const qint64 julian = static_cast<qint64>(u64());
        const quint32 ms = u32();
        const quint8 timeSpec = u8();
        qint32 offset = 0;
        if (timeSpec == 2) offset = static_cast<qint32>(u32());
        if (!ok()) return {};
        // A day far outside any log, a time past midnight, a zone by name.
        if (julian < 2'000'000 || julian > 3'000'000 || ms >= 86'400'000u || timeSpec > 2 ||
            offset < -14 * 3600 || offset > 14 * 3600) {
            drop_ = Drop::BadTime;
            return {};
        }
        const QDate date = QDate::fromJulianDay(julian);
        const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
        QDateTime at(date, time);
        if (timeSpec == 1) at = QDateTime(date, time, Qt::UTC);
        if (timeSpec == 2) at = QDateTime(date, time, Qt::OffsetFromUTC, offset);
        if (!at.isValid()) drop_ = Drop::BadTime;  // a local time the clock skips
        return at;
    }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
    Drop drop_ = Drop::None;
};

class Writer {
public:
    Writer(Type type, const QString& id, quint32 schema) {
        u32(kMagic);
        u32(schema);
        u32(static_cast<quint32>(type));
        utf8(id);
    }
    void unsignedOf(quint64 v, int size) {
        for (int i = size - 1; i >= 0; --i)
            bytes.append(static_cast<char>((v >> (8 * i)) & 0xff));
    }
    void u32(quint32 v) { unsignedOf(v, 4); }
    void u64(quint64 v) { unsignedOf(v, 8); }
    void boolean(bool v) { unsignedOf(v ? 1 : 0, 1); }
    void utf8(const QString& text) {
        if (text.isNull()) {
            u32(kNullString);
            return;
        }
        const QByteArray b = text.toUtf8();
        u32(static_cast<quint32>(b.size()));
        bytes.append(b);
    }
    void dateTime(const QDateTime& t) {
        const QDateTime utc = t.toUTC();
        u64(static_cast<quint64>(utc.date().toJulianDay()));
        u32(static_cast<quint32>(utc.time().msecsSinceStartOfDay()));
        unsignedOf(1, 1);  // UTC
    }
    QByteArray bytes;
};

}  // namespace

ReadResult readDatagram(QByteArrayView bytes) {
    ReadResult r;
    if (bytes.size() > kMaxDatagram) {
        r.drop = Drop::TooLong;
        return r;
    }
    if (bytes.size() < 12) {
        r.drop = Drop::TooShort;
        return r;
    }
    Reader in(bytes);
    if (in.u32() != kMagic) {
        r.drop = Drop::NotWsjtx;
        return r;
    }
    Datagram d;
    d.schema = in.u32();
    if (d.schema != 2 && d.schema != 3) {
        r.drop = Drop::Schema;
        return r;
    }
    d.type = in.u32();
    d.id = in.utf8(true);
    switch (static_cast<Type>(d.type)) {
        case Type::Heartbeat: {
            Heartbeat beat;
            // The fields came with schema 3: an older sender stops after the id.
            if (!in.atEnd()) beat.maxSchema = in.u32();
            if (!in.atEnd()) beat.version = in.utf8();
            if (!in.atEnd()) beat.revision = in.utf8();
            d.body = beat;
            break;
        }
        case Type::Status: {
            Status s;
            s.dialHz = in.u64();
            s.mode = in.utf8();
            s.dxCall = in.utf8();
            s.report = in.utf8();
            s.txMode = in.utf8();
            s.txEnabled = in.boolean();
            s.transmitting = in.boolean();
            s.decoding = in.boolean();
            if (!in.atEnd()) {
                in.u32();  // Rx DF
                in.u32();  // Tx DF
                s.deCall = in.utf8();
            }
            d.body = s;
            break;
        }
        case Type::QsoLogged: {
            QsoLogged q;
            q.off = in.dateTime();
            q.dxCall = in.utf8(true);
            q.dxGrid = in.utf8();
            q.txHz = in.u64();
            q.mode = in.utf8();
            q.reportSent = in.utf8();
            q.reportReceived = in.utf8();
            q.txPower = in.utf8();
            q.comments = in.utf8();
            q.name = in.utf8();
            // Appended in later versions, one after the other.
            q.on = in.atEnd() ? q.off : in.dateTime();
            if (!in.atEnd()) q.operatorCall = in.utf8();
            if (!in.atEnd()) q.myCall = in.utf8();
            if (!in.atEnd()) q.myGrid = in.utf8();
            if (!in.atEnd()) q.exchangeSent = in.utf8();
            if (!in.atEnd()) q.exchangeReceived = in.utf8();
            if (!in.atEnd()) q.propagationMode = in.utf8();
            d.body = q;
            break;
        }
        case Type::LoggedAdif: d.body = LoggedAdif{in.utf8(true)}; break;
        case Type::Close: d.body = Close{}; break;
        default:
            if (in.ok()) r.drop = Drop::OtherType;
            break;
    }
    if (!in.ok()) {
        r.drop = in.drop();
        return r;
    }
    if (r.drop != Drop::None) return r;
    r.datagram = std::move(d);
    return r;
}

QString dropText(Drop drop) {
    switch (drop) {
        case Drop::None: return {};
        case Drop::TooShort: return QStringLiteral("短すぎるデータ");
        case Drop::TooLong: return QStringLiteral("長すぎるデータ");
        case Drop::NotWsjtx: return QStringLiteral("WSJT-X の形式ではないデータ");
        case Drop::Schema: return QStringLiteral("対応していないスキーマ番号");
        case Drop::Truncated: return QStringLiteral("途中で切れたデータ");
        case Drop::NullRequired: return QStringLiteral("必要な項目が空のデータ");
        case Drop::BadTime: return QStringLiteral("日付・時刻が正しくないデータ");
        case Drop::OtherType: return QStringLiteral("使わない種類のメッセージ");
    }
    return {};
}

QByteArray heartbeatDatagram(const QString& id, const Heartbeat& beat, quint32 schema) {
    Writer w(Type::Heartbeat, id, schema);
    w.u32(beat.maxSchema);
    w.utf8(beat.version);
    w.utf8(beat.revision);
    return w.bytes;
}

QByteArray statusDatagram(const QString& id, const Status& s, quint32 schema) {
    Writer w(Type::Status, id, schema);
    w.u64(s.dialHz);
    w.utf8(s.mode);
    w.utf8(s.dxCall);
    w.utf8(s.report);
    w.utf8(s.txMode);
    w.boolean(s.txEnabled);
    w.boolean(s.transmitting);
    w.boolean(s.decoding);
    w.u32(0);
    w.u32(0);
    w.utf8(s.deCall);
    return w.bytes;
}

QByteArray qsoLoggedDatagram(const QString& id, const QsoLogged& q, quint32 schema) {
    Writer w(Type::QsoLogged, id, schema);
    w.dateTime(q.off);
    w.utf8(q.dxCall);
    w.utf8(q.dxGrid);
    w.u64(q.txHz);
    w.utf8(q.mode);
    w.utf8(q.reportSent);
    w.utf8(q.reportReceived);
    w.utf8(q.txPower);
    w.utf8(q.comments);
    w.utf8(q.name);
    w.dateTime(q.on.isValid() ? q.on : q.off);
    w.utf8(q.operatorCall);
    w.utf8(q.myCall);
    w.utf8(q.myGrid);
    w.utf8(q.exchangeSent);
    w.utf8(q.exchangeReceived);
    w.utf8(q.propagationMode);
    return w.bytes;
}

QByteArray loggedAdifDatagram(const QString& id, const QString& adif, quint32 schema) {
    Writer w(Type::LoggedAdif, id, schema);
    w.utf8(adif);
    return w.bytes;
}

QByteArray closeDatagram(const QString& id, quint32 schema) {
    return Writer(Type::Close, id, schema).bytes;
}

}  // namespace wsjtx
