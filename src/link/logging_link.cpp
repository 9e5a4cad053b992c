#include "link/logging_link.h"

#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "logdata/zelkov50.h"
#include "platform/window_link.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kLoggingProgramClass = QStringLiteral("TZkwin");
// What a message of the logging program is read as, at most.
constexpr int kMaxAnswerBytes = 126;

bool digitsOnly(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (!c.isDigit()) return false;
    return true;
}

}  // namespace

QString baseCallOf(const QString& call) {
    const qsizetype slash = call.indexOf(u'/');
    QString base = slash < 0    ? call
                   : slash >= 4 ? call.left(slash)  // JA1ABC/1: the call before its area
                                : call.mid(slash + 1).section(u'/', 0, 0);  // KH0/JA1ABC/P
    base.truncate(20);
    // Letters and digits only: the call becomes a file pattern in a card
    // folder, and anything else (a period, a separator, a wildcard) could
    // take it out of that folder or beyond that station's cards.
    for (QChar c : base)
        if (c.unicode() >= 0x80 || !c.isLetterOrNumber()) return {};
    return base;
}

QStringList linkLines(const QByteArray& data) {
    QByteArray text = data.left(kMaxAnswerBytes);
    if (const qsizetype end = text.indexOf('\0'); end >= 0) text.truncate(end);
    if (text.isEmpty()) return {};
    QStringList lines = sjis::toUnicode(text).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    // A line break ends the last line rather than starting an empty one;
    // an empty line before it is a line (an empty field).
    if (lines.back().isEmpty()) lines.removeLast();
    return lines;
}

QsoRecord LinkQso::record() const {
    QsoRecord r;
    r.date = date;
    r.time = time.left(5);
    r.zone = time.size() > 5 ? time[5] : QChar(u'J');
    r.freq = freq;
    r.mode = mode;
    return r;
}

LoggingLink::LoggingLink(platform::LinkWindow& window, LinkParts parts)
    : window_(window), parts_(std::move(parts)) {}

void LoggingLink::setView(const LinkView& view) {
    view_ = view;
    if (parts_.showView) parts_.showView(view_);
}

void LoggingLink::poll() {
    // A poll due while a request waits for its answer is dropped: it would
    // send a request of its own into the wait (the next one comes soon).
    if (waiting_ > 0) return;
    LinkView view = view_;
    view.present = platform::LinkWindow::findWindow(kLoggingProgramClass) > 1;
    if (!view.present) {
        if (state_ != 0) view.sharedShown = false;
        state_ = 0;
        view.rangeToLast = false;
        setView(view);
        return;
    }
    // Whether it shares its database, from the captions of its top menu
    // from the sixth on ("再読込み" is there when it does); once found not
    // sharing, it stays so until it is gone.
    if (state_ == 0 || state_ == 1) {
        const QStringList menu = platform::LinkWindow::menuCaptions(kLoggingProgramClass);
        if (!menu.mid(5).join(u'\n').contains(QStringLiteral("再読込み"))) {
            state_ = 2;
            view.sharedShown = false;
        } else {
            state_ = 1;
            view.sharedShown = true;
        }
    }
    if ((!parts_.programActive || !parts_.programActive()) && parts_.recRead && parts_.recRead()) {
        lastRecordNumber();
        view.rangeToLast = true;
    }
    setView(view);
}

void LoggingLink::recReadClicked(bool checked) {
    if (state_ == 0) return;
    LinkView view = view_;
    if (checked) lastRecordNumber();
    view.rangeToLast = checked;
    setView(view);
}

qint64 LoggingLink::sendRequest(int code, const QString& text) {
    if (state_ == 0) return 0;
    if (state_ == 1 && (code == link_code::AccessBegins || code == link_code::AccessEnds))
        return SetDbsShare(code == link_code::AccessBegins ? 1 : 2) == 0 ? 1 : 0;
    if (code == link_code::AccessEnds) QCoreApplication::processEvents();
    platform::LinkMessage message;
    message.code = code;
    message.sender = window_.id();
    if (!text.isEmpty()) message.data = sjis::fromUnicode(text) + '\0';
    ++waiting_;
    const qint64 result = window_.sendMessage(kLoggingProgramClass, message);
    --waiting_;
    return result;
}

int LoggingLink::lastRecordNumber() {
    if (state_ == 0) return 0;
    // Inside another request's wait, its answer may still come: the number
    // last reported serves.
    if (waiting_ > 0) return lastRecord_;
    // A request whose answer was taken but not yet acted on (the
    // registration timer runs) stays pending around this one.
    const int outer = pending_;
    pending_ = link_pending::LastRecord;
    sendRequest(link_code::LastRecord);
    if (pending_ == link_pending::LastRecord) pending_ = outer;
    return lastRecord_;
}

void LoggingLink::beginLogAccess() {
    sendRequest(link_code::AccessBegins);
}

void LoggingLink::endLogAccess() {
    sendRequest(link_code::AccessEnds);
}

qint64 LoggingLink::openEditWindow(int recno) {
    return sendRequest(link_code::ShowRecord, QString::number(recno));
}

void LoggingLink::bringToFront(int window) {
    (void)sendRequest(link_code::BringToFront, QString::number(std::max(window, 0)));
}

qint64 LoggingLink::handleMessage(const platform::LinkMessage& message) {
    const QStringList lines = linkLines(message.data);
    const int first = lines.isEmpty() ? 0 : StrToLong(lines[0]);
    int chosen = -1;
    bool askedByPeer = false;
    if (first == link_code::ShowAllReceived || first == link_code::ShowSent ||
        first == link_code::ShowReceived) {
        viewKind_ = first == link_code::ShowAllReceived ? link_view::AllReceived
                    : first == link_code::ShowSent      ? link_view::Sent
                                                        : link_view::Received;
        askedByPeer = true;
        chosen = 1;
    } else {
        if (viewKind_ == link_view::AllReceived) {
            if (first > 0)
                chosen = 1;
            else
                pending_ = link_pending::SendRequest;
        }
        if (chosen < 0) {
            if (pending_ == link_pending::SendRequest && first < 1) {
                pending_ = link_pending::FollowUp;
                sendRequest(link_code::FollowUp);
                return 0;
            }
            if (lines.isEmpty()) {
                if (pending_ == link_pending::RegistrationCheck) sendRequest(link_code::CurrentQso);
                return 0;
            }
            if (pending_ == link_pending::LastRecord) {
                lastRecord_ = StrToLong(lines[0]);
                if (parts_.recRead && parts_.recRead() && parts_.setLastRecord)
                    parts_.setLastRecord(lastRecord_);
                return 0;
            }
            if (pending_ == link_pending::RegistrationCheck) {
                chosen = 0;
            } else if (lines.size() > 2) {
                chosen = 1;
            } else {
                pending_ = link_pending::None;
                return 0;
            }
        }
    }
    QString line = lines.value(chosen).trimmed();
    if (digitsOnly(line)) line = lines.value(1).trimmed();
    const QString call = baseCallOf(line);
    if (call.isEmpty()) {
        // A request of the logging program's own without a usable call
        // ends here: its view must not wait for the next answer.
        if (askedByPeer) viewKind_ = link_view::None;
        if (pending_ == link_pending::RegistrationCheck) sendRequest(link_code::FollowUp);
        return 0;
    }
    call_ = call;
    return takeStation(call, lines, first, askedByPeer);
}

qint64 LoggingLink::takeStation(const QString& call, const QStringList& lines, int first,
                                bool askedByPeer) {
    if (viewKind_ == link_view::None) {
        kept_ = first;
        if (parts_.startRegistrationTimer) parts_.startRegistrationTimer();
        return 0;
    }
    const int kind = viewKind_;
    viewKind_ = link_view::None;
    const CardFolders folders = parts_.folders ? parts_.folders() : CardFolders{};
    QString pattern =
        kind == link_view::Sent
            ? QDir(folders.sentDir).filePath(QStringLiteral("*_") + call + QStringLiteral(".jpg"))
            : QDir(folders.receivedDir).filePath(call + QStringLiteral("_*.jpg"));
    if (kind == link_view::AllReceived && lines.size() > 8 && parts_.findReceivedCard) {
        const LinkQso qso{lines[2].trimmed(), lines[3].trimmed(), lines[6].trimmed(),
                          lines[7].trimmed()};
        if (const int recno = parts_.findReceivedCard(pattern, qso); recno > 0 && askedByPeer) {
            // The logging program shows the card itself.
            if (parts_.closeViewer) parts_.closeViewer();
            return recno;
        }
    }
    const qint64 viewer = parts_.showCards ? parts_.showCards(pattern) : 0;
    return askedByPeer ? viewer : 0;
}

void LoggingLink::NOVQ1Click(bool busy) {
    if (busy) return;
    viewKind_ = link_view::None;
    pending_ = link_pending::SendRequest;
    sendRequest(link_code::CurrentQso);
}

void LoggingLink::ZLKV1Click() {
    viewKind_ = link_view::None;
    pending_ = link_pending::RegistrationCheck;
    sendRequest(link_code::CurrentCall);
}

void LoggingLink::showCardsOfStation(int viewKind) {
    viewKind_ = viewKind;
    if (viewKind == link_view::AllReceived) {
        sendRequest(link_code::CurrentQso);
    } else {
        // Its answer is the call alone, on its first line.
        pending_ = link_pending::RegistrationCheck;
        sendRequest(link_code::CurrentCall);
    }
}
