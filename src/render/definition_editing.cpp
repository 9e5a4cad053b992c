#include "render/definition_editing.h"
#include "core/bitmap_ops.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

InsertEntry placeholder(const char* name, const QString& caption) {
    return {QString::fromLatin1(name), caption, placeholderLine(caption)};
}

InsertEntry condition(const char* name, const QString& caption) {
    return {QString::fromLatin1(name), caption, conditionLine(caption)};
}

}  // namespace

QString placeholderLine(const QString& caption) {
    QString code = caption;
    if (caption.startsWith(u'[')) code = caption.mid(1, caption.indexOf(u']') - 1);
    return QStringLiteral("#Print x, y, \"") + code + u'"';
}

QString conditionLine(const QString& caption) {
    const qsizetype end = caption.indexOf(u']');
    return caption.mid(1, std::min<qsizetype>(end < 0 ? caption.size() : end - 1, 10));
}

const std::vector<InsertGroup>& placeholderMenu() {
    static const std::vector<InsertGroup> menu = {
        {QStringLiteral("コールサイン(&C)"),
         {placeholder("P1", QStringLiteral("[!cp] 半角ｺｰﾙｻｲﾝ/移動地")),
          placeholder("P2", QStringLiteral("[!CP] 全角ｺｰﾙｻｲﾝ/移動地")),
          placeholder("P3", QStringLiteral("[!PT] 移動地 （/p）")),
          placeholder("P4", QStringLiteral("[!Ca] 自局コールサイン")),
          placeholder("P5", QStringLiteral("[!C1] JARL転送枠１文字目")),
          placeholder("P6", QStringLiteral("[!C2] JARL転送枠２文字目")),
          placeholder("P7", QStringLiteral("[!C3] JARL転送枠３文字目")),
          placeholder("P8", QStringLiteral("[!C4] JARL転送枠４文字目")),
          placeholder("P9", QStringLiteral("[!C5] JARL転送枠５文字目")),
          placeholder("P10", QStringLiteral("[!C6] JARL転送枠６文字目")),
          placeholder("P11", QStringLiteral("[!C7] JARL転送枠７文字目"))}},
        {QStringLiteral("年月日(&D)"),
         {placeholder("D1", QStringLiteral("[!DY] 年 (2014)")),
          placeholder("D2", QStringLiteral("[!Dy] 年 (14)")),
          placeholder("D3", QStringLiteral("[!DM] 月 (01～12)")),
          placeholder("D4", QStringLiteral("[!Dm] 月 (1～12)")),
          placeholder("D5", QStringLiteral("[!DJ] 月 (Jan～Dec)")),
          placeholder("D6", QStringLiteral("[!DD] 日(01～31)")),
          placeholder("D7", QStringLiteral("[!Dd] 日(1～31)")),
          placeholder("D8", QStringLiteral("[!DT] 年月日(yy/mm/dd)"))}},
        {QStringLiteral("時刻(&T)"),
         {placeholder("T1", QStringLiteral("[!Th] 時 (0～23)")),
          placeholder("T2", QStringLiteral("[!TH] 時(00～23)")),
          placeholder("T3", QStringLiteral("[!Tm] 分 (0～59)")),
          placeholder("T4", QStringLiteral("[!TM] 分(00～59)"))}},
        {QStringLiteral("バンド・モード(&B)"),
         {placeholder("B1", QStringLiteral("[!HR] His RST")),
          placeholder("B2", QStringLiteral("[!hR] His Ｒ")),
          placeholder("B3", QStringLiteral("[!hS] His Ｓ")),
          placeholder("B4", QStringLiteral("[!hT] His Ｔ")),
          placeholder("B5", QStringLiteral("[!FR] Freq（ﾋﾟﾘｵﾄﾞ前）")),
          placeholder("B6", QStringLiteral("[!F7] Freq（!F3～!F7）")),
          placeholder("B7", QStringLiteral("[!MD] Mode"))}},
        {QStringLiteral("名前・QTH(&N)"),
         {placeholder("N1", QStringLiteral("[!JC] コード")),
          placeholder("N2", QStringLiteral("[!Jc] コードその２")),
          placeholder("N3", QStringLiteral("[!QT] ＱＴＨ")),
          placeholder("N4", QStringLiteral("[!NA] 名前")),
          placeholder("N5", QStringLiteral("[!GL] ｸﾞﾘｯﾄﾞ･ﾛｹｰﾀｰ"))}},
        {QStringLiteral("コメント(&R)"),
         {placeholder("R1", QStringLiteral("[!RG] リグ")),
          placeholder("R2", QStringLiteral("[!Pw] 終段入力")),
          placeholder("R3", QStringLiteral("[!AN] アンテナ")),
          placeholder("R4", QStringLiteral("[!Hi] アンテナ地上高")),
          placeholder("R5", QStringLiteral("[!Rm] 備考")),
          placeholder("R6", QStringLiteral("[!Et] その他")),
          placeholder("R7", QStringLiteral("[!Co] 確認時コメント")),
          placeholder("R8", QStringLiteral("任意の文字列"))}},
        {QStringLiteral("その他(&O)"),
         {placeholder("O1", QStringLiteral("[!NO] レコード番号")),
          placeholder("O2", QStringLiteral("[!R1] Remarks１の文字列")),
          placeholder("O3", QStringLiteral("[!R2] Remarks２の文字列")),
          placeholder("O4", QStringLiteral("[!Vr] バージョン")),
          placeholder("O5", QStringLiteral("[!Nw] 印字年月日"))}},
    };
    return menu;
}

const std::vector<InsertGroup>& commandMenu() {
    static const std::vector<InsertGroup> menu = {
        {QStringLiteral("条件命令(&J)"),
         {condition("J1", QStringLiteral("[? Rcv]QSL受領済み")),
          condition("J2", QStringLiteral("[? Potbl]相手が移動運用")),
          condition("J3", QStringLiteral("[? UTC]時間がUTC")),
          condition("J4", QStringLiteral("[? Name]氏名が空白でない")),
          condition("J5", QStringLiteral("[? QslM]QSLマネージャー経由")),
          condition("J6", QStringLiteral("[? RmStr]備考に特定の文字列")),
          condition("J7", QStringLiteral("[? Club]相手がクラブ局")),
          condition("J8", QStringLiteral("[? Data1]データに特定の文字列")),
          condition("J9", QStringLiteral("[? DXST]相手がDX局")),
          condition("J10", QStringLiteral("[? Space]文字列が空白")),
          condition("J11", QStringLiteral("[? Qsl1 \"n\"]QSL欄１文字目")),
          condition("J12", QStringLiteral("[? Freq n]特定の周波数帯")),
          condition("J13", QStringLiteral("[? CQde]CQにチェック")),
          condition("J14", QStringLiteral("[? Check1]1にチェック")),
          condition("J15", QStringLiteral("[? End]条件命令終わり"))}},
        {QStringLiteral("罫線の表示(&L)"),
         {{QStringLiteral("LineR1"), QStringLiteral("四角形を描く(&R)"),
           QStringLiteral("#LineR x1, y1, x2, y2")},
          {QStringLiteral("LineC1"), QStringLiteral("角の丸い四角(&C)"),
           QStringLiteral("#LineC x1, y1, x2, y2, x3, y3")},
          {QStringLiteral("LineY1"), QStringLiteral("縦罫線(&Y)"),
           QStringLiteral("#LineY x1, y1, Len")},
          {QStringLiteral("LineX1"), QStringLiteral("横罫線(&X)"),
           QStringLiteral("#LineX x1, y1, Len")},
          {QStringLiteral("Line1"), QStringLiteral("斜め罫線(&L)"),
           QStringLiteral("#Line x1, y1, x2, y2")}}},
        {QString(),
         {{QStringLiteral("Goto1"), QStringLiteral("指定行へジャンプ(&P)"),
           QStringLiteral("#Goto *nn")},
          {QStringLiteral("Mark1"), QStringLiteral("QSL発送済みマーク(&M)"),
           QStringLiteral("#Mark = \"*\"")},
          {QStringLiteral("Text1"), QStringLiteral("挿入文書の設定(&I)"),
           QStringLiteral("#Text x, y\n複数行の文字列\n#End")},
          {QStringLiteral("Size1"), QStringLiteral("画像サイズの指定(&W)"),
           QStringLiteral("#Size 640, 408")},
          {QStringLiteral("Bmp1"), QStringLiteral("ビットマップを挿入(&B)..."), QString()},
          {QStringLiteral("Jpg1"), QStringLiteral("JPEG写真を挿入(&J)..."), QString()},
          {QStringLiteral("Load1"), QStringLiteral("別の定義ファイルを読み込む(&F)..."), QString()},
          {QStringLiteral("Font1"), QStringLiteral("フォントの指定(&F)..."), QString()},
          {QStringLiteral("FontC1"), QStringLiteral("フォント色の指定(&C)..."), QString()},
          {QStringLiteral("LineS1"), QStringLiteral("罫線の種類(&S)..."), QString()}}},
    };
    return menu;
}

quint32 definitionColour(QColor colour) {
    return bgrOf(colour);
}

QString fontColourLine(QColor colour) {
    return QStringLiteral("#FontColor=0x%1")
        .arg(definitionColour(colour), 8, 16, QChar(u'0'))
        .toUpper()
        .replace(QStringLiteral("#FONTCOLOR=0X"), QStringLiteral("#FontColor=0x"));
}

QStringList fontLines(const QString& face, int size, QColor colour, int styleBits) {
    return {QStringLiteral("#FontName=\"") + face + u'"', QStringLiteral("#FontSize=%1").arg(size),
            fontColourLine(colour), QStringLiteral("#FontStyle=%1").arg(styleBits)};
}

QString lineStyleLine(int width, int style, QColor colour) {
    // Dashes and dots are drawn one pixel wide.
    const int drawn = style >= 1 && style <= 4 ? 0 : width;
    return QStringLiteral("#LineS %1, %2, %3").arg(drawn).arg(style).arg(definitionColour(colour));
}

QString lineIndicator(int caretLine, int lineCount) {
    return QStringLiteral("[%1/%2]：イメージ").arg(caretLine).arg(lineCount + 1);
}

int nextRecord(int current, int last) {
    return last < 1 ? 1 : current >= last ? 1 : current + 1;
}

int previousRecord(int current, int last) {
    return last < 1 ? 1 : current <= 1 ? last : current - 1;
}

int typedRecord(int typed, int last) {
    return std::clamp(typed, 1, std::max(last, 1));
}

QString previewFileName(const QString& call) {
    return call.left(20).section(u' ', 0, 0).replace(u'/', u'-');
}

ReductionPlan reductionPlan(QSize picture, int entry) {
    static const QSize targets[] = {{800, 510}, {640, 408}, {528, 336}};
    ReductionPlan plan;
    const QSize wide = targets[std::clamp(entry, 0, 2)];
    const int w = picture.width();
    const bool upright = picture.height() >= w;
    const qint64 h = upright ? qint64{w} * 528000 / 336000 : qint64{w} * 336000 / 528000;
    plan.cut = QSize(w, static_cast<int>(h));
    if (h > picture.height()) {
        // Too low (or too narrow) for the card's proportion: cut in width
        // instead, never stretched.
        const qint64 fits = upright ? qint64{picture.height()} * 336000 / 528000
                                    : qint64{picture.height()} * 528000 / 336000;
        plan.cut = QSize(static_cast<int>(std::min<qint64>(fits, w)), picture.height());
    }
    plan.target = upright ? wide.transposed() : wide;
    plan.tooSmall = plan.cut.width() <= plan.target.width();
    return plan;
}

std::vector<TokenSpan> definitionTokens(const QString& line, bool insideText) {
    std::vector<TokenSpan> spans;
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty()) return spans;
    const int lead = static_cast<int>(line.indexOf(trimmed.front()));
    const int size = static_cast<int>(line.size());
    if (insideText && !trimmed.startsWith(u'#')) return spans;  // the text of a #Text block
    if (line.front() == u'*') {
        spans.push_back({0, static_cast<int>(line.indexOf(u' ') < 0 ? size : line.indexOf(u' ')),
                         DefinitionToken::Label});
        return spans;
    }
    if (line.front() != u'#' && line.front() != u'?') {
        spans.push_back({lead, size - lead, DefinitionToken::Comment});
        return spans;
    }
    // What follows the last double quote is a comment.
    const qsizetype quotes = line.count(u'"');
    const int end = quotes >= 2 ? static_cast<int>(line.lastIndexOf(u'"')) + 1 : size;
    if (line.front() == u'?') {
        spans.push_back({0, end, DefinitionToken::Condition});
    } else {
        static const QRegularExpression word(QStringLiteral("^#\\s*[A-Za-z0-9]+"));
        const QRegularExpressionMatch m = word.match(line);
        if (m.hasMatch())
            spans.push_back({0, static_cast<int>(m.capturedLength()), DefinitionToken::Command});
        // Placeholders: "!" and two letters or digits.
        static const QRegularExpression code(QStringLiteral("![A-Za-z0-9]{2}"));
        for (auto it = code.globalMatch(line.left(end)); it.hasNext();) {
            const QRegularExpressionMatch p = it.next();
            spans.push_back({static_cast<int>(p.capturedStart()), 3, DefinitionToken::Placeholder});
        }
    }
    if (end < size) spans.push_back({end, size - end, DefinitionToken::Comment});
    return spans;
}

bool textBlockAfter(const QString& line, bool insideText) {
    static const QRegularExpression text(QStringLiteral("^#\\s*Text\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression end(QStringLiteral("^#\\s*End\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (insideText) return !end.match(line).hasMatch();
    return text.match(line).hasMatch();
}
