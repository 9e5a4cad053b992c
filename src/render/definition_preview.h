#pragma once
// A definition run for one QSO of the log, as the editor previews it: the
// QSO read (its time as the card shows it), the lines run into the
// definition's preview picture. A quiet run (the live preview beside the
// text, off the window thread) keeps its error instead of telling it.

#include "render/qsl_definition.h"

#include <QImage>
#include <QString>
#include <QStringList>

struct PreviewInputs {
    QStringList lines;
    DefinitionContext context;
    QString qsoData;  // the log's master file
    int record = 0;   // 0: the last
};

struct PreviewOutcome {
    bool logOpened = false;
    int record = 0;
    int lastRecord = 0;
    int result = 0;     // 0 ran to its end, -1 stopped by an error
    int errorLine = 0;  // 1-based
    QString errorText;  // a quiet run's first message
    QString call;       // the QSO's, for the saved picture's name
    QImage image;       // the preview picture
};

PreviewOutcome runDefinitionPreview(QslDefinition& definition, const PreviewInputs& inputs,
                                    bool quiet);
