#include "core/ui/font_msg_dialog.h"

#include "core/app_info.h"
#include "core/msg_dialog_layout.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <array>
#include <map>

namespace {

QString typeCaption(MsgDialogType type) {
    switch (type) {
        case MsgDialogType::Warning: return QStringLiteral("警告");
        case MsgDialogType::Error: return QStringLiteral("エラー");
        case MsgDialogType::Information: return QStringLiteral("情報");
        case MsgDialogType::Confirmation: return QStringLiteral("確認");
        case MsgDialogType::Custom: break;
    }
    return app::title();
}

QStyle::StandardPixmap typeIcon(MsgDialogType type) {
    switch (type) {
        case MsgDialogType::Warning: return QStyle::SP_MessageBoxWarning;
        case MsgDialogType::Error: return QStyle::SP_MessageBoxCritical;
        case MsgDialogType::Information: return QStyle::SP_MessageBoxInformation;
        default: return QStyle::SP_MessageBoxQuestion;
    }
}

// Caption widths, measured once per button kind and font size for the run.
int cachedButtonWidth(int result, const QFontMetrics& fm, int pointSize) {
    static std::map<std::pair<int, int>, int> cache;
    const auto key = std::make_pair(result, pointSize);
    auto it = cache.find(key);
    if (it == cache.end()) {
        QString caption = standardButtonCaption(result);
        caption.remove(u'&');
        it = cache.emplace(key, fm.horizontalAdvance(caption) + 8).first;
    }
    return it->second;
}

}  // namespace

QDialogButtonBox::StandardButton standardButton(int result) {
    switch (result) {
        case mb::IdYes: return QDialogButtonBox::Yes;
        case mb::IdNo: return QDialogButtonBox::No;
        case mb::IdOk: return QDialogButtonBox::Ok;
        case mb::IdCancel: return QDialogButtonBox::Cancel;
        case mb::IdAbort: return QDialogButtonBox::Abort;
        case mb::IdRetry: return QDialogButtonBox::Retry;
        case mb::IdIgnore: return QDialogButtonBox::Ignore;
        default: return QDialogButtonBox::NoButton;
    }
}

QString standardButtonCaption(int result) {
    QDialogButtonBox box;
    QPushButton* b = box.addButton(standardButton(result));
    return b ? b->text() : buttonName(result);
}

FontMsgDialog::FontMsgDialog(int cancelResult, QWidget* parent)
    : QDialog(parent), cancelResult_(cancelResult) {}

QPushButton* FontMsgDialog::button(int result) const {
    return findChild<QPushButton*>(buttonName(result));
}

void FontMsgDialog::reject() {
    // Abort/Retry/Ignore has no cancelling button: Esc does nothing there.
    if (button(cancelResult_)) done(cancelResult_);
}

std::unique_ptr<FontMsgDialog> CreateFontMsgDialog(const QString& text, MsgDialogType type,
                                                   const std::vector<int>& buttons, int fontSize) {
    const MsgButtonRoles roles = msgButtonRoles(buttons);
    const int byDefault = roles.defaultButton;
    auto dialog = std::make_unique<FontMsgDialog>(roles.cancelButton, nullptr);
    dialog->setObjectName(QStringLiteral("FontMsgDialog"));
    dialog->setWindowTitle(typeCaption(type));
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont font = QApplication::font();
    font.setPointSize(fontSize > 4 ? fontSize : 12);
    dialog->setFont(font);

    const QFontMetrics fm(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int cx = fm.horizontalAdvance(letters) / 52;
    const int cy = fm.height();
    const MsgDialogMetrics metrics = msgDialogMetrics(cx, cy);

    int buttonWidth = metrics.minButtonWidth;
    for (int b : buttons)
        buttonWidth = std::max(buttonWidth, cachedButtonWidth(b, fm, font.pointSize()));

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int maxTextWidth = screen ? screen->geometry().width() / 2 : 640;
    const QRect textRect =
        fm.boundingRect(QRect(0, 0, maxTextWidth, 0), Qt::TextWordWrap | Qt::TextExpandTabs, text);
    const bool hasIcon = type != MsgDialogType::Custom;
    const MsgDialogGeometry g = layoutMsgDialog(metrics, textRect.size(), hasIcon,
                                                static_cast<int>(buttons.size()), buttonWidth);

    if (hasIcon) {
        auto* image = new QLabel(dialog.get());
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(
            dialog->style()->standardIcon(typeIcon(type)).pixmap(kMsgIconSize, kMsgIconSize));
        image->setGeometry(g.icon);
    }
    auto* message = new QLabel(text, dialog.get());
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message->setGeometry(g.text);

    for (size_t i = 0; i < buttons.size(); ++i) {
        const int result = buttons[i];
        auto* b = new QPushButton(standardButtonCaption(result), dialog.get());
        b->setObjectName(buttonName(result));
        b->setGeometry(g.buttons[i]);
        b->setAutoDefault(true);
        b->setDefault(result == byDefault);
        FontMsgDialog* d = dialog.get();
        QObject::connect(b, &QPushButton::clicked, d, [d, result] { d->done(result); });
    }
    if (QPushButton* focus = dialog->button(byDefault)) focus->setFocus();
    dialog->setFixedSize(g.client);
    return dialog;
}
