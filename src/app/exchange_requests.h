#pragma once
// What a send batch and a receive run are asked to do, from the program's
// state and settings: the desktop program and the command line build them
// alike.

#include "exchange/receive_run.h"
#include "exchange/send_batch.h"

struct CommSettings;
struct EnvironmentSettings;
struct MainState;

// Everything but the range and "確認しながら送信", which the caller sets;
// expert cards are drawn from `definition`.
SendRequest sendRequestFrom(const MainState& state, const EnvironmentSettings& environment,
                            const CommSettings& communication, const QString& definition);
// `userEdition`: the user list's edition as the caller knows it.
ReceiveRequest receiveRequestFrom(const MainState& state, const EnvironmentSettings& environment,
                                  const CommSettings& communication, const QString& userEdition);
