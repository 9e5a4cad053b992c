#include "logdata/zelkov50.h"

#include "core/app_info.h"

int GetZkdllVersion() {
    return kZkdllVersion;
}

QString GetDll__Date() {
    return app::buildDate();
}

int ZelkovOpen(int, ZkwHandle& handle, const QString& mstPath, int) {
    auto store = std::make_unique<LogStore>();
    if (!store->open(mstPath, false)) {
        handle.errorText = store->errorText();
        return -1;
    }
    handle.store = std::move(store);
    handle.recordCount = handle.store->recordCount();
    handle.index = CallIndex{handle.store.get(), QString(), 0};
    handle.rec = QsoRecord();
    handle.errorText.clear();
    return 0;
}

int ZelkovClose(ZkwHandle& handle, int) {
    handle.index = CallIndex();
    handle.store.reset();
    handle.recordCount = 0;
    return 0;
}

int ZKW_read(ZkwHandle& handle, int recno, int) {
    if (!handle.store || recno < 1) return -1;
    return handle.store->read(recno, handle.rec) ? 0 : -1;
}

int idxLsearch(CallIndex& index, const QString& key6) {
    if (!index.store) return 0;
    const QString key = key6.left(6).leftJustified(6, u' ');
    index.recno = index.store->indexLast(key, index.key6);
    return index.recno;
}

namespace {

int step(CallIndex& index, bool forwards) {
    if (!index.store || index.recno == 0) return 0;
    QString found;
    const int recno = index.store->indexStep(index.key6, index.recno, forwards, found);
    if (recno == 0) return 0;
    index.key6 = found;
    index.recno = recno;
    return recno;
}

int writeMark(ZkwHandle& handle, int recno, QChar mark, int column) {
    if (!handle.store || mark.unicode() < u'!') return -1;
    if (!handle.store->writeMark(recno, column, mark)) {
        handle.errorText = handle.store->errorText();
        return -1;
    }
    if (handle.rec.recno == recno) (column == 1 ? handle.rec.qslSent : handle.rec.qslRcvd) = mark;
    return 0;
}

}  // namespace

int idx_back(CallIndex& index) {
    return step(index, false);
}

int idx_next(CallIndex& index) {
    return step(index, true);
}

int QSL_Send(ZkwHandle& handle, int recno, QChar mark) {
    return writeMark(handle, recno, mark, 1);
}

int QSL_SendBack(ZkwHandle& handle, int recno, QChar mark) {
    if (!handle.store || (!mark.isNull() && mark != u' ' && mark.unicode() < u'!')) return -1;
    if (!handle.store->restoreSentMark(recno, mark)) {
        handle.errorText = handle.store->errorText();
        return -1;
    }
    if (handle.rec.recno == recno) handle.rec.qslSent = mark.isNull() ? QChar(u' ') : mark;
    return 0;
}

int QSL_Rcv(ZkwHandle& handle, int recno, QChar mark) {
    return writeMark(handle, recno, mark, 2);
}

int isPortable(const ZkwHandle& handle) {
    return portableSeparator(handle.rec.call);
}

int SetDbsShare(int) {
    return 0;
}
