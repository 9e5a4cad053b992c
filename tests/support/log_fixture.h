#pragma once
// A log made for a test: QSOs written through the store, opened through the
// library calls.

#include "logdata/log_store.h"
#include "logdata/qso_record.h"

#include <QString>

#include <gtest/gtest.h>

namespace testing_support {

// A QSO in Japan time on 7 MHz CW unless changed.
inline QsoRecord qso(const QString& call, const QString& yymmdd, const QString& hhmm,
                     QChar sent = u' ', QChar route = u' ') {
    QsoRecord q;
    q.call = call;
    q.century = yymmdd.left(2).toInt() > 50 ? 19 : 20;
    q.date = yymmdd;
    q.time = hhmm;
    q.zone = u'J';
    q.freq = QStringLiteral("7.024");
    q.mode = QStringLiteral("CW");
    q.hisRst = QStringLiteral("599");
    q.qslSent = sent;
    q.qslRoute = route;
    q.key = lookupKeyOf(call);
    return q;
}

// Writes the QSOs into a new log at `mstPath` (record numbers 1, 2, ...).
inline void makeLog(const QString& mstPath, const std::vector<QsoRecord>& qsos) {
    LogStore store;
    ASSERT_TRUE(store.open(mstPath, true)) << store.errorText().toStdString();
    for (const QsoRecord& q : qsos)
        ASSERT_EQ(store.insert(q), LogStore::InsertResult::Added) << q.call.toStdString();
}

}  // namespace testing_support
