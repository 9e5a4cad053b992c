#pragma once
// The environment settings (section Kankyo): which QSOs get a card, how the
// log's QSL column is marked, the card time, matching tolerance and mode
// aliases, mail limits, the message box and list looks. The window edits this
// model; every other part reads it.

#include "logdata/qso_record.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

class TZkwIni;

struct EnvironmentSettings {
    // Check bits.
    int cardTime = 0;                 // UtcCheck: 0 as logged, 1 UTC, 2 JST
    bool onlyUnsent = false;          // MiHakko (4)
    bool markAlreadySent = false;     // SentMark (8)
    bool markAlreadyReceived = true;  // RcvWrite (0x10)
    bool modeAliases = true;          // ModeRcv (0x20)
    bool noMemoInMail = false;        // nMemoSd (0x40)
    bool receiveAllMail = false;      // mFilter (0x80)
    bool showAfterReceive = true;     // RcvAftr (0x100)
    bool confirmInMaster = false;     // ConfChk (0x200)
    bool ownMessageBox = false;       // MesCheck (0x400)
    bool confirmRig = false;          // RigSele (0x800)
    bool alternateServer = false;     // BetuURL (0x1000)

    QString eligibleSentMarks = QStringLiteral("N");      // QslS2
    QString excludedRoutes;                               // QslVia
    QString sentMarkRule = QStringLiteral("H;*=W;");      // QslSent
    QString receivedMarkRule = QStringLiteral("H;*=W;");  // QslRcv
    int sendMax = 25;
    int photoSize = 0;          // JpSize: list position 0 ... 4
    QString portable;           // Potbl
    QStringList operatorNames;  // OpName0 ... OpName29, blank ones left out
    QString oldestMatchDate = QStringLiteral("00/00/00");  // ShowGo
    int toleranceMinutes = 10;                             // Gosa, 0 ... 59
    QString modeTable = QStringLiteral("SSB=J3E;CW=A1,A1A;FM=F3,F3E");
    QString deleteOlderThan = QStringLiteral("0000");  // OldQso, yymm
    int messageFontSize = 12;                          // MsgFont
    QString listFontName;
    int listFontSize = 0;
    QString memoFontName;
    int memoFontSize = 0;
    int lineColor = static_cast<int>(0x80000005);  // the system window colour
    QString alternateServerBase;                   // URL2
    // The fonts are written only when changed in this opening of the window.
    bool listFontChanged = false;
    bool memoFontChanged = false;

    // The service's base address: the alternate one (URL2, or the built-in
    // alternate) when BetuURL is on, else the primary one. Ends with "/".
    QString serverBase() const;

    int checkBits() const;
    void setCheckBits(int bits);

    // Reads the keys; a partial load (`full` false) reads only the two tabs'
    // keys and Check.
    void load(const TZkwIni& settings, bool full);
    // Writes every key; `currentYyMm` ("2403") keeps OldQso out of the future.
    void save(TZkwIni& settings, const QString& currentYyMm);
    // Writes SendMax alone (a provider preset of the communication settings).
    void saveSendMax(TZkwIni& settings) const;

    // The mode comparison of matching: equal texts; every pair when the table
    // is 2 characters or shorter; else the card mode among the log mode's
    // aliases.
    bool ModeMatches(const QString& logMode, const QString& cardMode) const;
    // The modes of a log and a card as matching compares them: through the
    // table when the substitution is on (ModeRcv), else equal texts only.
    bool modesAgree(const QString& logMode, const QString& cardMode) const {
        return modeAliases ? ModeMatches(logMode, cardMode) : logMode == cardMode;
    }
    // The same as a function for matching, reading these settings when it is
    // called (so it lives no longer than they do).
    ModesAgree modeComparison() const {
        return [this](const QString& logMode, const QString& cardMode) {
            return modesAgree(logMode, cardMode);
        };
    }
    // The colour of a list's odd rows (LineColor); none when it is the
    // system's window colour.
    std::optional<QColor> alternateRowColour() const;
};

// A mark rule as stored: at most 82 characters, trailing blanks cut, blank
// means "H;*=W;".
QString normalizedMarkRule(const QString& rule);
