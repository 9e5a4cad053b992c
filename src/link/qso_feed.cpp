#include "link/qso_feed.h"

#include "archive/card_match.h"
#include "core/zkw_ini.h"
#include "link/wsjtx_qso.h"
#include "logdata/adif.h"
#include "logdata/log_store.h"

#include <QFileInfo>

namespace {

constexpr int kRetryMs = 1000;
constexpr int kHistory = 50;

// "JR2XYZ 12/10 14:23Z 40m FT8", as the status line names a QSO.
QString brief(const QsoRecord& q) {
    const QDateTime utc = qsoJapanTime(q).toUTC();
    return QStringLiteral("%1 %2Z %3 %4")
        .arg(q.call.trimmed(), utc.toString(QStringLiteral("MM/dd HH:mm")),
             wsjtx::bandOfMHz(q.freq), q.mode.trimmed());
}

}  // namespace

QsoFeed::QsoFeed(TZkwIni& settings, QsoFeedPorts ports, QObject* parent)
    : QObject(parent), settings_(settings), ports_(std::move(ports)) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &QsoFeed::drain);
    connect(&listener_, &wsjtx::Listener::datagramRead, this, &QsoFeed::arrived);
}

QsoFeed::~QsoFeed() = default;

bool QsoFeed::apply() {
    feed_ = QsoFeedSettings::load(settings_);
    settled_ = feed_.leftOut;
    if (feed_.action != FeedAction::NextBatch) waiting_.clear();
    follow_ = LogFollowSettings::load(settings_);
    listenProblem_.clear();
    followProblem_.clear();
    listener_.stop();
    const bool ok = !feed_.listen || startListening();
    if (following() && !QFileInfo(follow_.file).isFile())
        followProblem_ = QStringLiteral("ログファイルがありません: ") + follow_.file;
    if (ports_.changed) ports_.changed();
    schedule();
    return ok;
}

bool QsoFeed::startListening() {
    if (const auto wrong = feed_.problem()) {
        listenProblem_ = *wrong;
        return false;
    }
    wsjtx::ListenOptions options;
    options.port = static_cast<quint16>(feed_.port);
    if (!feed_.group.isEmpty()) options.group = QHostAddress(feed_.group);
    QString why;
    const bool started = listener_.start(options, &why);
    listenProblem_ = started ? QString() : why;
    return started;
}

bool QsoFeed::setListening(bool on) {
    QsoFeedSettings s = QsoFeedSettings::load(settings_);
    s.listen = on;
    s.save(settings_);
    (void)settings_.flush();  // a failure is told by the store itself
    return apply();
}

void QsoFeed::arrived(const wsjtx::Datagram& datagram) {
    const std::optional<QByteArray> adif = wsjtx::adifOf(datagram);
    if (!adif) return;  // heartbeat, status, close
    if (arrived_.size() >= kMaxWaiting) {
        ++counts_.dropped;
        return;
    }
    arrived_.push_back(*adif);
    schedule();
}

void QsoFeed::poll() {
    // A port another program held may be free now.
    if (feed_.listen && !listener_.listening() && !feed_.problem() && startListening() &&
        ports_.changed)
        ports_.changed();
    if (following() && !draining_ && !ports_.held()) readFollowed();
    schedule();
}

void QsoFeed::schedule() {
    if (arrived_.empty() && toSend_.empty()) return;
    // Not from inside the listener's signal: the queue is worked from the
    // event loop, once.
    if (!retry_.isActive()) retry_.start(0);
}

void QsoFeed::drain() {
    if (draining_) return;  // a send of ours waits: what came meanwhile is queued
    if (ports_.held()) {
        retry_.start(kRetryMs);
        return;
    }
    draining_ = true;
    joinArrived();
    while (!toSend_.empty()) {
        if (ports_.held()) {
            retry_.start(kRetryMs);
            break;
        }
        const ToSend next = toSend_.front();
        toSend_.pop_front();
        const QuietSend sent = ports_.sendCard(next.recno, next.qso, feed_.preview);
        QString after;
        switch (sent.outcome) {
            case QuietSend::Outcome::Sent:
                ++counts_.sent;
                settle(next.recno);
                break;
            case QuietSend::Outcome::NotMember:
                ++counts_.notMembers;
                settle(next.recno);
                break;
            case QuietSend::Outcome::Declined:
                // Left for the batch, where the person can send it after all.
                waiting_.insert(next.recno);
                after = QStringLiteral("（次の「QSL送信」で送れます）");
                break;
            case QuietSend::Outcome::NoAnswer:
            case QuietSend::Outcome::NotSent:
                ++counts_.failed;
                waiting_.insert(next.recno);
                after = QStringLiteral("（次の「QSL送信」で送れます）");
                break;
        }
        note(brief(next.qso) + QStringLiteral(" → ") + sent.note + after);
        joinArrived();  // what came while the card went out
    }
    draining_ = false;
}

void QsoFeed::joinArrived() {
    if (arrived_.empty()) return;
    LogStore log;
    if (!log.open(ports_.logPath(), true)) {
        ++counts_.failed;
        note(QStringLiteral("QSOデータを開けません: ") + log.errorText());
        arrived_.clear();
        return;
    }
    bool added = false;
    while (!arrived_.empty()) {
        const QByteArray adif = arrived_.front();
        arrived_.pop_front();
        const wsjtx::Joined j = wsjtx::joinQso(log, adif);
        switch (j.result) {
            case wsjtx::Joined::Result::Added:
                joined(j.recno, j.qso);
                added = true;
                break;
            case wsjtx::Joined::Result::Duplicate:
                // WSJT-X's second datagram of a QSO just joined says nothing.
                if (!joinedJustNow(brief(j.qso))) {
                    note(brief(j.qso) + QStringLiteral(" → すでにQSOデータにあります"));
                    recent_.push_back({brief(j.qso), QDateTime::currentDateTimeUtc()});
                }
                break;
            case wsjtx::Joined::Result::Refused:
            case wsjtx::Joined::Result::Failed:
                ++counts_.failed;
                note(QStringLiteral("QSOを追加できません: ") + j.why);
                break;
        }
    }
    if (added && ports_.logChanged) ports_.logChanged();
}

void QsoFeed::readFollowed() {
    const QString before = followProblem_;
    const auto told = [&] {
        if (followProblem_ != before && ports_.changed) ports_.changed();
    };
    if (!QFileInfo(follow_.file).isFile()) {
        followProblem_ = QStringLiteral("ログファイルがありません: ") + follow_.file;
        return told();
    }
    LogStore log;
    if (!log.open(ports_.logPath(), true)) {
        followProblem_ = QStringLiteral("QSOデータを開けません: ") + log.errorText();
        return told();
    }
    // A file read for the first time brings its history: into the log, but
    // no card goes for it (a logger's old file would mail every QSO it has).
    const bool history = follow_.followed.position == 0 && follow_.followed.head.isEmpty();
    const FollowResult r = followAdif(log, follow_.file, follow_.followed);
    followProblem_ = r.counts.error;
    told();
    if (!r.counts.error.isEmpty()) return;
    if (r.counts.added == 0 && !r.restarted && r.counts.skipped == 0 && r.counts.duplicates == 0)
        return;
    // Kept at once: the window may be killed before it closes.
    LogFollowSettings kept = LogFollowSettings::load(settings_);
    kept.followed = follow_.followed;
    kept.save(settings_);
    (void)settings_.flush();  // a failure is told by the store itself
    if (r.counts.skipped > 0) {
        counts_.failed += r.counts.skipped;
        QString first;
        if (!r.counts.firstSkipped.empty())
            first = QStringLiteral("（%1行目: %2）")
                        .arg(r.counts.firstSkipped.front().first)
                        .arg(r.counts.firstSkipped.front().second);
        note(QStringLiteral("%1 のレコード %2件を読み飛ばしました")
                 .arg(QFileInfo(follow_.file).fileName())
                 .arg(r.counts.skipped) +
             first);
    }
    if (history && !r.added.empty()) {
        counts_.qsos += int(r.added.size());
        note(QStringLiteral("%1 にあったQSO %2件をQSOデータに追加しました（これらの電子QSLは"
                            "自動では送りません）")
                 .arg(QFileInfo(follow_.file).fileName())
                 .arg(r.added.size()));
    } else {
        for (const auto& [recno, qso] : r.added)
            joined(recno, qso);
    }
    if (!r.added.empty() && ports_.logChanged) ports_.logChanged();
}

void QsoFeed::joined(int recno, const QsoRecord& qso) {
    ++counts_.qsos;
    recent_.push_back({brief(qso), QDateTime::currentDateTimeUtc()});
    while (recent_.size() > 20)
        recent_.pop_front();
    switch (feed_.action) {
        case FeedAction::LogOnly:
            settle(recno);
            note(brief(qso) + QStringLiteral(" → QSOデータに記録"));
            break;
        case FeedAction::SendAtOnce:
            toSend_.push_back({recno, qso});
            note(brief(qso) + QStringLiteral(" → 送信待ち"));
            schedule();
            break;
        case FeedAction::NextBatch:
            waiting_.insert(recno);
            note(brief(qso) + QStringLiteral(" → 次の「QSL送信」で送信"));
            break;
    }
}

bool QsoFeed::joinedJustNow(const QString& qso) const {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const auto& [text, at] : recent_)
        if (text == qso && at.secsTo(now) <= kSecondDatagramSeconds) return true;
    return false;
}

void QsoFeed::settle(int recno) {
    settled_.insert(recno);
    // Kept in the settings: the next start's "QSL送信" (and the command
    // line's send) leaves it out too.
    QsoFeedSettings kept = QsoFeedSettings::load(settings_);
    kept.leftOut = settled_;
    kept.save(settings_);
    settled_ = kept.leftOut;  // as bounded by the model
    (void)settings_.flush();  // a failure is told by the store itself
    if (ports_.settled) ports_.settled(recno);
}

void QsoFeed::batchCovered(int last) {
    waiting_.erase(waiting_.begin(), waiting_.upper_bound(last));
    if (ports_.changed) ports_.changed();
}

void QsoFeed::note(const QString& text) {
    last_ = text;
    if (ports_.noted) ports_.noted(text);
    history_ << QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + text;
    while (history_.size() > kHistory)
        history_.removeFirst();
    if (ports_.changed) ports_.changed();
}

QString QsoFeed::statusText() const {
    QString text;
    if (listener_.listening())
        text = QStringLiteral("WSJT-X・JTDX: UDP %1:%2 で受信中")
                   .arg(feed_.group.isEmpty() ? QStringLiteral("127.0.0.1") : feed_.group)
                   .arg(listener_.port());
    else
        text = QStringLiteral("WSJT-X・JTDX: 受信していません");
    if (following())
        text += QStringLiteral("・%1 を追跡中").arg(QFileInfo(follow_.file).fileName());
    for (const QString& problem : {listenProblem_, followProblem_})
        if (!problem.isEmpty()) text += QStringLiteral("（") + problem + QStringLiteral("）");
    if (counts_.qsos > 0 || counts_.failed > 0) {
        text += QStringLiteral("　QSO %1件").arg(counts_.qsos);
        if (counts_.sent > 0 || counts_.notMembers > 0)
            text +=
                QStringLiteral("（送信 %1・非参加 %2）").arg(counts_.sent).arg(counts_.notMembers);
        if (counts_.failed > 0) text += QStringLiteral("・失敗 %1").arg(counts_.failed);
    }
    if (!waiting_.empty())
        text += QStringLiteral("・次の「QSL送信」を待つQSO %1件").arg(waiting_.size());
    const int dropped = counts_.dropped + listener_.dropped();
    if (dropped > 0) text += QStringLiteral("・破棄 %1").arg(dropped);
    if (!last_.isEmpty()) text += QStringLiteral("　最後: ") + last_;
    return text;
}
