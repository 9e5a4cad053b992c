// The entry of sendvik-setup, the installer and uninstaller:
//   sendvik-setup [V<version>]   install from the folder it lies in
//   sendvik-setup r              uninstall (asks first)
//   sendvik-setup x PATH         uninstall the installation of PATH (the second stage)
//   sendvik-setup c NAME/PROGRAM/FOLDER
//                                copy the files into FOLDER, no questions, and put a
//                                desktop shortcut NAME to its PROGRAM

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_message_port.h"
#include "platform/window_link.h"
#include "server/setup_archive.h"
#include "setup/installation.h"
#include "setup/setup_registry.h"
#include "setup/ui/setup_wizard.h"
#include "setup/ui/uninstall_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTextStream>
#include <QThread>

namespace {

bool programRuns() {
    return platform::LinkWindow::findWindow(QStringLiteral("TZkvmQSL")) > 1;
}

int install(const QString& setupPath, const QString& version) {
    // Not while the program runs. Started by the program's own update, the
    // installer gives it a moment to end.
    QElapsedTimer waited;
    waited.start();
    while (programRuns() && waited.elapsed() < 5000)
        QThread::msleep(200);
    while (programRuns()) {
        if (ShowMsgBox(nullptr,
                       QStringLiteral(
                           "インストールできません！\r\rZELKOV E-Mail QSL を終了させてください！"),
                       kProgramTitle, mb::OkCancel | mb::IconExclamation) != mb::IdOk)
            return 1;
    }
    if (ShowMsgBox(nullptr,
                   QStringLiteral("電子QSLアプリケーション「ZELKOV E-Mail QSL%1」をご利用いただき"
                                  "ありがとうございます。\r\rこのソフトウェアの使用によって生じた"
                                  "いかなる損害についても、作者は責任を負いません。\r"
                                  "ご質問はサービスのオンラインヘルプのフォーラムへどうぞ。\r\r"
                                  "インストールを続けますか？")
                       .arg(version.isEmpty() ? QString() : u' ' + version),
                   kProgramTitle, mb::YesNo | mb::IconInformation) != mb::IdYes)
        return 1;
    // Nothing to install is no installation: said before anything is asked.
    if (const InstallList list = readInstallList(installListPath(setupPath));
        !list.error.isEmpty()) {
        ShowMsgBox(nullptr, list.error, kProgramTitle, mb::Ok | mb::IconStop);
        return 1;
    }
    SetupRegistry registry;
    TSetupWizard wizard({setupPath, version, registry, ShortcutPlaces::ofUser()});
    wizard.exec();
    return wizard.finishedCopying() && !wizard.failed() ? 0 : 1;
}

int uninstallFirstStage(const QString& setupPath) {
    if (ShowMsgBox(nullptr, kProgramTitle + QStringLiteral(" を削除します。"), kProgramTitle,
                   mb::OkCancel | mb::IconInformation | mb::DefButton2) != mb::IdOk)
        return 1;
    // The second stage runs from a copy outside the folder it empties, in a
    // private folder of its own.
    QString error;
    const std::optional<QString> copy = stageUninstaller(setupPath, &error);
    if (!copy || !QProcess::startDetached(*copy, {QStringLiteral("x"), setupPath},
                                          QFileInfo(*copy).absolutePath())) {
        if (copy) QDir(QFileInfo(*copy).absolutePath()).removeRecursively();
        ShowMsgBox(nullptr,
                   QStringLiteral("アンインストールに失敗しました。手動で削除してください。") +
                       (error.isEmpty() ? QString() : QStringLiteral("\r\r") + error),
                   kProgramTitle, mb::Ok | mb::IconStop);
        return 1;
    }
    return 0;
}

int uninstallSecondStage(const QString& installedSetup) {
    const QFileInfo setup(installedSetup);
    SetupRegistry registry;
    UninstallResult r;
    TUninstallDialog window([&] {
        r = uninstallFrom(
            setup.absolutePath() + u'/', setup.fileName(), registry, ShortcutPlaces::ofUser(),
            [](const QString& path) {
                // The log's data gets the stronger look of a warning.
                const QString question = leftFileQuestion(path);
                QMessageBox box(question.endsWith(QStringLiteral("（※QSOデータです！！）"))
                                    ? QMessageBox::Warning
                                    : QMessageBox::Question,
                                QStringLiteral("削除の確認"), question, QMessageBox::NoButton,
                                // Over the uninstall's window, which asks.
                                QApplication::activeWindow());
                QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
                QPushButton* all =
                    box.addButton(QStringLiteral("すべて削除(&A)"), QMessageBox::YesRole);
                box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
                QPushButton* cancel =
                    box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
                box.exec();
                if (box.clickedButton() == yes) return DeleteAnswer::Yes;
                if (box.clickedButton() == all) return DeleteAnswer::All;
                if (box.clickedButton() == cancel) return DeleteAnswer::Cancel;
                return DeleteAnswer::No;
            },
            [](const QString& failure) {
                ShowMsgBox(nullptr, failure, kProgramTitle + QStringLiteral("の削除"),
                           mb::Ok | mb::IconStop);
            });
        return r.summary;
    });
    window.runAndWait();
    // The staged copy this runs from goes with its folder.
    const QString stage = uninstallerStageOf(QCoreApplication::applicationFilePath());
    if (!stage.isEmpty()) QDir(stage).removeRecursively();
    return r.everythingRemoved ? 0 : 1;
}

int copyMode(const QString& setupPath, const QString& text) {
    QTextStream err(stderr);
    const std::optional<CopyModeRequest> request = copyModeRequestOf(text);
    if (!request) {
        err << "sendvik-setup: c NAME/PROGRAM/FOLDER expected, got \"" << text << "\"\n";
        return 2;
    }
    const InstallList list = readInstallList(installListPath(setupPath));
    if (!list.error.isEmpty()) {
        err << "sendvik-setup: " << list.error << '\n';
        return 1;
    }
    const QStringList errors = copyModeInstall(QFileInfo(setupPath).absolutePath(), list, *request,
                                               ShortcutPlaces::ofUser());
    for (const QString& e : errors)
        err << "sendvik-setup: " << e << '\n';
    return errors.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The silent copy needs no display.
    if (argc >= 2 && (qstrcmp(argv[1], "c") == 0 || qstrcmp(argv[1], "/c") == 0)) {
        QCoreApplication app(argc, argv);
        const QStringList args = QCoreApplication::arguments().mid(2);
        return copyMode(QCoreApplication::applicationFilePath(), args.join(u' '));
    }
    QApplication app(argc, argv);
    setUpApplication(app);
    GuiMessagePort port;
    ScopedMessagePort installed(&port);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString setupPath = QCoreApplication::applicationFilePath();
    const SetupCommand command = setupCommandOf(args);
    if (command.action == SetupCommand::Uninstall) return uninstallFirstStage(setupPath);
    if (command.action == SetupCommand::UninstallStaged)
        return uninstallSecondStage(command.argument);
    const int result = install(setupPath, command.argument);
    // Started by the program's update from a private unpacked copy: that
    // copy is not needed any more.
    const QString privateFolder = updateFolderOf(setupPath);
    if (!privateFolder.isEmpty()) QDir(privateFolder).removeRecursively();
    return result;
}
