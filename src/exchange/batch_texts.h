#pragma once
// The reports a send batch ends with.

#include "logdata/qso_selection.h"

#include <QString>

// Nothing to send: who was left out of the range, and why.
QString zeroSendSummary(int rangeSize, const SelectionCounters& counters);

struct SendSummary {
    int sent = 0;
    int candidates = 0;  // with their addresses, before the send loop
    int first = 0;       // of the range
    int lastComposed = 0;
    int rangeSize = 0;
    SelectionCounters counters;
    int sendMax = 0;       // reached when sent == sendMax
    bool stopped = false;  // the person stopped the batch before its end
};
QString sendSummary(const SendSummary& summary);
