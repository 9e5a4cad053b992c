#include "render/definition_preview.h"

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/qso_time.h"
#include "logdata/zelkov50.h"

PreviewOutcome runDefinitionPreview(QslDefinition& definition, const PreviewInputs& inputs,
                                    bool quiet) {
    PreviewOutcome outcome;
    // A quiet run tells nobody anything, whatever part of it would.
    ScriptedMessagePort recorder;
    std::optional<ScopedThreadMessagePort> silenced;
    if (quiet) silenced.emplace(&recorder);
    ZkwHandle log;
    if (ZelkovOpen(0, log, inputs.qsoData, 0) != 0) {
        ZelkovClose(log, 0);
        return outcome;
    }
    outcome.logOpened = true;
    outcome.lastRecord = log.recordCount;
    outcome.record = inputs.record > 0 ? std::min(inputs.record, log.recordCount) : log.recordCount;
    QsoRecord qso;
    if (outcome.record > 0 && ZKW_read(log, outcome.record, read_mode::Card) == 0) {
        qso = log.rec;
        QsoStamp stamp = qso.stamp();
        ConvertQsoTimeQuiet(stamp, 1);  // a DX QSO logged in Japan time shows in UTC
        qso.setStamp(stamp);
    }
    ZelkovClose(log, 0);
    outcome.call = qso.call;

    definition.context = inputs.context;
    definition.SetQsoDataRefs(&qso);
    definition.lines = inputs.lines;
    if (!definition.preview().isNull()) definition.preview().fill(Qt::white);
    outcome.result = definition.RunDefinition(false);
    definition.SetQsoDataRefs(nullptr);
    outcome.errorLine = outcome.result < 0 ? definition.errorLine() : 0;
    if (quiet && !recorder.messages().empty())
        outcome.errorText = QString(recorder.messages().front().text).replace(u'\r', u'\n');
    outcome.image = definition.preview().copy();
    return outcome;
}
