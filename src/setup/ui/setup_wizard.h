#pragma once
// The installer's wizard: the install folder (checked, made, its free space
// asked about), the shortcuts, and the copy of the file list's entries with
// its progress, the shortcuts and the uninstall entry at the end.

#include "setup/installation.h"

#include <QStringList>
#include <QWizard>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class SetupRegistry;

struct SetupWizardParts {
    QString setupPath;  // this program
    QString version;    // "V..." of the command line, may be empty
    SetupRegistry& registry;
    ShortcutPlaces places;
    // The free bytes of the file system that holds a folder.
    std::function<qint64(const QString& folder)> freeSpace = freeBytesAt;
};

class TSetupWizard : public QWizard {
    Q_OBJECT
public:
    explicit TSetupWizard(const SetupWizardParts& parts, QWidget* parent = nullptr);

    bool failed() const { return failed_; }
    bool finishedCopying() const { return copied_; }

    bool validateCurrentPage() override;
    // The folder, the options, the copy.
    int nextId() const override;

private:
    void startCopy();
    void copyStep();
    void copied(const InstallEntry& entry, const std::function<bool(const QString&)>& keepChanged);

    SetupWizardParts parts_;
    PreviousInstallation previous_;
    InstallList list_;
    QString folder_;
    int options_ = setup_option::StartMenu | setup_option::Desktop;
    bool failed_ = false;
    QStringList notCopied_;  // the files this run could not copy
    bool copied_ = false;
    int step_ = 0;
    QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QLabel* copyText_ = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};
