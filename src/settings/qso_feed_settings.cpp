#include "settings/qso_feed_settings.h"

#include "core/zkw_ini.h"

#include <QHostAddress>

QsoFeedSettings QsoFeedSettings::load(const TZkwIni& settings) {
    QsoFeedSettings s;
    s.listen = settings.readInteger(u"WsjtxLink", u"Listen", 0) != 0;
    const int port = settings.readInteger(u"WsjtxLink", u"Port", s.port);
    if (port >= 1 && port <= 65535) s.port = port;
    s.group = settings.readString(u"WsjtxLink", u"Group", QString()).trimmed();
    const int action = settings.readInteger(u"WsjtxLink", u"Action", int(s.action));
    if (action >= 0 && action <= 2) s.action = static_cast<FeedAction>(action);
    s.preview = settings.readInteger(u"WsjtxLink", u"Preview", 0) != 0;
    const QStringList records =
        settings.readString(u"WsjtxLink", u"LeftOut", QString()).split(u',', Qt::SkipEmptyParts);
    for (const QString& r :
         records.mid(std::max<qsizetype>(0, records.size() - qsizetype(kMaxLeftOut))))
        if (const int recno = r.trimmed().toInt(); recno > 0) s.leftOut.insert(recno);
    return s;
}

void QsoFeedSettings::save(TZkwIni& settings) const {
    settings.writeInteger(u"WsjtxLink", u"Listen", listen ? 1 : 0);
    settings.writeInteger(u"WsjtxLink", u"Port", port);
    settings.writeString(u"WsjtxLink", u"Group", group);
    settings.writeInteger(u"WsjtxLink", u"Action", int(action));
    settings.writeInteger(u"WsjtxLink", u"Preview", preview ? 1 : 0);
    QStringList records;
    auto from = leftOut.begin();
    if (leftOut.size() > kMaxLeftOut) std::advance(from, leftOut.size() - kMaxLeftOut);
    for (auto it = from; it != leftOut.end(); ++it)
        records << QString::number(*it);
    settings.writeString(u"WsjtxLink", u"LeftOut", records.join(u','));
}

std::optional<QString> QsoFeedSettings::problem() const {
    if (port < 1 || port > 65535) return QStringLiteral("UDPポートは 1～65535 です");
    if (!group.isEmpty()) {
        const QHostAddress address(group);
        if (address.isNull() || !address.isMulticast())
            return QStringLiteral("マルチキャストのアドレスではありません: ") + group.left(80);
    }
    return std::nullopt;
}

QString feedActionText(FeedAction action) {
    switch (action) {
        case FeedAction::LogOnly: return QStringLiteral("QSOデータに記録するだけ");
        case FeedAction::SendAtOnce: return QStringLiteral("すぐに電子QSLを送信");
        case FeedAction::NextBatch: return QStringLiteral("次の「QSL送信」で送信");
    }
    return {};
}
