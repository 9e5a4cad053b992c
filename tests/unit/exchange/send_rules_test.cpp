// The send batch's rules that need no server: the sent marks, the reports
// and the journal of the card in flight.

#include "exchange/batch_check.h"
#include "exchange/batch_texts.h"
#include "exchange/receive_run.h"
#include "exchange/send_journal.h"
#include "exchange/sent_mark.h"
#include "log_fixture.h"
#include "logdata/log_store.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using testing_support::Sandbox;

namespace {

std::optional<QChar> mark(QChar current, const QString& rule, bool already,
                          const QString& definition = QString()) {
    return nextSentMark(current, {definition, rule, already, QString()});
}

TEST(SentMark, TheDefaultRuleWithAndWithoutSentMark) {
    const QString rule = u"H;*=W;"_s;
    // SentMark checked: blank becomes H, "*" becomes W, H and others stay.
    EXPECT_EQ(mark(u' ', rule, true), u'H');
    EXPECT_EQ(mark(u'*', rule, true), u'W');
    EXPECT_EQ(mark(u'H', rule, true), std::nullopt);
    EXPECT_EQ(mark(u'N', rule, true), std::nullopt);  // the rule ends in ";"
    EXPECT_EQ(mark(u'W', rule, true), std::nullopt);
    // Unchecked: only a blank mark changes.
    EXPECT_EQ(mark(u' ', rule, false), u'H');
    EXPECT_EQ(mark(u'*', rule, false), std::nullopt);
    // A rule that ends in a mark gives it to every other mark.
    EXPECT_EQ(mark(u'N', u"H;*=W;Q"_s, true), u'Q');
    EXPECT_EQ(mark(u'Q', u"H;*=W;Q"_s, true), std::nullopt);  // already the new mark
    // A rule without a printable primary mark writes nothing.
    EXPECT_EQ(mark(u' ', u" ;*=W"_s, true), std::nullopt);
    EXPECT_EQ(mark(u' ', QString(), true), std::nullopt);
}

// A QSO whose mark makes it one to send ("N" by default) says no card went
// out yet: a card sent marks it as a blank one would be, so that it is not
// sent again and again.
TEST(SentMark, AMarkThatMakesAQsoOneToSendIsReplacedByTheCard) {
    SentMarkRules rules;
    rules.eligibleMarks = u"N"_s;
    EXPECT_EQ(nextSentMark(u'N', rules), u'H');
    EXPECT_EQ(nextSentMark(u'Q', rules), std::nullopt);  // not one to send: it stays
    rules.eligibleMarks = u"NH"_s;
    EXPECT_EQ(nextSentMark(u'H', rules), std::nullopt);  // already the primary mark
}

// A card that was not delivered gives the mark back the rule gave it.
TEST(SentMark, TheMarkBeforeTheCard) {
    const QString rule = u"H;*=W;"_s;
    EXPECT_EQ(previousSentMark(u'H', rule), u' ');
    EXPECT_EQ(previousSentMark(u'W', rule), u'*');
    EXPECT_EQ(previousSentMark(u'N', rule), u'N');  // no card gave it
    EXPECT_EQ(previousSentMark(u' ', rule), u' ');
    EXPECT_EQ(previousSentMark(u'S', u"S;=X;"_s), u' ');
}

TEST(SentMark, ADefinitionsSequenceWinsAndItsEmptyMarkWritesNothing) {
    EXPECT_EQ(mark(u' ', u"H;*=W;"_s, false, u"ABC"_s), u'A');  // not in it: the first
    EXPECT_EQ(mark(u'A', u"H;*=W;"_s, false, u"ABC"_s), u'B');
    EXPECT_EQ(mark(u'C', u"H;*=W;"_s, false, u"ABC"_s), std::nullopt);  // the last
    // "#Mark """ keeps even the rule from marking.
    EXPECT_EQ(mark(u' ', u"H;*=W;"_s, true, QString(QChar(0x1F))), std::nullopt);
}

TEST(SendReports, ZeroAndCountSummariesWordForWord) {
    SelectionCounters c;
    c.notInUserList = 2;
    c.notAMember = 3;
    c.alreadySent = 1;
    EXPECT_EQ(zeroSendSummary(12, c),
              u"ZELKOV E-Mail QSL の参加局、または\r電子QSL送信対象の局がいませんでした。\r"
              u"（送信したQSL数＝ゼロ）\r送信指定範囲＝ 12件　うち、\r・ZELKOVユーザーリスト未登録 "
              u"2局\r・ZELKOV E-Mail QSL未登録 3局\r・すでにQSL発行済み　　1局"_s);
    c = {};
    EXPECT_EQ(
        zeroSendSummary(1, c),
        u"ZELKOV E-Mail QSL の参加局、または\r電子QSL送信対象の局がいませんでした。\r"
        u"（送信したQSL数＝ゼロ）\r送信指定範囲＝ 1件　うち、\r・ZELKOV E-Mail QSL未登録 0局"_s);

    SendSummary s;
    s.sent = 25;
    s.candidates = 30;
    s.first = 101;
    s.lastComposed = 140;
    s.rangeSize = 60;
    s.sendMax = 25;
    s.counters.tooOld = 4;
    EXPECT_EQ(sendSummary(s),
              u"電子QSLメールを 25 件送信しました。\r（実際の送信範囲 40件中の 62.50％）\r\r"
              u"送信指定範囲＝ 60件。　うち、\r・ZELKOVユーザーリスト未登録 0局\r"
              u"・ZELKOV E-Mail QSL未登録 0局\r・半年以上前のQSO　4局\r\r※ 上限の 25件を送信"
              u"しました。\r　少し時間をおいてから残りを送信してください。"_s);
    s.sent = 1;
    s.candidates = 1;
    EXPECT_FALSE(sendSummary(s).contains(u"実際の送信範囲"_s));
    EXPECT_FALSE(sendSummary(s).contains(u"上限"_s));
    // Cards the person left out after the look over the batch are accounted for.
    s.counters.leftOutByCheck = 2;
    EXPECT_TRUE(sendSummary(s).endsWith(u"・半年以上前のQSO　4局\r・送信前の確認で除外　2局"_s))
        << sendSummary(s).toStdString();
}

TEST(SendJournal, ACardInFlightIsReadAsItWasBegun) {
    Sandbox box;
    const QString log = box.path(u"ZELKOV.mst"_s);
    EXPECT_FALSE(SendJournal::readLeftOver(log));
    SendJournal journal(log);
    ASSERT_TRUE(journal.begin(17, u"JR2XYZ"_s, u"JR1ABC_241201_2105_7.024_CW_JR2XYZ.jpg"_s,
                              u"jr2xyz@qsl.test"_s));
    EXPECT_TRUE(QFileInfo::exists(box.path(u"ZELKOV.sending"_s)));
    const auto left = SendJournal::readLeftOver(log);
    ASSERT_TRUE(left);
    EXPECT_TRUE(left->text.contains(u"No17　JR2XYZ　JR1ABC_241201_2105_7.024_CW_JR2XYZ.jpg"_s))
        << left->text.toStdString();
    EXPECT_EQ(left->recno, 17);
    EXPECT_EQ(left->call, u"JR2XYZ"_s);
    EXPECT_FALSE(left->mailed);
    // Marked: nothing left.
    journal.end();
    EXPECT_FALSE(SendJournal::readLeftOver(log));
}

// Killed before the server's answer, twice: each card that may have gone out
// stays named, at every start, until the person decides or its QSO is found
// marked; the next batch's journal does not wipe it out.
TEST(SendJournal, ACardThatMayHaveGoneOutStaysNamedUntilDecided) {
    Sandbox box;
    const QString log = box.path(u"ZELKOV.mst"_s);
    QsoRecord marked = testing_support::qso(u"JA4FJR"_s, u"24/12/03"_s, u"09:00"_s);
    marked.qslSent = u'H';
    testing_support::makeLog(
        log, {testing_support::qso(u"JR2XYZ"_s, u"24/12/01"_s, u"21:05"_s),
              testing_support::qso(u"JA1ZLO"_s, u"24/12/02"_s, u"10:00"_s), marked});
    const SentMarkRules rules;
    QList<int> unsettled;
    // The third was marked before its card went out again: that mark does
    // not decide it.
    for (int recno : {1, 2, 3}) {
        SendJournal journal(log);
        const QString call = QStringList{u"JR2XYZ"_s, u"JA1ZLO"_s, u"JA4FJR"_s}[recno - 1];
        ASSERT_TRUE(journal.begin(recno, call, call + u".jpg"_s, u"a@b"_s, QString(),
                                  recno == 3 ? u'H' : u' '));
        ASSERT_TRUE(SendJournal::settleLeftOver(log, rules, &unsettled));
    }
    EXPECT_EQ(unsettled, (QList<int>{1, 2, 3}));
    ASSERT_TRUE(SendJournal::settleLeftOver(log, rules, &unsettled));
    EXPECT_EQ(unsettled, (QList<int>{1, 2, 3}));
    EXPECT_TRUE(SendJournal::decide(log, 3, SendJournal::Decision::SendAgain, rules, QString()));
    // Found marked by the person: decided. Said to have gone out: marked.
    {
        LogStore store;
        ASSERT_TRUE(store.open(log, false));
        ASSERT_TRUE(store.writeMark(1, 1, u'H'));
    }
    ASSERT_TRUE(SendJournal::settleLeftOver(log, rules, &unsettled));
    EXPECT_EQ(unsettled, QList<int>{2});
    EXPECT_TRUE(SendJournal::decide(log, 2, SendJournal::Decision::Later, rules, QString()));
    EXPECT_EQ(SendJournal::undecided(log).size(), 1);
    EXPECT_TRUE(SendJournal::decide(log, 2, SendJournal::Decision::Sent, rules, QString()));
    EXPECT_FALSE(SendJournal::settleLeftOver(log, rules, &unsettled));
    EXPECT_TRUE(unsettled.isEmpty());
    LogStore store;
    ASSERT_TRUE(store.open(log, false));
    QsoRecord q;
    ASSERT_TRUE(store.read(2, q));
    EXPECT_EQ(q.qslSent, u'H');
}

// Killed after the server took the mail: the next start writes the mark
// (so a resumed batch does not mail the card again); the record must still
// be that QSO.
TEST(SendJournal, ACardTheServerTookIsMarkedAtTheNextStart) {
    Sandbox box;
    const QString log = box.path(u"ZELKOV.mst"_s);
    testing_support::makeLog(log, {testing_support::qso(u"JR2XYZ"_s, u"24/12/01"_s, u"21:05"_s),
                                   testing_support::qso(u"JA1ZLO"_s, u"24/12/02"_s, u"10:00"_s)});
    SentMarkRules rules;
    SendJournal journal(log);
    // The picture as the killed batch drew it, in its private folder.
    const QString card = u"JR1ABC_241201_2105_7.024_CW_JR2XYZ.jpg"_s;
    QDir().mkpath(box.path(u"batch-送信前"_s));
    testing_support::writeBytes(box.path(u"batch-送信前/"_s + card), "jpeg");
    ASSERT_TRUE(journal.begin(1, u"JR2XYZ"_s, card, u"a@b"_s, box.path(u"batch-送信前/"_s + card)));
    ASSERT_TRUE(journal.mailed());
    const auto message = SendJournal::settleLeftOver(log, rules, nullptr, box.path(u"送信"_s));
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->contains(u"メールで送られていたので、送信済みマークを付けました"_s))
        << message->toStdString();
    EXPECT_FALSE(message->contains(u"picture:"_s));
    // It went out: it is filed with the other sent cards.
    EXPECT_EQ(testing_support::readBytes(box.path(u"送信/"_s + card)), QByteArray("jpeg"));
    LogStore store;
    ASSERT_TRUE(store.open(log, false));
    QsoRecord q;
    ASSERT_TRUE(store.read(1, q));
    EXPECT_EQ(q.qslSent, u'H');
    // A copy of the folder made while a card was in flight settles its own
    // card, not the original's.
    const QString copy = box.path(u"copy"_s);
    QDir().mkpath(copy + u"/batch"_s);
    QDir().mkpath(box.path(u"batch"_s));
    testing_support::writeBytes(box.path(u"batch/"_s + card), "jpeg");
    ASSERT_TRUE(journal.begin(2, u"JA1ZLO"_s, card, u"a@b"_s, box.path(u"batch/"_s + card)));
    ASSERT_TRUE(journal.mailed());
    testing_support::writeBytes(copy + u"/batch/"_s + card, "copy");
    testing_support::makeLog(copy + u"/ZELKOV.mst"_s,
                             {testing_support::qso(u"JR2XYZ"_s, u"24/12/01"_s, u"21:05"_s),
                              testing_support::qso(u"JA1ZLO"_s, u"24/12/02"_s, u"10:00"_s)});
    ASSERT_TRUE(QFile::copy(box.path(u"ZELKOV.sending"_s), copy + u"/ZELKOV.sending"_s));
    ASSERT_TRUE(
        SendJournal::settleLeftOver(copy + u"/ZELKOV.mst"_s, rules, nullptr, copy + u"/送信"_s));
    EXPECT_EQ(testing_support::readBytes(copy + u"/送信/"_s + card), QByteArray("copy"));
    EXPECT_EQ(testing_support::readBytes(box.path(u"batch/"_s + card)), QByteArray("jpeg"));
    // Another QSO under the number: named, not marked.
    ASSERT_TRUE(journal.begin(2, u"JR2XYZ"_s, u"x.jpg"_s, u"a@b"_s));
    ASSERT_TRUE(journal.mailed());
    EXPECT_TRUE(SendJournal::settleLeftOver(log, rules)->contains(u"可能性があります"_s));
    ASSERT_TRUE(store.read(2, q));
    EXPECT_EQ(q.qslSent, u' ');
}

// An address from the server is checked before a card is mailed to it: what
// an SMTP server would refuse, or worse take for a list of recipients.
TEST(BatchCheck, AnAddressThatCannotTakeMailIsNamed) {
    for (const char* good : {"ja1abc@example.jp", "j.a+qsl@mail.example.co.jp", "x@a-b.example"})
        EXPECT_TRUE(isMailAddress(QString::fromLatin1(good))) << good;
    for (const char* bad :
         {"", "ja1abc", "ja1abc@", "@example.jp", "ja1abc@localhost", "ja 1abc@example.jp",
          "ja1abc@example.jp, x@evil.example", "<ja1abc@example.jp>", "a@@example.jp",
          ".ja1abc@example.jp", "ja..1abc@example.jp", "ja1abc@-example.jp", "ja1abc@example..jp",
          "ja1abc@example.jp\r\nRCPT TO:<x@evil.example>", "局@example.jp"})
        EXPECT_FALSE(isMailAddress(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(isMailAddress(QString(250, u'a') + u"@e.jp"_s));

    BatchCheck check;
    check.checked = 30;
    for (int i = 1; i <= 25; ++i)
        check.problems.push_back({i, u"JA1ABC"_s, u"QTHが空欄です"_s});
    check.problems.push_back({3, u"JA1ABC"_s, u"RSTが空欄です"_s});
    const QString question = batchCheckQuestion(check);
    EXPECT_TRUE(question.startsWith(
        u"送信前の確認で 30枚中 25枚のカードに問題があります。\r\rNo.1 JA1ABC  QTHが空欄です\r"_s));
    EXPECT_TRUE(question.contains(u"\r・・・ほか 6件\r\r[はい(Y)]"_s)) << question.toStdString();
}

// Another mail's text is named after its Date line, which keeps the sign
// of its zone; without a Date line it is no hidden file.
TEST(ReceiveNames, AnOtherMailsTextKeepsItsDatesZone) {
    EXPECT_EQ(ReceiveRun::otherMailFileName(u"Thu, 10 Dec 2026 15:38:27 +0900"_s),
              u"Thu-_10_Dec_2026_15-38-27_+0900.txt"_s);
    EXPECT_EQ(ReceiveRun::otherMailFileName(u"Thu, 10 Dec 2026 06:38:27 -0000"_s),
              u"Thu-_10_Dec_2026_06-38-27_-0000.txt"_s);
    EXPECT_EQ(ReceiveRun::otherMailFileName(QString()), u"NoDate.txt"_s);
}

}  // namespace
