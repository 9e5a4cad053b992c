#pragma once
// The main window's sample card: the card of the latest QSO with a
// registered station, then of the one before it at each "他のUser", drawn as
// a send would draw it.

#include "logdata/qso_selection.h"
#include "logdata/user_list.h"
#include "logdata/zelkov50.h"
#include "render/card_composer.h"

#include <optional>

struct EnvironmentSettings;

class SampleCards {
public:
    SampleCards(CardInputs inputs, const EnvironmentSettings& environment,
                QslDefinition& definition);
    ~SampleCards();
    SampleCards(const SampleCards&) = delete;
    SampleCards& operator=(const SampleCards&) = delete;

    // Checks what a sample needs (the photo or the definition, the QSO data,
    // the user list) and opens the list and the log; the warning to show
    // when something is missing.
    std::optional<QString> open(bool qsoDataOpened, const QString& userList);

    struct Card {
        QString path;  // a temporary JPEG the caller removes
        int recno = 0;
    };
    // The next earlier card; nothing at the end (after the warning that no
    // QSO with a registered station was found) or when drawing failed.
    std::optional<Card> next();
    // Asked while a definition draws: false stops the drawing quietly.
    void setGoOn(std::function<bool()> goOn) { composer_.goOn = std::move(goOn); }

private:
    CardComposer composer_;
    SelectionRules rules_;
    ZkwHandle log_;
    UserHandle users_;
    bool logOpen_ = false;
    int from_ = 0;
};
