#include "core/msg_box.h"

#include "core/app_info.h"
#include "core/message_ports.h"

#include <algorithm>

namespace {

MessagePort* g_port = nullptr;
thread_local MessagePort* t_port = nullptr;
bool g_mesCheck = false;
int g_msgFontSize = 12;

bool has(const std::vector<int>& v, int id) {
    return std::find(v.begin(), v.end(), id) != v.end();
}

MessagePort& currentPort() {
    static StderrMessagePort fallback;
    if (t_port) return *t_port;
    return g_port ? *g_port : fallback;
}

}  // namespace

ScopedThreadMessagePort::ScopedThreadMessagePort(MessagePort* port) : previous_(t_port) {
    t_port = port;
}

ScopedThreadMessagePort::~ScopedThreadMessagePort() {
    t_port = previous_;
}

MsgDialogType dialogTypeForFlags(unsigned flags) {
    switch (flags & 0x70) {
        case mb::IconStop: return MsgDialogType::Error;
        case mb::IconQuestion: return MsgDialogType::Confirmation;
        case mb::IconExclamation: return MsgDialogType::Warning;
        case mb::IconInformation: return MsgDialogType::Information;
        default: return MsgDialogType::Custom;
    }
}

MsgDialogPlan planMsgDialog(unsigned flags) {
    using namespace mb;
    MsgDialogPlan plan;
    plan.type = dialogTypeForFlags(flags);
    std::vector<int> set;
    switch (flags & 7) {
        case OkCancel: set = {IdOk, IdCancel}; break;
        case AbortRetryIgnore: set = {IdAbort, IdRetry, IdIgnore}; break;
        case YesNoCancel: set = {IdYes, IdNo, IdCancel}; break;
        case YesNo: set = {IdYes, IdNo}; break;
        case RetryCancel: set = {IdRetry, IdCancel}; break;
        default: set = {IdOk}; break;
    }
    // The dialog always lays its buttons out in this order.
    for (int id : {IdYes, IdNo, IdOk, IdCancel, IdAbort, IdRetry, IdIgnore}) {
        if (has(set, id)) plan.buttons.push_back(id);
    }
    const MsgButtonRoles roles = msgButtonRoles(set);
    plan.defaultButton = roles.defaultButton;
    plan.cancelButton = roles.cancelButton;
    plan.focusButton = plan.defaultButton;
    // Second-button default: only when the dialog holds more than three parts
    // (icon, text, buttons), as the program always did.
    const size_t parts = plan.buttons.size() + 1 + (plan.type == MsgDialogType::Custom ? 0 : 1);
    if ((flags & DefButton2) && parts > 3) {
        if (has(set, IdNo))
            plan.focusButton = IdNo;
        else if (has(set, IdCancel))
            plan.focusButton = IdCancel;
    }
    return plan;
}

MsgButtonRoles msgButtonRoles(const std::vector<int>& buttons) {
    using namespace mb;
    MsgButtonRoles roles;
    roles.defaultButton = has(buttons, IdOk) ? IdOk : has(buttons, IdYes) ? IdYes : IdRetry;
    roles.cancelButton = has(buttons, IdCancel) ? IdCancel : has(buttons, IdNo) ? IdNo : IdOk;
    return roles;
}

std::vector<int> systemBoxButtons(unsigned flags) {
    using namespace mb;
    switch (flags & 7) {
        case OkCancel: return {IdOk, IdCancel};
        case AbortRetryIgnore: return {IdAbort, IdRetry, IdIgnore};
        case YesNoCancel: return {IdYes, IdNo, IdCancel};
        case YesNo: return {IdYes, IdNo};
        case RetryCancel: return {IdRetry, IdCancel};
        default: return {IdOk};
    }
}

int systemBoxDefaultResult(unsigned flags) {
    const std::vector<int> buttons = systemBoxButtons(flags);
    const size_t index = (flags >> 8) & 3;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

const MsgButtonKind* msgButtonKind(int result) {
    static const MsgButtonKind kinds[] = {
        {mb::IdYes, "Yes", 'Y', u"はい(Y)"},       {mb::IdNo, "No", 'N', u"いいえ(N)"},
        {mb::IdOk, "OK", 'O', u"OK(O)"},           {mb::IdCancel, "Cancel", 'C', u"キャンセル(C)"},
        {mb::IdAbort, "Abort", 'A', u"中止(A)"},   {mb::IdRetry, "Retry", 'R', u"再試行(R)"},
        {mb::IdIgnore, "Ignore", 'I', u"無視(I)"},
    };
    for (const MsgButtonKind& k : kinds)
        if (k.result == result) return &k;
    return nullptr;
}

QString buttonName(int result) {
    const MsgButtonKind* kind = msgButtonKind(result);
    return kind ? QString::fromLatin1(kind->name) : QString();
}

QString messageDisplayText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

MessagePort* installMessagePort(MessagePort* port) {
    MessagePort* previous = g_port;
    g_port = port;
    return previous;
}

void SetMesCheck(bool on) {
    g_mesCheck = on;
}

bool MesCheck() {
    return g_mesCheck;
}

void SetMsgFontSize(int points) {
    g_msgFontSize = points < 5 ? 12 : points;
}

int MsgFontSize() {
    return g_msgFontSize;
}

int ShowMsgBox(QObject* owner, const QString& text, const QString& caption, unsigned flags) {
    return currentPort().showMessage({owner, text, caption, flags, g_mesCheck, g_msgFontSize});
}

void Beep() {
    currentPort().beep();
}

int ShowSystemMsgBox(QObject* owner, const QString& text, const QString& caption, unsigned flags) {
    return currentPort().showMessage({owner, text, caption, flags, false, g_msgFontSize});
}

int ShowProgramMessage(const QString& text, unsigned flags) {
    return ShowMsgBox(nullptr, text, app::title(), flags);
}
