#pragma once
// What the communication settings window does, without the window: the
// address re-entry, the send and receive tests against the real mail
// servers, saving with the registration decision, the withdrawal, the
// registration status page, provider presets and the password generator.
// The window binds its fields to `settings` and answers the session's
// questions (View). The mail tests run off the calling thread: the window
// stays responsive meanwhile.

#include "settings/comm_settings.h"
#include "settings/provider_presets.h"

#include <QString>

class THTTPDown;
class TZkwIni;
struct EnvironmentSettings;

// What a session works with; the entry builds them for the whole run. The
// environment settings give the server's address at each request and take
// the preset's mail limit.
struct CommSessionParts {
    TZkwIni& settings;
    THTTPDown& http;
    EnvironmentSettings& environment;
    ProviderPresets presets;
};

class CommSession {
public:
    enum class Field { MailAddress, Account, Call };
    enum class Outcome { StayOpen, Close };

    // What the session asks of the window that shows it.
    class View {
    public:
        // The re-entry dialog: true when the person typed the address again
        // and it passed the checks.
        virtual bool askAddressAgain() = 0;
        // Moves the focus to a field of the window.
        virtual void focus(Field field) = 0;
        // The hourglass on or off around the mail tests.
        virtual void busy(bool on) = 0;

    protected:
        virtual ~View() = default;
    };

    CommSession(const CommSessionParts& parts, View& view);

    CommSettings settings;
    int presetIndex = 0;
    PasswordGenerator generator;
    QString testIdentifier;  // of the last send test

    // Loading (every show of the window starts here) and the show itself.
    void load();
    void shown(std::uint32_t tick);

    // MailEdit changed: the state and the preset's derived fields. Returns
    // whether the re-entry button is enabled.
    bool mailAddressEdited(const QString& text);

    // Speed3, also started by the tests and by saving.
    void reenterAddress();
    // Speed1 and Speed4; true when the test passed.
    bool sendTest();
    bool receiveTest();
    // Speed2.
    void registrationStatus();
    // OkButton.
    Outcome saveAndRegister();
    // The menu's withdrawal.
    void withdraw();
    // A preset item (asks first); true when applied.
    bool applyPreset(int tag);
    // Speed6: the password, already put on the clipboard by the caller.
    QString generatePassword();
    void showGeneratedPassword(const QString& password) const;

    const ProviderPresets& presets() const { return presets_; }
    // The own call as saved (a cancelled window leaves it so).
    QString savedCall() const;

    // The help pages of the menu.
    QString helpAddress(bool examples) const;

private:
    bool tryRegister(const QString& address);
    void finish();
    QString serverBase() const;

    TZkwIni& ini_;
    THTTPDown& http_;
    EnvironmentSettings& environment_;
    ProviderPresets presets_;
    View& view_;
};
