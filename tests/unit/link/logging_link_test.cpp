#include "link/logging_link.h"

#include "core/sjis.h"
#include "platform/window_link.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// A logging program's window in this process: it records what it is asked
// and answers as it is told, by a message back to Sendvik's window.
struct PeerWindow {
    QStringList received;
    std::function<QString(qint32 code)> answerFor;
    std::unique_ptr<platform::LinkWindow> window;
    QStringList menu;

    PeerWindow() {
        window = std::make_unique<platform::LinkWindow>(
            u"TZkwin"_s, [this](const platform::LinkMessage& m) -> qint64 {
                received << QString::number(m.code, 16) + u' ' +
                                QString::fromLatin1(m.data.left(m.data.indexOf('\0')));
                if (answerFor) {
                    const QString text = answerFor(m.code);
                    if (!text.isNull()) {
                        platform::LinkMessage reply;
                        reply.sender = window->id();
                        reply.data = sjis::fromUnicode(text) + '\0';
                        window->sendMessage(u"TZkvmQSL"_s, reply);
                    }
                }
                return 1;
            });
    }
};

struct LinkFixture {
    QTemporaryDir dir;
    std::vector<LinkView> views;
    QStringList shown;
    int timers = 0;
    int lastRecordShown = 0;
    bool recRead = true;
    bool active = false;
    std::unique_ptr<platform::LinkWindow> own;
    std::unique_ptr<LoggingLink> link;

    LinkFixture() {
        qputenv("SENDVIK_LINK_DIR", dir.path().toUtf8());
        LinkParts parts;
        parts.programActive = [this] { return active; };
        parts.recRead = [this] { return recRead; };
        parts.setLastRecord = [this](int n) { lastRecordShown = n; };
        parts.showView = [this](const LinkView& v) { views.push_back(v); };
        parts.showCards = [this](const QString& pattern) -> qint64 {
            shown << pattern;
            return 4242;
        };
        parts.startRegistrationTimer = [this] { ++timers; };
        parts.folders = [] { return CardFolders{u"/r"_s, u"/s"_s, u"/m"_s}; };
        own = std::make_unique<platform::LinkWindow>(
            u"TZkvmQSL"_s,
            [this](const platform::LinkMessage& m) { return link->handleMessage(m); });
        EXPECT_TRUE(own->listen());
        link = std::make_unique<LoggingLink>(*own, std::move(parts));
    }
    ~LinkFixture() { qunsetenv("SENDVIK_LINK_DIR"); }
    qint64 message(const QByteArray& text) { return link->handleMessage({0, 1, text}); }
};

TEST(LinkLines, At126BytesUpToTheZeroOneFieldALine) {
    EXPECT_EQ(linkLines("116\r\n"), QStringList{u"116"_s});
    EXPECT_EQ(linkLines("1\r\nJA1ABC\r\n\r\n"), (QStringList{u"1"_s, u"JA1ABC"_s, QString()}));
    EXPECT_EQ(linkLines(QByteArray("7\r\nJA1ABC\0garbage", 16)),
              (QStringList{u"7"_s, u"JA1ABC"_s}));
    const QByteArray block = "-997\r\n" + QByteArray(120, 'x') + "\r\nJA1ABC\r\n";  // 200 bytes
    const QStringList lines = linkLines(block);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].size(), 120);  // the call beyond byte 126 is not read
    EXPECT_EQ(baseCallOf(u"JA1ABC/1"_s), u"JA1ABC"_s);
    EXPECT_EQ(baseCallOf(u"JA1A/P"_s), u"JA1A"_s);       // "/" at the fifth place
    EXPECT_EQ(baseCallOf(u"8J/JA1ABC"_s), u"JA1ABC"_s);  // at the fourth or before
    EXPECT_EQ(baseCallOf(u"KH0/JA1ABCDEFGHIJKLMNOPQRSTU"_s).size(), 20);
}

// Found, shared or not, the range to its last record; gone again.
TEST(LoggingLink, ThePollFindsTheProgramAndWhetherItShares) {
    LinkFixture f;
    f.link->poll();
    EXPECT_FALSE(f.link->running());
    EXPECT_EQ(f.link->lastRecordNumber(), 0);  // nothing asked while it is absent

    PeerWindow peer;
    peer.answerFor = [](qint32 code) { return code == 116 ? u"1234\r\n"_s : QString(); };
    peer.menu = {u"ファイル"_s, u"編集"_s, u"表示"_s, u"検索"_s, u"集計"_s, u"再読込み"_s};
    peer.window->setMenuCaptions(peer.menu);
    ASSERT_TRUE(peer.window->listen());
    f.link->poll();
    EXPECT_EQ(f.link->state(), 1);  // shares its database
    EXPECT_TRUE(f.views.back().sharedShown);
    EXPECT_TRUE(f.views.back().rangeToLast);  // another program has the focus, RecRead on
    EXPECT_EQ(f.lastRecordShown, 1234);
    EXPECT_EQ(peer.received, QStringList{u"74 "_s});
    // Shared: the access brackets are the library's, no message goes.
    f.link->beginLogAccess();
    f.link->endLogAccess();
    EXPECT_EQ(peer.received.size(), 1);

    // A menu without "再読込み" from the sixth on: not shared, and so until it is gone.
    peer.window->setMenuCaptions({u"再読込み"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s});
    f.active = true;
    f.link->poll();
    EXPECT_EQ(f.link->state(), 2);
    EXPECT_FALSE(f.views.back().sharedShown);
    peer.window->setMenuCaptions(peer.menu);
    f.link->poll();
    EXPECT_EQ(f.link->state(), 2);
    f.link->beginLogAccess();
    f.link->endLogAccess();
    EXPECT_EQ(peer.received.mid(1), (QStringList{u"40001b "_s, u"40001c "_s}));
    f.link->openEditWindow(17);
    EXPECT_EQ(peer.received.back(), u"14 17"_s);

    peer.window.reset();
    f.link->poll();
    EXPECT_EQ(f.link->state(), 0);
    EXPECT_FALSE(f.views.back().present);
    EXPECT_FALSE(f.views.back().rangeToLast);
}

// Its answers: the call of a check from line 0, of a send from line 1 (or
// line 2 when line 1 is digits only), an empty answer followed up; its own
// requests show cards and are answered with the viewer.
TEST(LoggingLink, AnswersAndTheProgramsOwnRequests) {
    LinkFixture f;
    PeerWindow peer;
    peer.window->setMenuCaptions({});
    ASSERT_TRUE(peer.window->listen());
    f.link->poll();
    ASSERT_TRUE(f.link->running());

    // A registration check: no answer asks for the QSO, then the call.
    peer.answerFor = [](qint32 code) {
        return code == 101 ? QStringLiteral("") : code == 0x400073 ? u"JA1ABC/3\r\n"_s : QString();
    };
    f.link->ZLKV1Click();
    EXPECT_EQ(f.link->callBuffer(), u"JA1ABC"_s);
    EXPECT_EQ(f.timers, 1);
    EXPECT_EQ(peer.received.mid(peer.received.size() - 2), (QStringList{u"65 "_s, u"400073 "_s}));

    // A send request: record 12's QSO; a first line of 0 is followed up.
    f.link->clearPending();
    peer.answerFor = [](qint32 code) {
        return code == 0x400073   ? u"0\r\n"_s
               : code == 0x400076 ? u"12\r\nJR2XYZ\r\n26/11/20\r\n"_s
                                  : QString();
    };
    f.link->NOVQ1Click(false);
    EXPECT_EQ(f.link->callBuffer(), u"JR2XYZ"_s);
    EXPECT_EQ(f.link->keptNumber(), 12);
    EXPECT_EQ(f.timers, 2);
    f.link->NOVQ1Click(true);  // busy: nothing asked
    EXPECT_EQ(peer.received.back(), u"400076 "_s);

    // A check answered with a digits-only first line takes the call from line 1.
    f.link->clearPending();
    peer.answerFor = [](qint32 code) { return code == 101 ? u"12345\r\nJH1XYZ\r\n"_s : QString(); };
    f.link->ZLKV1Click();
    EXPECT_EQ(f.link->callBuffer(), u"JH1XYZ"_s);

    // Its own requests: sent cards, received cards; the viewer's identity back.
    EXPECT_EQ(f.message("-998\r\nJA1ABC/P\r\n"), 4242);
    EXPECT_EQ(f.message("-997\r\n8J1/JA1XYZ\r\n"), 4242);
    EXPECT_EQ(f.shown, (QStringList{u"/s/*_JA1ABC.jpg"_s, u"/r/JA1XYZ_*.jpg"_s}));
    EXPECT_EQ(f.link->viewKind(), link_view::None);
    // A block of 200 bytes is read as its first 126: the call beyond is not seen.
    EXPECT_EQ(f.message("-997\r\n" + QByteArray(130, ' ') + "\r\nJA1ABC\r\n"), 0);
    EXPECT_EQ(f.shown.size(), 2);
    // A call that would lead out of the card folder, or to every card, is
    // no call; a portable one with a prefix and a suffix is its base call.
    for (const QByteArray call : {"JA/../../x", "JA1ABC\\..\\x", "JA1.BC", "*", "JA/*"})
        EXPECT_EQ(f.message("-997\r\n" + call + "\r\n"), 0) << call.constData();
    EXPECT_EQ(f.shown.size(), 2);
    EXPECT_EQ(f.link->viewKind(), link_view::None);
    EXPECT_EQ(f.message("-997\r\nKH0/JA1ABC/P\r\n"), 4242);
    EXPECT_EQ(f.shown.back(), u"/r/JA1ABC_*.jpg"_s);
}

}  // namespace
