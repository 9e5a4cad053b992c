// The run loop of the definition language, its conditions, jumps, loops,
// variables and file loading. The drawing commands are in
// definition_drawing.cpp.

#include "render/qsl_definition.h"
#include "core/work_folder.h"

#include "core/app_info.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/qso_time.h"
#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "logdata/print_qsl_fmt.h"
#include "logdata/qso_record.h"
#include "logdata/zkw_parse.h"
#include "platform/windows_paths.h"
#include "render/definition_operands.h"
#include "settings/qsl_rig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kLoopLimit = 1000;

bool startsWithWord(QStringView text, QStringView word) {
    return text.startsWith(word, Qt::CaseInsensitive);
}

// At most the first `bytes` CP932 bytes of a line are looked at.
QString headBytes(const QString& line, qsizetype bytes) {
    return sjis::byteLength(line) <= bytes ? line : sjis::leftBytes(line, bytes);
}

}  // namespace

QslDefinition::QslDefinition(QrModule* qr) : qr_(qr) {
    card_ = QImage(640, 408, QImage::Format_RGB32);
    card_.fill(Qt::white);
    card_.setDotsPerMeterX(3780);  // 96 pixels per inch, as the cards were designed
    card_.setDotsPerMeterY(3780);
    preview_ = card_;
    // A fresh surface writes in the program's own face until a definition
    // sets another.
    cardCanvas_.font = QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10);
    previewCanvas_.font = cardCanvas_.font;
}

QslDefinition::~QslDefinition() = default;

std::optional<QString> locateDefinitionFile(const QString& name, const QString& definitionFile,
                                            const QString& programDir, bool programFirst) {
    const QString definitionFolder =
        definitionFile.isEmpty() ? QString() : QFileInfo(definitionFile).path();
    QStringList bases;
    for (const QString& base : programFirst ? QStringList{programDir, definitionFolder}
                                            : QStringList{definitionFolder, programDir})
        if (!base.isEmpty()) bases << base;
    return platform::locateWindowsPath(name, bases);
}

std::optional<QString> QslDefinition::locateFile(const QString& name, bool programFirst) const {
    return locateDefinitionFile(name, context.definitionFile, context.programDir, programFirst);
}

QString QslDefinition::workFolder() {
    if (!context.tempDir.isEmpty()) return context.tempDir;
    if (!work_) work_ = newWorkFolder();
    return work_->isValid() ? work_->path() : QString();
}

bool QslDefinition::readLines(const QString& path, QStringList& out) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QString text = sjis::decodeUserText(file.read(16 << 20));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out = text.split(u'\n');
    if (!out.isEmpty() && out.back().isEmpty()) out.removeLast();
    return true;
}

bool QslDefinition::hasDrawingCommand(const QStringList& lines) {
    static const QStringView kDrawing[] = {u"#Print", u"#Line", u"#FillBox", u"#Ellips", u"#Bmp",
                                           u"#Jpg",   u"#Text", u"#QRCode",  u"#Size",   u"#Load"};
    for (const QString& line : lines) {
        const QString command = normalizedLine(line);
        for (QStringView word : kDrawing)
            if (command.startsWith(word, Qt::CaseInsensitive)) return true;
    }
    return false;
}

int QslDefinition::RunDefinition(bool cardMode) {
    cardMode_ = cardMode;
    strings_.fill(QString());
    integers_.fill(0);
    rigSelection_ = 0;
    sentMark_.clear();
    savedLines_.clear();
    index_ = 0;
    result_ = 0;
    wrapWidth_ = 336;
    printEnd_ = 0;
    findings_.clear();
    loopStart_ = int(lines.size());
    loopCount_ = 0;
    fadeRect_ = QRect();
    fadeLevel_ = 0;
    errorLine_ = 0;
    decoded_.clear();

    stopped_ = false;
    ranOutOfTime_ = false;
    QElapsedTimer clock;
    clock.start();
    qint64 nextLook = 100;
    while (true) {
        Step step = Step::Next;
        if (index_ >= lines.size()) {
            step = Step::EndFile;
        } else {
            const QString line = headBytes(lines[index_], 1024);
            if (goOn && clock.elapsed() >= nextLook) {
                nextLook = clock.elapsed() + 100;
                if (!goOn()) {
                    stopped_ = true;
                    result_ = -1;
                    (void)returnFromLoad();  // the whole run ends
                    break;
                }
            }
            if (clock.elapsed() > drawingBudgetMs) {
                ranOutOfTime_ = true;
                reportAt(QStringLiteral("%1\r　↑QSL定義命令エラー（%2行目）\r\r"
                                        "描画に時間がかかりすぎます！（1枚%3秒まで）")
                             .arg(line)
                             .arg(index_ + 1)
                             .arg(drawingBudgetMs / 1000.0),
                         app::title());
                result_ = -1;
                (void)returnFromLoad();  // the whole run ends, a loaded file's parent too
                break;
            }
            if (line.startsWith(u'#'))
                step = runCommand(line);
            else if (line.startsWith(u'?'))
                step = runCondition(line);
        }
        if (step == Step::Next) ++index_;
        if (step == Step::Error) result_ = -1;
        if (step == Step::EndFile || step == Step::Error) {
            if (returnFromLoad()) continue;
            break;
        }
    }
    return result_;
}

// A loaded file ended: the parent continues after its #Load line.
bool QslDefinition::returnFromLoad() {
    if (savedLines_.isEmpty()) return false;
    lines = savedLines_;
    savedLines_.clear();
    index_ = parentIndex_ + 1;
    rigSelection_ = parentRig_;
    return true;
}

// Messages.

void QslDefinition::reportAt(const QString& text, const QString& caption) {
    errorLine_ = index_ + 1;
    ShowMsgBox(nullptr, text, caption, mb::Ok | mb::IconStop);
}

QslDefinition::Step QslDefinition::parameterError(const QString& commandText) {
    reportAt(
        QStringLiteral("#%1\r　↑QSL定義命令エラー（%2行目）\r\rパラメータ不足、又はカンマがあり"
                       "ません！")
            .arg(commandText)
            .arg(index_ + 1),
        commandText);
    return Step::Error;
}

QslDefinition::Step QslDefinition::unusable(const QString& line, const QString& why) {
    reportAt(QStringLiteral("%1\r　↑この命令は使えません！（%2行目）").arg(line).arg(index_ + 1) +
                 (why.isEmpty() ? QString() : QStringLiteral("\r\r（%1）").arg(why)),
             app::title());
    return Step::Error;
}

bool QslDefinition::withinReach(std::initializer_list<qint64> values) {
    for (qint64 v : values)
        if (v < -kMaxReach || v > kMaxReach) return false;
    return true;
}

QslDefinition::Step QslDefinition::outOfReach(const QString& commandText) {
    reportAt(QStringLiteral("#%1\r　↑QSL定義命令エラー（%2行目）\r\r数値が大きすぎます！"
                            "（位置と大きさは±%3まで、画像は%4×%4ドットまで）")
                 .arg(commandText)
                 .arg(index_ + 1)
                 .arg(kMaxReach)
                 .arg(kMaxPictureSide),
             commandText);
    return Step::Error;
}

QslDefinition::Step QslDefinition::fileMissing(const QString& path) {
    reportAt(
        QStringLiteral("%1\r　↑ファイルが見つかりません！（%2行目）").arg(path).arg(index_ + 1),
        app::title());
    return Step::Error;
}

QslDefinition::Step QslDefinition::pictureUnreadable(const QString& path, const QString& why) {
    reportAt(QStringLiteral("%1\r　↑画像を読めません！（%2行目）").arg(path).arg(index_ + 1) +
                 (why.isEmpty() ? QString() : QStringLiteral("\r\r（%1）").arg(why)),
             app::title());
    return Step::Error;
}

std::optional<QString> QslDefinition::quoted(const QString& line) {
    QString text = line;
    qsizetype start = 0;
    if (ExtractQuoted(start, text) != 0) {
        errorLine_ = index_ + 1;
        return std::nullopt;
    }
    return text.mid(start);
}

qint32 QslDefinition::number(const QStringList& items, int i) const {
    return EvalNumber(items.value(i), integers_);
}

// Placeholders: the program's own codes, then the log's.
QString QslDefinition::rigItem(int item) {
    if (!qso_) return {};
    RigChoiceContext rig;
    rig.lines = context.rigLines;
    rig.expertMode = true;
    rig.remarks1 = qso_->remarks1;
    rig.remarks2 = qso_->remarks2;
    const QString line = SelectRigLine(qso_->freq, rigSelection_, rig);
    return splitOperands(line).value(item);
}

QString QslDefinition::expand(const QString& text) {
    QString out;
    const auto [band, band2] = BandTexts(qso_ ? QStringView(qso_->freq) : QStringView());
    rigItem(0);  // the line of the QSO's frequency, kept for the run
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'!' || i + 2 >= text.size()) {
            out += text[i];
            continue;
        }
        const QStringView code = QStringView(text).sliced(i + 1, 2);
        QString value;
        bool known = true;
        if (code == u"$$" && i + 3 < text.size() && stringVariableIndex(text[i + 3]) >= 0) {
            out += sjis::leftBytes(strings_[size_t(stringVariableIndex(text[i + 3]))], 512);
            i += 3;
            continue;
        }
        if (code == u"RG")
            value = rigItem(2);
        else if (code == u"Pw")
            value = rigItem(3);
        else if (code == u"AN")
            value = rigItem(4);
        else if (code == u"Hi")
            value = rigItem(5);
        else if (code == u"Rm")
            value = rigItem(6);
        else if (code == u"Lc")
            value = rigItem(7);
        else if (code == u"Et")
            value = rigItem(8);
        else if (code == u"LC")
            value = context.placeText;
        else if (code == u"Ca")
            value = context.ownCall;
        else if (code == u"Bo")
            value = context.messageBody;
        else if (code == u"Co")
            value = context.remarkText;
        else if (code == u"Bt")
            value = band;
        else if (code == u"Br")
            value = band2;
        else if (code == u"Vr")
            value = app::versionText();
        else
            known = false;
        if (!known) {
            out += text[i];
            continue;
        }
        out += sjis::leftBytes(value, 512);
        i += 2;
    }
    if (qso_)
        out = expandLogCodes(*qso_, out,
                             context.today.isValid() ? context.today : QDate::currentDate());
    return sjis::leftBytes(out, 2048);
}

// Conditions.

bool QslDefinition::occurs(const QString& haystack, const QString& needle) const {
    return !needle.isEmpty() && haystack.contains(needle);
}

QString QslDefinition::dataField(int n) const {
    return qso_ ? QsoDataRef(*qso_, n) : QString();
}

QslDefinition::Step QslDefinition::runCondition(const QString& rawLine) {
    const QString line = normalizedLine(rawLine);
    const QString word = line.mid(1);
    // The inversion mark: the first "!" from the keyword's 4th character on,
    // before any double quote.
    bool invert = false;
    {
        const qsizetype quote = word.indexOf(u'"');
        const qsizetype bang = word.indexOf(u'!', 3);
        invert = bang >= 0 && (quote < 0 || bang < quote);
    }
    auto operand = [&]() -> std::optional<QString> { return quoted(line); };
    const QsoRecord empty;
    const QsoRecord& q = qso_ ? *qso_ : empty;
    bool truth = false;
    if (startsWithWord(word, u"DXST")) {
        truth = q.flags & qso_flag::DxStation;
    } else if (startsWithWord(word, u"UTC")) {
        truth = q.zone != u'J';
    } else if (startsWithWord(word, u"Rcv")) {
        truth = q.qslRcvd != u' ';
    } else if (startsWithWord(word, u"Potbl")) {
        truth = portableSeparator(q.call) >= 0;
    } else if (startsWithWord(word, u"Name")) {
        truth = !IsBlank(q.name);
    } else if (startsWithWord(word, u"Qsl")) {
        const QChar which = word.size() > 3 ? word[3].toUpper() : QChar();
        if (which == u'1' || which == u'2' || which == u'3') {
            const auto text = operand();
            if (!text) return Step::Error;
            const QChar mark = q.qslField()[which.unicode() - u'1'];
            truth = !text->isEmpty() && mark == text->front();
        } else if (which == u'M') {
            truth = q.qslRoute == u'M';
        } else {
            return Step::Next;  // no test
        }
    } else if (!startsWithWord(word, u"RmStr") && word.startsWith(u"$$") && word.size() > 2 &&
               stringVariableIndex(word[2]) >= 0) {
        const auto text = operand();
        if (!text) return Step::Error;
        truth = occurs(strings_[size_t(stringVariableIndex(word[2]))], expand(*text));
    } else if (startsWithWord(word, u"Space")) {
        const auto text = operand();
        if (!text) return Step::Error;
        truth = IsBlank(expand(*text));
    } else if (startsWithWord(word, u"Club")) {
        const QString c = q.call;
        truth = c.size() >= 6 && (c[3] == u'Y' || c[3] == u'Z') && c[5] >= u'A' &&
                !q.code.isEmpty() && q.code.front() < u'5';
    } else if (startsWithWord(word, u"CQde")) {
        truth = q.flags & qso_flag::Cq;
    } else if (startsWithWord(word, u"Check")) {
        const QChar which = word.size() > 5 ? word[5] : QChar();
        if (which == u'1')
            truth = q.flags & 32;
        else if (which == u'2')
            truth = q.flags & 64;
        else
            return Step::Next;
    } else if (startsWithWord(word, u"Freq")) {
        qsizetype cursor = 0;
        const int n = NextListNumber(word, cursor);
        if (n < 1) return Step::EndFile;
        truth = FreqPCheck(q.freq) == n - 1;
    } else if (startsWithWord(word, u"Data") || startsWithWord(word, u"nData")) {
        const bool list = word.front().toLower() == u'n';
        const int n = StrToLong(QStringView(word).sliced(list ? 5 : 4));
        if (n < 1 || n > 14) {
            ShowMsgBox(nullptr,
                       list ? QStringLiteral("?nData1～?nData14が指定可能")
                            : QStringLiteral("?Data1～?Data14が指定可能"),
                       rawLine, mb::Ok | mb::IconStop);
            return Step::Next;
        }
        const auto text = operand();
        if (!text) return Step::Error;
        const QString field = dataField(n);
        if (list) {
            for (const QString& item : splitOperands(expand(*text)))
                truth = truth || occurs(field, item);
        } else {
            truth = occurs(field, expand(*text));
        }
    } else if (startsWithWord(word, u"End")) {
        truth = true;
    } else if (startsWithWord(word, u"RmStr")) {
        const auto text = operand();
        if (!text) return Step::Error;
        const QString needle = expand(*text);
        truth = occurs(q.remarks1, needle) || occurs(q.remarks2, needle);
    } else {
        return unusable(rawLine);
    }
    if (invert) truth = !truth;
    return truth ? Step::Next : skipFalseCondition();
}

// A false condition: the conditions right after it belong to it; the first
// other line is skipped, or the whole block up to a "?...End" line.
QslDefinition::Step QslDefinition::skipFalseCondition() {
    qsizetype i = index_ + 1;
    while (i < lines.size() && lines[i].startsWith(u'?'))
        ++i;
    if (i >= lines.size()) return Step::EndFile;
    const qsizetype skipped = i;
    for (qsizetype j = skipped + 1; j < lines.size(); ++j) {
        if (!lines[j].startsWith(u'?')) continue;
        if (headBytes(lines[j], 62).mid(1).contains(u"End", Qt::CaseInsensitive)) {
            index_ = int(j + 1);
            return Step::Jumped;
        }
        break;
    }
    index_ = int(skipped + 1);
    return Step::Jumped;
}

// Commands.

QslDefinition::Step QslDefinition::runCommand(const QString& rawLine) {
    const QString line = normalizedLine(rawLine);
    const QString body = line.mid(1);
    const QStringList items = splitOperands(body);
    if (startsWithWord(body, u"Substr")) return substr(line, items);
    if (startsWithWord(body, u"Print")) return print(body, items);
    if (startsWithWord(body, u"Jst2Utc") || startsWithWord(body, u"Utc2Jst")) {
        if (qso_) {
            QsoStamp stamp = qso_->stamp();
            ConvertQsoTimeQuiet(stamp, startsWithWord(body, u"Jst2Utc") ? 0 : 2);
            qso_->setStamp(stamp);
        }
        return Step::Next;
    }
    if (startsWithWord(body, u"Font")) return fontCommand(body, rawLine, items);
    if (startsWithWord(body, u"Mark")) {
        const auto text = quoted(line);
        if (!text) return Step::Error;
        sentMark_ = text->isEmpty() ? QString(QChar(0x1F)) : text->left(6);
        return Step::Next;
    }
    if (startsWithWord(body, u"Line")) return lineCommand(body, items);
    if (startsWithWord(body, u"FillBox")) return fillBox(body, items);
    if (startsWithWord(body, u"Ellips")) return ellipse(body, items);
    if (startsWithWord(body, u"Alpha")) return alpha(body, items);
    if (startsWithWord(body, u"Bmp") || startsWithWord(body, u"Jpg"))
        return image(body, line, items, startsWithWord(body, u"Jpg"));
    if (startsWithWord(body, u"Size")) return size(body, rawLine, items);
    if (startsWithWord(body, u"Load")) return load(line);
    if (startsWithWord(body, u"Text")) return text(body, items);
    if (startsWithWord(body, u"Goto")) return jump(body, rawLine);
    if (startsWithWord(body, u"Mov")) return move(line);
    if (startsWithWord(body, u"EndLoop")) return endLoop(rawLine);
    if (startsWithWord(body, u"DoLoop")) {
        loopStart_ = index_;
        return Step::Next;
    }
    if (startsWithWord(body, u"Exit")) return Step::EndFile;
    if (startsWithWord(body, u"Rig#") || startsWithWord(body, u"Rig=")) return rig(body);
    if (startsWithWord(body, u"End")) return Step::Next;
    if (startsWithWord(body, u"QRCode")) return qrCode(body, rawLine, items);
    return unusable(rawLine);
}

QslDefinition::Step QslDefinition::substr(const QString& line, const QStringList& items) {
    const QString body = line.mid(1);
    const qsizetype dollars = body.indexOf(u"$$");
    const int variable =
        dollars >= 0 && dollars + 2 < body.size() ? stringVariableIndex(body[dollars + 2]) : -1;
    if (variable < 0 || items.size() < 4) return parameterError(body);
    const auto text = quoted(line);
    if (!text) return Step::Error;
    const int start = number(items, 1);
    const int length = number(items, 2);
    strings_[size_t(variable)] =
        sjis::midBytes(expand(*text), std::max(start, 1) - 1, std::max(length, 0));
    return Step::Next;
}

QslDefinition::Step QslDefinition::load(const QString& line) {
    if (!savedLines_.isEmpty()) return Step::Next;  // one level of loading
    const auto name = quoted(line);
    if (!name) return Step::Error;
    const std::optional<QString> path = locateFile(expand(*name), true);
    QStringList loaded;
    if (!path || !readLines(*path, loaded)) return fileMissing(*name);
    parentIndex_ = index_;
    parentRig_ = rigSelection_;
    savedLines_ = lines;
    lines = loaded;
    if (savedLines_.isEmpty()) savedLines_.append(QString());
    index_ = 0;
    return Step::Jumped;
}

QslDefinition::Step QslDefinition::jump(const QString& body, const QString& rawLine) {
    qsizetype cursor = 0;
    const int n = NextListNumber(body, cursor);
    const bool label = cursor > 0 && cursor <= body.size() && body[cursor - 1] == u'*';
    if (label) {
        QString labelText = QStringLiteral("*");
        for (qsizetype i = cursor; i < body.size() && body[i].isDigit(); ++i)
            labelText += body[i];
        for (qsizetype i = index_; i < lines.size(); ++i)
            if (lines[i].startsWith(labelText)) {
                index_ = int(i + 1);
                return Step::Jumped;
            }
    } else if (n > index_ + 1) {
        index_ = n - 1;
        return Step::Jumped;
    }
    ShowMsgBox(nullptr, QStringLiteral("ジャンプできません！"), rawLine, mb::Ok | mb::IconStop);
    return Step::Next;
}

QslDefinition::Step QslDefinition::move(const QString& line) {
    const qsizetype dollars = line.indexOf(u"$$");
    if (dollars < 0 || dollars + 2 >= line.size()) return Step::Next;
    const qsizetype equals = line.indexOf(u'=', dollars);
    if (equals < 0) return Step::Next;
    const QChar letter = line[dollars + 2].toUpper();
    const QString value = line.mid(equals + 1);
    const int valueVariable = integerVariableIn(value);
    if (stringVariableIndex(letter) >= 0) {
        QString& target = strings_[size_t(stringVariableIndex(letter))];
        if (valueVariable >= 0) {
            target = QString::number(integers_[size_t(valueVariable)]);
            return Step::Next;
        }
        const auto text = quoted(line);
        if (!text) return Step::Error;
        target = expand(*text);
    } else if (letter >= u'U' && letter <= u'Z') {
        qsizetype cursor = equals - 1;
        qint64 v = NextListNumber(line, cursor);
        if (valueVariable >= 0) v += integers_[size_t(valueVariable)];
        integers_[size_t(letter.unicode() - u'U')] = qint32(v);
    }
    return Step::Next;
}

QslDefinition::Step QslDefinition::endLoop(const QString& rawLine) {
    const int variable = integerVariableIn(rawLine);
    if (variable < 0 || integers_[size_t(variable)] < 1) return Step::Next;
    if (loopCount_ >= kLoopLimit) {
        loopCount_ = 0;
        reportAt(QStringLiteral("ループが1,000回を超えました。"), rawLine);
        return Step::Error;
    }
    ++loopCount_;
    index_ = loopStart_ + 1;
    return Step::Jumped;
}

QslDefinition::Step QslDefinition::rig(const QString& body) {
    rigSelection_ = 0;
    RigChoiceContext rig;
    rig.lines = context.rigLines;
    rig.expertMode = true;
    if (qso_) {
        rig.remarks1 = qso_->remarks1;
        rig.remarks2 = qso_->remarks2;
    }
    SelectRigLine(body.mid(0, 4) + body.mid(4).trimmed(), rigSelection_, rig);
    return Step::Next;
}
