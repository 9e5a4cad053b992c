// The environment settings window, offscreen, by the controls' names.

#include "settings/ui/kankyo_dialog.h"
#include "core/msg_box.h"
#include "core/qso_time.h"
#include "core/zkw_ini.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class KankyoDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsStoredKeysAndSavesEdits() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Sendvik.ini"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "[Kankyo]\r\nCheck=1062\r\nQslVia=JB\r\nGosa=70\r\nOpName0=JA1ABC/"
            "1\r\nMsgFont=3\r\n\r\n");
        f.close();
        TZkwIni ini(path);
        EnvironmentSettings model;
        TSetQSL window(model, ini);
        window.Load(true);

        auto* utc = window.findChild<QComboBox*>(u"UtcCheck"_s);
        auto* miHakko = window.findChild<QCheckBox*>(u"MiHakko"_s);
        auto* qslS2 = window.findChild<QLineEdit*>(u"QslS2"_s);
        auto* mesCheck = window.findChild<QCheckBox*>(u"MesCheck"_s);
        QVERIFY(utc && miHakko && qslS2 && mesCheck);
        // 1062 = 0x426: UTC 2, MiHakko (4), ModeRcv (0x20), MesCheck (0x400).
        QCOMPARE(utc->currentIndex(), 2);
        QVERIFY(miHakko->isChecked());
        QVERIFY(qslS2->isEnabled());
        QVERIFY(mesCheck->isChecked());
        QCOMPARE(window.findChild<QLineEdit*>(u"QslVia"_s)->text(), u"JB"_s);
        QCOMPARE(window.findChild<QSpinBox*>(u"GosaMin"_s)->value(), 59);
        QCOMPARE(window.findChild<QSpinBox*>(u"SpinFnt"_s)->value(), 12);
        QCOMPARE(window.findChild<QComboBox*>(u"OpName"_s)->currentText(), u"JA1ABC/1"_s);
        QVERIFY(MesCheck());
        QCOMPARE(MsgFontSize(), 12);

        miHakko->setChecked(false);
        QVERIFY(!qslS2->isEnabled());
        window.findChild<QCheckBox*>(u"mFilter"_s)->setChecked(true);
        QVERIFY(!window.findChild<QLineEdit*>(u"DelOldEd"_s)->isEnabled());
        window.findChild<QCheckBox*>(u"mFilter"_s)->setChecked(false);
        auto* oldQso = window.findChild<QLineEdit*>(u"DelOldEd"_s);
        oldQso->setFocus();
        oldQso->setCursorPosition(0);
        QTest::keyClicks(oldQso, u"9912"_s);  // digits in overtype
        QCOMPARE(oldQso->text(), u"9912"_s);
        window.findChild<QLineEdit*>(u"QslVia"_s)->clear();
        QTest::keyClicks(window.findChild<QLineEdit*>(u"QslVia"_s), u"m"_s);  // upper case
        QTest::mouseClick(window.findChild<QPushButton*>(u"SaveButton"_s), Qt::LeftButton);

        TZkwIni stored(path);
        QCOMPARE(stored.readInteger(u"Kankyo", u"Check", 0), 1062 - 4);
        QCOMPARE(stored.readString(u"Kankyo", u"QslVia", {}), u"M"_s);
        QCOMPARE(stored.readString(u"Kankyo", u"OldQso", {}),
                 NowText(now_text::YyMm));  // not in the future
        QCOMPARE(stored.readString(u"Kankyo", u"Gosa", {}), u"59"_s);
        QCOMPARE(model.excludedRoutes, u"M"_s);
        SetMesCheck(false);
    }

    void fontsColourAndTheDateField() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Sendvik.ini"_s);
        TZkwIni ini(path);
        ini.writeString(u"Kankyo", u"ShowGo", u"24/3"_s);
        ini.writeString(u"Kankyo", u"FontName2", u"Old"_s);
        ini.writeInteger(u"Kankyo", u"FontSize2", 9);
        ini.writeInteger(u"Kankyo", u"JpSize", 7);
        ini.writeString(u"Option", u"Calls", u"ja1abc"_s);
        EnvironmentSettings model;
        TSetQSL window(model, ini);
        window.Load(true);
        QCOMPARE(window.findChild<QComboBox*>(u"fJpgSize"_s)->currentText(), u"1024x652"_s);
        auto* date = window.findChild<QLineEdit*>(u"ShoGoEd"_s);
        QCOMPARE(date->text(), u"24/3 /  "_s);

        // Saving without touching the fonts leaves them as stored.
        ini.writeString(u"Kankyo", u"FontName2", u"Kept"_s);
        window.Save();
        QCOMPARE(ini.readString(u"Kankyo", u"FontName2", {}), u"Kept"_s);

        int changes = 0;
        connect(&window, &TSetQSL::looksChanged, this, [&changes] { ++changes; });
        window.FontD2Click(true);
        QCOMPARE(model.memoFontName, u"ＭＳ ゴシック"_s);
        QCOMPARE(model.memoFontSize, 14);
        window.LineColorClick(true);
        QCOMPARE(model.lineColor, static_cast<int>(0x80000005));
        QCOMPARE(changes, 2);
        window.findChild<QPushButton*>(u"SaveButton"_s)->click();
        QCOMPARE(ini.readString(u"Kankyo", u"FontName2", {}), u"ＭＳ ゴシック"_s);
        QCOMPARE(ini.readInteger(u"Kankyo", u"FontSize2", 0), 14);
        QVERIFY(!model.memoFontChanged);  // cleared when the window closes

        window.show();
        QCOMPARE(window.findChild<QLabel*>(u"PotblLabel"_s)->text(), u"JA1ABC/"_s);
        QVERIFY(
            window.findChild<QPushButton*>(u"FontD2"_s)->toolTip().startsWith(u"ＭＳ ゴシック"_s));
        date->setFocus();
        date->setCursorPosition(0);
        QTest::keyClicks(date, u"2x5"_s);
        QTest::keyClick(date, Qt::Key_Backspace);
        QTest::keyClick(date, Qt::Key_Delete);
        QTest::keyClicks(date, u"0101"_s);
        QCOMPARE(date->text(), u"25/01/01"_s);

        window.setExpertMode(true);
        for (const char* name : {"UtcCheck", "OpName", "RigSele", "Potbl", "fJpgSize"})
            QVERIFY2(!window.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(), name);
        window.setExpertMode(false);
        QVERIFY(window.findChild<QWidget*>(u"fJpgSize"_s)->isEnabled());
        window.close();
    }
};

QTEST_MAIN(KankyoDialogTest)
#include "kankyo_dialog_test.moc"
