// The main window, offscreen, driven by its controls' names: start-up from
// empty and filled settings, the option switches, the range, the checks once
// shown, closing, the resets, the recent files and the file commands.

#include "app/ui/ml_qsl1.h"

#include "app/main_state.h"
#include "archive/backup.h"
#include "core/app_paths.h"
#include "core/file_dialogs.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/history_combo.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "logdata/log_store.h"
#include "logdata/user_list.h"
#include "render/qsl_definition.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"
#include "server/comm_session.h"
#include "server/httplib.h"
#include "settings/kankyo.h"

#include "gui_files.h"
#include "main_window_desk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using gui_files::readAll;
using gui_files::writeAll;

namespace {

// A log of `count` QSOs at `mst`.
void makeLog(const QString& mst, int count) {
    LogStore store;
    QVERIFY(store.open(mst, true));
    QVERIFY(store.db().exec("BEGIN"));
    for (int i = 0; i < count; ++i) {
        QsoRecord q;
        q.call = u"JA1A%1"_s.arg(i);
        q.date = u"24/03/01"_s;
        q.time = u"%1:%2"_s.arg(i / 60 % 24, 2, 10, QChar(u'0')).arg(i % 60, 2, 10, QChar(u'0'));
        q.freq = u"7.024"_s;
        q.mode = u"CW"_s;
        q.key = lookupKeyOf(q.call);
        q.remarks1 = QString::number(i / 1440);  // distinct QSOs
        QCOMPARE(store.insert(q), LogStore::InsertResult::Added);
    }
    QVERIFY(store.db().exec("COMMIT"));
}

// What a complete set of communication settings looks like.
const QByteArray kOption =
    "[Option]\r\nCalls=JA1ABC\r\nPass2=28526x\r\nMailAdd=ja1abc@example.jp\r\n"
    "Pass1=25971x\r\nSmtpName=smtp.example.jp\r\nPop3Name=pop.example.jp\r\n";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    struct Run {
        QTemporaryDir dir;
        ScriptedMessagePort messages;
        ScopedMessagePort installed{&messages};
        ScriptedFileDialogPort files;
        ScopedFileDialogPort installedFiles{&files};
        testing_support::MainWindowDesk desk{dir.path()};
        MainState& state = desk.state;
        EnvironmentSettings& environment = desk.environment;
        std::unique_ptr<TZkvmQSL>& window = desk.window;
        TForm3* preview = nullptr;

        QString path(const QString& name) const { return dir.filePath(name); }
        QString home() const { return desk.home; }
        void start() {
            desk.start();
            preview = &window->cardPreview();
        }
        template <typename T>
        T* find(const char* name) const {
            return desk.find<T>(name);
        }
        QStringList texts() const {
            QStringList out;
            for (const MessageRequest& m : messages.messages())
                out.append(m.text);
            return out;
        }
        void finish() { desk.finish(); }
    };

    QList<QUrl> opened_;

public Q_SLOTS:
    void openUrl(const QUrl& url) { opened_.append(url); }

private Q_SLOTS:
    void initTestCase() { QDesktopServices::setUrlHandler(u"https"_s, this, "openUrl"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"https"_s); }

    void startsFromAnEmptyFolderWithTheDefaults() {
        Run run;
        // Incomplete communication settings: that window opens on its own.
        QString opened;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                modal->close();
            }
        });
        watch.start(20);
        run.start();
        watch.stop();
        QCOMPARE(opened, u"OptionF"_s);
        TZkvmQSL* w = run.window.get();
        QCOMPARE(w->windowTitle(), u"ZELKOV E-Mail QSL Ver5.12"_s);
        QCOMPARE(run.find<QLineEdit>("Edit1")->text(), u"1"_s);
        QCOMPARE(run.find<QLineEdit>("Edit2")->text(), u"1"_s);
        QVERIFY(run.find<QRadioButton>("PCheck1")->isChecked());
        QVERIFY(run.find<QCheckBox>("Check2")->isChecked());
        QVERIFY(run.find<QCheckBox>("RecRead")->isChecked());
        QVERIFY(run.find<QCheckBox>("BgCall")->isChecked());
        QVERIFY(run.find<QCheckBox>("BgName")->isChecked());
        QVERIFY(!run.find<QCheckBox>("DefFile")->isChecked());
        QCOMPARE(run.find<QComboBox>("TransC1")->currentIndex(), 2);
        QCOMPARE(run.find<QSpinBox>("AlphaBl")->value(), 17);
        QCOMPARE(run.find<QCheckBox>("BgCall")->text(), u"Callを表示"_s);
        QCOMPARE(run.find<QLineEdit>("RstEdit")->text(), u"FT8,FT4,JT65=dB;CW=RST"_s);
        QVERIFY(!run.find<QPushButton>("Speed9")->isEnabled());
        QVERIFY(!run.find<QAction>("QSO1")->isChecked());
        QVERIFY(!run.find<QAction>("USR1")->isChecked());
        QVERIFY(!run.find<QAction>("Rig1")->isChecked());
        QVERIFY(!run.find<QAction>("J1")->isVisible());
        QVERIFY(!run.find<QAction>("ZELKOV1")->isEnabled());
        QCOMPARE(run.find<QPushButton>("Speed5")->toolTip(),
                 run.path(u"受信"_s) + u"\n・・・に保存します"_s);
        QCOMPARE(run.find<QPushButton>("Speed10")->toolTip(),
                 u"送信済み電子QSLの一覧表示\n"_s + run.path(u"送信"_s));
        QCOMPARE(run.find<QPushButton>("Speed6")->toolTip(),
                 u"メモ欄・メール本文の上書き保存\nShift＋クリックで再読み込み"_s);
        QCOMPARE(run.find<QAction>("VwrQ1")->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(run.find<QAction>("CNF3")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QVERIFY(QFileInfo(run.path(u"QslMsg"_s)).isDir());
        // The progress of a send or a receive shows on the status bar.
        QVERIFY(!run.find<QProgressBar>("Progress1")->isVisible());
        w->progress().setVisible(true);
        w->progress().setMaximum(30);
        w->progress().setPosition(12);
        w->progress().setStatus(u" 電子QSLの送信処理中..."_s);
        QVERIFY(run.find<QProgressBar>("Progress1")->isVisible());
        QCOMPARE(run.find<QProgressBar>("Progress1")->value(), 12);
        QCOMPARE(w->statusBar()->currentMessage(), u" 電子QSLの送信処理中..."_s);
        QVERIFY(!w->progress().abortRequested());
        w->progress().requestAbort();
        QVERIFY(w->progress().abortRequested());
        w->progress().setVisible(false);
        QVERIFY(!run.find<QProgressBar>("Progress1")->isVisible());
        // The time zone is Japan's: nothing else was said.
        QCOMPARE(run.texts(), QStringList());
        QVERIFY(w->minimumWidth() >= 572);

        // A log made by another program meanwhile: back to the window, the
        // range covers it.
        makeLog(run.path(u"ZELKOV.mst"_s), 40);
        QEvent activated(QEvent::ActivationChange);
        QApplication::sendEvent(w, &activated);
        QCOMPARE(run.find<QLineEdit>("Edit2")->text(), u"40"_s);
        QVERIFY(run.find<QAction>("QSO1")->isChecked());
        // "ADIFファイルを読み込む": the counts said, the range follows.
        writeAll(run.path(u"new.adi"_s),
                 "<EOH>\n<CALL:6>JA1NEW <QSO_DATE:8>20261209 <TIME_ON:4>1200 <BAND:3>40m "
                 "<MODE:2>CW <EOR>\n<CALL:6>JA1NEW <QSO_DATE:8>20261209 <TIME_ON:4>1200 "
                 "<BAND:3>40m <MODE:2>CW <EOR>\n<CALL:0> <QSO_DATE:8>20261209 <EOR>\n");
        ScriptedFileDialogPort files;
        ScopedFileDialogPort filesInstalled(&files);
        files.answer(run.path(u"new.adi"_s));
        run.find<QAction>("ADIF1")->trigger();
        QCOMPARE(run.texts().value(0).section(u'\r', 2, 4),
                 u"QSOデータに 1件のQSOを追加しました。\r・すでにあるQSO（重複） 1件\r"
                 u"・読み飛ばしたレコード 1件"_s);
        QCOMPARE(run.find<QLineEdit>("Edit2")->text(), u"41"_s);
        run.finish();
    }

    void filledSettingsAndALogOf5000() {
        Run run;
        makeLog(run.path(u"ZELKOV.mst"_s), 5000);
        writeAll(run.path(u"UserList.usr"_s), "2024/02/01\r\nJA1ABC\r\n");
        QVERIFY(BuildUserListIndex(run.path(u"UserList.usr"_s)));
        writeAll(run.path(u"Sendvik.ini"_s),
                 "[Config]\r\nRecno1=1\r\nRcvDir=QSL\r\nSntDir=qsl\r\n"
                 "PCheck=588\r\nAlpha=0\r\n" +
                     kOption);
        run.start();
        QCOMPARE(run.find<QLineEdit>("Edit1")->text(), u"4701"_s);
        QCOMPARE(run.find<QLineEdit>("Edit2")->text(), u"5000"_s);
        QCOMPARE(run.window->windowTitle(),
                 u"JA1ABC - ZELKOV E-Mail QSL Ver5.12　【2024/02/01版】"_s);
        QVERIFY(run.find<QAction>("QSO1")->isChecked());
        QVERIFY(run.find<QAction>("USR1")->isChecked());
        QCOMPARE(run.find<QLabel>("Label2")->text(), u"JA1ABC"_s);
        QCOMPARE(run.find<QCheckBox>("BgCall")->text(), u"JA1ABC表示"_s);
        // 588 = 512 + 64 + 8 + 4: PCheck4, transparent, expert mode.
        QVERIFY(run.find<QRadioButton>("PCheck4")->isChecked());
        QCOMPARE(run.find<QComboBox>("TransC1")->currentIndex(), 1);
        QVERIFY(run.find<QCheckBox>("DefFile")->isChecked());
        QVERIFY(run.find<QPushButton>("Speed9")->isEnabled());
        QVERIFY(!run.find<QRadioButton>("PCheck0")->isEnabled());
        QVERIFY(!run.find<QCheckBox>("Check2")->isChecked());
        QCOMPARE(run.find<QSpinBox>("AlphaBl")->value(), 17);
        QCOMPARE(run.find<QPushButton>("Speed7")->toolTip(),
                 run.path(u"ZELKOV.zdb"_s) + u"\nと 電子QSLを照合"_s);

        const QStringList texts = run.texts();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[0],
                 u"2024/02/01版\r\rZELKOVユーザーリストが古くなってきましたので、最新版を"
                 u"使用してください。"_s);
        QCOMPARE(texts[1],
                 u"[受信]フォルダと[送信]フォルダが同じです！\r\rファイルメニューで別の"
                 u"フォルダを設定してください。\r\r"_s +
                     run.path(u"QSL"_s));
        QCOMPARE(run.messages.messages()[1].flags & 0x70, mb::IconStop);
        run.finish();

        Run later;
        QVERIFY(QFile::copy(run.path(u"ZELKOV.zdb"_s), later.path(u"ZELKOV.zdb"_s)));
        writeAll(later.path(u"Sendvik.ini"_s), "[Config]\r\nRecno1=6000\r\n" + kOption);
        later.start();
        QCOMPARE(later.find<QLineEdit>("Edit1")->text(), u"5001"_s);
        QCOMPARE(later.find<QLineEdit>("Edit2")->text(), u"5000"_s);
        QVERIFY(later.texts().isEmpty());
        later.finish();
    }

    void closingSavesTheWindowsKeys() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), kOption);
        run.start();
        auto* place = run.find<HistoryCombo>("PoBox1");
        place->setEditText(u"Tokyo"_s);
        QTest::keyClick(place, Qt::Key_Return);
        place->setEditText(u"Chiba"_s);
        QTest::keyClick(place, Qt::Key_Return);
        QCOMPARE(place->entries().mid(0, 2), (QStringList{u"Chiba"_s, u"Tokyo"_s}));
        run.find<HistoryCombo>("RmkBox")->setEditText(u"TNX FB QSO"_s);
        run.find<QLineEdit>("Edit1")->setText(u"77"_s);
        run.find<QRadioButton>("PCheck0")->setChecked(true);
        run.find<QComboBox>("TransC1")->setCurrentIndex(0);
        run.find<QCheckBox>("BgName")->setChecked(false);
        run.finish();

        TZkwIni stored(run.path(u"Sendvik.ini"_s));
        QCOMPARE(stored.readString(u"Potbl", u"Po0", {}), u"Chiba"_s);
        QCOMPARE(stored.readString(u"Potbl", u"Po1", {}), u"Tokyo"_s);
        QCOMPARE(stored.readString(u"Remarks", u"Rm0", {}), u"TNX FB QSO"_s);
        QCOMPARE(stored.readString(u"Config", u"Recno1", {}), u"77"_s);
        QCOMPARE(stored.readInteger(u"Config", u"PCheck", 0), 16 | 32 | 128);
        QVERIFY(!stored.readString(u"Config", u"Pos", {}).isEmpty());
        QCOMPARE(stored.readString(u"Config", u"Alpha", {}), u"17"_s);
        QVERIFY(!stored.readString(u"Config", u"CallXY", {}).isEmpty());
        QCOMPARE(stored.readString(u"Config", u"RstEdit", {}), u"FT8,FT4,JT65=dB;CW=RST"_s);
    }

    // A backup stores the counts it looked at; closing the program keeps
    // them (the main window no longer writes back the copy it read at
    // start), and the next start sizes the bar by them.
    void theBackupsCountsOutliveTheClose() {
        Run run;
        QVERIFY(QDir().mkpath(run.path(u"bak"_s)));
        writeAll(run.path(u"Sendvik.ini"_s), "[Config]\r\nProgres=5,6,7\r\nBackUp=" +
                                                 run.path(u"bak"_s).toUtf8() + "\r\n" + kOption);
        run.start();
        for (const QString& call : {u"JA1AAA"_s, u"JA1AAB"_s})
            writeAll(run.path(u"受信/"_s + call + u"_261120_1200_7.024_CW_JA1ABC.jpg"_s),
                     QByteArray(3000, 'x'));
        QTimer press;
        connect(&press, &QTimer::timeout, this, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == u"Form2"_s)
                modal->findChild<QPushButton*>(u"Speed1"_s)->click();
        });
        press.start(20);
        run.find<QAction>("QSLB1")->trigger();
        press.stop();
        QCOMPARE(run.texts().last(), u"3 個のファイルをコピーしました。"_s);
        run.finish();

        TZkwIni stored(run.path(u"Sendvik.ini"_s));
        QCOMPARE(stored.readString(u"Config", u"Progres", {}), u"2,0,0"_s);
        BackupSettings next;
        next.load(stored);
        QCOMPARE(next.counts, (std::array<int, 3>{2, 0, 0}));
    }

    void closingIsRefusedWhileBusy() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), kOption);
        run.start();
        run.state.busy = true;
        QVERIFY(!run.window->close());
        QVERIFY(run.window->isVisible());
        // While work runs a command that starts work is dropped with a beep
        // (no question of its own); the receive button stops the run.
        run.messages.clear();
        run.find<QAction>("N11")->trigger();
        run.find<QPushButton>("Speed1")->click();
        // The sample and the look's boxes too: a box would hold the work up.
        for (const char* name : {"Speed4", "Speed2", "Speed3", "BgFont", "nColor"})
            run.find<QPushButton>(name)->click();
        QVERIFY(run.texts().isEmpty());
        QVERIFY(!run.window->cardPreview().isVisible());
        QCOMPARE(run.messages.beeps(), 7);
        QVERIFY(!run.window->progress().abortRequested());
        run.find<QPushButton>("Speed5")->click();
        QVERIFY(run.window->progress().abortRequested());
        QCOMPARE(run.messages.beeps(), 7);
        run.state.busy = false;
        QVERIFY(run.window->close());
        run.window->FormDestroy();
    }

    void theResetsEraseTheirSectionsWhenTheProgramEnds() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s),
                 "[Config]\r\nPos=1,2,700,700\r\nRigWin=1\r\n"
                 "RcvDir=受信\r\n[Kankyo]\r\nCheck=0\r\n"
                 "[Potbl]\r\nPo0=Old\r\n[Confirm]\r\nX=1\r\n" +
                     kOption);
        run.start();
        run.messages.answer(mb::IdYes);
        run.find<QAction>("N14")->trigger();
        QVERIFY(!run.window->isVisible());
        run.window->FormDestroy();
        TZkwIni stored(run.path(u"Sendvik.ini"_s));
        QCOMPARE(stored.sectionNames(), QStringList{u"Option"_s});
        QCOMPARE(run.texts().last(),
                 u"通信設定以外をすべてインストール直後の状態に戻します。\r処理後"
                 u"は終了します。よろしいですか？"_s);

        Run places;
        writeAll(places.path(u"Sendvik.ini"_s),
                 "[Config]\r\nPos=1,2,700,700\r\nRigWin=1\r\n"
                 "RcvDir=受信\r\n[Kankyo]\r\nCheck=0\r\n" +
                     kOption);
        places.start();
        places.messages.answer(mb::IdNo);  // the help page instead
        opened_.clear();
        places.find<QAction>("N11")->trigger();
        QVERIFY(places.window->isVisible());
        QCOMPARE(opened_.size(), 1);
        QVERIFY(opened_[0].toString().endsWith(u"tgw/qsl/qanda.html#Ques15"_s));
        places.messages.answer(mb::IdYes);
        places.messages.answer(mb::IdYes);
        places.find<QAction>("N11")->trigger();
        QVERIFY(!places.window->isVisible());
        places.window->FormDestroy();
        TZkwIni after(places.path(u"Sendvik.ini"_s));
        QCOMPARE(after.readString(u"Config", u"Pos", u"-"_s), u"-"_s);
        QCOMPARE(after.readString(u"Config", u"RigWin", u"-"_s), u"-"_s);
        QCOMPARE(after.readString(u"Config", u"RcvDir", {}), u"受信"_s);
        QVERIFY(after.hasSection(u"Kankyo"));

        Run environment;
        writeAll(environment.path(u"Sendvik.ini"_s), "[Kankyo]\r\nCheck=0\r\n" + kOption);
        environment.start();
        environment.messages.answer(mb::IdNo);
        environment.find<QAction>("N13")->trigger();
        QVERIFY(environment.window->isVisible());
        environment.messages.answer(mb::IdYes);
        environment.find<QAction>("N13")->trigger();
        environment.window->FormDestroy();
        TZkwIni erased(environment.path(u"Sendvik.ini"_s));
        QVERIFY(!erased.hasSection(u"Kankyo"));
        QVERIFY(erased.hasSection(u"Config"));
    }

    void recentPicturesKeepOrderCasingAndLimit() {
        Run run;
        QByteArray jp = "[JpFiles]\r\n";
        for (int i = 0; i < 31; ++i) {
            writeAll(run.path(u"p%1.jpg"_s.arg(i, 2, 10, QChar(u'0'))), "x");
            jp += "JP" + QByteArray::number(i) + "=p" +
                  QByteArray::number(i).rightJustified(2, '0') + ".jpg\r\n";
        }
        QFile::remove(run.path(u"p03.jpg"_s));  // closes up
        writeAll(run.path(u"Sendvik.ini"_s), jp + kOption);
        run.start();
        QCOMPARE(run.find<QAction>("J1")->text(), u"(&0) "_s + run.path(u"p00.jpg"_s));
        QCOMPARE(run.find<QAction>("J4")->text(), u"(&3) "_s + run.path(u"p04.jpg"_s));
        QCOMPARE(run.find<QAction>("J11")->text(), u"(&A) "_s + run.path(u"p11.jpg"_s));
        QVERIFY(run.find<QAction>("J29")->isVisible());
        QVERIFY(!run.find<QAction>("J30")->isVisible());  // JP29 was the last key read

        run.window->choosePicture(run.path(u"p05.jpg"_s));
        run.window->choosePicture(run.path(u"p12.jpg"_s));
        QCOMPARE(run.find<QAction>("J1")->text(), u"(&0) "_s + run.path(u"p12.jpg"_s));
        QCOMPARE(run.find<QAction>("J2")->text(), u"(&1) "_s + run.path(u"p05.jpg"_s));
        QCOMPARE(run.find<QAction>("J3")->text(), u"(&2) "_s + run.path(u"p00.jpg"_s));
        run.find<QAction>("J3")->trigger();
        QCOMPARE(run.state.picturePath, run.path(u"p00.jpg"_s));
        // The photo in use is no picture, or gone: said where the person looks.
        QVERIFY(run.window->statusBar()->currentMessage().contains(
            u"・・・をJPEG画像として読めません。ファイルメニューからJPEG画像を開いてください。"_s));

        run.finish();
        TZkwIni stored(run.path(u"Sendvik.ini"_s));
        QCOMPARE(stored.readString(u"JpFiles", u"JP0", {}), u"p00.jpg"_s);
        QCOMPARE(stored.readString(u"JpFiles", u"JP1", {}), u"p12.jpg"_s);
        QCOMPARE(stored.readString(u"JpFiles", u"JP2", {}), u"p05.jpg"_s);
        QCOMPARE(stored.readString(u"JpFiles", u"JP28", {}), u"p29.jpg"_s);
        QCOMPARE(stored.readString(u"JpFiles", u"JP29", u"-"_s), u"-"_s);
        QCOMPARE(stored.readString(u"Config", u"Jpeg", {}), u"p00.jpg"_s);
    }

    void rigAntennaDataOpenRefuseAndClose() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), kOption);
        writeAll(run.path(u"CTY.DAT"_s), "[Count]\r\nMax=10\r\n[No1]\r\nFreq=7\r\n");
        writeAll(run.path(u"mine.dat"_s), "[Count]\r\nMax=10\r\n[No1]\r\nFreq=7\r\nRig=FT-991\r\n");
        run.start();
        run.messages.clear();
        run.files.answer(run.path(u"CTY.DAT"_s));
        run.find<QAction>("Rig1")->trigger();
        QCOMPARE(run.texts(), QStringList{u"CTY.DAT は開けません！"_s});
        QCOMPARE(run.messages.messages()[0].caption, u"CTY.DAT"_s);
        QVERIFY(!run.find<QAction>("Rig1")->isChecked());
        QCOMPARE(run.desk.settings->readString(u"Config", u"RigAnt", u"-"_s), u"-"_s);

        run.files.answer(run.path(u"mine.dat"_s));
        run.find<QAction>("Rig1")->trigger();
        QVERIFY(run.find<QAction>("Rig1")->isChecked());
        QCOMPARE(run.desk.settings->readString(u"Config", u"RigAnt", {}), u"mine.dat"_s);
        QCOMPARE(run.state.rigLines.value(0), u"No1,7,FT-991,,,,,,"_s);
        QCOMPARE(run.find<QPushButton>("Speed13")->toolTip(),
                 u"リグ／アンテナ・データの編集\n"_s + run.path(u"mine.dat"_s));
        QCOMPARE(run.files.requests().back().title, u"リグ・アンテナデータを開く"_s);

        run.messages.clear();
        run.files.cancel();
        run.messages.answer(mb::IdNo);
        run.find<QAction>("Rig1")->trigger();
        QCOMPARE(run.texts(), QStringList{run.path(u"mine.dat"_s) + u"\r\r・・・を閉じますか？"_s});
        QVERIFY(run.find<QAction>("Rig1")->isChecked());
        run.files.cancel();
        run.messages.answer(mb::IdYes);
        run.find<QAction>("Rig1")->trigger();
        QVERIFY(!run.find<QAction>("Rig1")->isChecked());
        QCOMPARE(run.desk.settings->readString(u"Config", u"RigAnt", {}), u"C:\\"_s);
        // With no file set, the editor command opens the file first.
        run.files.cancel();
        run.find<QPushButton>("Speed13")->click();
        QCOMPARE(run.files.requests().back().title, u"リグ・アンテナデータを開く"_s);
        run.finish();
    }

    void theMemoIsSavedDeletedAndReloaded() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), kOption);
        run.start();
        auto* memo = run.find<QPlainTextEdit>("Memo1");
        memo->setPlainText(u"TNX QSO\n73"_s);
        run.window->Speed6Click(false);
        QCOMPARE(readAll(run.path(u"QslMessage.txt"_s)), QByteArray("TNX QSO\r\n73"));
        memo->setPlainText(u"edited"_s);
        run.window->Speed6Click(true);
        QCOMPARE(memo->toPlainText(), u"TNX QSO\n73"_s);
        memo->clear();
        run.window->Speed6Click(false);
        QVERIFY(!QFileInfo::exists(run.path(u"QslMessage.txt"_s)));

        run.files.answer(run.path(u"other.txt"_s));
        memo->setPlainText(u"別の本文"_s);
        run.find<QAction>("BN1")->trigger();
        QCOMPARE(readAll(run.path(u"other.txt"_s)), QByteArray("\x95\xca\x82\xcc\x96\x7b\x95\xb6"));
        QCOMPARE(run.desk.settings->readString(u"Config", u"QslMsg", {}), u"other.txt"_s);
        run.finish();
    }

    void aPhotoGoneSinceItWasChosenIsSaidAtStart() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), "[Config]\r\nJpeg=gone.jpg\r\n" + kOption);
        run.start();
        QVERIFY(run.window->statusBar()->currentMessage().contains(
            u"gone.jpg ・・・が見つかりません。ファイルメニューからJPEG画像を開いてください。"_s));
        run.finish();
    }

    void resizeItemsFollowThePicture() {
        Run run;
        QVERIFY(QFile::copy(QStringLiteral(SENDVIK_TEST_DATA "/jpeg/tower_baseline.jpg"),
                            run.path(u"tower.jpg"_s)));
        writeAll(run.path(u"Sendvik.ini"_s), "[Config]\r\nJpeg=tower.jpg\r\n" + kOption);
        run.start();
        run.window->O1Popup();
        // 512 x 512: higher than 408 and 510 is not; not 528 x 336.
        QVERIFY(run.find<QAction>("N800")->isEnabled());
        QVERIFY(run.find<QAction>("N640")->isEnabled());
        QVERIFY(run.find<QAction>("N528")->isEnabled());
        run.find<QCheckBox>("DefFile")->setChecked(true);
        run.window->O1Popup();
        QVERIFY(!run.find<QAction>("N800")->isEnabled());
        run.finish();
    }

    void theSampleCardIsTheLatestRegisteredStationsThenAnother() {
        Run run;
        makeLog(run.path(u"ZELKOV.mst"_s), 5);  // JA1A0 ... JA1A4
        writeAll(run.path(u"UserList.usr"_s), "2024/02/01\r\nJA1A1\r\nJA1A3\r\nJA1ABC\r\n");
        QVERIFY(BuildUserListIndex(run.path(u"UserList.usr"_s)));
        QVERIFY(QFile::copy(QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"),
                            run.path(u"photo.jpg"_s)));
        writeAll(run.path(u"Sendvik.ini"_s), "[Config]\r\nJpeg=photo.jpg\r\n" + kOption);
        run.start();
        QStringList labels;
        // "他のUser" once, then cancel.
        auto answer = [&run, &labels](int button) {
            QTimer::singleShot(50, run.preview, [&run, &labels, button] {
                labels.append(run.preview->findChild<QLabel*>(u"Label1"_s)->text());
                run.preview
                    ->findChild<QPushButton*>(button == TForm3::Next ? u"NextButton"_s
                                                                     : u"CancelButton"_s)
                    ->click();
            });
        };
        answer(TForm3::Next);
        connect(
            run.preview, &QDialog::finished, this,
            [&](int) {
                if (labels.size() == 1) answer(TForm3::Cancel);
            },
            Qt::SingleShotConnection);
        run.messages.clear();
        run.find<QPushButton>("Speed4")->click();
        QCOMPARE(labels.size(), 2);
        QVERIFY2(labels[0].startsWith(u"No4 JA1ABC_240301_"_s), qPrintable(labels.join(u"|")));
        QVERIFY(labels[0].endsWith(u"_JA1A3.jpg"_s));
        QVERIFY(labels[1].startsWith(u"No2 "_s));
        QCOMPARE(run.preview->picture().size(), QSize(1024, 652));
        QVERIFY(run.texts().isEmpty());

        run.state.picturePath.clear();
        run.find<QPushButton>("Speed4")->click();
        QCOMPARE(run.texts(), QStringList{u"ファイルメニューからJPEG画像を開いてください。"_s});
        run.finish();
    }

    // Expert mode on a definition that draws a QR code: the definition
    // editor opened and closed, then the sample card. The editor's live
    // preview draws with the program's QR-code module, and its end leaves
    // that module loaded (it once unloaded it under the main window).
    void theQrCodeModuleOutlivesTheEditor() {
        Run run;
        makeLog(run.path(u"ZELKOV.mst"_s), 5);
        writeAll(run.path(u"UserList.usr"_s), "2024/02/01\r\nJA1A1\r\nJA1A3\r\nJA1ABC\r\n");
        QVERIFY(BuildUserListIndex(run.path(u"UserList.usr"_s)));
        QVERIFY(QFile::copy(QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"),
                            run.path(u"photo.jpg"_s)));
        writeAll(run.path(u"card.mQSL"_s),
                 "#Size 640,408\r\n#QRCode 10,10,200,200,\"!Ca JA1ABC 2024\",1\r\n");
        writeAll(
            run.path(u"Sendvik.ini"_s),
            "[Config]\r\nJpeg=photo.jpg\r\nPCheck=505\r\n[QslDef]\r\nmQSL=card.mQSL\r\n" + kOption);
        run.start();
        QVERIFY(run.find<QCheckBox>("DefFile")->isChecked());
        QTimer::singleShot(300, this, [] {
            if (QWidget* editor = QApplication::activeModalWidget()) editor->close();
        });
        run.find<QPushButton>("Speed9")->click();
        // The editor and the main window keep one definition.
        QCOMPARE(run.desk.definitionFile->path(), run.path(u"card.mQSL"_s));
        QCOMPARE(run.find<QWidget>("PaintBox1")->toolTip(), run.path(u"card.mQSL"_s));
        QTimer::singleShot(100, run.preview, [&run] {
            run.preview->findChild<QPushButton*>(u"CancelButton"_s)->click();
        });
        run.messages.clear();
        run.find<QPushButton>("Speed4")->click();
        QVERIFY2(run.texts().isEmpty(), qPrintable(run.texts().join(u" | "_s)));
        const QImage card = run.preview->picture();
        QVERIFY(!card.isNull());
        // The QR code's dark modules in its corner of the card.
        const QImage corner = card.scaled(640, 408).copy(10, 10, 200, 200);
        int dark = 0;
        for (int y = 0; y < corner.height(); ++y)
            for (int x = 0; x < corner.width(); ++x)
                dark += qGray(corner.pixel(x, y)) < 128;
        QVERIFY2(dark > 200 * 200 / 5, qPrintable(QString::number(dark)));
        run.finish();
    }

    void positionBoxesAreDraggedAndKeptOnThePreview() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), "[Config]\r\nCallXY=10,10,20,100\r\n" + kOption);
        run.start();
        auto* call = run.find<QCheckBox>("BgCall");
        QCOMPARE(call->pos(), QPoint(10, 10));
        const bool ticked = call->isChecked();
        auto send = [](QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
            QApplication::sendEvent(w, &e);
        };
        send(call, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
        send(call, QEvent::MouseMove, {505, 405}, Qt::LeftButton);
        send(call, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
        QCOMPARE(call->pos(), QPoint(240, 204));  // kept on the preview
        QCOMPARE(call->isChecked(), ticked);
        auto* name = run.find<QCheckBox>("BgName");
        send(name, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
        send(name, QEvent::MouseMove, {-500, 35}, Qt::LeftButton);
        send(name, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
        QCOMPARE(name->pos(), QPoint(0, 130));
        run.finish();
        QCOMPARE(run.desk.settings->readString(u"Config", u"CallXY", {}), u"240,204,0,130"_s);
    }

    void theManualFallsBackToTheManualPage() {
        Run run;
        writeAll(run.path(u"Sendvik.ini"_s), kOption);
        run.start();
        opened_.clear();
        run.find<QAction>("H1")->trigger();
        QCOMPARE(opened_.size(), 1);
        QVERIFY(opened_[0].toString().endsWith(u"/tgw/Sendvik.html"_s));
        // The communication settings' help: its page, not a notice.
        run.messages.clear();
        run.find<QAction>("C1")->trigger();
        QCOMPARE(opened_.size(), 2);
        QVERIFY(opened_[1].toString().endsWith(u"/tgw/qsl/comset.html"_s));
        QVERIFY(run.texts().isEmpty());
        run.finish();
    }
};

QTEST_MAIN(MainWindowTest)
#include "ml_qsl1_test.moc"
