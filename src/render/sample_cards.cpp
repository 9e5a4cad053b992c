#include "render/sample_cards.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "settings/kankyo.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

SampleCards::SampleCards(CardInputs inputs, const EnvironmentSettings& environment,
                         QslDefinition& definition)
    : composer_(std::move(inputs), definition) {
    rules_.excludedRoutes = environment.excludedRoutes;
    rules_.eligibleSentMarks = environment.eligibleSentMarks;
    rules_.onlyUnsent = false;  // any card will do for a sample
}

SampleCards::~SampleCards() {
    if (logOpen_) ZelkovClose(log_, 0);
    User_close(users_);
}

std::optional<QString> SampleCards::open(bool qsoDataOpened, const QString& userList) {
    const CardInputs& in = composer_.inputs;
    if (!in.expertMode && !QFileInfo(in.photoPath).isFile())
        return u"ファイルメニューからJPEG画像を開いてください。"_s;
    if (!qsoDataOpened) return u"ファイルメニューからQSOデータを開いてください。"_s;
    if (in.expertMode && !QFileInfo(in.definitionPath).isFile())
        return u"QSL定義ファイルを登録してください。"_s;
    if (!isServiceUserList(userList) && !QFileInfo(userList).isFile())
        return u"ファイルメニューからユーザーリストを開いてください。"_s;
    if (User_open(0, 0, users_, userList) != 0 || users_.status != 0)
        return u"一度、ZELKOV/Win でユーザーリストを開いてください。"_s;
    if (ZelkovOpen(0, log_, in.qsoData, 0) != 0)
        return u"ファイルメニューからQSOデータを開いてください。"_s;
    logOpen_ = true;
    from_ = log_.recordCount;
    return std::nullopt;
}

std::optional<SampleCards::Card> SampleCards::next() {
    if (!logOpen_ || from_ < 1) return std::nullopt;
    const Selection found = SelectCandidates(log_, users_, from_, from_, 1, rules_);
    if (found.candidates.isEmpty()) {
        ShowMsgBox(nullptr, u"ユーザー登録局との交信が見つかりません！"_s, app::title(),
                   mb::Ok | mb::IconExclamation);
        from_ = 0;
        return std::nullopt;
    }
    from_ = found.lastAdded - 1;
    const CardComposer::Result card = composer_.ComposeCard(found.candidates.front());
    if (card.path == u"-") return std::nullopt;
    return Card{card.path, found.lastAdded};
}
