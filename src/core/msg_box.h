#pragma once
// The one way a question or a message reaches the person. Flags and results
// keep the Windows message-box values, so callers compare results as they
// would with MessageBox; the installed message port decides how the message is
// shown (a dialog, a terminal prompt, a test script).

#include <QObject>
#include <QString>

#include <vector>

namespace mb {
// Button sets (flags & 7).
inline constexpr unsigned Ok = 0;
inline constexpr unsigned OkCancel = 1;
inline constexpr unsigned AbortRetryIgnore = 2;
inline constexpr unsigned YesNoCancel = 3;
inline constexpr unsigned YesNo = 4;
inline constexpr unsigned RetryCancel = 5;
// Icons (flags & 0x70).
inline constexpr unsigned IconStop = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconExclamation = 0x30;
inline constexpr unsigned IconInformation = 0x40;
// Default button.
inline constexpr unsigned DefButton2 = 0x100;
inline constexpr unsigned DefButton3 = 0x200;
// Results.
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdAbort = 3;
inline constexpr int IdRetry = 4;
inline constexpr int IdIgnore = 5;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;
}  // namespace mb

// The kind of dialog the icon bits ask for.
enum class MsgDialogType { Warning, Error, Information, Confirmation, Custom };

MsgDialogType dialogTypeForFlags(unsigned flags);

// The buttons of the program's own dialog and how they behave, from the flags.
struct MsgDialogPlan {
    MsgDialogType type = MsgDialogType::Custom;
    std::vector<int> buttons;  // results, in the order shown
    int defaultButton = 0;     // pressed by Enter
    int cancelButton = 0;      // pressed by Esc or by closing the window
    int focusButton = 0;       // has the focus when the dialog opens
};
MsgDialogPlan planMsgDialog(unsigned flags);

// Enter presses OK, else Yes, else Retry; Esc presses Cancel, else No, else OK.
struct MsgButtonRoles {
    int defaultButton = 0;
    int cancelButton = 0;
};
MsgButtonRoles msgButtonRoles(const std::vector<int>& buttons);

// The buttons of the system message box in their order, and the one that has
// the focus (MB_DEFBUTTONn picks the n-th, the first when out of range).
std::vector<int> systemBoxButtons(unsigned flags);
int systemBoxDefaultResult(unsigned flags);

// A button kind: its object name, and the key that picks it and its label
// on a terminal.
struct MsgButtonKind {
    int result;
    const char* name;
    char key;
    const char16_t* terminalLabel;
};
// Null for a result that is no button.
const MsgButtonKind* msgButtonKind(int result);
// The object name of a button kind ("Yes", "No", "OK", ...).
QString buttonName(int result);

// The message text as a window or terminal shows it: "\r" line breaks become
// new lines.
QString messageDisplayText(const QString& text);

struct MessageRequest {
    QObject* owner = nullptr;  // window to centre on; may be null
    QString text;              // "\r" separates lines
    QString caption;
    unsigned flags = 0;
    bool customDialog = false;  // the program's own dialog, else the system box
    int fontSize = 12;          // point size of the own dialog's text
};

class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual int showMessage(const MessageRequest& request) = 0;
    // The system's default beep.
    virtual void beep() {}
};

// Installs the port every ShowMsgBox goes through and returns the previous
// one. Without a port messages go to standard error and take the default.
MessagePort* installMessagePort(MessagePort* port);

class ScopedMessagePort {
public:
    explicit ScopedMessagePort(MessagePort* port) : previous_(installMessagePort(port)) {}
    ~ScopedMessagePort() { installMessagePort(previous_); }
    ScopedMessagePort(const ScopedMessagePort&) = delete;
    ScopedMessagePort& operator=(const ScopedMessagePort&) = delete;

private:
    MessagePort* previous_;
};

// A port for the calling thread alone, over the installed one, for work that
// runs off the window thread and must not open a box (a live preview records
// its errors instead).
class ScopedThreadMessagePort {
public:
    explicit ScopedThreadMessagePort(MessagePort* port);
    ~ScopedThreadMessagePort();
    ScopedThreadMessagePort(const ScopedThreadMessagePort&) = delete;
    ScopedThreadMessagePort& operator=(const ScopedThreadMessagePort&) = delete;

private:
    MessagePort* previous_;
};

// The switch between the system box (off) and the program's own dialog with
// an adjustable font (on), and that dialog's font size.
void SetMesCheck(bool on);
bool MesCheck();
// A size below 5 is taken as 12.
void SetMsgFontSize(int points);
int MsgFontSize();

int ShowMsgBox(QObject* owner, const QString& text, const QString& caption, unsigned flags);
// A message of the program's work, without an owner window, under its title.
int ShowProgramMessage(const QString& text, unsigned flags);
// Always the system box, whatever MesCheck says.
int ShowSystemMsgBox(QObject* owner, const QString& text, const QString& caption, unsigned flags);

// The system's default beep, through the installed port.
void Beep();
