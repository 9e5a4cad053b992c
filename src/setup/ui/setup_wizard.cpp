#include "setup/ui/setup_wizard.h"

#include "core/msg_box.h"
#include "core/ui/browse_for_folder.h"
#include "setup/setup_registry.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Page { FolderPage = 100, CopyPage = 103, OptionsPage = 107 };

}  // namespace

TSetupWizard::TSetupWizard(const SetupWizardParts& parts, QWidget* parent)
    : QWizard(parent), parts_(parts) {
    setObjectName(QStringLiteral("SetupWizard"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    setOption(QWizard::NoCancelButton, false);
    previous_ = readPreviousInstallation(parts_.registry);
    options_ = previous_.options;
    list_ = readInstallList(installListPath(parts_.setupPath));
    setWindowTitle(kProgramTitle + parts_.version + QStringLiteral(" のインストール"));

    auto* folderPage = new QWizardPage(this);
    folderPage->setObjectName(QStringLiteral("Page100"));
    folderPage->setTitle(kProgramTitle + QStringLiteral("のインストール先を指定してください。"));
    auto* folderLayout = new QVBoxLayout(folderPage);
    auto* row = new QHBoxLayout;
    Edit1 = new QLineEdit(previous_.folder, folderPage);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(259);
    auto* browse = new QPushButton(QStringLiteral("参照(&B)..."), folderPage);
    browse->setObjectName(QStringLiteral("Browse1"));
    connect(browse, &QPushButton::clicked, this, [this] {
        QString folder = Edit1->text();
        if (BrowseForFolder(kProgramTitle + QStringLiteral("のインストール先"), folder))
            Edit1->setText(folder);
    });
    row->addWidget(Edit1, 1);
    row->addWidget(browse);
    folderLayout->addLayout(row);
    folderLayout->addWidget(new QLabel(
        QStringLiteral(
            "注意：\nZELKOV E-Mail QSLが起動中の場合は、終了させてから「次へ」を押してください。\n"
            "既存の設定情報は、そのまま使うことができます。"),
        folderPage));
    setPage(FolderPage, folderPage);

    auto* optionsPage = new QWizardPage(this);
    optionsPage->setObjectName(QStringLiteral("Page107"));
    auto* optionsLayout = new QVBoxLayout(optionsPage);
    CheckBox1 = new QCheckBox(QStringLiteral("スタートメニューに登録する"), optionsPage);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(options_ & setup_option::StartMenu);
    CheckBox2 =
        new QCheckBox(QStringLiteral("デスクトップにショートカットを作成する"), optionsPage);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(options_ & setup_option::Desktop);
    optionsLayout->addWidget(CheckBox1);
    optionsLayout->addWidget(CheckBox2);
    setPage(OptionsPage, optionsPage);

    auto* copyPage = new QWizardPage(this);
    copyPage->setObjectName(QStringLiteral("Page103"));
    copyPage->setFinalPage(true);
    auto* copyLayout = new QVBoxLayout(copyPage);
    copyText_ = new QLabel(QStringLiteral("ファイルをコピーしています..."), copyPage);
    copyText_->setObjectName(QStringLiteral("CopyText"));
    copyText_->setWordWrap(true);
    ProgressBar1 = new QProgressBar(copyPage);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    copyLayout->addWidget(copyText_);
    copyLayout->addWidget(ProgressBar1);
    setPage(CopyPage, copyPage);
    connect(this, &QWizard::currentIdChanged, this, [this](int id) {
        if (id == CopyPage) {
            button(QWizard::BackButton)->setEnabled(false);
            button(QWizard::FinishButton)->setEnabled(false);
            button(QWizard::CancelButton)->setEnabled(false);
            QTimer::singleShot(300, this, [this] { startCopy(); });
        }
    });
    setStartId(FolderPage);
}

int TSetupWizard::nextId() const {
    switch (currentId()) {
        case FolderPage: return OptionsPage;
        case OptionsPage: return CopyPage;
        default: return -1;
    }
}

bool TSetupWizard::validateCurrentPage() {
    if (currentId() == FolderPage) {
        QString message;
        const std::optional<QString> folder = installFolderOf(Edit1->text(), &message);
        if (!folder) {
            ShowMsgBox(this, message, kProgramTitle, mb::Ok | mb::IconStop);
            return false;
        }
        // The folder must be one the installer can make.
        const bool existed = QFileInfo(*folder).isDir();
        if (!existed) {
            if (QFileInfo(QDir::cleanPath(*folder)).exists()) {
                ShowMsgBox(
                    this,
                    *folder +
                        QStringLiteral(
                            " - 同じ名前のファイルが既に存在するのでフォルダが作成できません。"),
                    kProgramTitle, mb::Ok | mb::IconStop);
                return false;
            }
            if (!QDir().mkpath(*folder)) {
                ShowMsgBox(this, *folder + QStringLiteral(" のフォルダ作成に失敗しました。"),
                           kProgramTitle, mb::Ok | mb::IconStop);
                return false;
            }
            QDir().rmdir(*folder);
        }
        const QString question = freeSpaceQuestion(parts_.freeSpace(*folder));
        if (!question.isEmpty() &&
            ShowMsgBox(this, question, kProgramTitle, mb::YesNo | mb::IconQuestion) != mb::IdYes)
            return false;
        folder_ = *folder;
        return true;
    }
    if (currentId() == OptionsPage) {
        options_ = (CheckBox1->isChecked() ? setup_option::StartMenu : 0) |
                   (CheckBox2->isChecked() ? setup_option::Desktop : 0);
        return true;
    }
    return QWizard::validateCurrentPage();
}

void TSetupWizard::startCopy() {
    step_ = 0;
    ProgressBar1->setRange(0, static_cast<int>(list_.files.size()) + 3);
    copyStep();
}

// One entry copied (with its mode and time); a failure is remembered by name.
void TSetupWizard::copied(const InstallEntry& entry,
                          const std::function<bool(const QString&)>& keepChanged) {
    const QString setupFolder = QFileInfo(parts_.setupPath).absolutePath();
    if (copyInstallEntry(setupFolder, folder_, entry, keepChanged)) return;
    failed_ = true;
    notCopied_ << QDir::toNativeSeparators(QDir(folder_).filePath(entry.target));
}

void TSetupWizard::copyStep() {
    const int entries = static_cast<int>(list_.files.size());
    const QString setupFolder = QFileInfo(parts_.setupPath).absolutePath();
    const QString setupName = QFileInfo(parts_.setupPath).fileName();
    if (step_ == 0) {
        if (!QDir().mkpath(folder_)) failed_ = true;
    } else if (step_ == 1) {
        copied({setupName, setupName}, {});
    } else if (step_ == 2) {
        const QString inf = QFileInfo(installListPath(parts_.setupPath)).fileName();
        copied({inf, inf}, {});
    } else if (step_ - 3 < entries) {
        copied(list_.files[static_cast<size_t>(step_ - 3)], [this](const QString& target) {
            return ShowMsgBox(this, keepChangedQuestion(target), kProgramTitle,
                              mb::YesNo | mb::IconQuestion) == mb::IdYes;
        });
    } else {
        // A broken installation gets no shortcuts and no uninstall entry of
        // this run: the ones of an earlier, whole one stay.
        if (!failed_) {
            failed_ |= !createShortcuts(parts_.places, list_, folder_, options_);
            writeUninstallEntry(parts_.registry, folder_, setupName, options_);
            failed_ |= !parts_.registry.flush();
        }
        ProgressBar1->hide();
        copyText_->setText(messageDisplayText(
            failed_ ? QStringLiteral("インストール中にエラーが発生しました。") +
                          (notCopied_.isEmpty()
                               ? QString()
                               : QStringLiteral("\r\rコピーできなかったファイル：\r") +
                                     QStringList(notCopied_.mid(0, 10)).join(u'\r') +
                                     (notCopied_.size() > 10 ? QStringLiteral("\r・・・ほか %1件")
                                                                   .arg(notCopied_.size() - 10)
                                                             : QString()))
                    : QStringLiteral("インストールが完了しました。今後ともよろしくです。\r\r"
                                     "　　電子QSLで楽しい交信を！　73 de 作者\r\r"
                                     "初めて ZELKOV E-Mail QSL を起動したときは、[オプション] →\r\r"
                                     "[通信設定] を実行してください。")));
        copied_ = true;
        button(QWizard::FinishButton)->setEnabled(true);
        return;
    }
    ProgressBar1->setValue(++step_);
    QTimer::singleShot(0, this, [this] { copyStep(); });
}
