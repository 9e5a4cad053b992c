#pragma once
// What a send or a receive asks of the running logging program: the last
// record number it has (to warn when Sendvik's QSO data is not the one it
// uses), and the brackets around a batch's use of the log. The link gives
// the real one; while no logging program is found it is absent, and then
// no request is sent and the answer is 0.

#include <QtGlobal>

class LoggingProgram {
public:
    virtual ~LoggingProgram() = default;
    // Request 116: the last record number; 0 when unknown.
    virtual int lastRecordNumber() = 0;
    // Access requests 0x40001B (before) and 0x40001C (after), or the shared
    // database brackets in shared mode.
    virtual void beginLogAccess() = 0;
    virtual void endLogAccess() = 0;
    // Whether it runs (the lists' commands for its edit window are enabled
    // only then), and its edit window opened at a record: the window's
    // identity, 0 when none answered.
    virtual bool running() const = 0;
    virtual qint64 openEditWindow(int recno) = 0;
};

// No logging program is running: nothing is asked.
class AbsentLoggingProgram : public LoggingProgram {
public:
    int lastRecordNumber() override { return 0; }
    void beginLogAccess() override {}
    void endLogAccess() override {}
    bool running() const override { return false; }
    qint64 openEditWindow(int) override { return 0; }
};
