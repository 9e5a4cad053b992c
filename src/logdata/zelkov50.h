#pragma once
// The log library: the calls the program reads and marks the log through.
// Results follow the library's convention: 0 is success unless said.

#include "logdata/log_store.h"
#include "logdata/qso_record.h"
#include "logdata/zkw_parse.h"

#include <QString>

#include <memory>

// The library's version number and build date.
inline constexpr int kZkdllVersion = 344836;
int GetZkdllVersion();
QString GetDll__Date();

// Read modes of ZKW_read.
namespace read_mode {
inline constexpr int List = 0;        // with the detail fields
inline constexpr int Card = 3;        // for a card, a send or a tally
inline constexpr int BeforeMark = 8;  // before writing a received mark
inline constexpr int IndexWalk = 16;  // walking the call index
}  // namespace read_mode

// A position in the call index.
struct CallIndex {
    LogStore* store = nullptr;
    QString key6;
    int recno = 0;
};

// The open log: the current record, the record count and the index.
struct ZkwHandle {
    QsoRecord rec;
    int recordCount = 0;
    CallIndex index;
    std::unique_ptr<LogStore> store;
    QString errorText;
};

// Opens the log of the master file (its ".zdb" QSO data beside it).
[[nodiscard]] int ZelkovOpen(int reserved, ZkwHandle& handle, const QString& mstPath,
                             int shareMode);
int ZelkovClose(ZkwHandle& handle, int shareMode);
// Loads record `recno` as the current record; 0 when loaded.
[[nodiscard]] int ZKW_read(ZkwHandle& handle, int recno, int mode);

// The call index: the last entry of a 6-character key (or the entry before
// where the key would stand), then earlier or later entries. A record number,
// 0 when there is none.
int idxLsearch(CallIndex& index, const QString& key6);
int idx_back(CallIndex& index);
int idx_next(CallIndex& index);

// The sent or received mark of record `recno` (a character "!" or above).
[[nodiscard]] int QSL_Send(ZkwHandle& handle, int recno, QChar mark);
[[nodiscard]] int QSL_Rcv(ZkwHandle& handle, int recno, QChar mark);
// The sent mark given back to what it was before a card (a blank allowed).
[[nodiscard]] int QSL_SendBack(ZkwHandle& handle, int recno, QChar mark);

// -1 when the current QSO's station was not portable, else where the
// portable part of the call starts.
int isPortable(const ZkwHandle& handle);

// Shared-database access brackets (1 before, 2 after); the store needs no
// locking of its own beyond its transactions.
int SetDbsShare(int phase);
