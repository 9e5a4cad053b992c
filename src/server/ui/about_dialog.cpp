#include "server/ui/about_dialog.h"

#include "platform/shell.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/browse_for_folder.h"
#include "core/ui/widget_names.h"
#include "core/window_state.h"
#include "server/httplib.h"
#include "server/server_payload.h"
#include "server/setup_archive.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

using namespace Qt::StringLiterals;

TAbForm::TAbForm(const AboutInfo& info, THTTPDown& http, QString serverBase, WindowState& places,
                 QString programDir, QWidget* parent)
    : QDialog(parent),
      http_(http),
      serverBase_(std::move(serverBase)),
      places_(places),
      programDir_(std::move(programDir)),
      programPath_(info.programPath) {
    setObjectName(u"AbForm"_s);
    setWindowTitle(u"バージョン情報"_s);
    Label1 = named(new QLabel(this), "Label1");
    Label1->setText(messageDisplayText(aboutText(info)));
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label1->move(16, 16);
    Label2 = named(new QLabel(this), "Label2");
    Label2->hide();
    Speed1 = named(new QPushButton(u"最新バージョンの確認"_s, this), "Speed1");
    Speed1->setProperty("tag", 0);
    BitBtn1 = named(new QPushButton(u"OK"_s, this), "BitBtn1");
    BitBtn1->setDefault(true);
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();
    connect(Speed1, &QPushButton::clicked, this, &TAbForm::Speed1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAbForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitToText();
}

// The box grows to its text: the buttons 26 pixels under it, 10 below them.
void TAbForm::fitToText() {
    Label1->adjustSize();
    const int top = Label1->geometry().bottom() + 26;
    Speed1->adjustSize();
    BitBtn1->adjustSize();
    Speed1->move(16, top);
    BitBtn1->move(Speed1->geometry().right() + 16, top);
    const int width =
        std::max({Label1->geometry().right() + 16, BitBtn1->geometry().right() + 16, 360});
    int height = Speed1->geometry().bottom() + 10;
    if (Label2->isVisible()) {
        Label2->adjustSize();
        Label2->move(16, top + 56);
        height = top + 104;
        ProgressBar1->setGeometry(16, top + 36, width - 32, 16);
    }
    setFixedSize(width, height);
}

void TAbForm::Speed1Click() {
    pressResult_ = 2;  // cancel, unless the press succeeds
    Speed1->setEnabled(false);
    if (Speed1->property("tag").toInt() == 0)
        check();
    else
        download();
    Speed1->setEnabled(true);
    if (pressResult_ == 0) return;
    done(pressResult_);
}

void TAbForm::check() {
    http_.Reset();
    if (http_.Request(serverBase_ + u"tgw/Sendvik.html"_s) != 200) return;
    homePage_ = normalizeLineBreaks(http_.reply);
    const std::optional<QString> date = findBuildDate(homePage_);
    if (!date) {
        ShowMsgBox(this, u"ダウンロード情報が見つかりません！"_s, serverBase_, mb::IconStop);
        return;
    }
    Label2->setText(messageDisplayText(buildDateMessage(*date, app::buildDate())));
    Label2->show();
    fitToText();
    Speed1->setText(u"ダウンロード開始"_s);
    Speed1->setProperty("tag", 1);
    pressResult_ = 0;
}

void TAbForm::download() {
    const std::optional<QString> path = downloadPath(homePage_);
    if (!path) {
        ShowMsgBox(this, u"ダウンロード情報が見つかりません！"_s, serverBase_, mb::IconStop);
        return;
    }
    // A program the package manager installed is updated by it; only a
    // package offered for download would do.
    if (!path->endsWith(u".deb"_s, Qt::CaseInsensitive) &&
        platform::installedByPackageManager(programPath_)) {
        ShowMsgBox(this,
                   u"このプログラムはパッケージ（deb）からインストールされています。\r\r"
                   u"新しいバージョンへの更新は、パッケージ管理（apt など）で行ってください。"_s,
                   app::title(), mb::IconInformation);
        return;
    }
    QString folder = places_.downloadFolder(programDir_);
    if (!BrowseForFolder(u"最新版のダウンロード"_s, folder)) return;
    const QString target = downloadTarget(folder, *path);

    ProgressBar1->setValue(0);
    ProgressBar1->show();
    http_.Reset();
    http_.toFile = true;
    http_.target = target;
    http_.contentLength = 10;
    http_.progress = [this](qint64 total, qint64 length) {
        if (length > 0)
            ProgressBar1->setValue(int(std::lround(double(total) * 90.0 / double(length))));
    };
    const int result = http_.Request(serverBase_ + u"tgw/"_s + *path);
    ProgressBar1->setValue(ProgressBar1->maximum());
    ProgressBar1->hide();
    if (result != 200) {
        ShowMsgBox(this, u"ダウンロードできませんでした。"_s, app::title(), mb::IconInformation);
        return;
    }
    places_.setDownloadFolder(QFileInfo(target).absolutePath());
    // The program ends for the installer only when there is one to run here
    // (a Windows setup file cannot replace this program).
    const bool setupArchive = isSetupArchive(target);
    if (!setupArchive && !platform::isInstallablePackage(target)) {
        ShowMsgBox(this,
                   u"ダウンロードしました。\r\r"_s + QDir::toNativeSeparators(target) +
                       u"\r\rこのファイルはこのパソコンではインストールできません。"_s,
                   app::title(), mb::IconInformation);
        return;
    }
    if (ShowMsgBox(this, u"インストールを開始しますか？"_s, app::title(),
                   mb::YesNo | mb::IconQuestion) == mb::IdNo)
        return;
    if (setupArchive) {
        // The installer replaces this program's files: it runs from a
        // private copy of the archive's folder while the program ends.
        const UnpackedSetup started = startSetupFromArchive(target);
        if (started.setupProgram.isEmpty()) {
            ShowMsgBox(this, started.error + u"\r\rインストールを開始できませんでした。"_s,
                       app::title(), mb::IconStop);
            return;
        }
    } else if (!ShellOpen(target)) {
        return;  // not started: the program stays
    }
    pressResult_ = kInstallerStarted;
}
