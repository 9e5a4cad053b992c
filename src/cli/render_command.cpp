#include "cli/render_command.h"

#include "app/main_state.h"
#include "cli/cli_output.h"
#include "cli/record_arguments.h"
#include "core/app_paths.h"
#include "core/mklink.h"
#include "core/whole_file.h"
#include "core/work_folder.h"
#include "core/zkw_ini.h"
#include "logdata/qso_selection.h"
#include "logdata/zelkov50.h"
#include "render/card_composer.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <ostream>

namespace {

int usage(std::ostream& err) {
    err << "usage: sendvik-cli render RECNO -o FILE.jpg [--definition FILE.mQSL]\n";
    return 2;
}

}  // namespace

int runRenderCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                     std::ostream& err) {
    QStringList args = arguments;
    QString output, definition;
    for (qsizetype i = 0; i + 1 < args.size();) {
        if (args[i] == u"-o" || args[i] == u"--definition") {
            (args[i] == u"-o" ? output : definition) = args[i + 1];
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (args.size() != 1 || output.isEmpty()) return usage(err);
    // The card is a JPEG: a name that says otherwise would mislead whoever opens it.
    if (const QString suffix = QFileInfo(output).suffix().toLower();
        suffix != u"jpg" && suffix != u"jpeg") {
        printLine(err,
                  QStringLiteral("sendvik-cli: 電子QSLはJPEG画像です。出力ファイル名の拡張子は "
                                 ".jpg または .jpeg にしてください: ") +
                      shownPath(output));
        return 1;
    }
    if (!definition.isEmpty()) {
        QStringList lines;
        if (!QslDefinition::readLines(definition, lines)) {
            printLine(err, QStringLiteral("sendvik-cli: QSL定義ファイルを読めません: ") +
                               shownPath(definition));
            return 1;
        }
        if (!QslDefinition::hasDrawingCommand(lines)) {
            printLine(err,
                      QStringLiteral("sendvik-cli: %1 はQSL定義ファイルではありません（#Print, "
                                     "#Jpg, #Text などの描画命令がありません）")
                          .arg(shownPath(definition)));
            return 1;
        }
    }

    TZkwIni settings(paths.settingsFile());
    MainState state;
    state.load(settings, paths);
    EnvironmentSettings environment;
    environment.load(settings, true);
    QString definitionPath = DefinitionChoice::storedPath(settings, state.programDir);
    if (!definition.isEmpty()) {
        state.options.expertMode = true;
        definitionPath = QDir::current().absoluteFilePath(definition);
    }

    ZkwHandle log;
    if (ZelkovOpen(0, log, state.qsoData, 0) != 0) {
        printLine(err, QStringLiteral("sendvik-cli: QSOデータを開けません: ") + log.errorText);
        return 1;
    }
    const std::optional<int> number = recordArgument(args[0], log.recordCount, err);
    if (!number) {
        ZelkovClose(log, 0);
        return 1;
    }
    const int recno = *number;
    if (ZKW_read(log, recno, read_mode::Card) != 0) {
        printLine(err, QStringLiteral("sendvik-cli: レコード %1 を読めません: %2")
                           .arg(QString::number(recno), shownPath(state.qsoData)));
        ZelkovClose(log, 0);
        return 1;
    }
    const QsoRecord qso = log.rec;
    ZelkovClose(log, 0);
    const std::optional<QStringList> candidate = candidateOf(qso, recno);
    if (!candidate) {
        printLine(err, QStringLiteral("sendvik-cli: レコード %1 の日付または時刻が不正です！ "
                                      "電子QSLは作成しません")
                           .arg(recno));
        return 1;
    }

    QrModule qr;
    QslDefinition interpreter(&qr);
    CardComposer composer(state.cardInputs(environment, definitionPath), interpreter);
    const auto work = newWorkFolder();
    composer.outputDir = work->path();
    const CardComposer::Result card = composer.ComposeCard(*candidate);
    if (card.path == u"-" || !card.text) return 1;
    // Written whole before it takes the place of an older file of that name.
    QString why;
    if (!copyWholeFile(card.path, output, FileSync::Now, &why)) {
        printLine(err, QStringLiteral("sendvik-cli: 電子QSLが保存できません: %1（%2）")
                           .arg(shownPath(output), why));
        return 1;
    }
    printLine(out, card.text->fileName);
    printLine(out, card.text->subject);
    printLine(out, card.text->xMailer);
    for (const QString& line : card.text->lines)
        printLine(out, line);
    return 0;
}
