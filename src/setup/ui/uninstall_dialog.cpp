#include "setup/ui/uninstall_dialog.h"

#include "core/msg_box.h"
#include "setup/installation.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TUninstallDialog::TUninstallDialog(std::function<QString()> work, QWidget* parent)
    : QDialog(parent), work_(std::move(work)) {
    setObjectName(QStringLiteral("UninstallDialog"));
    setWindowTitle(kProgramTitle + QStringLiteral("の削除"));
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("削除しています..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumSize(380, 80);
    layout->addWidget(Label1);
    BitBtn1 = new QPushButton(QStringLiteral("終了"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setEnabled(false);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

int TUninstallDialog::runAndWait() {
    // The window shows first, so that the person sees what is going on.
    QTimer::singleShot(300, this, [this] {
        const QString summary = work_();
        Label1->setText(messageDisplayText(summary));
        done_ = true;
        BitBtn1->setEnabled(true);
        BitBtn1->setDefault(true);
        BitBtn1->setFocus();
    });
    return exec();
}

void TUninstallDialog::reject() {
    if (done_) QDialog::reject();
}
