#include "settings/provider_presets.h"

#include "core/sjis.h"
#include "settings/comm_settings.h"

#include <QFile>

using namespace Qt::StringLiterals;

QString ProviderPreset::name() const {
    const qsizetype paren = caption.indexOf(u'(');
    return paren >= 0 ? caption.left(paren) : caption;
}

ProviderPresets ProviderPresets::parse(const QString& text) {
    ProviderPresets presets;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const QStringList f = line.split(u'\t');
        bool ok = false;
        ProviderPreset p;
        p.tag = f[0].toInt(&ok);
        if (!ok || p.tag <= 0 || f.size() < 3) continue;
        p.caption = f[1].trimmed();
        p.domain = f[2].trimmed();
        p.smtpHost = f.value(3).trimmed();
        p.pop3Host = f.value(4).trimmed();
        presets.items_.append(p);
    }
    return presets;
}

ProviderPresets ProviderPresets::load(const QString& overridePath) {
    if (!overridePath.isEmpty()) {
        QFile own(overridePath);
        if (own.open(QIODevice::ReadOnly)) {
            ProviderPresets presets = parse(sjis::decodeUserText(own.readAll()));
            if (!presets.items_.isEmpty()) return presets;
        }
    }
    QFile builtIn(u":/settings/providers.txt"_s);
    builtIn.open(QIODevice::ReadOnly);
    return parse(QString::fromUtf8(builtIn.readAll()));
}

const ProviderPreset* ProviderPresets::item(int tag) const {
    for (const ProviderPreset& p : items_)
        if (p.tag == tag) return &p;
    return nullptr;
}

const ProviderPreset* ProviderPresets::row(int tag) const {
    return item(tag > 100 ? 1 : tag);
}

bool ProviderPresets::apply(int tag, CommSettings& s) const {
    const ProviderPreset* own = item(tag);
    const ProviderPreset* table = row(tag);
    if (!own || !table) return false;
    const qsizetype at = s.mailAddress.indexOf(u'@');
    const QString local = (s.mailAddress.size() <= 4 || at < 1) ? s.call : s.mailAddress.left(at);
    s.mailAddress = local + (tag > 100 ? own->domain : table->domain);
    s.account = tag == 102 ? local : QString();
    const QString domain = s.mailAddress.mid(s.mailAddress.indexOf(u'@') + 1);
    if (tag == 9) {
        s.smtpHost = s.pop3Host = domain;
    } else if (tag == 102) {
        s.smtpHost = own->smtpHost;
        s.pop3Host = own->pop3Host;
    } else {
        s.smtpHost = table->smtpHost;
        s.pop3Host = table->pop3Host;
    }
    const bool startTls = tag == 2 || tag == 7 || tag == 9;
    s.smtpPort = startTls ? u"587"_s : u"465"_s;
    s.smtpSsl = startTls ? tlsValueAt(2) : tlsValueAt(1);
    s.pop3Port = u"995"_s;
    s.pop3Ssl = tlsValueAt(1);
    s.smtpAuth = 5;
    s.maskPassword = false;
    s.separateSmtp = false;
    s.apop = false;
    return true;
}
