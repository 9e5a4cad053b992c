#include "archive/ui/backup_dialog.h"

#include "core/ui/browse_for_folder.h"
#include "core/ui/gui_progress_port.h"
#include "core/zkw_ini.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

TForm2::TForm2(TZkwIni& settings, const QString& settingsFile, const CardFolders& folders,
               QWidget* parent)
    : QDialog(parent), settings_(settings), settingsFile_(settingsFile), folders_(folders) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("電子QSLのバックアップ"));
    backup_.load(settings_);

    auto* layout = new QVBoxLayout(this);
    // The window fits what it shows: the bar that comes and goes during a
    // run leaves no gap behind.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Label1 = new QLabel(QDir::toNativeSeparators(backup_.folder), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFrameShape(QFrame::StyledPanel);
    // The path keeps its one line whatever else comes and goes.
    Label1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(Label1);
    const auto box = [&](const char* name, const QString& caption, bool on) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(on);
        layout->addWidget(c);
        return c;
    };
    Check1 = box("Check1", QStringLiteral("送信済み電子QSLもバックアップ"), backup_.alsoSent);
    Check2 = box("Check2", QStringLiteral("受信QslMsg.TXTもバックアップ"), backup_.alsoTexts);
    Check3 = box("Check3", QStringLiteral("終了時にバックアップ"), backup_.atExit);
    Progress1 = new QProgressBar(this);
    Progress1->setObjectName(QStringLiteral("Progress1"));
    Progress1->hide();
    layout->addWidget(Progress1);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    Speed1 = button("Speed1", QStringLiteral("バックアップ"));
    Speed2 = button("Speed2", QStringLiteral("フォルダ設定"));
    Speed2->setToolTip(QStringLiteral("Shift＋クリックで初期フォルダ"));
    BitBtn1 = button("BitBtn1", QStringLiteral("閉じる"));
    layout->addLayout(buttons);
    connect(Speed1, &QPushButton::clicked, this, [this] { Speed1Click(); });
    connect(Speed2, &QPushButton::clicked, this,
            [this] { Speed2Click(QApplication::keyboardModifiers() & Qt::ShiftModifier); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);
    // The bar reports through the port; its status line is not shown.
    auto* status = new QStatusBar(this);
    status->hide();
    progress_ = std::make_unique<GuiProgressPort>(*Progress1, *status);
    setMinimumWidth(420);
}

TForm2::~TForm2() = default;

void TForm2::Speed1Click() {
    if (running_) {
        progress_->requestAbort();
        return;
    }
    running_ = true;
    backup_.alsoSent = Check1->isChecked();
    backup_.alsoTexts = Check2->isChecked();
    backup_.atExit = Check3->isChecked();
    Speed2->setEnabled(false);
    BitBtn1->setEnabled(false);
    Speed1->setText(QStringLiteral("中　断"));
    // From the menu: the settings file and the received cards (scope 0).
    const BackupResult result = runBackup(backup_, settingsFile_, folders_, 0, progress_.get());
    Speed1->setText(QStringLiteral("バックアップ"));
    Speed2->setEnabled(true);
    BitBtn1->setEnabled(true);
    running_ = false;
    if (result.folderMissing || result.aborted) return;
    backup_.counts = result.looked;
    backup_.saveCounts(settings_);
    close();
}

BackupResult TForm2::runAtExit(int activity) {
    running_ = true;
    const BackupResult result = runBackup(backup_, settingsFile_, folders_, activity, nullptr);
    running_ = false;
    return result;
}

void TForm2::Speed2Click(bool shift) {
    QString folder = shift ? BackupSettings::defaultFolder() : backup_.folder;
    if (!BrowseForFolder(QStringLiteral("バックアップ フォルダの選択"), folder)) return;
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    backup_.folder = folder;
    Label1->setText(QDir::toNativeSeparators(folder));
    backup_.saveFolder(settings_);
}

void TForm2::FormClose() {
    backup_.alsoSent = Check1->isChecked();
    backup_.alsoTexts = Check2->isChecked();
    backup_.atExit = Check3->isChecked();
    backup_.save(settings_);
}

void TForm2::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    FormClose();
    QDialog::closeEvent(event);
}

void TForm2::reject() {
    if (running_) return;  // Esc does not leave a run
    FormClose();
    QDialog::reject();
}

TForm4::TForm4(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form4"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* text = new QLabel(QStringLiteral("NOVQバックアップ中..."), this);
    QFont font = text->font();
    font.setPixelSize(27);
    text->setFont(font);
    text->setStyleSheet(QStringLiteral("color: red;"));
    setStyleSheet(QStringLiteral("background: aqua;"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(text);
    adjustSize();
    QPainterPath rounded;
    rounded.addRoundedRect(rect(), 16, 16);  // 32-pixel corner ellipses
    setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
